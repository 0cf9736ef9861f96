#include "facility_store.h"

#include "name_tables.h"

#include "core/string_helpers.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hlw::standin {
namespace {

using nlohmann::json;

double lf_number(const json& object, const char* key, double low, double high, std::optional<double> fallback) {
    const auto found = object.find(key);
    if (found == object.end()) {
        if (fallback) {
            return *fallback;
        }
        throw std::invalid_argument(fmt::format("facility file: '{}' missing", key));
    }
    if (!found->is_number()) {
        throw std::invalid_argument(fmt::format("facility file: '{}' is not a number", key));
    }
    const double value = found->get<double>();
    if (!std::isfinite(value) || value < low || value > high) {
        throw std::invalid_argument(fmt::format("facility file: '{}' = {} out of range", key, value));
    }
    return value;
}

int32_t lf_int(const json& object, const char* key, double low, double high, std::optional<double> fallback) {
    return static_cast<int32_t>(lf_number(object, key, low, high, fallback));
}

template <typename T>
void lf_append(Bytes& out, T value) {
    const size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &value, sizeof(T));
}

void lf_appendText(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

// A field a facility definition may name, and how it is written into the item's data block.
template <typename Item>
struct PackedField {
    std::string_view name;
    void (*append)(Bytes& out, const Item& item);
};

constexpr PackedField<FacilityAirport> lf_airportFields[] = {
    {"LATITUDE", [](Bytes& out, const FacilityAirport& a) { lf_append(out, a.latDeg); }},
    {"LONGITUDE", [](Bytes& out, const FacilityAirport& a) { lf_append(out, a.lonDeg); }},
    {"ALTITUDE", [](Bytes& out, const FacilityAirport& a) { lf_append(out, a.altM); }},
    {"NAME", [](Bytes& out, const FacilityAirport& a) { lf_appendText(out, a.name); }},
    {"ICAO", [](Bytes& out, const FacilityAirport& a) { lf_appendText(out, a.icao); }},
    {"N_HELIPADS",
     [](Bytes& out, const FacilityAirport& a) { lf_append(out, static_cast<int32_t>(a.helipads.size())); }},
    {"N_TAXI_PARKINGS",
     [](Bytes& out, const FacilityAirport& a) { lf_append(out, static_cast<int32_t>(a.parkings.size())); }},
};
constexpr PackedField<FacilityParking> lf_parkingFields[] = {
    {"TYPE", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.type); }},
    {"TAXI_POINT_TYPE", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.taxiPointType); }},
    {"NAME", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.name); }},
    {"SUFFIX", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.suffix); }},
    {"NUMBER", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.number); }},
    {"ORIENTATION", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.orientation); }},
    {"HEADING", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.headingDeg); }},
    {"RADIUS", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.radiusM); }},
    {"BIAS_X", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.biasXM); }},
    {"BIAS_Z", [](Bytes& out, const FacilityParking& p) { lf_append(out, p.biasZM); }},
};
constexpr PackedField<FacilityHelipad> lf_helipadFields[] = {
    {"LATITUDE", [](Bytes& out, const FacilityHelipad& h) { lf_append(out, h.latDeg); }},
    {"LONGITUDE", [](Bytes& out, const FacilityHelipad& h) { lf_append(out, h.lonDeg); }},
    {"ALTITUDE", [](Bytes& out, const FacilityHelipad& h) { lf_append(out, h.altM); }},
    {"HEADING", [](Bytes& out, const FacilityHelipad& h) { lf_append(out, h.headingDeg); }},
    {"LENGTH", [](Bytes& out, const FacilityHelipad& h) { lf_append(out, h.lengthM); }},
    {"WIDTH", [](Bytes& out, const FacilityHelipad& h) { lf_append(out, h.widthM); }},
    {"SURFACE", [](Bytes& out, const FacilityHelipad& h) { lf_append(out, h.surface); }},
    {"TYPE", [](Bytes& out, const FacilityHelipad& h) { lf_append(out, h.type); }},
};

template <typename Item, size_t N>
const PackedField<Item>* lf_find(const PackedField<Item> (&table)[N], std::string_view name) {
    for (const PackedField<Item>& entry : table) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

// The item's fields in the order the definition names them; a name the table does not know writes nothing.
template <typename Item, size_t N>
Bytes lf_pack(const PackedField<Item> (&table)[N], const std::vector<std::string>& fields, const Item& item) {
    Bytes out;
    for (const std::string& field : fields) {
        if (const PackedField<Item>* entry = lf_find(table, field)) {
            entry->append(out, item);
        }
    }
    return out;
}

} // namespace

