#pragma once
// A scenario file: what the feed sends and when. The format is described in samples/scenarios/README.md.
#include "traffic_feed/feed_geo.h"
#include "traffic_feed/flight_path.h"

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace hlw::feed {

// "{file}:{line}: {problem}".
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct QnhSchedule {
    double every = 10.0;             // seconds between datagrams
    std::vector<std::string> values; // JSON values sent in turn as {"QNH":value}
    double start = 0.0;
    std::optional<double> end;
};

enum class InjectKind { bad, veh, oversize, qnhVariants, duplicate, burst };

struct Injection {
    double at = 0.0;
    InjectKind kind = InjectKind::bad;
    int count = 1;       // duplicate: copies; burst: lines
    double within = 1.0; // burst: spread over these seconds
};

enum class RecordPort { traffic, qnh };

// One datagram of a recording, sent at its offset.
struct RecordedDatagram {
    double offset = 0.0;
    RecordPort port = RecordPort::traffic;
    std::string text;
};

struct GenerateSpec {
    int count = 0;
    double radiusNm = 20.0;
    double start = 0.0;
    std::optional<double> end;
    std::vector<std::string> airlines; // ICAO airline designators for callsigns
    std::vector<std::string> types;    // ICAO type designators
    std::string registrationPrefix = "N";
    double intervalMin = 2.0;
    double intervalMax = 5.0;
};

struct Scenario {
    std::optional<GeoPoint> centre;
    std::optional<double> duration;
    std::optional<std::uint32_t> seed;
    std::vector<FlightSpec> flights;
    std::vector<GenerateSpec> generators;
    std::vector<QnhSchedule> qnh;
    std::vector<Injection> injections;
    std::vector<RecordedDatagram> records;
};

Scenario gf_parseScenario(std::istream& input, const std::string& name);
Scenario gf_readScenario(const std::filesystem::path& path);

} // namespace hlw::feed
