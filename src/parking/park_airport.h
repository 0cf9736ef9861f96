#pragma once
// The park airport as the worker keeps it: which airport it is, the header of its airport file, its stands with
// their learned use, where its learned file lies, the user's settings that the file may override, and the stand
// reserved for the user. Worker thread only, except the loaded flag, which the window reads.
#include "parking/airport_settings.h"
#include "parking/park_airport_state.h"
#include "refdata/airports_database.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace hlw {

// What the park airport's file says about itself.
struct ApfHeader {
    std::string airportName;
    std::string publisher; // empty when the file names none
    std::string version;
    std::optional<bool> facilities; // "Facilities", when the file has it
    int32_t altitude = 0;           // feet
    int32_t trafficWeek = 0;        // "RT_traffic_week", 0 when absent
};

struct ParkAirport {
    // None while no park airport is chosen.
    std::optional<AirportRecord> airport;
    ApfHeader header;
    ParkAirportState state;
    // The learned file that belongs to the loaded file, derived once per load; empty when it has none.
    std::filesystem::path learnedPath;
    // The user's values of the settings the learned file may override, kept while a load has taken them.
    std::optional<OverriddenSettings> keptSettings;
    // The id of the stand reserved for the user; empty for none.
    std::string reservedStand;
    // A load succeeded (with at least one stand); cleared when the airport is left.
    std::atomic<bool> apfLoaded{false};
    // This visit's first save has kept the learned file's older generation.
    bool generationKept = false;
    // This visit has said that its learned file is full (gf_fitLearnedFile).
    bool learnedFullSaid = false;
    // When the learned file was last saved (or the airport loaded), for the checkpoint.
    std::chrono::steady_clock::time_point lastSave{};
};

} // namespace hlw
