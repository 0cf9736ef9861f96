// The stand index and the load of a very large airport file:
// - numbering and linking 30,000 stands (goal: 50 ms each): an airport of 150 rows of 200 stands 60 m apart with
//   radii of 8 to 40 m, every tenth stand overlapping its neighbour; the same stands in one row along a parallel
//   (where a sweep over latitude alone compares every pair); the airport with one stand of the largest radius a
//   file may give (10 km), which blocks thousands of stands;
// - the main loop's step that loads the park airport: the park-airport driver reading a local file of those
//   30,000 stands (9 MB, two recorded uses each) and calculating the static parking, as the main loop runs it
//   once the user stands at the airport (goal: 1 s);
// - the same step for the files at the bounds of what is loaded (goal: 1 s, at most about 100 MB more resident
//   memory at the step's peak, "peak MB added"): 10,000 stands at one point (radius 30 m) and 8,000 stands 60 m
//   apart with the largest radius a file may give (10 km), both refused by the stand index's bound; 1,414 stands
//   at one point, the most that bound takes; 65,535 stands 60 m apart without recorded uses, the most stands a
//   file may hold, with a radius of 90 m that links each to about 20 others; as many stands with two recorded uses
//   each as the reader takes (its bound of elements and attributes ends them just below its byte cap); one stand
//   with as many of the smallest recorded uses as that bound takes; a file of the smallest elements just under
//   the byte cap, refused for them; and 65,536 stands, refused for their number;
// - the same step for the learned files at the reader's bounds laid over an airport of 100 stands (goal: at most
//   about 100 MB more resident memory at the step's peak and held after it, "held MB added"): as many stands the
//   airport lacks as the reader takes, bare or with two recorded uses each (they are kept for the next save); one
//   stand of the airport with as many learned uses as the reader takes, the smallest that differ or all one
//   duplicate; and
//   one stand the airport lacks holding as many texts of '>' between the smallest elements as the reader takes.
#include "core/log.h"
#include "parking/apf_reader.h"
#include "parking/parking_service.h"
#include "parking/stand_index.h"
#include "refdata/airports_database.h"
#include "refdata/airports_reader.h"
#include "refdata/reference_database.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace hlw;

constexpr LatLon schiphol{52.3086, 4.7639};
constexpr double metresPerDegree = 111132.95;
constexpr int standCount = 30000;
constexpr int standsPerRow = 200;

struct BenchStand {
    LatLon at;
    double radiusMetres;
};

LatLon lf_offset(const LatLon& from, double northMetres, double eastMetres)
{
    return {from.lat + northMetres / metresPerDegree,
            from.lon + eastMetres / (metresPerDegree * std::cos(from.lat * radiansPerDegree))};
}

// Rows of stands 60 m apart, 120 m between rows, or all in one row.
std::vector<BenchStand> lf_layout(bool oneRow)
{
    std::mt19937 random(2026);
    std::uniform_real_distribution<double> radius(8.0, 40.0);
    std::vector<BenchStand> stands;
    stands.reserve(standCount);
    for (int i = 0; i < standCount; ++i) {
        const int row = oneRow ? 0 : i / standsPerRow;
        const int place = oneRow ? i : i % standsPerRow;
        const double east = 60.0 * place - (i % 10 == 9 ? 25.0 : 0.0);
        stands.push_back({lf_offset(schiphol, 120.0 * row, east), radius(random)});
    }
    return stands;
}

std::vector<StandRecord> lf_stands(const std::vector<BenchStand>& layout)
{
    std::vector<StandRecord> stands;
    stands.reserve(layout.size());
    for (const BenchStand& stand : layout) {
        stands.push_back(StandRecord::fromFile(fmt::format("S{}", stands.size() + 1), {}, stand.at.lat, stand.at.lon,
                                               0.0, stand.radiusMetres, 9, false, false, false));
    }
    return stands;
}

void BM_IndexStands(benchmark::State& run)
{
    std::vector<StandRecord> stands = lf_stands(lf_layout(run.range(0) == 1));
    if (run.range(0) == 2) {
        stands[standCount / 2 + standsPerRow / 2].radius = 10000.0 / metresPerNm;
    }
    for (auto _ : run) {
        gf_indexStands(stands);
        benchmark::ClobberMemory();
    }
    std::size_t links = 0;
    for (const StandRecord& stand : stands) {
        links += stand.adjacentStands.size();
    }
    run.counters["links"] = static_cast<double>(links);
}
// With repetitions, the fastest run is the figure least disturbed by other work on the machine.
BENCHMARK(BM_IndexStands)
    ->ArgName("airport|row|huge")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", [](const std::vector<double>& runs) { return *std::ranges::min_element(runs); });

