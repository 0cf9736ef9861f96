// The park airport in process: the sample EHAM file is downloaded from a local HTTP server into a temporary program
// folder and read with a learned file, the stands are selected at a fixed weekday and half hour, and the traffic
// engine paces the placements: every selected position becomes a creation request at its stand, with a static
// callsign and a title of the sample livery tables, and nothing is placed at the reserved stand, the user's stand
// or beside a parked live aircraft. The same seed at the same time selects the same.
#include "engine/base/run_state.h"
#include "engine/live/parking_traffic_link.h"
#include "engine/live/traffic_engine.h"
#include "parking/parking_service.h"

#include "airport_generator.h"
#include "core/log.h"
#include "core/random_choice.h"
#include "engine_fixture.h"
#include "http_test_server.h"
#include "liveries/livery_data.h"
#include "liveries/livery_tables.h"
#include "refdata/airports_database.h"
#include "refdata/airports_reader.h"
#include "refdata/download_settings.h"
#include "refdata/reference_database.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"
#include "support/straight_motion.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <chrono>
#include <cmath>
#include <array>
#include <filesystem>
#include <map>
#include <set>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Tuesday 10:00 to 10:29 UTC.
constexpr WeekdaySlot fixedNow{2, 20};

struct Placed {
    std::string stand;
    std::string callsign;
    std::string title;
    auto operator<=>(const Placed&) const = default;
};

// One program run's parking: the engine with recording simulator neighbours, its side of parking and the
// parking service, the user on the ground at a stand of the park airport.
class ParkedWorld {
  public:
    explicit ParkedWorld(const fs::path& folder)
        : engine_({commands, replies, sim, link, traffic, parking, status, time, [folder] { return folder; }}, motion)
    {
        engine_.reserve();
    }

    test::RecordingSimRequests sim;
    SimCommandQueues commands;
    SimReplyQueue replies;
    test::CountingLink link;
    test::FakeSteadyTime time;
    TrafficQueue traffic{time};
    StatusBoard status;
    StraightMotion motion;
    TrafficReaders readers;
    EngineParkingTraffic parkingTraffic{engine_, readers, traffic};
    ParkingService parking{parkingTraffic, status, time};

    TrafficEngine& engine() { return engine_; }

    // Runs the engine until every selected position is placed; the creations handed to the simulator.
    std::vector<AiCreateRequest> placeAll()
    {
        std::vector<AiCreateRequest> created;
        for (int tick = 0; tick < 200000 && (parking.positionsToPlace() > 0 || !engine_.state().staticCreations.empty());
             ++tick) {
            engine_.tick();
            time.advance(std::chrono::milliseconds(10));
            const SimCommandQueues::Lock held = commands.lock();
            QueuedCommands& queued = commands.queued(held);
            std::move(queued.creations.begin(), queued.creations.end(), std::back_inserter(created));
            queued.clear();
        }
        return created;
    }

  private:
    TrafficEngine engine_;
};

