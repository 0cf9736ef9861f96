// Lookups on the park airport's stand table: numbering and adjacency, names, the stand nearest the user with its
// kept answer, the stand of an aircraft on the ground (suitability, the helipad rule, tight stands, the near search
// by learned use) and the selection of a stand with its neighbours.
#include "parking/stand_index.h"
#include "parking/stand_lookups.h"

#include "parking_fixture.h"
#include "parking_world.h"

#include <gtest/gtest.h>

#include <cmath>

namespace hlw {
namespace {

using test::gf_metresFrom;
using test::gf_stand;

const LatLon origin{52.3, 4.76};

std::vector<StandRecord> lf_indexed(std::vector<StandRecord> stands)
{
    gf_indexStands(stands);
    return stands;
}

FlightRecord lf_aircraft(AircraftCategory category, double halfSpanMetres, const std::string& callsign = "KLM1")
{
    FlightRecord aircraft;
    aircraft.category = category;
    aircraft.halfWingspanNm = halfSpanMetres / metresPerNm;
    aircraft.callsign = callsign;
    return aircraft;
}

TEST(StandIndex, AdjacencyNeedsTheDistanceTimesOnePointOneBelowTheRadii)
{
    struct Case {
        double distance;
        double sumOfRadii; // relative to distance x 1.1
        bool adjacent;
    };
    for (const double distance : {0.01, 0.0123, 1.0 / 3.0}) {
        const double boundary = distance * 1.1;
        const Case cases[] = {{distance, boundary, false},
                              {distance, std::nextafter(boundary, 1.0), true},
                              {distance, std::nextafter(boundary, 0.0), false}};
        for (const Case& c : cases) {
            EXPECT_EQ(gf_standsAdjacent(c.distance, c.sumOfRadii / 2.0, c.sumOfRadii / 2.0), c.adjacent)
                << c.distance << " " << c.sumOfRadii;
        }
    }

    // Stands 40 m apart with radii 20 and 25 m block each other (44 < 45); with 20 and 23 m they do not.
    const std::vector<StandRecord> stands = lf_indexed({gf_stand("A", origin, 20.0), gf_stand("B", gf_metresFrom(origin, 40.0), 25.0),
                                                        gf_stand("C", gf_metresFrom(origin, 400.0), 23.0),
                                                        gf_stand("D", gf_metresFrom(origin, 440.0), 20.0)});
    EXPECT_EQ(stands[0].adjacentStands, std::vector<StandNumber>{2});
    EXPECT_EQ(stands[1].adjacentStands, std::vector<StandNumber>{1});
    EXPECT_TRUE(stands[2].adjacentStands.empty());
    EXPECT_EQ(stands[2].adjacentStands.capacity(), 0U);
    for (std::size_t i = 0; i < stands.size(); ++i) {
        EXPECT_EQ(stands[i].standNumber, static_cast<StandNumber>(i + 1));
    }
}

TEST(StandLookups, NamesAndNumbers)
{
    const std::vector<StandRecord> stands = lf_indexed({gf_stand("A1", origin, 20.0), gf_stand("A2", origin, 20.0)});
    const std::pair<StandNumber, const char*> names[] = {{0, "sid==0?"}, {-3, "sid==?"}, {9999, "sid==?"},
                                                         {1, "A1"},      {2, "A2"},     {3, "sid==?"}};
    for (const auto& [number, name] : names) {
        EXPECT_EQ(gf_standName(stands, number), name) << number;
    }
}

TEST(StandLookups, TheNearestStandWithin55MetresIsNamedAndTheAnswerKeptUntilForgotten)
{
    struct Case {
        double nearMetres;
        double farMetres;
        const char* name;
    };
    const Case cases[] = {{54.9, 55.0, "near"}, {55.0, 54.9, "far"}, {55.1, 60.0, ""}};
    for (const Case& c : cases) {
        const std::vector<StandRecord> stands = lf_indexed({gf_stand("near", gf_metresFrom(origin, c.nearMetres, 0.0), 20.0),
                                                            gf_stand("far", gf_metresFrom(origin, c.farMetres, 90.0), 20.0)});
        NearestStandName nearest;
        EXPECT_EQ(nearest(stands, origin, true), c.name) << c.nearMetres << " " << c.farMetres;
        EXPECT_EQ(NearestStandName()(stands, origin, false), "") << "only while the user is on the ground";
    }

    const LatLon twin = gf_metresFrom(origin, 10.0);
    EXPECT_EQ(NearestStandName()(lf_indexed({gf_stand("first", twin, 20.0), gf_stand("second", twin, 20.0)}), origin,
                                 true),
              "first");

    std::vector<StandRecord> stands = lf_indexed({gf_stand("B7", gf_metresFrom(origin, 30.0), 20.0)});
    NearestStandName nearest;
    ASSERT_EQ(nearest(stands, origin, true), "B7");
    stands = lf_indexed({gf_stand("Z9", gf_metresFrom(origin, 5.0), 20.0)});
    EXPECT_EQ(nearest(stands, {origin.lat + 1e-9, origin.lon - 1e-9}, true), "B7") << "kept answer";
    EXPECT_EQ(nearest(stands, {origin.lat + 2e-8, origin.lon}, true), "Z9") << "a new position searches";
    stands = lf_indexed({gf_stand("Q1", gf_metresFrom(origin, 5.0), 20.0)});
    nearest.forget();
    EXPECT_EQ(nearest(stands, {origin.lat + 2e-8, origin.lon}, true), "Q1") << "a new table is searched";
    EXPECT_EQ(nearest({}, origin, true), "");
}

TEST(StandLookups, HelipadsAreForRotorcraftOnlyAndRotorcraftForHelipadsOnly)
{
    test::ParkingFolder folder;
    struct Case {
        AircraftCategory category;
        bool heliAtTwoMetres;
        const char* found;
    };
    // A typed helipad (11) and an untyped stand of the same size side by side; the nearer one comes first.
    const Case cases[] = {{AircraftCategory::Rotorcraft, true, "H"},  {AircraftCategory::Rotorcraft, false, "H"},
                          {AircraftCategory::Light, true, "S"},       {AircraftCategory::Light, false, "S"},
                          {AircraftCategory::Large, true, "S"}};
    for (const Case& c : cases) {
        std::vector<StandRecord> stands =
            lf_indexed({gf_stand("H", gf_metresFrom(origin, c.heliAtTwoMetres ? 2.0 : 6.0), 15.0, 11, true),
                        gf_stand("S", gf_metresFrom(origin, c.heliAtTwoMetres ? 6.0 : 2.0, 180.0), 15.0)});
        LearnedUpdates updates;
        const StandRecord* found = gf_findStandNear(stands, origin, lf_aircraft(c.category, 8.0), 0.01, true, updates);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->id, c.found) << static_cast<int>(c.category) << " " << c.heliAtTwoMetres;
    }

