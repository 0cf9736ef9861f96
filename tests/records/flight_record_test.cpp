#include "records/flight_record.h"

#include "core/random_choice.h"
#include "records/category_performance.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <stdexcept>

namespace hlw {
namespace {

constexpr double degree = std::numbers::pi / 180.0;

class FlightRecords : public ::testing::Test {
protected:
    void TearDown() override
    {
        gf_airlineCodes().reset();
        gf_modelCodes().reset();
        gf_clearReferenceTables();
    }

    FlightHead head(std::string callsign, std::string registration, const char* origin, const char* destination)
    {
        FlightHead flight;
        flight.airline = gf_airlineIndex("KLM");
        flight.model = gf_modelIndex("B738");
        flight.callsign = std::move(callsign);
        flight.registration = std::move(registration);
        flight.origin = *origin != '\0' ? RouteCode(origin) : RouteCode();
        flight.destination = *destination != '\0' ? RouteCode(destination) : RouteCode();
        return flight;
    }
};

TEST_F(FlightRecords, FlightLabelPadsEachCodeToItsColumns)
{
    const uint16_t klm = gf_airlineIndex("KLM");
    const uint16_t klc = gf_airlineIndex("KLC");
    const uint16_t b738 = gf_modelIndex("B738");
    const uint16_t c17 = gf_modelIndex("C17");
    EXPECT_EQ(gf_flightLabel({klm, 0, b738, 0, 0}), "KLM     B738    ");
    EXPECT_EQ(gf_flightLabel({klm, klc, b738, 1, 1}), "KLM,KLC B738.(C)");
    EXPECT_EQ(gf_flightLabel({0, 0, c17, 0, 0}), "        C17     ");
    EXPECT_EQ(gf_flightLabel({900, 0, 900, 0, 0}), "                ") << "indexes beyond the tables print empty";
}

TEST_F(FlightRecords, TextFormsOfOneAircraft)
{
    struct Row {
        FlightHead flight;
        const char* route;
        const char* described;
        const char* withReg;
        const char* labelWithReg;
    };
    const Row rows[] = {
        {head("KLM1234", "PH-BXA", "AMS", "LHR"), "AMS->LHR", "KLM1234  PH-BXA       AMS->LHR KLM     B738    ",
         "KLM1234  PH-BXA KLM     B738    ", "KLM     B738     PH-BXA"},
        {head("KLM1", "", "", ""), "        ", "KLM1                           KLM     B738    ",
         "KLM1      KLM     B738    ", "KLM     B738     "},
        {head("", "PH-BXA", "", "LHR"), "   ->LHR", "         PH-BXA          ->LHR KLM     B738    ",
         "         PH-BXA KLM     B738    ", "KLM     B738     PH-BXA"},
        {head("KLM1234", "PH-BXA", "AMS", ""), "AMS->   ", "KLM1234  PH-BXA       AMS->    KLM     B738    ",
         "KLM1234  PH-BXA KLM     B738    ", "KLM     B738     PH-BXA"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_routeLabel(row.flight.origin, row.flight.destination), row.route);
        EXPECT_EQ(gf_describeAc(row.flight), row.described);
        EXPECT_EQ(gf_describeAcWithReg(row.flight), row.withReg);
        EXPECT_EQ(gf_labelWithReg(row.flight), row.labelWithReg);
    }
}

TEST_F(FlightRecords, CallsignRules)
{
    struct Row {
        const char* callsign;
        bool usable;
        std::optional<std::string> airline;
    };
    const Row rows[] = {
        {"KLM1234", true, "KLM"},   {"klm1", true, "KLM"},        {"KL123", true, std::nullopt},
        {"KLM", true, std::nullopt}, {"KLMA123", true, std::nullopt}, {"", false, std::nullopt},
        {"@@@@@@@@", false, std::nullopt}, {"ABCDEFGH", true, std::nullopt}, {"KLM123456", false, "KLM"},
    };
    for (const Row& row : rows) {
        FlightHead flight;
        flight.callsign = row.callsign;
        EXPECT_EQ(gf_isUsableCallsign(flight), row.usable) << row.callsign;
        EXPECT_EQ(gf_callsignAirline(row.callsign), row.airline) << row.callsign;
    }
}

TEST_F(FlightRecords, MovingARecordEmptiesTheSourceStringsAndKeepsItsNumbers)
{
    FlightRecord source;
    static_cast<FlightHead&>(source) = head("KLM1234", "PH-BXA", "AMS", "LHR");
    source.secondCallsign = "KLM1233";
    source.thirdCallsign = "KLM1232";
    source.hexId = 4735190;
    source.halfWingspanNm = 0.0097;
    const FlightRecord moved(std::move(source));
    EXPECT_EQ(moved.callsign, "KLM1234");
    EXPECT_EQ(moved.thirdCallsign, "KLM1232");
    EXPECT_TRUE(source.callsign.empty() && source.secondCallsign.empty() && source.thirdCallsign.empty() &&
                source.registration.empty());
    EXPECT_EQ(source.hexId, 4735190U);
    EXPECT_EQ(source.halfWingspanNm, 0.0097);
    EXPECT_EQ(source.origin, RouteCode("AMS"));
}

TEST_F(FlightRecords, CategoryTableBoundsAndAValueOutsideThrows)
{
    EXPECT_EQ(gf_categoryPerformance(AircraftCategory::Light).takeOffPitchDeg, -9.0);
    EXPECT_EQ(gf_categoryPerformance(AircraftCategory::Rotorcraft).rotationTicks, 100U);
    EXPECT_THROW(static_cast<void>(gf_categoryPerformance(static_cast<AircraftCategory>(6))), std::out_of_range);
    EXPECT_THROW(static_cast<void>(gf_categoryPerformance(static_cast<AircraftCategory>(-1))), std::out_of_range);
}

// The record of a new aircraft takes its category's row; the two pitches vary by exactly 2.5 and 5 % either way.
TEST_F(FlightRecords, NewFlightRecordTakesItsCategoryRowWithVariedPitches)
{
    const uint16_t heavy = gf_modelIndex("B744");
    ReferenceTables tables;
    tables.categoryByModel.assign(heavy + 1U, AircraftCategory::Light);
    tables.categoryByModel[heavy] = AircraftCategory::Heavy;
    tables.halfWingspanByModel.assign(heavy + 1U, 0.0);
    tables.halfWingspanByModel[heavy] = 0.0173;
    gf_installReferenceTables(std::move(tables));

    TrafficRecord received;
    received.head = head("KLM685", "PH-BFT", "AMS", "MEX");
    received.head.model = heavy;
    received.hexId = 4736000;
    gf_seedThreadRandomEngine(7);
    std::set<double> takeOffPitches;
    std::set<double> climbPitches;
    for (int i = 0; i < 64; ++i) {
        const FlightRecord flight = gf_makeFlightRecord(received);
        ASSERT_EQ(flight.category, AircraftCategory::Heavy);
        EXPECT_EQ(flight.callsign, "KLM685");
        EXPECT_EQ(flight.hexId, 4736000U);
        EXPECT_EQ(flight.halfWingspanNm, 0.0173);
        EXPECT_EQ(flight.flareTicks, 450U);
        EXPECT_EQ(flight.touchdownTicks, 450U);
        EXPECT_EQ(flight.takeOffRunTicks, 250U);
        EXPECT_EQ(flight.rotationTicks, 400U);
        EXPECT_DOUBLE_EQ(flight.normalTurnStepRad, 0.05 * degree);
        EXPECT_EQ(flight.turnStepRad, flight.normalTurnStepRad);
        EXPECT_EQ(flight.climbLimitFtPerTick, 0.5);
        EXPECT_EQ(flight.taxiSpeedKt, 3.0);
        takeOffPitches.insert(flight.takeOffPitchRad);
        climbPitches.insert(flight.climbPitchRad);
    }
    const auto near = [](double a, double b) { return std::abs(a - b) < 1e-12; };
    ASSERT_EQ(takeOffPitches.size(), 2U);
    EXPECT_TRUE(near(*takeOffPitches.begin(), -5.125 * degree));
    EXPECT_TRUE(near(*takeOffPitches.rbegin(), -4.875 * degree));
    ASSERT_EQ(climbPitches.size(), 2U);
    EXPECT_TRUE(near(*climbPitches.begin(), -13.125 * degree));
    EXPECT_TRUE(near(*climbPitches.rbegin(), -11.875 * degree));
}

} // namespace
} // namespace hlw
