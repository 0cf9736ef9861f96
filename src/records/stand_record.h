#pragma once
// A stand (park position) of an airport file and the recorded uses of it: which registration with which airline
// and type stood there on which weekday during which half hours. The parking code owns the stand table; the
// static livery matching reads a stand's id and cargo flag.
#include "core/half_hour_slots.h"
#include "refdata/reference_tables.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hlw {

// The codes of one recorded use: airline, operator, model, cargo flag, and as the valid flag whether the block
// came from the reference database's record of the registration.
using StandCodes = RegistrationCodes;

// Stands are numbered 1 to n in file order once the park airport is loaded; 0 or less is no stand.
using StandNumber = int32_t;

inline constexpr double metresPerNm = 1852.0;
inline constexpr double radiansPerDegree = 0.017453292519943295;
inline constexpr double degreesPerRadian = 57.29577951308232;

// The parking types of the simulator's facility data that airport files use.
inline constexpr int32_t highestParkingType = 15;

struct StandOption {
    StandCodes codes;
    std::string registration; // the key of the option
    std::string callsign;
    std::string secondCallsign; // empty unless a coupled second callsign is known
    SlotSet slots;
    uint32_t number = 0;          // 1, 2, ... within the stand in reading order; 0 marks an option no longer used
    int32_t weekday = 0;          // 1 Monday to 7 Sunday (UTC)
    bool fromAirportFile = false; // read from an archived, generated or handmade file rather than learned
    bool real = true;             // observed in live traffic; false for a soft option
    bool coupled = false;
    // Learned live since the park airport was loaded: of a learned file that would grow beyond what its reader
    // takes, such options are the ones left out.
    bool newlyLearned = false;
    // Left out of the running stand selection because its aircraft is present already; cleared at the start of
    // every selection. It never changes the number, so that the option is still saved.
    bool excluded = false;
};

struct StandRecord {
    std::vector<StandOption> options;
    std::string id;
    // Stands blocked together with this one.
    std::vector<StandNumber> adjacentStands;
    double latitude = 0.0;  // degrees
    double longitude = 0.0; // degrees
    double heading = 0.0;   // radians
    double radius = 0.0;    // nautical miles
    StandNumber standNumber = 0;
    // As read; a type outside 0 to highestParkingType suits no aircraft and is written back unchanged.
    int32_t parkingType = 0;
    bool manual = false; // made by hand in a learned file
    bool radiusChange = false;
    bool cargoChange = false;
    bool selected = false;
    bool occupied = false;
    bool reserved = false;
    bool blocked = false;
    bool cargo = false;
    bool ramp = false;
    bool heli = false;

    // A stand of an airport file: heading in radians, radius in metres as the file gives it.
    static StandRecord fromFile(std::string id, std::vector<StandOption> options, double latitude, double longitude,
                                double headingRad, double radiusMetres, int32_t parkingType, bool cargo, bool ramp,
                                bool heli);
    // A stand of the simulator's facility data: radius in nautical miles and the facility's own number, no id.
    static StandRecord fromFacility(StandNumber number, double latitude, double longitude, double headingRad,
                                    double radiusNm, int32_t parkingType, bool cargo, bool ramp, bool heli);
};

} // namespace hlw
