#pragma once
// The closest stand of another airport's file, which the airports database asks for when it picks the airport a
// position lies at. A destination file's stand ids and positions are kept per airport for the program run, so an
// airport's file is read (and an archived one downloaded into "airports/airport.xml") once; a failed download or
// read is remembered for 10 minutes, so that a driver asking every 16 s does not download every time. The question
// comes from the main loop, so a download that takes longer than downloadTimeLimit is given up as failed.
#include "core/steady_time_source.h"
#include "refdata/airports_database.h"
#include "refdata/closest_stand_port.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace hlw {

class DestinationStands final : public ClosestStandPort {
  public:
    static constexpr std::chrono::minutes failureMemory{10};
    static constexpr std::chrono::seconds downloadTimeLimit{1};

    explicit DestinationStands(SteadyTimeSource& time) : time_(time) {}

    // The "no stand" answer (100 nm, no id) for no file, a failed download or read, a file without
    // "parkpositions" and when every stand lies 100 nm or more away.
    ClosestStand closestStand(const AirportCode& icao, const LatLon& position) const override;

    // Forgets every airport (the run reset).
    void clear();

  private:
    struct Stand {
        std::string id;
        LatLon position;
    };
    struct Entry {
        std::vector<Stand> stands;
        bool failed = false;
        SteadyTimeSource::TimePoint failedAt{};
    };

    // Reads the airport's file; none when there is none (nothing is remembered then).
    std::optional<Entry> read(const AirportCode& icao) const;

    SteadyTimeSource& time_;
    mutable std::mutex mutex_;
    mutable std::unordered_map<AirportCode, Entry, AirportCodeHash> airports_;
};

// Where an archived destination file is downloaded to; it is removed after the read.
std::filesystem::path gf_destinationDownloadPath();

} // namespace hlw
