#include "core/geodesy.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <random>
#include <vector>

namespace hlw {
namespace {

// Positions around a user aircraft, as the engine meets them per tick and per received datagram.
std::vector<LatLon> positions()
{
    std::mt19937 engine(7);
    std::uniform_real_distribution<double> lat(50.0, 54.0);
    std::uniform_real_distribution<double> lon(2.0, 8.0);
    std::vector<LatLon> points(1024);
    for (auto& point : points) {
        point = {lat(engine), lon(engine)};
    }
    return points;
}

void distanceNm(benchmark::State& state)
{
    const auto points = positions();
    const LatLon user{52.308601, 4.763889};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_distanceNm(user, points[i++ & 1023U]));
    }
}
BENCHMARK(distanceNm);

void bearingRad(benchmark::State& state)
{
    const auto points = positions();
    const LatLon user{52.308601, 4.763889};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_bearingRad(user, points[i++ & 1023U]));
    }
}
BENCHMARK(bearingRad);

void destinationPoint(benchmark::State& state)
{
    const auto points = positions();
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ & 1023U;
        benchmark::DoNotOptimize(gf_destinationPoint(points[k], static_cast<double>(k) * 0.006, 2500.0));
    }
}
BENCHMARK(destinationPoint);

} // namespace
} // namespace hlw
