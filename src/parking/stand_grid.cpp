#include "parking/stand_grid.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace hlw {
namespace {

using NearPairVisitor = std::function<bool(std::size_t, std::size_t)>;

// The geodesy's sphere: one degree of a great circle is 60 nm.
constexpr double earthRadiusNm = 60.0 * degreesPerRadian;
// The search reaches a little further than any pair it must find, whatever the rounding of their distance.
constexpr double reachMargin = 1.001;
constexpr double smallestReach = 1e-9; // earth radii, about 6 mm
constexpr double largestChord = 2.0;

// What the grid holds of a stand: its point on the unit sphere, how far (as a chord) it may reach a stand whose
// radius is at most its own, and the scale class of that reach: reaches within a factor of 2 of each other may
// share a class, those a factor of 4 or more apart never do.
struct GridStand {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double reach = 0.0;
    double radius = 0.0;
    uint32_t stand = 0; // its place in the table
    int32_t scale = 0;
};

// Stands of a real airport file: a position on the globe and a finite radius of 0 or more. Any other stand is
// paired with every stand.
bool lf_griddable(const StandRecord& stand) noexcept
{
    return std::isfinite(stand.latitude) && std::isfinite(stand.longitude) && std::abs(stand.latitude) <= 90.0 &&
           std::abs(stand.longitude) <= 180.0 && std::isfinite(stand.radius) && stand.radius >= 0.0;
}

GridStand lf_gridStand(const StandRecord& stand, std::size_t place, double reachPerRadius)
{
    GridStand grid;
    const double lat = stand.latitude * radiansPerDegree;
    const double lon = stand.longitude * radiansPerDegree;
    grid.x = std::cos(lat) * std::cos(lon);
    grid.y = std::cos(lat) * std::sin(lon);
    grid.z = std::sin(lat);
    // A chord is never longer than its arc, nor longer than 2.
    grid.reach = std::clamp(stand.radius / earthRadiusNm * reachPerRadius * reachMargin, smallestReach, largestChord);
    grid.radius = stand.radius;
    grid.stand = static_cast<uint32_t>(place);
    int exponent = 0;
    std::frexp(grid.reach, &exponent); // reach < 2^exponent
    grid.scale = exponent >> 1;
    return grid;
}

// The stand that looks for the other: the one with the smaller radius, with equal radii the earlier one.
bool lf_looksFor(const GridStand& a, const GridStand& b) noexcept
{
    return std::tie(a.radius, a.stand) < std::tie(b.radius, b.stand);
}

int32_t lf_cellIndex(double coordinate, double cell)
{
    return static_cast<int32_t>(std::floor(coordinate / cell));
}

struct CellKey {
    int32_t scale = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    bool operator==(const CellKey&) const = default;
    auto operator<=>(const CellKey&) const = default;
};

// A scale class of the grid: the largest reach of its stands, and cells of four times that. A stand then looks
// in at most 2 x 2 x 2 cells of the class, most often fewer; the cells' stands lie side by side in memory.
struct ScaleClass {
    int32_t scale = 0;
    double reach = 0.0;
    double cell = 0.0;
};

CellKey lf_cellOf(const GridStand& stand, const ScaleClass& scale)
{
    return {stand.scale, lf_cellIndex(stand.x, scale.cell), lf_cellIndex(stand.y, scale.cell),
            lf_cellIndex(stand.z, scale.cell)};
}

// The occupied cells and where their stands lie in the grid's list: an open-addressing table of flat slots, at
// most half full, so that a look-up of an empty cell ends at the first empty slot.
class CellTable {
  public:
    struct Range {
        uint32_t begin = 0;
        uint32_t end = 0; // 0: an empty slot
    };

    explicit CellTable(std::size_t cells) : slots_(std::bit_ceil(2 * cells + 2)), mask_(slots_.size() - 1) {}

    void insert(const CellKey& key, Range range)
    {
        std::size_t at = lf_hash(key) & mask_;
        while (slots_[at].range.end != 0) {
            at = (at + 1) & mask_;
        }
        slots_[at] = {key, range};
    }

    const Range* find(const CellKey& key) const
    {
        for (std::size_t at = lf_hash(key) & mask_;; at = (at + 1) & mask_) {
            const Slot& slot = slots_[at];
            if (slot.range.end == 0) {
                return nullptr;
            }
            if (slot.key == key) {
                return &slot.range;
            }
        }
    }

  private:
    struct Slot {
        CellKey key;
        Range range;
    };

