#include "records/position_queue.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace hlw {

PositionQueue::PositionQueue(const PositionQueue& other) : front_(other.front_), size_(other.size_ == 0 ? 0 : 1)
{
    for (size_type index = 1; index < other.size(); ++index) {
        push_back(other[index]);
    }
}

PositionQueue::PositionQueue(PositionQueue&& other) noexcept
    : front_(other.front_), ring_(std::exchange(other.ring_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      head_(std::exchange(other.head_, 0)), size_(std::exchange(other.size_, 0))
{
}

PositionQueue& PositionQueue::operator=(const PositionQueue& other)
{
    if (this != &other) {
        assign(other.begin(), other.end());
    }
    return *this;
}

PositionQueue& PositionQueue::operator=(PositionQueue&& other) noexcept
{
    if (this != &other) {
        delete[] ring_;
        front_ = other.front_;
        ring_ = std::exchange(other.ring_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        head_ = std::exchange(other.head_, 0);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

PositionQueue::~PositionQueue()
{
    delete[] ring_;
}

void PositionQueue::reserveOneMore()
{
    const size_type inRing = size_ - 1;
    if (inRing < capacity_) {
        return;
    }
    const size_type grown = capacity_ == 0 ? firstRingCapacity : size_type{capacity_} * 2;
    auto ring = std::make_unique<PositionRecord[]>(grown);
    for (size_type index = 1; index < size_; ++index) {
        ring[index - 1] = ring_[slot(index)];
    }
    delete[] ring_;
    ring_ = ring.release();
    capacity_ = static_cast<uint32_t>(grown);
    head_ = 0;
}

void PositionQueue::push_back(const PositionRecord& position)
{
    if (size_ == 0) {
        front_ = position;
        size_ = 1;
        return;
    }
    // The position may be one of this queue's own elements, which growing would move.
    const PositionRecord copy = position;
    reserveOneMore();
    ring_[slot(size_)] = copy;
    ++size_;
}

void PositionQueue::push_front(const PositionRecord& position)
{
    if (size_ == 0) {
        front_ = position;
        size_ = 1;
        return;
    }
    const PositionRecord copy = position;
    reserveOneMore();
    head_ = (head_ + capacity_ - 1) & (capacity_ - 1);
    ring_[head_] = front_;
    front_ = copy;
    ++size_;
}

void PositionQueue::pop_front() noexcept
{
    if (size_ > 1) {
        front_ = ring_[head_];
        head_ = (head_ + 1) & (capacity_ - 1);
    }
    size_ -= size_ > 0 ? 1 : 0;
}

void PositionQueue::pop_back() noexcept
{
    size_ -= size_ > 0 ? 1 : 0;
}

void PositionQueue::resize(size_type count)
{
    if (count <= size_) {
        size_ = static_cast<uint32_t>(count);
        return;
    }
    while (size_ < count) {
        push_back(PositionRecord{});
    }
}

void PositionQueue::assign(size_type count, const PositionRecord& position)
{
    const PositionRecord copy = position;
    clear();
    for (size_type index = 0; index < count; ++index) {
        push_back(copy);
    }
}

PositionQueue::iterator PositionQueue::insert(const_iterator position, const PositionRecord& value)
{
    const auto index = static_cast<size_type>(position.index());
    const PositionRecord copy = value;
    push_back(copy);
    for (size_type at = size_ - 1; at > index; --at) {
        (*this)[at] = (*this)[at - 1];
    }
    (*this)[index] = copy;
    return {this, position.index()};
}

PositionQueue::iterator PositionQueue::erase(const_iterator position)
{
    return erase(position, position + 1);
}

PositionQueue::iterator PositionQueue::erase(const_iterator first, const_iterator last)
{
    const auto from = static_cast<size_type>(first.index());
    const auto count = static_cast<size_type>(last - first);
    for (size_type at = from; at + count < size_; ++at) {
        (*this)[at] = (*this)[at + count];
    }
    size_ -= static_cast<uint32_t>(count);
    return {this, first.index()};
}

} // namespace hlw
