#pragma once
// The positions a live aircraft still has to fly, oldest first: a double-ended queue whose first element lives in
// the record itself. Every tick reads the front's due tick of every live aircraft, and with the front beside the
// record's other per-tick fields that read costs no cache miss of its own. The other elements are kept in a ring
// buffer, made for 16 when the second element arrives and doubled when full; it never shrinks, so a stream that
// keeps its length allocates nothing in the ticks after its first seconds.
//
// The interface is the part of std::deque that the engine uses, with the same meaning; an insertion or an erasure
// invalidates references and iterators to elements other than the front.
#include "records/flight_record.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

namespace hlw {

class PositionQueue {
  public:
    template <bool Constant> class Iterator;
    using value_type = PositionRecord;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = PositionRecord&;
    using const_reference = const PositionRecord&;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    // The ring's first size.
    static constexpr size_type firstRingCapacity = 16;

    PositionQueue() noexcept = default;
    PositionQueue(const PositionQueue& other);
    PositionQueue(PositionQueue&& other) noexcept;
    PositionQueue& operator=(const PositionQueue& other);
    PositionQueue& operator=(PositionQueue&& other) noexcept;
    ~PositionQueue();

    bool empty() const noexcept { return size_ == 0; }
    size_type size() const noexcept { return size_; }
    // Elements the queue holds without allocating.
    size_type capacity() const noexcept { return capacity_ + 1; }

    reference front() noexcept { return front_; }
    const_reference front() const noexcept { return front_; }
    reference back() noexcept { return (*this)[size_ - 1]; }
    const_reference back() const noexcept { return (*this)[size_ - 1]; }
    reference operator[](size_type index) noexcept { return index == 0 ? front_ : ring_[slot(index)]; }
    const_reference operator[](size_type index) const noexcept { return index == 0 ? front_ : ring_[slot(index)]; }

    iterator begin() noexcept;
    iterator end() noexcept;
    const_iterator begin() const noexcept;
    const_iterator end() const noexcept;

    void push_back(const PositionRecord& position);
    void push_front(const PositionRecord& position);
    void pop_front() noexcept;
    void pop_back() noexcept;
    void clear() noexcept { size_ = 0; }
    // Drops elements from the back, or appends default ones.
    void resize(size_type count);
    void assign(size_type count, const PositionRecord& position);
    template <typename InputIt> void assign(InputIt first, InputIt last)
    {
        clear();
        for (; first != last; ++first) {
            push_back(*first);
        }
    }
    // Before the element at the position; an iterator to the new element.
    iterator insert(const_iterator position, const PositionRecord& value);
    // An iterator to the element after the erased ones.
    iterator erase(const_iterator position);
    iterator erase(const_iterator first, const_iterator last);

  private:
    // The ring slot of element index (1 or more).
    size_type slot(size_type index) const noexcept { return (head_ + index - 1) & (capacity_ - 1); }
    // Room in the ring for one element more.
    void reserveOneMore();

    PositionRecord front_{};
    PositionRecord* ring_ = nullptr;
    // The ring's slots, 0 or a power of two, and the slot of element 1.
    uint32_t capacity_ = 0;
    uint32_t head_ = 0;
    uint32_t size_ = 0;
};

template <bool Constant> class PositionQueue::Iterator {
  public:
    using iterator_category = std::random_access_iterator_tag;
    using iterator_concept = std::random_access_iterator_tag;
    using value_type = PositionRecord;
    using difference_type = std::ptrdiff_t;
    using Queue = std::conditional_t<Constant, const PositionQueue, PositionQueue>;
    using reference = std::conditional_t<Constant, const PositionRecord&, PositionRecord&>;
    using pointer = std::conditional_t<Constant, const PositionRecord*, PositionRecord*>;

    Iterator() noexcept = default;
    Iterator(Queue* queue, difference_type index) noexcept : queue_(queue), index_(index) {}
    // A constant iterator from a mutable one.
    template <bool Other>
        requires(Constant && !Other)
    Iterator(const Iterator<Other>& other) noexcept : queue_(other.queue()), index_(other.index())
    {
    }

    reference operator*() const noexcept { return (*queue_)[static_cast<size_type>(index_)]; }
    pointer operator->() const noexcept { return &**this; }
    reference operator[](difference_type offset) const noexcept { return *(*this + offset); }

    Iterator& operator++() noexcept { return ++index_, *this; }
    Iterator operator++(int) noexcept { return {queue_, index_++}; }
    Iterator& operator--() noexcept { return --index_, *this; }
    Iterator operator--(int) noexcept { return {queue_, index_--}; }
    Iterator& operator+=(difference_type offset) noexcept { return index_ += offset, *this; }
    Iterator& operator-=(difference_type offset) noexcept { return index_ -= offset, *this; }
    friend Iterator operator+(Iterator it, difference_type offset) noexcept { return it += offset; }
    friend Iterator operator+(difference_type offset, Iterator it) noexcept { return it += offset; }
    friend Iterator operator-(Iterator it, difference_type offset) noexcept { return it -= offset; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) noexcept { return a.index_ - b.index_; }
    friend bool operator==(const Iterator& a, const Iterator& b) noexcept { return a.index_ == b.index_; }
    friend auto operator<=>(const Iterator& a, const Iterator& b) noexcept { return a.index_ <=> b.index_; }

    Queue* queue() const noexcept { return queue_; }
    difference_type index() const noexcept { return index_; }

  private:
    Queue* queue_ = nullptr;
    difference_type index_ = 0;
};

inline PositionQueue::iterator PositionQueue::begin() noexcept
{
    return {this, 0};
}
inline PositionQueue::iterator PositionQueue::end() noexcept
{
    return {this, static_cast<difference_type>(size_)};
}
inline PositionQueue::const_iterator PositionQueue::begin() const noexcept
{
    return {this, 0};
}
inline PositionQueue::const_iterator PositionQueue::end() const noexcept
{
    return {this, static_cast<difference_type>(size_)};
}

static_assert(std::random_access_iterator<PositionQueue::iterator>);
static_assert(std::random_access_iterator<PositionQueue::const_iterator>);

} // namespace hlw