    static std::size_t lf_hash(const CellKey& key) noexcept
    {
        uint64_t h = static_cast<uint64_t>(key.scale) * 0x9E3779B97F4A7C15ULL +
                     static_cast<uint64_t>(key.x) * 0xC2B2AE3D27D4EB4FULL +
                     static_cast<uint64_t>(key.y) * 0x165667B19E3779F9ULL +
                     static_cast<uint64_t>(key.z) * 0x27D4EB2F165667C5ULL;
        h = (h ^ (h >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        h = (h ^ (h >> 27U)) * 0x94D049BB133111EBULL;
        return static_cast<std::size_t>(h ^ (h >> 31U));
    }

    std::vector<Slot> slots_;
    std::size_t mask_;
};

// One grid per scale class, whose cells around a stand hold every stand of the class that can reach it. The stands
// are kept in cell order.
class StandGrid {
  public:
    StandGrid(std::span<const StandRecord> stands, const std::vector<std::size_t>& members, double reachPerRadius)
    {
        std::vector<GridStand> gridded;
        gridded.reserve(members.size());
        for (const std::size_t i : members) {
            const GridStand& stand = gridded.emplace_back(lf_gridStand(stands[i], i, reachPerRadius));
            const auto known = std::ranges::find(scales_, stand.scale, &ScaleClass::scale);
            if (known == scales_.end()) {
                scales_.push_back({stand.scale, stand.reach, 0.0});
            } else {
                known->reach = std::max(known->reach, stand.reach);
            }
        }
        std::ranges::sort(scales_, {}, &ScaleClass::scale);
        for (ScaleClass& scale : scales_) {
            scale.cell = 4.0 * scale.reach;
        }
        std::vector<std::pair<CellKey, uint32_t>> keyed;
        keyed.reserve(gridded.size());
        for (uint32_t k = 0; k < gridded.size(); ++k) {
            keyed.emplace_back(lf_cellOf(gridded[k], *classOf(gridded[k].scale)), k);
        }
        std::ranges::sort(keyed);
        std::size_t cells = 0;
        for (std::size_t k = 0; k < keyed.size(); ++k) {
            cells += k == 0 || keyed[k].first != keyed[k - 1].first ? 1 : 0;
        }
        cells_.emplace(cells);
        stands_.reserve(gridded.size());
        uint32_t begin = 0;
        for (uint32_t k = 0; k < keyed.size(); ++k) {
            stands_.push_back(gridded[keyed[k].second]);
            if (k + 1 == keyed.size() || keyed[k + 1].first != keyed[k].first) {
                cells_->insert(keyed[k].first, {begin, k + 1});
                begin = k + 1;
            }
        }
    }

    // Visits every near pair of members once: the one that looks for the other finds it in the grid of the
    // other's scale class, which is its own or above. False when a visit ended the walk.
    bool visitNearPairs(const NearPairVisitor& visit) const
    {
        for (const GridStand& stand : stands_) {
            for (auto scale = classOf(stand.scale); scale != scales_.end(); ++scale) {
                const double cell = scale->cell;
                const double halfWidth = scale->reach;
                const CellKey low{scale->scale, lf_cellIndex(stand.x - halfWidth, cell),
                                  lf_cellIndex(stand.y - halfWidth, cell), lf_cellIndex(stand.z - halfWidth, cell)};
                const CellKey high{scale->scale, lf_cellIndex(stand.x + halfWidth, cell),
                                   lf_cellIndex(stand.y + halfWidth, cell), lf_cellIndex(stand.z + halfWidth, cell)};
                for (int32_t x = low.x; x <= high.x; ++x) {
                    for (int32_t y = low.y; y <= high.y; ++y) {
                        for (int32_t z = low.z; z <= high.z; ++z) {
                            if (!visitCell(stand, {scale->scale, x, y, z}, visit)) {
                                return false;
                            }
                        }
                    }
                }
            }
        }
        return true;
    }

  private:
    std::vector<ScaleClass>::const_iterator classOf(int32_t scale) const
    {
        return std::ranges::lower_bound(scales_, scale, {}, &ScaleClass::scale);
    }

    bool visitCell(const GridStand& stand, const CellKey& key, const NearPairVisitor& visit) const
    {
        const CellTable::Range* range = cells_->find(key);
        if (range == nullptr) {
            return true;
        }
        for (uint32_t at = range->begin; at < range->end; ++at) {
            const GridStand& other = stands_[at];
            if (!lf_looksFor(stand, other)) {
                continue;
            }
            const double dx = stand.x - other.x;
            const double dy = stand.y - other.y;
            const double dz = stand.z - other.z;
            if (dx * dx + dy * dy + dz * dz <= other.reach * other.reach && !visit(stand.stand, other.stand)) {
                return false;
            }
        }
        return true;
    }

    std::vector<ScaleClass> scales_;
    std::vector<GridStand> stands_;
    std::optional<CellTable> cells_;
};

} // namespace

bool gf_forEachNearStandPair(std::span<const StandRecord> stands, double reachPerRadius, const NearPairVisitor& visit)
{
    std::vector<std::size_t> griddable;
    std::vector<std::size_t> others;
    griddable.reserve(stands.size());
    for (std::size_t i = 0; i < stands.size(); ++i) {
        (lf_griddable(stands[i]) ? griddable : others).push_back(i);
    }
    for (const std::size_t a : others) {
        for (std::size_t b = 0; b < stands.size(); ++b) {
            // Pairs of two such stands are visited once, from the earlier one.
            if (b != a && (lf_griddable(stands[b]) || b > a) && !visit(a, b)) {
                return false;
            }
        }
    }
    return StandGrid(stands, griddable, reachPerRadius).visitNearPairs(visit);
}

} // namespace hlw
