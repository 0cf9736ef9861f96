// The park airport on the engine's clock (one tick is 10 ms):
// - the whole static-parking calculation at an airport of 300 stands with 40 learned options each, "WEEK",
//   "PARK_SOFT" and "RANDOM" on, "MAX_FIT" 47, 300 wanted; once with nothing present and once with 150 active
//   static and 60 parked live aircraft (goal: 0.25 of a tick);
// - one placement with 300 static and 200 live aircraft, its livery chosen from the sample tables (goal: 0.02);
// - the stand near an aircraft on the ground and the stand nearest the user over 1,000 stands (goal: 0.005 each);
// - loading a local file of 500 stands with a learned file of 20,000 options, numbering and adjacency included
//   (goal: 10 ticks);
// - a parking adjustment at 300 stands x 40 options with 150 static and 60 parked live aircraft (goal: 0.5);
// - one stand report of a live aircraft (goal: 0.002) and the coupled-callsign lookup over 50,000 options (0.05);
// - a checkpoint of 500 stands with 10,000 learned options: build, write, sync, rename (goal: 2 ticks);
// - a park-airport driver run without download over a list of 500 airports (goal: 0.1).
#include "parking/apf_load.h"
#include "parking/learned_save.h"
#include "parking/stand_learning.h"
#include "parking/parking_service.h"
#include "parking/stand_index.h"
#include "parking/stand_lookups.h"
#include "parking/static_placement.h"
#include "liveries/livery_tables.h"
#include "refdata/airports_database.h"
#include "refdata/airports_reader.h"
#include "refdata/code_table.h"
#include "refdata/reference_database.h"
#include "settings/catalogue.h"

#include "airport_generator.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace hlw;

constexpr LatLon origin{52.3086, 4.7639};
constexpr double metresPerDegree = 111132.95;

// The engine as parking sees it: plain vectors, creations counted, nothing removed.
class BenchTraffic final : public ParkingTraffic {
  public:
    std::vector<LiveAircraft>& liveAircraft() override { return live; }
    std::vector<StaticAircraft>& staticAircraft() override { return statics; }
    void createStatic(StaticAircraft) override { ++creations; }
    void removeAircraft(StaticAircraft&) override {}
    void removeAllStatic() override {}
    void leaveStands() override {}
    void collectCallsigns() override {}
    std::unordered_set<std::string> takeHeardCallsigns() override { return {}; }
    std::optional<UserAircraftState> userAircraft() const override { return user; }
    WeekdaySlot weekdaySlot() const override { return {3, 20}; }
    void parkAirportChanged(std::optional<LatLon>, double) override {}

    std::vector<LiveAircraft> live;
    std::vector<StaticAircraft> statics;
    std::optional<UserAircraftState> user;
    int64_t creations = 0;
};

