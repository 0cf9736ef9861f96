#pragma once
// Airport facility data served to clients, read from one JSON file per airport ("<ICAO>.json" in the
// facility folder), and packed into facility records following the client's facility definition.
//
// File: {"icao", "name", "lat", "lon" (deg), "alt_m" (metres),
//        "parkings": [{"type", "number", "heading" (deg), "radius" (m), "bias_x", "bias_z" (m),
//                      optional "taxi_point_type", "name", "suffix", "orientation"}],
//        "helipads": [{"lat", "lon", "alt_m", "heading", "length", "width" (m), "surface", "type"}]}
#include "data_definition.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlw::standin {

struct FacilityParking {
    int32_t type = 0;
    int32_t taxiPointType = 0;
    int32_t name = 0;
    int32_t suffix = 0;
    uint32_t number = 0;
    int32_t orientation = 0;
    float headingDeg = 0;
    float radiusM = 0;
    float biasXM = 0;
    float biasZM = 0;
};

struct FacilityHelipad {
    double latDeg = 0;
    double lonDeg = 0;
    double altM = 0;
    float headingDeg = 0;
    float lengthM = 0;
    float widthM = 0;
    int32_t surface = 0;
    int32_t type = 0;
};

struct FacilityAirport {
    std::string icao;
    std::string name;
    double latDeg = 0;
    double lonDeg = 0;
    double altM = 0;
    std::vector<FacilityParking> parkings;
    std::vector<FacilityHelipad> helipads;
};

// Throws std::invalid_argument naming the problem for a file that is not valid or out of range.
FacilityAirport gf_parseFacilityJson(std::string_view text);
// Nothing when the folder has no file for the code; throws as above for a bad file.
std::optional<FacilityAirport> gf_loadFacility(const std::filesystem::path& folder, std::string_view icao);

// The field lists of a facility definition, split by the block they belong to.
struct FacilityLayout {
    std::vector<std::string> airportFields;
    std::vector<std::string> parkingFields;
    std::vector<std::string> helipadFields;
    bool parkings = false;
    bool helipads = false;
};

// Nothing (and the reason in `error`) when OPEN/CLOSE do not pair up or a field does not belong to
// its block.
std::optional<FacilityLayout> gf_facilityLayout(const std::vector<std::string>& fields, std::string& error);

Bytes gf_packAirport(const FacilityLayout& layout, const FacilityAirport& airport);
Bytes gf_packParking(const FacilityLayout& layout, const FacilityParking& parking);
Bytes gf_packHelipad(const FacilityLayout& layout, const FacilityHelipad& helipad);

} // namespace hlw::standin