// The engine as the park-airport driver sees it: the user aircraft on the ground at Schiphol.
class BenchTraffic final : public ParkingTraffic {
  public:
    std::vector<LiveAircraft>& liveAircraft() override { return live_; }
    std::vector<StaticAircraft>& staticAircraft() override { return statics_; }
    void createStatic(StaticAircraft) override {}
    void removeAircraft(StaticAircraft&) override {}
    void removeAllStatic() override {}
    void leaveStands() override {}
    void collectCallsigns() override {}
    std::unordered_set<std::string> takeHeardCallsigns() override { return {}; }
    std::optional<UserAircraftState> userAircraft() const override
    {
        UserAircraftState user;
        user.position = schiphol;
        user.onGround = true;
        return user;
    }
    WeekdaySlot weekdaySlot() const override { return {3, 20}; }
    void parkAirportChanged(std::optional<LatLon>, double) override {}

  private:
    std::vector<LiveAircraft> live_;
    std::vector<StaticAircraft> statics_;
};

// Stands at one point, or in a square 60 m apart, all of the one radius.
std::vector<BenchStand> lf_overlappingLayout(int count, bool onePoint, double radiusMetres)
{
    constexpr int perRow = 100;
    std::vector<BenchStand> stands;
    stands.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const LatLon at = onePoint ? schiphol : lf_offset(schiphol, 60.0 * (i / perRow), 60.0 * (i % perRow));
        stands.push_back({at, radiusMetres});
    }
    return stands;
}

// The beginning and the end of an airport file of EHAM; the stands go in between.
constexpr std::string_view fileHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <meta>
    <info name="author" value="Hollowmere" />
    <info name="version" value="12.5.1" />
    <info name="date" value="Dec  6, 2026" />
    <info name="copyright" value="Copyright (c) the makers of Hollowmere. All rights reserved." />
    <info name="sim" value="1" />
  </meta>
  <parameters>
    <parameter name="airport_name" value="Schiphol" />
    <parameter name="publisher" value="simaddon" />
    <parameter name="altitude" value="-11" />
  </parameters>
  <parkpositions>
)";
constexpr std::string_view fileTail = "  </parkpositions>\n</root>\n";

// The airport file of the stands, each with the recorded uses given (0 or more); only as many stands as fit in
// maxBytes and make a tree of at most maxTreeBytes (gf_apfTreeBytes).
std::string lf_airportFile(const std::vector<BenchStand>& layout, int usesPerStand,
                           std::size_t maxBytes = std::string::npos, std::size_t maxTreeBytes = std::string::npos)
{
    std::string text(fileHead);
    std::size_t treeBytes = gf_apfTreeBytes(fileHead) + gf_apfTreeBytes(fileTail);
    const char* fleet[][3] = {{"PH-BXA", "KLM", "B738"}, {"D-AINA", "DLH", "A20N"}, {"G-EUPA", "BAW", "A319"}};
    int n = 0;
    std::string stand;
    for (const BenchStand& at : layout) {
        ++n;
        stand = fmt::format(
            R"(    <parkpos id="S{}" latitude="{:.6f}" longitude="{:.6f}" heading="{}" radius="{:.1f}" type="9")", n,
            at.at.lat, at.at.lon, n % 360, at.radiusMetres);
        stand += usesPerStand == 0 ? " />\n" : ">\n";
        for (int k = 0; k < usesPerStand; ++k) {
            const auto& [reg, airline, model] = fleet[(n + k) % 3];
            fmt::format_to(std::back_inserter(stand),
                           R"(      <opt reg="{}" airl="{}" type="{}" day="{}" hh="{}:{}" cs="{}{}" />)"
                           "\n",
                           reg, airline, model, (n + k) % 7 + 1, n % 46, n % 46 + 1, airline, n % 9000 + 1);
        }
        stand += usesPerStand == 0 ? "" : "    </parkpos>\n";
        treeBytes += gf_apfTreeBytes(stand);
        if (text.size() + stand.size() + fileTail.size() > maxBytes || treeBytes > maxTreeBytes) {
            break;
        }
        text += stand;
    }
    text += fileTail;
    return text;
}

