#pragma once
// Similar models with liveries: when no livery of an aircraft's own model is installed, the livery matching may
// show a member of the same "similar_types" group of the reference data of which liveries are installed. The
// tables are built once the livery catalogue exists and are read by the matching on the worker thread.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hlw {

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
// replacing what an earlier build left, and logs "{:5} similar model definitions".
void gf_buildSimilarModels(const LiveryPresence& liveries);

// The other members of the model's groups that have liveries; an empty list when there are none.
const std::vector<uint16_t>& gf_similarModelsWithLivery(uint16_t model);
// For a model the airline has no livery of: the similar models the airline has liveries of; else empty.
const std::vector<uint16_t>& gf_airlineSimilarModels(uint16_t airline, uint16_t model);
// Number of models with an entry in the general table.
std::size_t gf_similarModelDefinitionCount();
// Empties both tables (tests).
void gf_clearSimilarModels();

} // namespace hlw
