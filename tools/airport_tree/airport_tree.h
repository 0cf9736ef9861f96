#pragma once
// Synthetic simulator package trees for the add-on airports scan, written into a folder:
//   packages/Official, packages/Community, packages/StreamedPackages  the simulator roots
//   facilities/<ICAO>.json                                             the simulator stand-in's facility data
//   ICAO_airports.txt                                                  the list of airport codes
//   layout.json                                                        what was laid out, one entry per airport
// Profiles: "min" (each rule of the scan once), "sample" (one airport per outcome, for the demo) and "bench"
// (many airports among many filler files). The codes of "min" and "sample" are those of the sample reference
// and airports databases; "bench" makes up its own codes.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace hlw::tree {

struct TreeOptions {
    int airports = 200;    // bench: add-on airports
    int files = 20000;     // bench: files in the tree, airports included
    int stands = 20;       // bench: stands per airport
    int largeStands = 500; // bench: stands of the one large airport (facility data)
};

// Writes the profile's tree into the folder and returns the layout (also written as layout.json): per airport
// its "code", "root", "path" (relative to the packages folder), "outcome" ("linked-simaddon",
// "linked-thirdparty", "facility", "bgl", "facility-failed", "no-maker", "unknown" or "excluded") and "stands",
// and "bgl_stands" for an airport whose BGL file has other stands than its facility data. Throws
// std::invalid_argument for an unknown profile and std::runtime_error when a file cannot be written.
nlohmann::json gf_buildAirportTree(const std::string& profile, const std::filesystem::path& out,
                                   const TreeOptions& options = {});

// Named BGL files, a sound one and one for each fault the reader guards against: the fuzz target's seeds.
std::vector<std::pair<std::string, std::string>> gf_bglSeedFiles();

} // namespace hlw::tree
