#pragma once
// The simulator's own facility data of an airport: its name, elevation, taxi parkings and helipads, asked for on
// a second simulator connection "PARKING_DATA_RDR" that the add-on airports scan opens on its first question and
// closes when it ends (the reader's destructor closes it too). One reader belongs to one scan and runs on the
// worker thread; the simulator client thread's connection is never touched.
//
// Every request has a fresh request id (2001, 2002, ...), and records of other ids (an earlier, abandoned
// request) are ignored. The wait for an answer ends after 10 s without a record of the request, when the
// simulator reports an exception for the request, when it closes the connection, or as soon as the reader's stop
// question says so (within a few milliseconds); the read then fails with an alert line and nothing is filled in.
// Payloads are checked against their layout before a field is read, a record with a value that is not finite or out of
// range is skipped, and at most 5,000 stands are kept.
#include "core/fixed_code.h"
#include "core/steady_time_source.h"
#include "parking/apf_data.h"
#include "platform/sim/simconnect_shim.h"
#include "records/stand_record.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hlw {

inline constexpr const char* facilityClientName = "PARKING_DATA_RDR";
inline constexpr std::size_t facilityMaxStands = 5000;
inline constexpr std::chrono::seconds facilityQuietLimit{10};
// The stand radius of a parking or helipad must lie above 0 and up to this many metres.
inline constexpr double facilityMaxRadiusMetres = 500.0;
// Airport elevations beyond these metres are no airport's.
inline constexpr double facilityMinAltitudeMetres = -1000.0;
inline constexpr double facilityMaxAltitudeMetres = 10000.0;
// A parking lies at most this many metres east or north of the airport's reference position.
inline constexpr double facilityMaxBiasMetres = 20000.0;

// The fields of the facility definition, in the order the payloads carry them.
std::span<const char* const> gf_facilityDefinitionFields() noexcept;

// A stand as the facility data gives it, before it has its id.
struct FacilityStand {
    uint32_t number = 0; // the parking's NUMBER; 0 for a helipad
    bool heli = false;
    double latitude = 0.0;
    double longitude = 0.0;
    double headingRad = 0.0;
    double radiusMetres = 0.0;
    int32_t parkingType = 0;
};

// What one request gathered: the airport record and the stands in arrival order.
struct FacilityAnswer {
    bool airportSeen = false;
    std::string name;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFt = 0.0;
    std::vector<FacilityStand> stands;
    bool standLimitLogged = false;
};

// Turns one facility data payload of the request into the answer; a payload shorter than its layout or with a
// value that is not finite or out of range is skipped with an alert line. code names the airport in alerts.
void gf_takeFacilityPayload(DWORD dataType, std::span<const uint8_t> payload, std::string_view code,
                            FacilityAnswer& answer);

// The stands with their ids, in arrival order: helipads "helipad1", "helipad2", ...; parkings by number, the
// k-th repeat of a number followed by k as a bijective base-26 number in lower-case letters ("12", "12a", ...,
// "12z", "12aa"). helipads gets the number of helipads.
std::vector<StandRecord> gf_nameFacilityStands(const std::vector<FacilityStand>& stands, int32_t& helipads);

// "a", "b", ..., "z", "aa", "ab", ...: the suffix of the n-th repeat (n >= 1); empty for 0.
std::string gf_standRepeatSuffix(uint64_t n);

// A stop of the run is requested or the user is closing the program (the run state port).
bool gf_facilityWaitStopping() noexcept;

class FacilityReader {
  public:
    // stopping is asked throughout every wait for an answer.
    explicit FacilityReader(SteadyTimeSource& time, std::function<bool()> stopping = gf_facilityWaitStopping);
    ~FacilityReader();
    FacilityReader(const FacilityReader&) = delete;
    FacilityReader& operator=(const FacilityReader&) = delete;

    // Reads the airport's facility data, opening the connection first when it is not open. On success the data
    // gets the airport's name, its elevation in feet (fraction cut off), the stands with their ids and the
    // facilities flag, helipads the number of helipads, and the result is true. False, with an alert line and
    // nothing changed, when the connection cannot be opened, the request fails or the answer does not end.
    bool read(const AirportCode& code, ApfData& data, int32_t& helipads);
    // The last read ended because the stop question said so: the run is ending, nothing failed.
    bool stopped() const noexcept { return stopped_; }

    bool isOpen() const noexcept { return handle_ != nullptr; }
    // Closes the connection when it is open, with its log lines.
    void close() noexcept;
    // The request id the next read uses.
    DWORD nextRequestId() const noexcept { return nextRequestId_; }

  private:
    bool open();

    SteadyTimeSource& time_;
    std::function<bool()> stopping_;
    HANDLE handle_ = nullptr;
    DWORD nextRequestId_;
    bool stopped_ = false;
};

} // namespace hlw
