// The program's main job as README's demo command runs it, in real time (about three minutes): the demo script
// with this build's programs starts the simulator stand-in, the traffic feed (60 s of the sample scenario and the
// link) and the program on free ports, and keeps what the peers reported. The run is checked from those files:
// the stand-in's "obj list" answers, its track and audit, the feed's sent log and the program's "Log.txt"; and the
// summary the demo printed.
#include "core/geodesy.h"
#include "support/child_process.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace hlw::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

constexpr double replayDelaySeconds = 30.0;
constexpr double replayToleranceNm = 1.0;
constexpr double removalWithinSeconds = 120.0;

std::vector<std::string> lf_lines(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> lf_split(const std::string& text, char separator)
{
    std::vector<std::string> fields;
    std::stringstream in(text);
    for (std::string field; std::getline(in, field, separator);) {
        fields.push_back(field);
    }
    return fields;
}

// Where the datagrams put the flight at the time: between two of them, in proportion.
std::optional<LatLon> lf_fedPosition(const std::vector<FedPoint>& points, double at)
{
    const auto after = std::ranges::find_if(points, [at](const FedPoint& p) { return p.at >= at; });
    if (after == points.begin() || after == points.end()) {
        return std::nullopt;
    }
    const FedPoint& before = *(after - 1);
    const double share = after->at > before.at ? (at - before.at) / (after->at - before.at) : 0.0;
    return LatLon{before.position.lat + share * (after->position.lat - before.position.lat),
                  before.position.lon + share * (after->position.lon - before.position.lon)};
}

// The title of the callsign's line in "Log.txt": ten blanks, the callsign, ..., "=step= title".
std::string lf_loggedTitle(const std::string& log, const std::string& callsign)
{
    const std::string start = std::string(10, ' ') + callsign + ' ';
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t step = line.find("= ");
        if (line.starts_with(start) && step != std::string::npos && step >= 2 && line[step - 2] == '=') {
            return line.substr(step + 2);
        }
    }
    return {};
}

// The program's static aircraft have callsigns ending in "*"; the others are its live aircraft.
bool lf_isLive(const nlohmann::json& object)
{
    return object.at("kind") == "own" && !object.at("atc_id").get<std::string>().ends_with('*');
}

struct SeenObject {
    std::string callsign;
    std::string title;
    double firstSeen = 0.0;
    double lastSeen = 0.0;
};

// The run's files, kept by the demo.
class RunFiles {
  public:
    explicit RunFiles(fs::path run) : run_(std::move(run)) {}

    const fs::path& path() const { return run_; }
    std::string log() const { return readWholeFile(run_ / "program" / "Log.txt"); }
    std::map<std::string, std::vector<FedPoint>> sent() const { return gf_sentFlights(run_ / "sent.txt"); }

    // The program's live aircraft in the stand-in's "obj list" answers, by object id.
    std::map<uint32_t, SeenObject> seenObjects() const
    {
        std::map<uint32_t, SeenObject> seen;
        for (const std::string& line : lf_lines(run_ / "objects.txt")) {
            const std::size_t space = line.find(' ');
            const double at = std::stod(line.substr(0, space));
            const nlohmann::json answer = nlohmann::json::parse(line.substr(space + 1));
            for (const nlohmann::json& object : answer.at("objects")) {
                if (!lf_isLive(object)) {
                    continue;
                }
                SeenObject& entry = seen[object.at("id").get<uint32_t>()];
                if (entry.callsign.empty()) {
                    entry = {object.at("atc_id"), object.at("title"), at, at};
                }
                entry.lastSeen = at;
            }
        }
        return seen;
    }

  private:
    fs::path run_;
};

// The summary the demo printed: the aircraft with their titles, the replay, the first creation, the clean close.
void lf_checkPrinted(const std::string& text)
{
    EXPECT_THAT(text, HasSubstr("== hollowmere exited with status 0"));
    EXPECT_THAT(text, HasSubstr("Exiting: USER CLOSED SIM"));
    EXPECT_THAT(text, HasSubstr("   exceptions: none"));
    // "titles as Log.txt names them for the callsign: N of M"
    const std::string titles = "titles as Log.txt names them for the callsign: ";
    const std::size_t at = text.find(titles);
    ASSERT_NE(at, std::string::npos) << text;
    std::istringstream counts(text.substr(at + titles.size(), 20));
    int named = 0;
    int aircraft = 0;
    std::string of;
    counts >> named >> of >> aircraft;
    EXPECT_GE(aircraft, 1);
    EXPECT_EQ(named, aircraft);
    EXPECT_THAT(text, HasSubstr("== Replayed 30 s late"));
    EXPECT_THAT(text, HasSubstr("the first creation: "));
    EXPECT_THAT(text, HasSubstr("live AI aircraft left in the simulator before the close: 0"));
}

// Every flight of the feed became one aircraft, with the title that "Log.txt" names for its callsign, a sample
// livery.
void lf_checkCreated(const RunFiles& run)
{
    const std::map<uint32_t, SeenObject> seen = run.seenObjects();
    ASSERT_FALSE(seen.empty());
    const std::map<std::string, std::vector<FedPoint>> sent = run.sent();
    std::set<std::string> created;
    for (const auto& [id, object] : seen) {
        created.insert(object.callsign);
    }
    std::set<std::string> fed;
    for (const auto& [callsign, points] : sent) {
        fed.insert(callsign);
    }
    EXPECT_EQ(created, fed) << "every flight of the feed, once";
    EXPECT_EQ(seen.size(), fed.size());

    const std::string logText = run.log();
    const std::string scanned = readWholeFile(run.path() / "program" / "output" / "LiveriesScanned.xml");
    for (const auto& [id, object] : seen) {
        SCOPED_TRACE(object.callsign);
        EXPECT_EQ(lf_loggedTitle(logText, object.callsign), object.title);
        EXPECT_THAT(scanned, HasSubstr(fmt::format("t=\"{}\"", object.title)));
    }
}