class SampleParkAirport : public ::testing::Test {
  protected:
    SampleParkAirport()
    {
        gf_startLog(dir / "Log.txt");
        gf_overrideDataFolderPath(dir / "user");
        fs::create_directories(dir / "user");
        gf_clearReferenceTables();
        gf_clearAirports();
        // Read from copies: a sealed file is decrypted next to itself, and other suites read the samples at once.
        for (const char* name : {"dbase.enc", "airports.enc"}) {
            fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, dir / name);
        }
        EXPECT_TRUE(gf_readDbase(dir / "dbase.enc"));
        EXPECT_TRUE(gf_readAirports(dir / "airports.enc"));
        fs::create_directories(paths::outputFolder);
        fs::copy_file(fs::path(HLMR_SAMPLES_SOURCE) / "liveries" / "LiveriesScanned.xml", paths::liveriesScannedPath);
        gf_processScannedLiveries(nullptr);
        test::generateAirports("sample", dir / "samples", {"--dbase", fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml"});
        fs::create_directories(dir / "www" / "MSFS");
        fs::copy(dir / "samples" / "downloads" / "archive", dir / "www" / "MSFS" / "archive",
                 fs::copy_options::recursive);
        server = std::make_unique<test::HttpTestServer>(dir / "www");
        DownloadSettings downloads;
        downloads.baseAddress = server->url("");
        downloads.allowPlainHttp = true;
        gf_setDownloadSettings(downloads);
        nowWeekdaySlot.store(gf_packWeekdaySlot(fixedNow));
        settings::random.set(true);
        settings::week.set(true);
        settings::parkSoft.set(true);
        settings::maxParkSel.set(500);
    }
    ~SampleParkAirport() override
    {
        settings::random.set(settings::random.defaultValue());
        for (BoolParameter* setting : {&settings::week, &settings::parkSoft, &settings::autoRange,
                                       &settings::initialLoadOnly}) {
            setting->set(setting->defaultValue());
        }
        settings::maxParkSel.set(settings::maxParkSel.defaultValue());
        nowWeekdaySlot.store(0);
        gf_setDownloadSettings({});
        server.reset();
        gf_clearLiveryCatalogue();
        gf_scannedLiveryList().clear();
        gf_clearReferenceTables();
        gf_clearAirports();
        gf_overrideDataFolderPath(std::nullopt);
        gf_stopLog();
    }

    // The stands of the served file: id -> (latitude, longitude, heading in degrees).
    std::map<std::string, std::array<double, 3>> servedStands() const
    {
        pugi::xml_document document;
        EXPECT_TRUE(document.load_file((dir / "www" / "MSFS" / "archive" / "stock" / "EHAM.xml").c_str()));
        std::map<std::string, std::array<double, 3>> stands;
        for (const pugi::xml_node parkpos : document.child("root").child("parkpositions").children("parkpos")) {
            stands[parkpos.attribute("id").value()] = {parkpos.attribute("latitude").as_double(),
                                                        parkpos.attribute("longitude").as_double(),
                                                        parkpos.attribute("heading").as_double()};
        }
        return stands;
    }

    std::set<std::string> sampleTitles() const
    {
        pugi::xml_document document;
        EXPECT_TRUE(document.load_file((fs::path(HLMR_SAMPLES_SOURCE) / "liveries" / "LiveriesScanned.xml").c_str()));
        std::set<std::string> titles;
        for (const pugi::xml_node livery : document.child("root").child("liveries").children("l")) {
            titles.insert(livery.attribute("t").value());
        }
        return titles;
    }

    // A learned file with a use of stand E1 now by a sample registration, and the airport's own range.
    void writeLearned() const
    {
        const std::string text = fmt::format(R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <meta>
    <info name="author" value="Hollowmere" /><info name="version" value="12.5.1" />
    <info name="copyright" value="c" /><info name="sim" value="1" />
  </meta>
  <parameters>
    <parameter name="airport_name" value="Amsterdam Airport Schiphol" />
    <parameter name="MAX_LIVE_SEL" value="150" />
  </parameters>
  <parkpositions>
    <parkpos id="E1">
      <opt reg="PH-BXA" day="{}" hh="{}" cs="KLM1234" />
    </parkpos>
  </parkpositions>
</root>
)",
                                             fixedNow.weekday, fixedNow.slot);
        fs::create_directories(dir / "airports" / "learned" / "stock");
        test::writeWholeFile(dir / "airports" / "learned" / "stock" / "EHAM.xml", text);
    }

    test::TempDir dir;
    test::ScopedCurrentPath current{dir.path()};
    std::unique_ptr<test::HttpTestServer> server;
};

