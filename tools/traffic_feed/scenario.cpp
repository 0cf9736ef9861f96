#include "traffic_feed/scenario.h"

#include "core/string_helpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace hlw::feed {

namespace {

// The key=value words of one directive; every key must be used, so that a misspelt key is reported.
class KeyValues {
public:
    explicit KeyValues(const std::vector<std::string>& words, std::size_t first)
    {
        for (std::size_t i = first; i < words.size(); ++i) {
            const std::size_t equals = words[i].find('=');
            if (equals == std::string::npos || equals == 0) {
                throw std::invalid_argument(fmt::format("expected key=value, found '{}'", words[i]));
            }
            values_[words[i].substr(0, equals)] = words[i].substr(equals + 1);
        }
    }

    std::optional<std::string> text(const std::string& key)
    {
        const auto found = values_.find(key);
        if (found == values_.end()) {
            return std::nullopt;
        }
        std::string value = found->second;
        values_.erase(found);
        return value;
    }

    std::optional<double> number(const std::string& key);

    void requireAllUsed() const
    {
        if (!values_.empty()) {
            throw std::invalid_argument(fmt::format("unknown key '{}'", values_.begin()->first));
        }
    }

private:
    std::map<std::string, std::string> values_;
};

double lf_number(const std::string& text)
{
    double value = 0.0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || rest != text.data() + text.size() || !std::isfinite(value)) {
        throw std::invalid_argument(fmt::format("'{}' is not a number", text));
    }
    return value;
}

std::optional<double> KeyValues::number(const std::string& key)
{
    const std::optional<std::string> value = text(key);
    if (!value) {
        return std::nullopt;
    }
    return lf_number(*value);
}