    // Nothing but a non-helipad for a rotorcraft, even one its callsign used: no stand at all, no fallback, no
    // tight stand.
    std::vector<StandRecord> stands = lf_indexed({gf_stand("S", gf_metresFrom(origin, 3.0), 5.0),
                                                  gf_stand("T", gf_metresFrom(origin, 60.0), 30.0, 12)});
    stands[1].options.push_back(test::gf_option("PH-XYZ", "KLM", "EC35", 1, SlotSet().set(3), "KLM1"));
    stands[1].options.back().number = 1;
    LearnedUpdates updates;
    EXPECT_EQ(gf_findStandNear(stands, origin, lf_aircraft(AircraftCategory::Rotorcraft, 5.0), 0.01, true, updates),
              nullptr);
    EXPECT_FALSE(stands[0].radiusChange);
}

TEST(StandLookups, ATightStandIsWidenedToTheAircraftAndNeverShrunk)
{
    test::ParkingFolder folder;
    std::vector<StandRecord> stands = lf_indexed({gf_stand("T", gf_metresFrom(origin, 15.0), 10.0),
                                                  gf_stand("Typed", gf_metresFrom(origin, 500.0), 40.0, 1)});
    const FlightRecord large = lf_aircraft(AircraftCategory::Large, 18.0);
    LearnedUpdates updates;
    StandRecord* found = gf_findStandNear(stands, origin, large, 0.0297, false, updates);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->id, "T");
    EXPECT_TRUE(found->radiusChange);
    EXPECT_NEAR(found->radius * metresPerNm, 17.0, 1e-9);
    EXPECT_EQ(updates.count(), 1);
    EXPECT_TRUE(gf_standSuits(*found, large)) << "the next aircraft of that size finds it suitable";
    EXPECT_EQ(gf_findStandNear(stands, origin, large, 0.0297, false, updates), found);
    EXPECT_EQ(updates.count(), 1);

    // A typed stand that does not suit the category is taken as tight, but its larger radius stays.
    const LatLon atTyped = gf_metresFrom(origin, 505.0);
    found = gf_findStandNear(stands, atTyped, large, 0.0297, false, updates);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->id, "Typed");
    EXPECT_NEAR(found->radius * metresPerNm, 40.0, 1e-9);
    EXPECT_FALSE(found->radiusChange);
    EXPECT_EQ(updates.count(), 1);
    // Beyond 20 m an unsuitable stand is no stand.
    EXPECT_EQ(gf_findStandNear(stands, gf_metresFrom(origin, 525.0), large, 0.0297, false, updates), nullptr);
}

TEST(StandLookups, TheNearSearchFindsAStandThatTheSameTrafficUsed)
{
    test::ParkingFolder folder;
    std::vector<StandRecord> stands = lf_indexed({gf_stand("U", gf_metresFrom(origin, 70.0), 30.0, 9),
                                                  gf_stand("V", gf_metresFrom(origin, 50.0, 90.0), 30.0, 9)});
    stands[0].options.push_back(test::gf_option("PH-BXA", "KLM", "B738", 1, SlotSet().set(3), "KLM1"));
    stands[0].options.back().number = 1;
    const FlightRecord aircraft = lf_aircraft(AircraftCategory::Large, 17.0, "KLM1");
    LearnedUpdates updates;
    const StandRecord* found = gf_findStandNear(stands, origin, aircraft, 0.0108, true, updates);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->id, "U") << "the nearer stand V was never used by this traffic";
    EXPECT_EQ(gf_findStandNear(stands, origin, aircraft, 0.0108, false, updates), nullptr);
    stands[0].options.back().number = 0;
    EXPECT_EQ(gf_findStandNear(stands, origin, aircraft, 0.0108, true, updates), nullptr) << "an option no longer used";
}

TEST(StandLookups, SelectingAStandBlocksTheNeighboursInTheTable)
{
    std::vector<StandRecord> stands = lf_indexed({gf_stand("A", origin, 20.0), gf_stand("B", origin, 20.0),
                                                  gf_stand("C", gf_metresFrom(origin, 900.0), 20.0)});
    stands[0].adjacentStands = {2, 77};
    gf_selectStand(stands, stands[0]);
    EXPECT_TRUE(stands[0].selected);
    EXPECT_TRUE(stands[1].blocked);
    EXPECT_FALSE(stands[2].blocked);
    EXPECT_FALSE(stands[2].selected);
}

} // namespace
} // namespace hlw
