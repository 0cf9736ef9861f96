#pragma once
// Similar models with liveries: when no livery of an aircraft's own model is installed, the livery matching may
// show a member of the same "similar_types" group of the reference data of which liveries are installed. The
// tables are built once the livery catalogue exists and are read by the matching on the worker thread.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

namespace hlw {

// The similar models of one model: the members of its group that have liveries, in group order, without the
// model's own place among them. A view into the tables, valid until the next build or clear.
class SimilarModelList {
  public:
    class Iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = uint16_t;
        using difference_type = std::ptrdiff_t;
        using pointer = const uint16_t*;
        using reference = uint16_t;

        Iterator() = default;
        Iterator(const SimilarModelList* list, std::size_t index) noexcept : list_(list), index_(index) {}
        uint16_t operator*() const noexcept { return (*list_)[index_]; }
        Iterator& operator++() noexcept
        {
            ++index_;
            return *this;
        }
        Iterator operator++(int) noexcept
        {
            Iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const Iterator& other) const noexcept { return index_ == other.index_; }

      private:
        const SimilarModelList* list_ = nullptr;
        std::size_t index_ = 0;
    };
    using value_type = uint16_t;
    using const_iterator = Iterator;
    using iterator = Iterator;

    static constexpr std::size_t noPlace = static_cast<std::size_t>(-1);

    SimilarModelList() = default;
    // The members, and the place of the model itself among them (noPlace when it has no liveries).
    SimilarModelList(std::span<const uint16_t> members, std::size_t ownPlace) noexcept
        : members_(members), ownPlace_(ownPlace)
    {
    }

    std::size_t size() const noexcept { return members_.size() - (ownPlace_ == noPlace ? 0 : 1); }
    bool empty() const noexcept { return size() == 0; }
    uint16_t operator[](std::size_t index) const noexcept
    {
        return members_[index < ownPlace_ ? index : index + 1];
    }
    Iterator begin() const noexcept { return {this, 0}; }
    Iterator end() const noexcept { return {this, size()}; }

  private:
    std::span<const uint16_t> members_;
    std::size_t ownPlace_ = noPlace;
};

// What the livery catalogue answers about the installed liveries (implemented by the livery layer).
class LiveryPresence {
  public:
    virtual ~LiveryPresence() = default;
    // True when some airline has a pax or cargo livery of the model.
    virtual bool modelHasLiveries(uint16_t model) const = 0;
    // True when the airline has a livery of the model.
    virtual bool hasLivery(uint16_t airline, uint16_t model) const = 0;
    // Every airline of the catalogue, in any order.
    virtual std::vector<uint16_t> airlines() const = 0;
};

// Builds both tables anew from the similar-model groups of the reference data and the installed liveries,
// replacing what an earlier build left, and logs "{:5} similar model definitions". The members with liveries
// are kept once per group (and once per group and airline), so the work grows with the size of the groups, not
// with its square.
void gf_buildSimilarModels(const LiveryPresence& liveries);

// The other members of the model's group that have liveries; an empty list when there are none. A model in
// several groups takes the group whose text "model,similar,..." sorts first.
SimilarModelList gf_similarModelsWithLivery(uint16_t model);
// For a model the airline has no livery of: the similar models the airline has liveries of; else empty.
const std::vector<uint16_t>& gf_airlineSimilarModels(uint16_t airline, uint16_t model);
// Number of models with an entry in the general table.
std::size_t gf_similarModelDefinitionCount();
// Empties both tables (tests).
void gf_clearSimilarModels();

} // namespace hlw