std::vector<std::string> lf_words(const std::string& line)
{
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

std::vector<std::string> lf_list(const std::string& text)
{
    std::vector<std::string> items;
    for (const std::string_view item : gf_splitAt(text, ',')) {
        if (!item.empty()) {
            items.emplace_back(item);
        }
    }
    return items;
}

// "3" or "2-5".
// "low-high", or one number for both.
void lf_readRange(const std::string& text, double& low, double& high)
{
    const std::size_t dash = text.find('-', 1);
    low = lf_number(text.substr(0, dash));
    high = dash == std::string::npos ? low : lf_number(text.substr(dash + 1));
}

void lf_readInterval(const std::string& text, double& low, double& high)
{
    lf_readRange(text, low, high);
    if (low <= 0.0 || high < low) {
        throw std::invalid_argument(fmt::format("bad interval '{}'", text));
    }
}

std::uint32_t lf_hexId(const std::string& text)
{
    const double value = lf_number(text);
    if (value < 0.0 || value > 4294967295.0 || value != std::floor(value)) {
        throw std::invalid_argument(fmt::format("bad hex id '{}'", text));
    }
    return static_cast<std::uint32_t>(value);
}

GeoPoint lf_point(const std::string& latText, const std::string& lonText)
{
    const GeoPoint point{lf_number(latText), lf_number(lonText)};
    if (std::fabs(point.lat) > 90.0 || std::fabs(point.lon) > 180.0) {
        throw std::invalid_argument(fmt::format("position {},{} out of range", latText, lonText));
    }
    return point;
}

FlightSpec lf_flight(const std::vector<std::string>& words)
{
    KeyValues keys(words, 1);
    FlightSpec spec;
    const auto hex = keys.text("hex");
    if (!hex) {
        throw std::invalid_argument("flight needs hex=");
    }
    spec.identity.hexId = lf_hexId(*hex);
    spec.identity.callsign = keys.text("callsign").value_or("");
    spec.identity.type = keys.text("type").value_or("");
    spec.identity.registration = keys.text("reg").value_or("");
    spec.identity.origin = keys.text("from").value_or("");
    spec.identity.destination = keys.text("to").value_or("");
    spec.identity.source = keys.text("source").value_or("adsb_icao");
    spec.identity.category = keys.text("cat").value_or("A3");
    spec.identity.tasUnknown = keys.text("tas").value_or("") == "-1";
    const auto lat = keys.text("lat");
    const auto lon = keys.text("lon");
    if (lat.has_value() != lon.has_value()) {
        throw std::invalid_argument("lat= and lon= go together");
    }
    if (lat) {
        spec.start = lf_point(*lat, *lon);
    }
    spec.bearingDeg = keys.number("bearing").value_or(0.0);
    spec.distanceNm = keys.number("dist").value_or(0.0);
    spec.elevationFt = keys.number("elev").value_or(0.0);
    spec.altitudeFt = keys.number("alt").value_or(spec.elevationFt);
    spec.trackDeg = keys.number("track").value_or(0.0);
    spec.groundSpeedKt = keys.number("gs").value_or(0.0);
    spec.verticalFpm = keys.number("vs").value_or(0.0);
    spec.turnDegPerS = keys.number("turn").value_or(0.0);
    spec.startTime = keys.number("start").value_or(0.0);
    spec.endTime = keys.number("end");
    if (const auto interval = keys.text("interval")) {
        lf_readInterval(*interval, spec.intervalMin, spec.intervalMax);
    }
    if (const auto times = keys.text("times")) {
        for (const std::string& time : lf_list(*times)) {
            spec.sampleTimes.push_back(lf_number(time));
        }
        if (spec.sampleTimes.empty() || spec.sampleTimes.front() != 0.0 ||
            !std::ranges::is_sorted(spec.sampleTimes, std::less_equal<>())) {
            throw std::invalid_argument("times= must rise from 0");
        }
    }
    if (const auto twin = keys.text("twin")) {
        spec.twinHexId = lf_hexId(*twin);
    }
    spec.noiseMetres = keys.number("noise").value_or(0.0);
    if (const auto lag = keys.text("gslag")) {
        lf_readRange(*lag, spec.speedLagSeconds, spec.speedLagMaxSeconds);
    }
    if (const auto gaps = keys.text("gaps")) {
        for (const std::string& gap : lf_list(*gaps)) {
            double from = 0.0;
            double to = 0.0;
            lf_readInterval(gap, from, to);
            spec.gaps.emplace_back(from, to);
        }
    }
    spec.duplicateEvery = static_cast<int>(keys.number("dup").value_or(0.0));
    spec.lateEvery = static_cast<int>(keys.number("late").value_or(0.0));
    keys.requireAllUsed();
    if (spec.noiseMetres < 0.0 || spec.speedLagSeconds < 0.0 || spec.duplicateEvery < 0 || spec.lateEvery < 0) {
        throw std::invalid_argument("noise=, gslag=, dup= and late= must not be negative");
    }
    if (spec.speedLagMaxSeconds < spec.speedLagSeconds) {
        throw std::invalid_argument("gslag= must not fall");
    }
    if (spec.groundSpeedKt < 0.0) {
        throw std::invalid_argument("gs= must not be negative");
    }
    return spec;
}

Leg lf_leg(const std::vector<std::string>& words)
{
    Leg leg;
    const std::string& kind = words[0];
    std::size_t keysFrom = 2;
    if (kind == "fly" || kind == "hold") {
        leg.kind = kind == "fly" ? LegKind::fly : LegKind::hold;
        if (words.size() < 2) {
            throw std::invalid_argument(fmt::format("{} needs its seconds", kind));
        }
        leg.seconds = lf_number(words[1]);
    } else {
        leg.kind = kind == "taxi" ? LegKind::taxi : kind == "push" ? LegKind::push : LegKind::approach;
        if (words.size() < 3) {
            throw std::invalid_argument(fmt::format("{} needs a latitude and longitude", kind));
        }
        leg.target = lf_point(words[1], words[2]);
        keysFrom = 3;
    }
    KeyValues keys(words, keysFrom);
    leg.turnDegPerS = keys.number("turn");
    leg.groundSpeedKt = keys.number("gs");
    leg.verticalFpm = keys.number("vs");
    leg.trackDeg = keys.number("track");
    keys.requireAllUsed();
    if (leg.seconds < 0.0 || (leg.groundSpeedKt && *leg.groundSpeedKt < 0.0)) {
        throw std::invalid_argument("negative time or speed");
    }
    return leg;
}

GenerateSpec lf_generate(const std::vector<std::string>& words)
{
    KeyValues keys(words, 1);
    GenerateSpec spec;
    spec.count = static_cast<int>(keys.number("count").value_or(0.0));
    if (spec.count <= 0 || spec.count > 10000) {
        throw std::invalid_argument("generate needs count= between 1 and 10000");
    }
    spec.radiusNm = keys.number("radius").value_or(spec.radiusNm);
    spec.start = keys.number("start").value_or(0.0);
    spec.end = keys.number("end");
    if (const auto airlines = keys.text("airlines")) {
        spec.airlines = lf_list(*airlines);
    }
    if (const auto types = keys.text("types")) {
        spec.types = lf_list(*types);
    }
    spec.registrationPrefix = keys.text("regprefix").value_or(spec.registrationPrefix);
    if (const auto interval = keys.text("interval")) {
        lf_readInterval(*interval, spec.intervalMin, spec.intervalMax);
    }
    keys.requireAllUsed();
    return spec;
}

QnhSchedule lf_qnh(const std::vector<std::string>& words)
{
    KeyValues keys(words, 1);
    QnhSchedule schedule;
    schedule.every = keys.number("every").value_or(schedule.every);
    const auto values = keys.text("values");
    if (!values || schedule.every <= 0.0) {
        throw std::invalid_argument("qnh needs every= above 0 and values=");
    }
    schedule.values = lf_list(*values);
    schedule.start = keys.number("start").value_or(0.0);
    schedule.end = keys.number("end");
    keys.requireAllUsed();
    if (schedule.values.empty()) {
        throw std::invalid_argument("qnh values= is empty");
    }
    return schedule;
}

Injection lf_inject(const std::vector<std::string>& words)
{
    static const std::map<std::string, InjectKind> kinds{
        {"bad", InjectKind::bad},             {"veh", InjectKind::veh},
        {"oversize", InjectKind::oversize},   {"qnh-variants", InjectKind::qnhVariants},
        {"duplicate", InjectKind::duplicate}, {"burst", InjectKind::burst}};
    if (words.size() < 3) {
        throw std::invalid_argument("inject needs a time and a kind");
    }
    Injection injection;
    injection.at = lf_number(words[1]);
    const auto kind = kinds.find(words[2]);
    if (kind == kinds.end()) {
        throw std::invalid_argument(fmt::format("unknown injection '{}'", words[2]));
    }
    injection.kind = kind->second;
    KeyValues keys(words, 3);
    injection.count = static_cast<int>(keys.number("count").value_or(injection.kind == InjectKind::burst ? 300 : 1));
    injection.within = keys.number("within").value_or(1.0);
    keys.requireAllUsed();
    if (injection.count < 1 || injection.count > 100000 || injection.within <= 0.0) {
        throw std::invalid_argument("count= or within= out of range");
    }
    return injection;
}

// "OFFSET traffic TEXT" or "OFFSET qnh TEXT": the text is kept byte for byte after one blank.
RecordedDatagram lf_record(const std::string& line)
{
    const std::size_t firstBlank = line.find_first_of(" \t");
    const std::size_t portStart = line.find_first_not_of(" \t", firstBlank);
    if (firstBlank == std::string::npos || portStart == std::string::npos) {
        throw std::invalid_argument("a record needs OFFSET traffic|qnh TEXT");
    }
    const std::size_t portEnd = std::min(line.find_first_of(" \t", portStart), line.size());
    RecordedDatagram record;
    record.offset = lf_number(line.substr(0, firstBlank));
    const std::string port = line.substr(portStart, portEnd - portStart);
    if (port != "traffic" && port != "qnh") {
        throw std::invalid_argument(fmt::format("unknown record port '{}'", port));
    }
    record.port = port == "traffic" ? RecordPort::traffic : RecordPort::qnh;
    record.text = portEnd < line.size() ? line.substr(portEnd + 1) : std::string();
    if (record.offset < 0.0) {
        throw std::invalid_argument("negative record offset");
    }
    return record;
}

void lf_parseLine(Scenario& scenario, std::string line)
{
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') {
        return;
    }
    line.erase(0, first);
    if ((line[0] >= '0' && line[0] <= '9') || line[0] == '.') {
        scenario.records.push_back(lf_record(line));
        return;
    }
    if (const std::size_t comment = line.find(" #"); comment != std::string::npos) {
        line.erase(comment);
    }
    const std::vector<std::string> words = lf_words(line);
    const std::string& word = words[0];
    if (word == "centre" || word == "center") {
        if (words.size() != 3) {
            throw std::invalid_argument("centre needs LAT LON");
        }
        scenario.centre = lf_point(words[1], words[2]);
    } else if (word == "duration") {
        if (words.size() != 2 || lf_number(words[1]) <= 0.0) {
            throw std::invalid_argument("duration needs seconds above 0");
        }
        scenario.duration = lf_number(words[1]);
    } else if (word == "seed") {
        if (words.size() != 2) {
            throw std::invalid_argument("seed needs a number");
        }
        scenario.seed = lf_hexId(words[1]);
    } else if (word == "flight") {
        scenario.flights.push_back(lf_flight(words));
    } else if (word == "fly" || word == "taxi" || word == "push" || word == "hold" || word == "approach") {
        if (scenario.flights.empty()) {
            throw std::invalid_argument(fmt::format("'{}' before any flight", word));
        }
        scenario.flights.back().legs.push_back(lf_leg(words));
    } else if (word == "generate") {
        scenario.generators.push_back(lf_generate(words));
    } else if (word == "qnh") {
        scenario.qnh.push_back(lf_qnh(words));
    } else if (word == "inject") {
        scenario.injections.push_back(lf_inject(words));
    } else {
        throw std::invalid_argument(fmt::format("unknown directive '{}'", word));
    }
}

} // namespace

Scenario gf_parseScenario(std::istream& input, const std::string& name)
{
    Scenario scenario;
    int lineNumber = 0;
    for (std::string line; std::getline(input, line);) {
        ++lineNumber;
        try {
            lf_parseLine(scenario, line);
        } catch (const std::exception& error) {
            throw ScenarioError(fmt::format("{}:{}: {}", name, lineNumber, error.what()));
        }
    }
    return scenario;
}

Scenario gf_readScenario(const std::filesystem::path& path)
{
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        throw ScenarioError(fmt::format("{}: cannot be read", path.string()));
    }
    return gf_parseScenario(input, path.string());
}

} // namespace hlw::feed