// An airport file of nothing but the smallest elements, as many as fit in maxBytes.
std::string lf_tinyElementsFile(std::size_t maxBytes)
{
    constexpr std::string_view element = "<a/>";
    std::string text(fileHead);
    text.reserve(maxBytes);
    while (text.size() + element.size() + fileTail.size() <= maxBytes) {
        text += element;
    }
    text += fileTail;
    return text;
}

// An airport file of one stand with as many of the smallest recorded uses as make a tree of at most maxTreeBytes.
std::string lf_oneStandOfManyUsesFile(std::size_t maxTreeBytes)
{
    constexpr std::string_view stand = R"(<parkpos id="S1" latitude="52.3086" longitude="4.7639" radius="30">)";
    constexpr std::string_view use = R"(<opt day="1" hh="1"/>)";
    constexpr std::string_view standEnd = "</parkpos>";
    std::string text(fileHead);
    text += stand;
    std::size_t treeBytes = gf_apfTreeBytes(text) + gf_apfTreeBytes(fileTail);
    while (treeBytes + gf_apfTreeBytes(use) <= maxTreeBytes) {
        text += use;
        treeBytes += gf_apfTreeBytes(use);
    }
    text += standEnd;
    text += fileTail;
    return text;
}

// A program folder with the sample databases and EHAM's local file (by default 30,000 stands with two recorded
// uses each), made the current folder.
class LargeAirportFolder {
  public:
    explicit LargeAirportFolder(const std::string& airportFile = lf_airportFile(lf_layout(false), 2),
                                const std::string& learnedFile = {})
        : folder_(fs::temp_directory_path() / fmt::format("hlmr-stand-index-bench-{}", ::getpid()))
    {
        fs::create_directories(folder_ / "airports" / "my_simaddon");
        if (!learnedFile.empty()) {
            fs::create_directories(folder_ / "airports" / "learned" / "my_simaddon");
            std::ofstream(folder_ / "airports" / "learned" / "my_simaddon" / "EHAM.xml", std::ios::binary)
                << learnedFile;
            learnedBytes_ = fs::file_size(folder_ / "airports" / "learned" / "my_simaddon" / "EHAM.xml");
        }
        fs::current_path(folder_);
        if (!gf_readDbase(fs::path(HLMR_SAMPLES_INPUT) / "dbase.enc") ||
            !gf_readAirports(fs::path(HLMR_SAMPLES_INPUT) / "airports.enc")) {
            throw std::runtime_error("the sample databases were not read");
        }
        std::ofstream file(folder_ / "airports" / "my_simaddon" / "EHAM.xml", std::ios::binary);
        file << airportFile;
        if (!file.flush()) {
            throw std::runtime_error("the airport file was not written");
        }
        bytes_ = fs::file_size(folder_ / "airports" / "my_simaddon" / "EHAM.xml");
    }
    ~LargeAirportFolder()
    {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(folder_);
    }
    LargeAirportFolder(const LargeAirportFolder&) = delete;
    LargeAirportFolder& operator=(const LargeAirportFolder&) = delete;

    std::uintmax_t bytes() const noexcept { return bytes_; }
    std::uintmax_t learnedBytes() const noexcept { return learnedBytes_; }

  private:
    fs::path folder_;
    std::uintmax_t bytes_ = 0;
    std::uintmax_t learnedBytes_ = 0;
};

void BM_LoadLargeAirportStep(benchmark::State& run)
{
    const LargeAirportFolder folder;
    BenchTraffic traffic;
    StatusBoard status;
    ParkingService service(traffic, status, gf_systemSteadyTime());
    for (auto _ : run) {
        run.PauseTiming();
        service.closeParkAirport();
        // The first step finds the airport the user stands at and asks for its file.
        service.driveParkAirport(true);
        run.ResumeTiming();
        service.driveParkAirport(false);
        run.PauseTiming();
        if (!service.fileLoaded() || service.park().state.stands.size() != standCount) {
            run.SkipWithError("the airport file was not loaded");
            break;
        }
        run.ResumeTiming();
    }
    run.counters["file MB"] = static_cast<double>(folder.bytes()) / 1e6;
    run.counters["to place"] = service.positionsToPlace();
}
BENCHMARK(BM_LoadLargeAirportStep)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->ComputeStatistics("max", [](const std::vector<double>& runs) { return *std::ranges::max_element(runs); });

// The resident memory of the process in kB: now, and at its peak since lf_resetPeakMemory.
struct ResidentMemory {
    long nowKb = 0;
    long peakKb = 0;
};

