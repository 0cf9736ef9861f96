#include "tick_world.h"

#include "airport_generator.h"
#include "core/log.h"
#include "core/random_choice.h"
#include "core/reference_time.h"
#include "engine/base/run_state.h"
#include "liveries/livery_data.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_tables.h"
#include "refdata/airports_database.h"
#include "refdata/airports_reader.h"
#include "refdata/reference_database.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <unistd.h>
#include <unordered_set>

namespace hlw::bench {

namespace fs = std::filesystem;

namespace {

constexpr LatLon airport{52.3086, 4.7639};
constexpr double airportElevationFt = -11.0;
// The user stands 3 km west of the reference point, clear of every ground flight.
constexpr LatLon user{52.3086, 4.7198};
constexpr double epochSeconds = 1.7e9;
constexpr uint32_t trafficSeed = 2026;
// Tuesday 10:00 to 10:29 UTC: the weekday and half hour of the stand selection.
constexpr WeekdaySlot selectionTime{2, 20};
// The stand type of a helipad, where no aeroplane parks.
constexpr int32_t helipadType = 11;
// Ground traffic farther from the park airport does not reach the engine.
constexpr double groundTrafficRadiusNm = 4.5;
// Every flight stays well within it.
constexpr int32_t rangeNmSetting = 60;
// A simulated hour.
constexpr int32_t buildTickLimit = 360000;

} // namespace

BenchFolder::BenchFolder()
    : path_(fs::temp_directory_path() / fmt::format("hlmr-tick-bench-{}", ::getpid())), previous_(fs::current_path())
{
    fs::remove_all(path_);
    fs::create_directories(path_ / "user");
    fs::current_path(path_);
    gf_startLog(path_ / "Log.txt");
    gf_overrideDataFolderPath(path_ / "user");
    // Read from copies: a sealed file is decrypted next to itself.
    for (const char* name : {"dbase.enc", "airports.enc"}) {
        fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, path_ / name);
    }
    if (!gf_readDbase(path_ / "dbase.enc") || !gf_readAirports(path_ / "airports.enc")) {
        throw std::runtime_error("the sample databases were not read");
    }
    // The 60,000 liveries of the generated "bench" packages, scanned and read as at the program's start-up.
    const std::string command =
        fmt::format("python3 '{}' bench --out '{}'", HLMR_PACKAGE_GENERATOR_SCRIPT, (path_ / "packages").string());
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("the package generator failed");
    }
    std::vector<fs::path> roots;
    for (const fs::directory_entry& package : fs::directory_iterator(path_ / "packages" / "Community")) {
        roots.push_back(package.path());
    }
    std::ranges::sort(roots);
    fs::create_directories(paths::outputFolder / "info");
    // Every package's liveries, not only those of the first package that has an airline and model.
    settings::ligPrioritize.set(false);
    const LiveryScanResult scanned = gf_scanLiveryFolders(roots, gf_programLiveryScanSetup());
    settings::ligPrioritize.set(settings::ligPrioritize.defaultValue());
    if (scanned != LiveryScanResult::done) {
        throw std::runtime_error("the livery scan of the generated packages failed");
    }
    fs::remove_all(path_ / "packages");
    gf_processScannedLiveries(nullptr);
}

BenchFolder::~BenchFolder()
{
    gf_clearLiveryCatalogue();
    gf_scannedLiveryList().clear();
    gf_clearReferenceTables();
    gf_clearAirports();
    gf_overrideDataFolderPath(std::nullopt);
    gf_stopLog();
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
}

BenchFolder& BenchFolder::shared()
{
    static BenchFolder folder;
    return folder;
}

