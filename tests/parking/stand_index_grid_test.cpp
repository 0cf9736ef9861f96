// The stand index links exactly the pairs that judging every pair with the adjacency rule links: on generated
// airports (dense, sparse, mixed radii, pairs on the rule's edge, one huge stand) placed where the grid's cells
// meet (the equator, the prime and the date line meridians, the pole) and at Schiphol, with stands that no real
// file has (no position, no usable radius), and on the generated sample airports.
#include "parking/apf_reader.h"
#include "parking/stand_index.h"

#include "airport_generator.h"
#include "core/geodesy.h"
#include "parking_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Every ordered pair judged by the rule, as the index did before it had a grid.
std::vector<std::vector<StandNumber>> lf_everyPair(const std::vector<StandRecord>& stands)
{
    double largest = 0.0;
    for (const StandRecord& stand : stands) {
        if (std::isfinite(stand.radius)) {
            largest = std::max(largest, stand.radius);
        }
    }
    const double reachDeg = 2.0 * largest / 1.1 / 60.0 * (1.0 + 1e-9);
    std::vector<std::vector<StandNumber>> adjacent(stands.size());
    for (std::size_t a = 0; a < stands.size(); ++a) {
        for (std::size_t b = 0; b < stands.size(); ++b) {
            if (a == b || std::abs(stands[b].latitude - stands[a].latitude) > reachDeg) {
                continue;
            }
            const double d =
                gf_distanceNm({stands[a].latitude, stands[a].longitude}, {stands[b].latitude, stands[b].longitude});
            if (gf_standsAdjacent(d, stands[a].radius, stands[b].radius)) {
                adjacent[a].push_back(static_cast<StandNumber>(b + 1));
            }
        }
    }
    return adjacent;
}

// Indexes the stands and compares every list with the pairwise result; the number of links found.
std::size_t lf_expectSameAsEveryPair(std::vector<StandRecord> stands)
{
    const std::vector<std::vector<StandNumber>> expected = lf_everyPair(stands);
    gf_indexStands(stands);
    std::size_t links = 0;
    for (std::size_t i = 0; i < stands.size(); ++i) {
        EXPECT_EQ(stands[i].standNumber, static_cast<StandNumber>(i + 1));
        EXPECT_EQ(stands[i].adjacentStands, expected[i]) << "stand " << i + 1 << " of " << stands.size();
        if (stands[i].adjacentStands.empty()) {
            EXPECT_EQ(stands[i].adjacentStands.capacity(), 0U);
        }
        links += expected[i].size();
    }
    return links;
}

StandRecord lf_stand(std::size_t n, const LatLon& at, double radiusMetres)
{
    return StandRecord::fromFile(fmt::format("S{}", n), {}, at.lat, at.lon, 0.0, radiusMetres, 9, false, false, false);
}

LatLon lf_moved(const LatLon& from, double bearingDeg, double metres)
{
    return gf_destinationPoint(from, bearingDeg * radiansPerDegree, metres / metresPerNm * feetPerNm);
}

// An airport of generated stands around the centre: rows at the spacing given with radii that often overlap,
// random stands in a square, pairs whose distance x 1.1 lies a hair either side of their radii, and stands
// at one point.
std::vector<StandRecord> lf_airport(const LatLon& centre, double spacingMetres, uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> radius(8.0, 45.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<StandRecord> stands;
    for (int row = -6; row <= 6; ++row) {
        for (int place = -10; place <= 10; ++place) {
            const LatLon rowStart = lf_moved(centre, 0.0, row * spacingMetres * 2.0);
            stands.push_back(lf_stand(stands.size(), lf_moved(rowStart, 90.0, place * spacingMetres), radius(random)));
        }
    }
    const double side = 30.0 * spacingMetres;
    for (int i = 0; i < 300; ++i) {
        const LatLon north = lf_moved(centre, 0.0, (unit(random) - 0.5) * side);
        stands.push_back(lf_stand(stands.size(), lf_moved(north, 90.0, (unit(random) - 0.5) * side), radius(random)));
    }
    for (int i = 0; i < 40; ++i) {
        const double a = radius(random);
        const double b = radius(random);
        const double edge = (a + b) / 1.1 * (1.0 + (i % 2 == 0 ? 1e-9 : -1e-9));
        const LatLon first = lf_moved(centre, unit(random) * 360.0, unit(random) * side / 2.0);
        stands.push_back(lf_stand(stands.size(), first, a));
        stands.push_back(lf_stand(stands.size(), lf_moved(first, unit(random) * 360.0, edge), b));
    }
    for (int i = 0; i < 3; ++i) {
        stands.push_back(lf_stand(stands.size(), centre, i == 0 ? 0.0 : radius(random)));
    }
    return stands;
}

TEST(StandIndexGrid, GeneratedAirportsWhereTheCellsMeetLinkWhatEveryPairLinks)
{
    const struct {
        const char* where;
        LatLon centre;
    } places[] = {{"the equator at the prime meridian", {0.0, 0.0}},
                  {"the date line", {0.0, 180.0}},
                  {"the date line from the west", {-0.001, -179.9999}},
                  {"the north pole", {89.9995, 30.0}},
                  {"the south pole", {-90.0, 0.0}},
                  {"Schiphol", {52.3086, 4.7639}},
                  {"a quarter round", {45.0, 90.0}}};
    uint32_t seed = 7;
    for (const auto& place : places) {
        for (const double spacing : {15.0, 60.0, 400.0}) {
            SCOPED_TRACE(fmt::format("{}, stands {} m apart", place.where, spacing));
            EXPECT_GT(lf_expectSameAsEveryPair(lf_airport(place.centre, spacing, ++seed)), 0U);
        }
    }
}

TEST(StandIndexGrid, AHugeStandAndStandsNoFileHasAreJudgedAgainstEveryOther)
{
    const LatLon schiphol{52.3086, 4.7639};
    std::vector<StandRecord> stands = lf_airport(schiphol, 60.0, 99);
    // The largest radius a file may give, then radii and positions that the reader refuses.
    stands.push_back(lf_stand(stands.size(), lf_moved(schiphol, 45.0, 3000.0), 10000.0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double radius : {nan, inf, -inf, -30.0, 1e300}) {
        stands.push_back(lf_stand(stands.size(), lf_moved(schiphol, 10.0, 100.0), 0.0));
        stands.back().radius = radius;
    }
    for (const LatLon at : {LatLon{nan, 4.76}, LatLon{52.3, inf}, LatLon{52.3086, 364.7639}, LatLon{95.0, 4.7}}) {
        stands.push_back(lf_stand(stands.size(), at, 30.0));
    }
    lf_expectSameAsEveryPair(stands);
}

TEST(StandIndexGrid, TheSampleAirportsLinkWhatEveryPairLinks)
{
    const test::ParkingFolder folder;
    const fs::path root = folder.dir / "samples";
    test::generateAirports("sample", root, {"--dbase", (fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").string()});
    std::size_t files = 0;
    for (const auto& entry : test::readGeneratorJson(root / "layout.json")) {
        if (entry["kind"] != "archived" && entry["kind"] != "generated") {
            continue;
        }
        const std::string file = entry["path"];
        SCOPED_TRACE(file);
        pugi::xml_document document;
        ASSERT_EQ(gf_loadApfDocument(root / file, document), std::nullopt);
        std::vector<StandRecord> stands;
        gf_readParkpositions(document, stands, true);
        ASSERT_FALSE(stands.empty());
        lf_expectSameAsEveryPair(std::move(stands));
        ++files;
    }
    EXPECT_GE(files, 7U);
}

} // namespace
} // namespace hlw