ResidentMemory lf_residentMemory()
{
    std::ifstream status("/proc/self/status");
    ResidentMemory memory;
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            memory.nowKb = std::stol(line.substr(6));
        } else if (line.starts_with("VmHWM:")) {
            memory.peakKb = std::stol(line.substr(6));
        }
    }
    return memory;
}

// Gives the heap's free memory back, so that what the next step allocates shows as resident memory added, and
// makes the peak the present.
void lf_resetPeakMemory()
{
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The airport file of each shape the load step is measured with (see the top of this file), by its place in
// "point|wide|pairs|stands|uses|one|tiny|count".
std::string lf_boundShapeFile(int64_t shape)
{
    constexpr int mostStands = 65535;
    switch (shape) {
    case 0:
        return lf_airportFile(lf_overlappingLayout(10000, true, 30.0), 2);
    case 1:
        return lf_airportFile(lf_overlappingLayout(8000, false, 10000.0), 2);
    case 2:
        return lf_airportFile(lf_overlappingLayout(1414, true, 30.0), 2);
    case 3:
        return lf_airportFile(lf_overlappingLayout(mostStands, false, 90.0), 0);
    case 4:
        return lf_airportFile(lf_overlappingLayout(mostStands, false, 30.0), 2, apfMaxBytes, apfMaxTreeBytes);
    case 5:
        return lf_oneStandOfManyUsesFile(apfMaxTreeBytes);
    case 6:
        return lf_tinyElementsFile(apfMaxBytes);
    default:
        return lf_airportFile(lf_overlappingLayout(mostStands + 1, false, 30.0), 0);
    }
}

// One timed load step of the main loop, on a service of its own each time: a failed load keeps its airport from
// being loaded again for a while. The memory the step added at its peak raises peakAddedMb; inspect then sees the
// service and the memory before the step, while the service still holds what it loaded.
template <typename Inspect>
void lf_timeLoadStep(benchmark::State& run, BenchTraffic& traffic, StatusBoard& status, double& peakAddedMb,
                     Inspect inspect)
{
    run.PauseTiming();
    {
        ParkingService service(traffic, status, gf_systemSteadyTime());
        service.driveParkAirport(true);
        lf_resetPeakMemory();
        const ResidentMemory before = lf_residentMemory();
        run.ResumeTiming();
        service.driveParkAirport(false);
        run.PauseTiming();
        const ResidentMemory after = lf_residentMemory();
        peakAddedMb = std::max(peakAddedMb, static_cast<double>(after.peakKb - before.nowKb) / 1024.0);
        inspect(service, before);
    }
    run.ResumeTiming();
}

// The main loop's load step for the files at the bounds of what is loaded. A file that exceeds a bound is refused:
// "loaded" 0.
void BM_LoadAirportAtTheBoundsStep(benchmark::State& run)
{
    const LargeAirportFolder folder(lf_boundShapeFile(run.range(0)));
    BenchTraffic traffic;
    StatusBoard status;
    double peakAddedMb = 0.0;
    bool loaded = false;
    std::size_t stands = 0;
    std::size_t links = 0;
    for (auto _ : run) {
        lf_timeLoadStep(run, traffic, status, peakAddedMb, [&](const ParkingService& service, const ResidentMemory&) {
            loaded = service.fileLoaded();
            stands = service.park().state.stands.size();
            links = 0;
            for (const StandRecord& stand : service.park().state.stands) {
                links += stand.adjacentStands.size();
            }
        });
    }
    run.counters["file MB"] = static_cast<double>(folder.bytes()) / 1e6;
    run.counters["loaded"] = loaded ? 1.0 : 0.0;
    run.counters["stands"] = static_cast<double>(stands);
    run.counters["links"] = static_cast<double>(links);
    run.counters["peak MB added"] = peakAddedMb;
}
BENCHMARK(BM_LoadAirportAtTheBoundsStep)
    ->ArgName("point|wide|pairs|stands|uses|one|tiny|count")
    ->DenseRange(0, 7)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->ComputeStatistics("max", [](const std::vector<double>& runs) { return *std::ranges::max_element(runs); });

// A learned file of EHAM whose stands come in one piece after another, each given by its number, as many as make a
// tree of at most apfMaxTreeBytes in at most apfMaxBytes (gf_apfTreeBytes).
std::string lf_learnedFile(const std::string& head, const std::function<std::string(int)>& piece, std::string_view tail)
{
    constexpr std::string_view learnedHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <meta>
    <info name="author" value="Hollowmere" />
    <info name="version" value="12.5.1" />
    <info name="date" value="Dec  6, 2026" />
    <info name="copyright" value="Copyright (c) the makers of Hollowmere. All rights reserved." />
    <info name="sim" value="1" />
  </meta>
  <parameters>
    <parameter name="airport_name" value="Schiphol" />
  </parameters>
  <parkpositions>
)";
    std::string text(learnedHead);
    text += head;
    std::size_t treeBytes = gf_apfTreeBytes(text) + gf_apfTreeBytes(tail) + gf_apfTreeBytes(fileTail);
    for (int n = 1;; ++n) {
        const std::string next = piece(n);
        treeBytes += gf_apfTreeBytes(next);
        if (treeBytes > apfMaxTreeBytes || text.size() + next.size() + tail.size() + fileTail.size() > apfMaxBytes) {
            break;
        }
        text += next;
    }
    text += tail;
    text += fileTail;
    return text;
}

