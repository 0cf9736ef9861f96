#pragma once
// The tables of the reference database ("dbase.enc"): valid codes, category lists, wing spans, similar types
// and registration prefixes, publishers of add-on airports and the registration records.
//
// Thread safety: the tables are built by gf_readDbase on the worker during start-up and installed whole,
// before any other thread reads them; afterwards they are only read (no lock). Nothing here hands out a
// reference that a later lookup changes.
#include "refdata/aircraft_category.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace hlw {

// The codes a registration record gives an aircraft. The layout (u16 airline, u16 operator, u16 model,
// u8 cargo, u8 valid) is the code group of liveries, flights and stands, so a found record is copied over
// such a group as one block.
struct RegistrationCodes {
    uint16_t airline = 0;
    uint16_t secondAirline = 0; // the operator, 0 = none
    uint16_t model = 0;
    uint8_t cargo = 0;
    uint8_t valid = 0; // 1 for every record of the reference data

    bool operator==(const RegistrationCodes&) const = default;
};
static_assert(sizeof(RegistrationCodes) == 8 && std::is_trivially_copyable_v<RegistrationCodes>);

struct DbaseRecord {
    std::string registration;
    RegistrationCodes codes;
};

// The airports that one publisher's packages cover.
struct ThirdPartyAirports {
    std::string publisher;
    std::vector<std::string> airports;
};

using TextGroups = std::vector<std::vector<std::string>>;

struct ReferenceTables {
    std::set<std::string> validModels;
    std::set<std::string> cargoModels;
    std::set<std::string> validAirlines;
    std::set<std::string> cargoOperators;

    // Model indexes of the five category lists.
    std::set<uint16_t> heavy;
    std::set<uint16_t> large;
    std::set<uint16_t> buzjet;
    std::set<uint16_t> highPerformance;
    std::set<uint16_t> rotorcraft;

    // Each group sorted by bytes, without duplicates.
    TextGroups similarModelGroups;
    TextGroups prefixGroups;
    // Ordered by their "names" text; the first name of a group is the publisher's own name, never empty.
    TextGroups publisherGroups;

    // Half wing span in nautical miles by model code; the first "wingspan" of a type wins.
    std::map<std::string, double> halfWingspans;
    double maxHalfWingspanNm = 0.0;

    // A registration prefix to the other prefixes of its group (ascending).
    std::unordered_map<std::string, std::vector<std::string>> similarPrefixes;

    std::set<std::string> simAddons2020;
    std::set<std::string> simAddons2024;
    std::vector<ThirdPartyAirports> thirdParties2020;
    std::vector<ThirdPartyAirports> thirdParties2024;

    // Sorted by registration (bytes), one record per registration, no empty registration.
    std::vector<DbaseRecord> records;
    // Positions in records of the registrations shorter than 6 characters, in record order.
    std::vector<uint32_t> shortRecords;

    // Derived tables indexed by model index; they cover every model interned when the data was read.
    std::vector<double> halfWingspanByModel;
    std::vector<AircraftCategory> categoryByModel;
};

// The installed tables (empty before the first read).
const ReferenceTables& gf_referenceTables();
// Replaces the installed tables and marks them read. Only while no other thread reads them: the reader at
// start-up, and tests.
void gf_installReferenceTables(ReferenceTables tables);
// Empties the installed tables and clears the read mark (tests).
void gf_clearReferenceTables();
// True once tables were installed: the reference database is read once per program run.
bool gf_referenceTablesRead() noexcept;

} // namespace hlw