TickWorld::TickWorld(int liveCount, int staticCount)
    : liveCount_(liveCount), staticCount_(staticCount), simulator_(commands_, replies_, user, airportElevationFt),
      engine_({commands_, replies_, simulator_, link_, traffic_, parking_, status_, time_,
               [this] { return folder_.path() / "plans"; }},
              motion_)
{
    // Three stands for every aircraft parked at the park airport, so that the live ones find free stands near it.
    const int stands = 3 * parkLimit();
    fs::remove_all(folder_.path() / "generated");
    fs::remove_all(folder_.path() / "airports");
    test::generateAirports("bench", folder_.path() / "generated",
                           {"--dbase", (fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").string(), "--stands",
                            std::to_string(stands), "--options", std::to_string(stands * 12)});
    fs::create_directories(folder_.path() / "airports" / "my_simaddon");
    fs::create_directories(folder_.path() / "airports" / "learned" / "my_simaddon");
    fs::copy_file(folder_.path() / "generated" / "airport.xml",
                  folder_.path() / "airports" / "my_simaddon" / "EHAM.xml");
    fs::copy_file(folder_.path() / "generated" / "learned.xml",
                  folder_.path() / "airports" / "learned" / "my_simaddon" / "EHAM.xml");
    fs::create_directories(folder_.path() / "plans");

    nowWeekdaySlot.store(gf_packWeekdaySlot(selectionTime));
    gf_seedThreadRandomEngine(trafficSeed);
    engine_.reserve();
    commands_.reserve(1024);
    traffic_.setRunning(true);
    readers_.setRangeCentre(user.lat, user.lon);
    engine_.state().user = simulator_.requestUserPosition();
}

TickWorld::~TickWorld()
{
    for (BoolParameter* setting :
         {&settings::week, &settings::parkSoft, &settings::autoRange, &settings::initialLoadOnly}) {
        setting->set(setting->defaultValue());
    }
    settings::customParkingPercentage.set(settings::customParkingPercentage.defaultValue());
    settings::maxParkSel.set(settings::maxParkSel.defaultValue());
    settings::maxLiveSel.set(settings::maxLiveSel.defaultValue());
    gf_setRange(settings::range.defaultValue());
    nowWeekdaySlot.store(0);
}

int TickWorld::parkLimit() const
{
    return staticCount_ + TrafficMix::of(liveCount_).standsNeeded();
}

void TickWorld::build()
{
    placeStatics();
    senders_.emplace(gf_benchFlights(TrafficMix::of(liveCount_), airport, freeStands(), trafficSeed), airport,
                     trafficSeed);
    flightsStartTick_ = engine_.state().tick;
    // A few parked aircraft may be between a removal and their next creation at any time.
    const int enough = liveCount_ * 98 / 100;
    for (int32_t ticks = 0; ticks < buildTickLimit && counts().liveActive < enough; ++ticks) {
        betweenTicks();
        tick();
    }
    const WorldCounts made = counts();
    if (made.liveActive < enough || made.staticActive < staticCount_) {
        gf_logFlushNow();
        throw std::runtime_error(fmt::format("after {} s {} of {} live and {} of {} static aircraft are active ({}); "
                                             "see {}",
                                             (engine_.state().tick - flightsStartTick_) / ticksPerSecond,
                                             made.liveActive, liveCount_, made.staticActive, staticCount_, liveByKind(),
                                             (folder_.path() / "Log.txt").string()));
    }
}

// The parking service selects and places the statics; every live aircraft that parks later removes one of them, so
// that the parked ones stay within the limit, and staticCount are left when all live aircraft at stands have parked.
void TickWorld::placeStatics()
{
    if (!parking_.chooseParkAirport(AirportCode("EHAM"))) {
        throw std::runtime_error("EHAM is not in the sample airports database");
    }
    if (const std::string problem = parking_.loadParkAirport(); !problem.empty()) {
        throw std::runtime_error("the park airport was not loaded: " + problem);
    }
    // After the load: its learned file sets the live limit and the range.
    settings::maxLiveSel.set(liveCount_);
    settings::maxParkSel.set(parkLimit());
    settings::customParkingPercentage.set(100);
    gf_setRange(rangeNmSetting);
    parking_.calcStaticParking();
    for (int32_t ticks = 0;
         ticks < buildTickLimit && (parking_.positionsToPlace() > 0 || !engine_.state().staticCreations.empty() ||
                                    counts().staticActive < static_cast<int>(engine_.state().statics.size()));
         ++ticks) {
        betweenTicks();
        tick();
    }
}

// Stands without a static aircraft and without stands blocked with them, within the park airport's radius of
// ground traffic.
std::vector<LatLon> TickWorld::freeStands()
{
    std::unordered_set<int32_t> taken;
    for (const StaticAircraft& aircraft : engine_.state().statics) {
        taken.insert(aircraft.standNumber);
    }
    std::vector<LatLon> free;
    for (const StandRecord& stand : parking_.park().state.stands) {
        const LatLon at{stand.latitude, stand.longitude};
        if (!taken.contains(stand.standNumber) && stand.adjacentStands.empty() && stand.parkingType != helipadType &&
            gf_distanceNm(at, airport) < groundTrafficRadiusNm) {
            free.push_back(at);
        }
    }
    return free;
}

std::string TickWorld::liveByKind()
{
    static constexpr std::array<const char*, 6> kinds = {"cruise",  "circling", "climb-descent",
                                                         "arrival", "taxi",     "parked"};
    std::map<std::string, int> records;
    for (const LiveAircraft& aircraft : engine_.state().live) {
        const std::size_t index = aircraft.flight.hexId - firstHexId;
        const auto kind = index < senders_->flights().size() ? static_cast<std::size_t>(senders_->flights()[index].kind)
                                                             : kinds.size();
        ++records[fmt::format("{} {} {}", kind < kinds.size() ? kinds[kind] : "?", gf_simStateName(aircraft.state),
                              gf_phaseName(aircraft.phase))];
    }
    std::string text;
    for (const auto& [what, count] : records) {
        text += fmt::format("{}{}: {}", text.empty() ? "" : ", ", what, count);
    }
    return text;
}

void TickWorld::betweenTicks()
{
    simulator_.frame();
    if (!senders_) {
        return;
    }
    const int32_t tick = engine_.state().tick;
    if ((tick - flightsStartTick_) % ticksPerSecond == 0) {
        lifecycle_.takeArrival();
    }
    lines_.clear();
    senders_->due(static_cast<double>(tick - flightsStartTick_) / ticksPerSecond, epochSeconds, lines_);
    for (const std::string& line : lines_) {
        reader_.onDatagram(line);
    }
    datagrams_ += lines_.size();
}

void TickWorld::tick()
{
    engine_.tick();
    time_.advanceTick();
}

void TickWorld::endSteppedTick()
{
    ++engine_.state().tick;
    traffic_.publishEngineTick(engine_.state().tick);
    time_.advanceTick();
}

WorldCounts TickWorld::counts()
{
    WorldCounts counts;
    const LiveEngineState& state = engine_.state();
    for (const LiveAircraft& aircraft : state.live) {
        if (aircraft.state == SimObjectState::active) {
            ++counts.liveActive;
            ++counts.byPhase[static_cast<std::size_t>(aircraft.phase) % counts.byPhase.size()];
            counts.queuedPositions += aircraft.positions.size();
        }
    }
    counts.staticActive = static_cast<int>(std::ranges::count_if(
        state.statics, [](const StaticAircraft& aircraft) { return aircraft.state == SimObjectState::active; }));
    return counts;
}

} // namespace hlw::bench