// The program folder of the benchmarks: the sample reference data and livery tables, made the current folder.
class BenchFolder {
  public:
    BenchFolder() : folder_(fs::temp_directory_path() / fmt::format("hlmr-park-bench-{}", ::getpid()))
    {
        fs::create_directories(folder_ / "output");
        fs::current_path(folder_);
        if (!gf_readDbase(fs::path(HLMR_SAMPLES_INPUT) / "dbase.enc") ||
            !gf_readAirports(fs::path(HLMR_SAMPLES_INPUT) / "airports.enc")) {
            throw std::runtime_error("the sample databases were not read");
        }
        fs::copy_file(fs::path(HLMR_SAMPLES_SOURCE) / "liveries" / "LiveriesScanned.xml", paths::liveriesScannedPath);
        gf_processScannedLiveries(nullptr);
        test::generateAirports("bench", folder_ / "generated",
                               {"--dbase", (fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").string(), "--stands", "500",
                                "--options", "20000"});
        fs::create_directories(folder_ / "airports" / "my_simaddon");
        fs::create_directories(folder_ / "airports" / "learned" / "my_simaddon");
        fs::copy_file(folder_ / "generated" / "airport.xml", folder_ / "airports" / "my_simaddon" / "EHAM.xml");
        fs::copy_file(folder_ / "generated" / "learned.xml",
                      folder_ / "airports" / "learned" / "my_simaddon" / "EHAM.xml");
    }
    ~BenchFolder()
    {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(folder_);
    }

  private:
    fs::path folder_;
};

const BenchFolder& lf_folder()
{
    static const BenchFolder folder;
    return folder;
}

LatLon lf_offset(double northMetres, double eastMetres)
{
    return {origin.lat + northMetres / metresPerDegree,
            origin.lon + eastMetres / (metresPerDegree * std::cos(origin.lat * radiansPerDegree))};
}

// Rows of 20 stands 60 m apart, each with options of the sample livery codes over the whole week.
std::vector<StandRecord> lf_stands(int count, int optionsPerStand)
{
    const std::vector<std::pair<const char*, const char*>> fleet = {
        {"KLM", "B738"}, {"DLH", "A320"}, {"BAW", "A320"}, {"EZY", "A320"}, {"RYR", "B738"}, {"AFR", "A319"}};
    std::mt19937 random(2026);
    std::vector<StandRecord> stands;
    for (int i = 0; i < count; ++i) {
        const LatLon at = lf_offset(60.0 * (i / 20), 60.0 * (i % 20));
        StandRecord stand = StandRecord::fromFile(fmt::format("S{}", i + 1), {}, at.lat, at.lon, 0.0, 24.0, 9, false,
                                                  false, false);
        for (int k = 0; k < optionsPerStand; ++k) {
            const auto& [airline, model] = fleet[random() % fleet.size()];
            StandOption option;
            option.codes = {gf_airlineIndex(airline), 0, gf_modelIndex(model), 0, 1};
            option.registration = fmt::format("PH-{:05d}", random() % 20000);
            option.callsign = fmt::format("{}{}", airline, random() % 9000);
            const auto start = static_cast<std::size_t>(random() % 46);
            option.slots.set(start).set(start + 1);
            option.weekday = static_cast<int32_t>(random() % 7) + 1;
            option.real = random() % 4 != 0;
            option.number = static_cast<uint32_t>(k + 1);
            stand.options.push_back(std::move(option));
        }
        stands.push_back(std::move(stand));
    }
    gf_indexStands(stands);
    return stands;
}

FlightRecord lf_flight(const char* callsign, const char* model)
{
    FlightRecord flight;
    flight.callsign = callsign;
    flight.model = gf_modelIndex(model);
    flight.category = AircraftCategory::Large;
    flight.halfWingspanNm = 17.0 / metresPerNm;
    return flight;
}

// Active static aircraft at every other stand of the first 300 and parked live aircraft at the ones after.
void lf_fill(BenchTraffic& traffic, const std::vector<StandRecord>& stands, int statics, int live)
{
    for (int i = 0; i < statics; ++i) {
        const StandRecord& stand = stands[static_cast<std::size_t>(2 * i) % stands.size()];
        FlightRecord flight = lf_flight("STAT*", "A320");
        flight.hexId = static_cast<uint32_t>(i + 1);
        flight.secondCallsign = fmt::format("XXX{}", i);
        StaticAircraft aircraft(flight, stand.standNumber, stand.latitude, stand.longitude, 0.0, false);
        aircraft.state = SimObjectState::active;
        traffic.statics.push_back(std::move(aircraft));
    }
    for (int i = 0; i < live; ++i) {
        const StandRecord& stand = stands[static_cast<std::size_t>(2 * i + 1) % stands.size()];
        PositionRecord at;
        at.latitude = stand.latitude + 0.001;
        at.longitude = stand.longitude;
        FlightRecord flight = lf_flight("LIVE1", "B738");
        flight.hexId = 0x400000U + static_cast<uint32_t>(i);
        LiveAircraft aircraft(at, flight, 0.0);
        aircraft.state = SimObjectState::active;
        aircraft.phase = MovementPhase::parked;
        aircraft.standNumber = 100000 + i;
        traffic.live.push_back(std::move(aircraft));
    }
}

void lf_selectionSettings()
{
    settings::week.set(true);
    settings::parkSoft.set(true);
    settings::random.set(true);
    settings::maxFit.set(47);
    settings::maxParkSel.set(500);
    settings::customParkingPercentage.set(100);
}

void BM_CalcStaticParking(benchmark::State& run)
{
    lf_folder();
    lf_selectionSettings();
    BenchTraffic traffic;
    StatusBoard status;
    ParkingService service(traffic, status, gf_systemSteadyTime());
    service.park().state.stands = lf_stands(300, 40);
    lf_fill(traffic, service.park().state.stands, static_cast<int>(run.range(0)), static_cast<int>(run.range(1)));
    for (auto _ : run) {
        service.calcStaticParking();
        benchmark::DoNotOptimize(service.positionsToPlace());
    }
    run.counters["selected"] = service.positionsToPlace();
    run.counters["tick share"] = benchmark::Counter(0.01 * static_cast<double>(run.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CalcStaticParking)->Args({0, 0})->Args({150, 60})->Unit(benchmark::kMicrosecond);

void BM_PlaceOneStatic(benchmark::State& run)
{
    lf_folder();
    BenchTraffic traffic;
    std::vector<StandRecord> stands = lf_stands(600, 4);
    lf_fill(traffic, stands, 300, 200);
    StaticPlacer placer;
    std::vector<SelectedParkPosition> selected;
    const StandRecord& free = stands[599];
    const SelectedParkPosition position{free.standNumber, 2, {gf_airlineIndex("KLM"), 0, gf_modelIndex("B738"), 0, 1},
                                        "KLM1234", "KLM1235", "PH-BXA", true};
    for (auto _ : run) {
        selected.push_back(position);
        placer.placeNext(selected, stands, traffic);
    }
    if (traffic.creations != static_cast<int64_t>(run.iterations())) {
        run.SkipWithError("a placement was refused");
    }
    run.counters["tick share"] = benchmark::Counter(0.01 * static_cast<double>(run.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlaceOneStatic)->Unit(benchmark::kMicrosecond);

void BM_FindStandNear(benchmark::State& run)
{
    lf_folder();
    std::vector<StandRecord> stands = lf_stands(1000, 2);
    LearnedUpdates updates;
    const FlightRecord aircraft = lf_flight("KLM1234", "B738");
    const LatLon near = lf_offset(60.0 * 25 + 3.0, 60.0 * 7 + 2.0);
    for (auto _ : run) {
        benchmark::DoNotOptimize(gf_findStandNear(stands, near, aircraft, 0.0297, true, updates));
    }
    run.counters["tick share"] = benchmark::Counter(0.01 * static_cast<double>(run.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FindStandNear)->Unit(benchmark::kMicrosecond);

void BM_NearestStandName(benchmark::State& run)
{
    lf_folder();
    const std::vector<StandRecord> stands = lf_stands(1000, 0);
    NearestStandName nearest;
    // Two positions in turn, so that every query searches.
    const LatLon positions[] = {lf_offset(60.0 * 25 + 3.0, 60.0 * 7 + 2.0), lf_offset(60.0 * 40 + 1.0, 60.0 * 3)};
    std::size_t i = 0;
    for (auto _ : run) {
        benchmark::DoNotOptimize(nearest(stands, positions[i++ % 2], true));
    }
    run.counters["tick share"] = benchmark::Counter(0.01 * static_cast<double>(run.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_NearestStandName)->Unit(benchmark::kMicrosecond);

void BM_LoadLocalAirportWithLearnedFile(benchmark::State& run)
{
    lf_folder();
    StatusBoard status;
    std::size_t options = 0;
    for (auto _ : run) {
        ParkAirport park;
        park.airport = *gf_findAirport(AirportCode("EHAM"));
        if (!gf_readApf("airports/my_simaddon/EHAM.xml", park, status).empty()) {
            run.SkipWithError("the load failed");
            break;
        }
        options = 0;
        for (const StandRecord& stand : park.state.stands) {
            options += stand.options.size();
        }
    }
    run.counters["options"] = static_cast<double>(options);
    run.counters["ticks"] = benchmark::Counter(0.01 * static_cast<double>(run.iterations()),
                                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadLocalAirportWithLearnedFile)->Unit(benchmark::kMillisecond);

benchmark::Counter lf_tickShare(const benchmark::State& run)
{
    return benchmark::Counter(0.01 * static_cast<double>(run.iterations()),
                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ParkingAdjustment(benchmark::State& run)
{
    lf_folder();
    lf_selectionSettings();
    BenchTraffic traffic;
    StatusBoard status;
    ParkingService service(traffic, status, gf_systemSteadyTime());
    service.park().state.stands = lf_stands(300, 40);
    lf_fill(traffic, service.park().state.stands, 150, 60);
    for (LiveAircraft& aircraft : traffic.live) {
        aircraft.standNumber -= 100000 - 1;
        aircraft.parkedSince = gf_systemSteadyTime().now();
    }
    for (auto _ : run) {
        service.runAdjustments();
        benchmark::DoNotOptimize(service.positionsToPlace());
    }
    run.counters["to place"] = service.positionsToPlace();
    run.counters["tick share"] = lf_tickShare(run);
}
BENCHMARK(BM_ParkingAdjustment)->Unit(benchmark::kMicrosecond);

void BM_StandReport(benchmark::State& run)
{
    lf_folder();
    BenchTraffic traffic;
    StatusBoard status;
    ParkingService service(traffic, status, gf_systemSteadyTime());
    service.park().state.stands = lf_stands(300, 40);
    service.park().apfLoaded.store(true);
    const StandRecord& stand = service.park().state.stands[150];
    PositionRecord at;
    at.latitude = stand.latitude;
    at.longitude = stand.longitude;
    FlightRecord flight = lf_flight("KLM1234", "B738");
    flight.registration = "PH-IFJ";
    LiveAircraft aircraft(at, flight, 0.0);
    aircraft.standNumber = stand.standNumber;
    for (auto _ : run) {
        service.addRealStandOption(aircraft, StandUseReason::arrived);
    }
    run.counters["tick share"] = lf_tickShare(run);
}
BENCHMARK(BM_StandReport)->Unit(benchmark::kMicrosecond);

void BM_CoupledCallsignLookup(benchmark::State& run)
{
    lf_folder();
    std::vector<StandRecord> stands = lf_stands(500, 100);
    for (StandRecord& stand : stands) {
        for (StandOption& option : stand.options) {
            option.secondCallsign = option.callsign + "X";
        }
    }
    FlightRecord flight = lf_flight("KLM99999", "B738");
    flight.airline = gf_airlineIndex("KLM");
    for (auto _ : run) {
        benchmark::DoNotOptimize(gf_coupleCallsigns(stands, flight, {3, 20}));
    }
    run.counters["options"] = 50000;
    run.counters["tick share"] = lf_tickShare(run);
}
BENCHMARK(BM_CoupledCallsignLookup)->Unit(benchmark::kMicrosecond);

void BM_LearnedCheckpoint(benchmark::State& run)
{
    lf_folder();
    ParkAirport park;
    park.airport = *gf_findAirport(AirportCode("EHAM"));
    park.state.stands = lf_stands(500, 20);
    park.learnedPath = "airports/learned/stock/EHAM.xml";
    park.apfLoaded.store(true);
    std::size_t bytes = 0;
    for (auto _ : run) {
        park.state.learnedUpdates.add();
        if (!gf_saveLearnedAirport(park, std::chrono::steady_clock::now())) {
            run.SkipWithError("the save failed");
            break;
        }
    }
    bytes = fs::file_size(park.learnedPath);
    run.counters["bytes"] = static_cast<double>(bytes);
    run.counters["ticks"] = lf_tickShare(run);
}
BENCHMARK(BM_LearnedCheckpoint)->Unit(benchmark::kMillisecond);

void BM_DriverRun(benchmark::State& run)
{
    lf_folder();
    {
        std::string lines;
        for (const AirportRecord& airport : gf_airports().first(std::min<std::size_t>(500, gf_airports().size()))) {
            lines += airport.icao.str() + "\n";
        }
        std::ofstream("airports/my_park_airports.txt") << lines << "EHAM\n";
    }
    BenchTraffic traffic;
    StatusBoard status;
    ParkingService service(traffic, status, gf_systemSteadyTime());
    service.readParkAirportList();
    service.park().state.stands = lf_stands(300, 0);
    service.chooseParkAirport(AirportCode("EHAM"));
    service.park().apfLoaded.store(true);
    // Airborne half a mile from the park airport, a little elsewhere at every run, so that every run sorts the list.
    const LatLon near = lf_offset(900.0, 0.0);
    int step = 0;
    for (auto _ : run) {
        traffic.user = UserAircraftState{{near.lat + 1e-6 * (step++ % 2), near.lon}, 1500.0, 200.0, false};
        service.driveParkAirport(false);
    }
    if (!service.parkAirportActive()) {
        run.SkipWithError("the park airport was left");
    }
    run.counters["list"] = static_cast<double>(service.list().entries().size());
    run.counters["tick share"] = lf_tickShare(run);
}
BENCHMARK(BM_DriverRun)->Unit(benchmark::kMicrosecond);

} // namespace