// The learned file of each shape (see the top of this file), by its place in "absent|absentUses|uses|dups|gt".
std::string lf_learnedShapeFile(int64_t shape)
{
    const auto use = [](int n, int k) {
        return fmt::format(R"(      <opt reg="PH-{}" airl="KLM" type="B738" day="{}" hh="{}" cs="KLM{}" />)"
                           "\n",
                           n * 2 + k, (n + k) % 7 + 1, n % 48, n % 9000 + 1);
    };
    switch (shape) {
    case 0:
        return lf_learnedFile({}, [](int n) { return fmt::format("    <parkpos id=\"G{}\" />\n", n); }, {});
    case 1:
        return lf_learnedFile({},
                              [&](int n) {
                                  return fmt::format("    <parkpos id=\"G{}\">\n{}{}    </parkpos>\n", n, use(n, 0),
                                                     use(n, 1));
                              },
                              {});
    case 2:
        return lf_learnedFile(
            "    <parkpos id=\"S1\">\n",
            [](int n) { return fmt::format("      <opt reg=\"R{}\" day=\"{}\" hh=\"{}\" />\n", n, n % 7 + 1, n % 48); },
            "    </parkpos>\n");
    case 3:
        return lf_learnedFile(
            "    <parkpos id=\"S1\">\n", [&](int) { return use(1, 0); }, "    </parkpos>\n");
    default:
        return lf_learnedFile(
            "    <parkpos id=\"G1\">", [](int) { return std::string("<a/>>"); }, "</parkpos>\n");
    }
}

// The main loop's load step of an airport of 100 stands with a learned file at the reader's bounds.
void BM_LoadLearnedFileAtTheBoundsStep(benchmark::State& run)
{
    const LargeAirportFolder folder(lf_airportFile(lf_overlappingLayout(100, false, 30.0), 0),
                                    lf_learnedShapeFile(run.range(0)));
    // The reader's lines go to a log of their own, as in the program.
    gf_startLog("Log.txt");
    BenchTraffic traffic;
    StatusBoard status;
    double peakAddedMb = 0.0;
    double heldAddedMb = 0.0;
    bool loaded = false;
    std::size_t options = 0;
    for (auto _ : run) {
        lf_timeLoadStep(run, traffic, status, peakAddedMb,
                        [&](const ParkingService& service, const ResidentMemory& before) {
                            // What the loaded airport holds, without the heap's free memory.
                            ::malloc_trim(0);
                            heldAddedMb = std::max(
                                heldAddedMb, static_cast<double>(lf_residentMemory().nowKb - before.nowKb) / 1024.0);
                            loaded = service.fileLoaded() && service.park().state.learnedRead == LearnedRead::complete;
                            options = 0;
                            for (const StandRecord& stand : service.park().state.stands) {
                                options += stand.options.size();
                            }
                        });
    }
    run.counters["learned MB"] = static_cast<double>(folder.learnedBytes()) / 1e6;
    run.counters["read"] = loaded ? 1.0 : 0.0;
    run.counters["options"] = static_cast<double>(options);
    run.counters["peak MB added"] = peakAddedMb;
    run.counters["held MB added"] = heldAddedMb;
    gf_stopLog();
    run.counters["log MB"] = static_cast<double>(fs::file_size("Log.txt")) / 1e6;
}
BENCHMARK(BM_LoadLearnedFileAtTheBoundsStep)
    ->ArgName("absent|absentUses|uses|dups|gt")
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->ComputeStatistics("max", [](const std::vector<double>& runs) { return *std::ranges::max_element(runs); });

} // namespace