TEST_F(SampleParkAirport, EverySelectedPositionIsCreatedAtItsFreeStand)
{
    writeLearned();
    const auto stands = servedStands();
    ParkedWorld world(dir.path());
    LiveEngineState& state = world.engine().state();
    ASSERT_TRUE(world.parking.chooseParkAirport(AirportCode("EHAM")));
    ASSERT_EQ(world.parking.loadParkAirport(), "");
    EXPECT_TRUE(fs::exists(dir / "airports" / "park_airport.xml"));
    EXPECT_EQ(settings::maxLiveSel.get(), 150) << "the learned file was read";
    const std::vector<StandRecord>& table = world.parking.park().state.stands;
    ASSERT_EQ(table.size(), stands.size());

    // The user stands at D2, A3 is reserved, a live aircraft is parked at the stand of the learned option.
    const auto standOf = [&table](const std::string& id) {
        return *std::ranges::find(table, id, &StandRecord::id);
    };
    ASSERT_TRUE(stands.contains("D2") && stands.contains("A3") && stands.contains("E1"));
    const StandRecord userStand = standOf("D2");
    UserAircraftFix user;
    user.latitude = userStand.latitude;
    user.longitude = userStand.longitude;
    user.onGround = true;
    world.sim.user = user;
    state.user = user;
    world.parking.park().reservedStand = "A3";
    const StandRecord liveStand = standOf("E1");
    PositionRecord at;
    at.latitude = liveStand.latitude;
    at.longitude = liveStand.longitude;
    FlightRecord flight;
    flight.callsign = "DLH77";
    flight.hexId = 0x3c0001;
    LiveAircraft live(at, flight, 0.0);
    // Reported standing there for the next minute, so that it stays while the statics are placed.
    for (int32_t second = 5; second <= 60; second += 5) {
        at.dueTick = state.tick + second * ticksPerSecond;
        live.positions.push_back(at);
    }
    live.objectId = 900;
    live.state = SimObjectState::active;
    live.phase = MovementPhase::parked;
    live.standNumber = liveStand.standNumber;
    state.live.push_back(live);

    gf_seedThreadRandomEngine(2026);
    world.parking.calcStaticParking();
    const int32_t selected = world.parking.positionsToPlace();
    ASSERT_GT(selected, 20);
    const std::string before = test::readWholeFile(dir / "Log.txt");
    const std::vector<AiCreateRequest> created = world.placeAll();
    ASSERT_GT(created.size(), 20U);
    ASSERT_EQ(state.live.size(), 1U) << "the live aircraft stayed parked";
    // Every position is created, or dropped with its reason: no livery of the sample tables, or the live aircraft.
    gf_logFlushNow();
    const std::string during = test::readWholeFile(dir / "Log.txt").substr(before.size());
    const auto count = [&during](std::string_view text) {
        std::size_t n = 0;
        for (std::size_t i = during.find(text); i != std::string::npos; i = during.find(text, i + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(created.size() + count("no livery match") + count("no static parking for"),
              static_cast<std::size_t>(selected))
        << during;
    EXPECT_EQ(count("no static parking for"), count("live aircraft DLH77")) << during;
    EXPECT_GE(count("live aircraft DLH77 standing here"), 1U) << "the learned use of E1 was selected and refused";

    const std::set<std::string> titles = sampleTitles();
    std::set<uint32_t> hexIds;
    for (const AiCreateRequest& request : created) {
        const auto stand = std::ranges::find_if(table, [&request](const StandRecord& s) {
            return s.latitude == request.position.Latitude && s.longitude == request.position.Longitude;
        });
        ASSERT_NE(stand, table.end()) << request.callsign << " is created at a stand";
        SCOPED_TRACE(stand->id);
        const std::array<double, 3>& served = stands.at(stand->id);
        EXPECT_NEAR(request.position.Latitude, served[0], 1e-9);
        EXPECT_NEAR(request.position.Heading, served[2], 1e-6) << "the stand's heading in degrees";
        EXPECT_EQ(request.position.OnGround, 1U);
        EXPECT_EQ(request.position.Altitude, 0.0);
        EXPECT_TRUE(request.callsign.ends_with('*')) << request.callsign;
        EXPECT_TRUE(titles.contains(request.title)) << request.title;
        EXPECT_LE(request.hexId, staticHexIdLimit);
        EXPECT_TRUE(hexIds.insert(request.hexId).second) << "one hex id per static aircraft";
        EXPECT_NE(stand->id, "A3") << "the reserved stand";
        EXPECT_NE(stand->id, "D2") << "the user's stand";
        EXPECT_NE(stand->standNumber, liveStand.standNumber) << "the live aircraft's stand";
        EXPECT_EQ(std::ranges::count(liveStand.adjacentStands, stand->standNumber), 0) << "beside the live aircraft";
    }
    EXPECT_EQ(state.statics.size(), created.size());
}

TEST_F(SampleParkAirport, TheSameSeedAtTheSameTimeSelectsTheSame)
{
    const auto selectOnce = [this] {
        ParkedWorld world(dir.path());
        EXPECT_TRUE(world.parking.chooseParkAirport(AirportCode("EHAM")));
        EXPECT_EQ(world.parking.loadParkAirport(), "");
        gf_seedThreadRandomEngine(7);
        world.parking.calcStaticParking();
        std::vector<Placed> placed;
        for (const AiCreateRequest& request : world.placeAll()) {
            placed.push_back({fmt::format("{:.6f},{:.6f}", request.position.Latitude, request.position.Longitude),
                              request.callsign, request.title});
        }
        world.parking.closeParkAirport();
        return placed;
    };
    const std::vector<Placed> first = selectOnce();
    ASSERT_GT(first.size(), 20U);
    EXPECT_EQ(selectOnce(), first);
}

} // namespace
} // namespace hlw