// The stand-in's track follows where the feed put each flight 30 s earlier.
void lf_checkReplay(const RunFiles& run)
{
    const std::map<std::string, std::vector<FedPoint>> sent = run.sent();
    const double standinStart = std::stod(readWholeFile(run.path() / "standin-start"));
    const std::vector<std::string> rows = lf_lines(run.path() / "track.csv");
    ASSERT_FALSE(rows.empty());
    const std::vector<std::string> header = lf_split(rows[0], ',');
    const auto column = [&header](const char* name) {
        return static_cast<std::size_t>(std::ranges::find(header, name) - header.begin());
    };
    std::map<std::string, int> compared;
    std::map<std::string, double> farthestNm;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> cells = lf_split(rows[i], ',');
        if (cells.at(column("kind")) != "own" || cells.at(column("atc_id")).ends_with('*')) {
            continue;
        }
        const std::string& callsign = cells.at(column("atc_id"));
        const double at = standinStart + std::stod(cells.at(column("t")));
        const auto flight = sent.find(callsign);
        ASSERT_NE(flight, sent.end()) << callsign;
        if (const std::optional<LatLon> fed = lf_fedPosition(flight->second, at - replayDelaySeconds)) {
            const double offNm =
                gf_distanceNm({std::stod(cells.at(column("lat"))), std::stod(cells.at(column("lon")))}, *fed);
            farthestNm[callsign] = std::max(farthestNm[callsign], offNm);
            ++compared[callsign];
        }
    }
    EXPECT_EQ(compared.size(), sent.size());
    for (const auto& [callsign, count] : compared) {
        EXPECT_GT(count, 100) << callsign << ": 4 track rows a second while the feed's data is replayed";
        EXPECT_LE(farthestNm[callsign], replayToleranceNm) << callsign;
    }
}

// Every object removed within two minutes of the feed's last datagram; the stand-in refused nothing; the program
// closed as the user closed it.
void lf_checkRemovedAndClosed(const RunFiles& run)
{
    double lastDatagram = 0.0;
    for (const auto& [callsign, points] : run.sent()) {
        lastDatagram = std::max(lastDatagram, points.back().at);
    }
    const std::map<uint32_t, SeenObject> seen = run.seenObjects();
    ASSERT_FALSE(seen.empty());
    for (const auto& [id, object] : seen) {
        EXPECT_LE(object.lastSeen, lastDatagram + removalWithinSeconds) << object.callsign;
    }
    const nlohmann::json left = nlohmann::json::parse(readWholeFile(run.path() / "objects-end.json")).at("objects");
    EXPECT_TRUE(std::ranges::none_of(left, lf_isLive)) << left;

    const nlohmann::json audit = nlohmann::json::parse(readWholeFile(run.path() / "audit.json"));
    ASSERT_FALSE(audit.at("registrations").empty());
    for (const nlohmann::json& registration : audit.at("registrations")) {
        EXPECT_EQ(registration.at("result"), "ok") << registration;
    }
    // The add-on airports scan's own connection may be refused facility data; the traffic connection nothing.
    const nlohmann::json exceptions = nlohmann::json::parse(readWholeFile(run.path() / "exceptions.json"));
    for (const nlohmann::json& exception : exceptions.at("exceptions")) {
        EXPECT_NE(exception.at("client"), audit.at("client")) << exception;
    }

    const std::string logText = run.log();
    EXPECT_THAT(logText, HasSubstr("\nExiting: USER CLOSED SIM\n"));
    EXPECT_EQ(logText.find("given up"), std::string::npos);
    EXPECT_EQ(logText.find("could not be created"), std::string::npos);
}

TEST(TrafficRun, TheSampleTrafficIsCreatedReplayedThirtySecondsLateAndRemovedAsTheDemoShows)
{
    TempDir folder;
    const fs::path kept = folder / "run";
    std::optional<int> status;
    {
        const ScopedEnvironment build("HLMR_DEMO_BUILD", HLMR_BUILD_DIR);
        const ScopedEnvironment keep("HLMR_DEMO_KEEP", kept.c_str());
        const ScopedEnvironment seconds("HLMR_DEMO_SECONDS", "240");
        const ScopedEnvironment kind("HLMR_DEMO_RUN", "traffic");
        const ScopedEnvironment leaks("LSAN_OPTIONS", "suppressions=" HLMR_FONTCONFIG_LEAKS);
        ChildProcess demo({"bash", HLMR_DEMO_SCRIPT}, folder / "demo.txt", folder / "demo-errors.txt");
        status = demo.waitForExit(420s);
    }
    const std::string printed = readWholeFile(folder / "demo.txt");
    ASSERT_EQ(status, 0) << readWholeFile(folder / "demo-errors.txt") << printed;
    const RunFiles run(kept);
    {
        SCOPED_TRACE("the printed summary");
        lf_checkPrinted(printed);
    }
    {
        SCOPED_TRACE("the aircraft created");
        lf_checkCreated(run);
    }
    {
        SCOPED_TRACE("the replay");
        lf_checkReplay(run);
    }
    {
        SCOPED_TRACE("the removals and the close");
        lf_checkRemovedAndClosed(run);
    }
}

} // namespace
} // namespace hlw::test
