// The closest-airport search over every airport of the bundled sample database, at each airport's own
// position (a hit, often with a neighbour to weigh) and in open country (nothing within 5 nm).
#include "refdata/airports_database.h"
#include "refdata/airports_reader.h"
#include "refdata/closest_airport.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace hlw;

// Reads the sample once, from a copy in a folder of its own (the reader writes its plain copy beside it).
void lf_loadSample()
{
    if (gf_airportsRead()) {
        return;
    }
    const fs::path folder = fs::temp_directory_path() / "hlmr-airports-bench";
    fs::create_directories(folder);
    const fs::path sealed = folder / "airports.enc";
    fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / "airports.enc", sealed, fs::copy_options::overwrite_existing);
    if (!gf_readAirports(sealed)) {
        std::abort();
    }
    fs::remove_all(folder);
}

void BM_ClosestAirportAtEachAirport(benchmark::State& state)
{
    lf_loadSample();
    std::vector<LatLon> positions;
    for (const AirportRecord& airport : gf_airports()) {
        positions.push_back(airport.position());
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_closestAirport(positions[next]));
        next = (next + 1) % positions.size();
    }
    state.counters["airports"] = static_cast<double>(positions.size());
}
BENCHMARK(BM_ClosestAirportAtEachAirport);

void BM_ClosestAirportInOpenCountry(benchmark::State& state)
{
    lf_loadSample();
    const LatLon atlantic{45.0, -30.0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_closestAirport(atlantic));
    }
}
BENCHMARK(BM_ClosestAirportInOpenCountry);

void BM_ClosestAirportOnABusyLatitude(benchmark::State& state)
{
    lf_loadSample();
    // Between Amsterdam and Frankfurt's latitudes many airports pass the latitude window.
    const LatLon position{51.0, 40.0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_closestAirport(position));
    }
}
BENCHMARK(BM_ClosestAirportOnABusyLatitude);

} // namespace
