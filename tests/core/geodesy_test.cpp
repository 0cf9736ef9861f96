#include "core/geodesy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace hlw {
namespace {

constexpr double twoPi = 2 * std::numbers::pi;
constexpr double feetPerNm = 6076.11549;

const LatLon eham{52.308601, 4.763889};
const LatLon egll{51.4775, -0.461389};
const LatLon kjfk{40.639801, -73.7789};
const LatLon yssy{-33.946111, 151.177222};

// Expected values were computed independently with unit vectors on the same sphere (radius 21600 / 2π nm):
// distance = R · atan2(|a × b|, a · b), bearing from the tangent of the great circle in the local north/east frame.
// Tolerance: 1e-6 nm and 1e-9 rad.
struct PairCase {
    const char* name;
    LatLon from;
    LatLon to;
    double distanceNm;
    double bearingRad;
};
const PairCase airportPairs[] = {
    {"EHAM-EGLL", eham, egll, 199.75380624586128, 4.496207559244784},
    {"KJFK-EGLL", kjfk, egll, 2989.045099430719, 0.896117871837548},
    {"EGLL-KJFK", egll, kjfk, 2989.045099430719, 5.0253566830116},
    {"EGLL-YSSY", egll, yssy, 9184.010771322412, 1.0552085655445695},
};

TEST(GeodesyTest, AirportPairsMatchIndependentlyComputedValues)
{
    for (const auto& pair : airportPairs) {
        EXPECT_NEAR(gf_distanceNm(pair.from, pair.to), pair.distanceNm, 1e-6) << pair.name;
        EXPECT_NEAR(gf_bearingRad(pair.from, pair.to), pair.bearingRad, 1e-9) << pair.name;
    }
}

TEST(GeodesyTest, OneDegreeOfLatitudeIsSixtyNauticalMiles)
{
    EXPECT_NEAR(gf_distanceNm({10.0, 20.0}, {11.0, 20.0}), 60.0, 1e-9);
    EXPECT_NEAR(gf_distanceNm({0.0, 0.0}, {0.0, 1.0}), 60.0, 1e-9);
}

TEST(GeodesyTest, BearingDueWestIsThreeHalvesPi)
{
    EXPECT_NEAR(gf_bearingRad({0.0, 10.0}, {0.0, 9.0}), 1.5 * std::numbers::pi, 1e-12);
    EXPECT_NEAR(gf_bearingRad({0.0, 10.0}, {0.0, 11.0}), 0.5 * std::numbers::pi, 1e-12);
    EXPECT_NEAR(gf_bearingRad({0.0, 10.0}, {-1.0, 10.0}), std::numbers::pi, 1e-12);
}

TEST(GeodesyTest, IdenticalPointsGiveZeroDistanceAndBearing)
{
    for (const LatLon point : {eham, kjfk, yssy, LatLon{90.0, 0.0}, LatLon{-90.0, 180.0}}) {
        EXPECT_EQ(gf_distanceNm(point, point), 0.0);
        EXPECT_EQ(gf_bearingRad(point, point), 0.0);
    }
}

TEST(GeodesyTest, AntipodalAndNearAntipodalPointsGiveNoNaN)
{
    const double halfCircumference = 10800.0;
    const LatLon cases[][2] = {
        {{0.0, 0.0}, {0.0, 180.0}},
        {{52.308601, 4.763889}, {-52.308601, -175.236111}},
        {{45.0, 10.0}, {-45.0, -170.0}},
        {{89.9999999, 0.0}, {-89.9999999, 180.0}},
        {{33.3, -117.7}, {-33.3, 62.3000000001}},
        // Pairs whose haversine term rounds to 1.0000000000000002.
        {{-11.056008330198168, -90.75379655126689}, {11.056008330198168, 89.24620344873311}},
        {{83.28678920685826, -22.40383603767134}, {-83.28678920685826, 157.59616396232866}},
    };
    for (const auto& pair : cases) {
        const double distance = gf_distanceNm(pair[0], pair[1]);
        ASSERT_FALSE(std::isnan(distance));
        EXPECT_NEAR(distance, halfCircumference, 1e-3);
        const double bearing = gf_bearingRad(pair[0], pair[1]);
        ASSERT_FALSE(std::isnan(bearing));
        EXPECT_GE(bearing, 0.0);
        EXPECT_LT(bearing, twoPi);
    }
}

TEST(GeodesyTest, BearingJustWestOfNorthStaysBelowTwoPi)
{
    // atan2 gives a tiny negative angle here; adding 2π rounds to exactly 2π unless it is mapped to 0.
    for (double westOffset = 1e-9; westOffset > 1e-16; westOffset /= 10) {
        const double bearing = gf_bearingRad({0.0, 0.0}, {10.0, -westOffset});
        EXPECT_GE(bearing, 0.0) << westOffset;
        EXPECT_LT(bearing, twoPi) << westOffset;
    }
}

TEST(GeodesyTest, BearingStaysInRangeForManyDirections)
{
    for (int lat = -80; lat <= 80; lat += 20) {
        for (int lon = -180; lon <= 180; lon += 15) {
            const double bearing = gf_bearingRad({1.0, 2.0}, {static_cast<double>(lat), static_cast<double>(lon)});
            EXPECT_GE(bearing, 0.0);
            EXPECT_LT(bearing, twoPi);
        }
    }
}

TEST(GeodesyTest, DestinationPointMatchesIndependentValues)
{
    const LatLon east = gf_destinationPoint(eham, std::numbers::pi / 2, 100 * feetPerNm);
    EXPECT_NEAR(east.lat, 52.27724080559142, 1e-9);
    EXPECT_NEAR(east.lon, 7.48854966419685, 1e-9);

    // Flying the initial bearing for the great-circle distance arrives at the target.
    const LatLon arrival = gf_destinationPoint(egll, gf_bearingRad(egll, kjfk), gf_distanceNm(egll, kjfk) * feetPerNm);
    EXPECT_NEAR(arrival.lat, kjfk.lat, 1e-7);
    EXPECT_NEAR(arrival.lon, kjfk.lon, 1e-7);
}

TEST(GeodesyTest, DestinationAcrossTheAntimeridianWrapsTheLongitude)
{
    const LatLon across = gf_destinationPoint({10.0, 179.9}, std::numbers::pi / 2, 60 * feetPerNm);
    EXPECT_NEAR(across.lat, 9.998461299516478, 1e-9);
    EXPECT_NEAR(across.lon, -179.0845765935763, 1e-9);

    const LatLon westward = gf_destinationPoint({-10.0, -179.9}, 1.5 * std::numbers::pi, 60 * feetPerNm);
    EXPECT_GT(westward.lon, 178.0);
    EXPECT_LE(westward.lon, 180.0);
}

TEST(GeodesyTest, DestinationOverThePoleAndAtZeroDistanceStaysFinite)
{
    const LatLon same = gf_destinationPoint(eham, 1.0, 0.0);
    EXPECT_NEAR(same.lat, eham.lat, 1e-12);
    EXPECT_NEAR(same.lon, eham.lon, 1e-12);

    const LatLon overPole = gf_destinationPoint({89.0, 0.0}, 0.0, 120 * feetPerNm);
    EXPECT_NEAR(overPole.lat, 89.0, 1e-9);
    EXPECT_NEAR(std::abs(overPole.lon), 180.0, 1e-9);

    const LatLon fromPole = gf_destinationPoint({90.0, 0.0}, 0.3, 60 * feetPerNm);
    EXPECT_FALSE(std::isnan(fromPole.lat));
    EXPECT_FALSE(std::isnan(fromPole.lon));
    EXPECT_NEAR(fromPole.lat, 89.0, 1e-9);
}

} // namespace
} // namespace hlw