FacilityAirport gf_parseFacilityJson(std::string_view text) {
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        throw std::invalid_argument("facility file: not a JSON object");
    }
    FacilityAirport airport;
    airport.icao = root.value("icao", std::string{});
    airport.name = root.value("name", std::string{});
    airport.latDeg = lf_number(root, "lat", -90, 90, std::nullopt);
    airport.lonDeg = lf_number(root, "lon", -180, 180, std::nullopt);
    airport.altM = lf_number(root, "alt_m", -1000, 10000, std::nullopt);
    for (const json& item : root.value("parkings", json::array())) {
        FacilityParking parking;
        parking.type = lf_int(item, "type", 0, 65535, std::nullopt);
        parking.number = static_cast<uint32_t>(lf_number(item, "number", 0, 4294967295.0, std::nullopt));
        parking.headingDeg = static_cast<float>(lf_number(item, "heading", 0, 360, std::nullopt));
        parking.radiusM = static_cast<float>(lf_number(item, "radius", 0, 1000, std::nullopt));
        parking.biasXM = static_cast<float>(lf_number(item, "bias_x", -20000, 20000, 0.0));
        parking.biasZM = static_cast<float>(lf_number(item, "bias_z", -20000, 20000, 0.0));
        parking.taxiPointType = lf_int(item, "taxi_point_type", 0, 65535, 0.0);
        parking.name = lf_int(item, "name", 0, 65535, 0.0);
        parking.suffix = lf_int(item, "suffix", 0, 65535, 0.0);
        parking.orientation = lf_int(item, "orientation", 0, 65535, 0.0);
        airport.parkings.push_back(parking);
    }
    for (const json& item : root.value("helipads", json::array())) {
        FacilityHelipad helipad;
        helipad.latDeg = lf_number(item, "lat", -90, 90, std::nullopt);
        helipad.lonDeg = lf_number(item, "lon", -180, 180, std::nullopt);
        helipad.altM = lf_number(item, "alt_m", -1000, 10000, airport.altM);
        helipad.headingDeg = static_cast<float>(lf_number(item, "heading", 0, 360, std::nullopt));
        helipad.lengthM = static_cast<float>(lf_number(item, "length", 0, 1000, 0.0));
        helipad.widthM = static_cast<float>(lf_number(item, "width", 0, 1000, std::nullopt));
        helipad.surface = lf_int(item, "surface", 0, 65535, 0.0);
        helipad.type = lf_int(item, "type", 0, 65535, std::nullopt);
        airport.helipads.push_back(helipad);
    }
    return airport;
}

std::optional<FacilityAirport> gf_loadFacility(const std::filesystem::path& folder, std::string_view icao) {
    const std::string code = gf_toUpperAscii(icao);
    // The code becomes a file name: only letters and digits, so no path can be smuggled in.
    if (code.empty() || code.size() > 8 ||
        code.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") != std::string::npos) {
        return std::nullopt;
    }
    std::ifstream file(folder / (code + ".json"), std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << file.rdbuf();
    FacilityAirport airport = gf_parseFacilityJson(content.str());
    if (airport.icao.empty()) {
        airport.icao = code;
    }
    return airport;
}

std::optional<FacilityLayout> gf_facilityLayout(const std::vector<std::string>& fields, std::string& error) {
    enum class Block { None, Airport, Parking, Helipad, Done };
    FacilityLayout layout;
    Block block = Block::None;
    for (const std::string& raw : fields) {
        const std::string field = gf_toUpperAscii(raw);
        if (field == "OPEN AIRPORT" && block == Block::None) {
            block = Block::Airport;
        } else if (field == "CLOSE AIRPORT" && block == Block::Airport) {
            block = Block::Done;
        } else if (field == "OPEN TAXI_PARKING" && block == Block::Airport) {
            block = Block::Parking;
            layout.parkings = true;
        } else if (field == "CLOSE TAXI_PARKING" && block == Block::Parking) {
            block = Block::Airport;
        } else if (field == "OPEN HELIPAD" && block == Block::Airport) {
            block = Block::Helipad;
            layout.helipads = true;
        } else if (field == "CLOSE HELIPAD" && block == Block::Helipad) {
            block = Block::Airport;
        } else if (block == Block::Airport && lf_find(lf_airportFields, field) != nullptr) {
            layout.airportFields.push_back(field);
        } else if (block == Block::Parking && lf_find(lf_parkingFields, field) != nullptr) {
            layout.parkingFields.push_back(field);
        } else if (block == Block::Helipad && lf_find(lf_helipadFields, field) != nullptr) {
            layout.helipadFields.push_back(field);
        } else {
            error = fmt::format("facility definition: '{}' out of place", raw);
            return std::nullopt;
        }
    }
    if (block != Block::Done) {
        error = "facility definition: the airport block is not closed";
        return std::nullopt;
    }
    return layout;
}

Bytes gf_packAirport(const FacilityLayout& layout, const FacilityAirport& airport) {
    return lf_pack(lf_airportFields, layout.airportFields, airport);
}

Bytes gf_packParking(const FacilityLayout& layout, const FacilityParking& parking) {
    return lf_pack(lf_parkingFields, layout.parkingFields, parking);
}

Bytes gf_packHelipad(const FacilityLayout& layout, const FacilityHelipad& helipad) {
    return lf_pack(lf_helipadFields, layout.helipadFields, helipad);
}

} // namespace hlw::standin
