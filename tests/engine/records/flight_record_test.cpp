#include "engine/records/category_name.h"
#include "engine/records/flight_record.h"
#include "engine/records/refused_titles.h"
#include "refdata/code_table.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace hlw {
namespace {

class FlightRecords : public ::testing::Test {
protected:
    void TearDown() override
    {
        gf_airlineCodes().reset();
        gf_modelCodes().reset();
        gf_refusedTitles().clear();
        gf_notCreatedLiveries().clear();
    }
};

TEST_F(FlightRecords, FlightLabel)
{
    const uint16_t klm = gf_airlineIndex("KLM");
    const uint16_t klc = gf_airlineIndex("KLC");
    const uint16_t b738 = gf_modelIndex("B738");
    const uint16_t c17 = gf_modelIndex("C17");
    EXPECT_EQ(gf_flightLabel({klm, 0, b738, 0, 0}), "KLM     B738    ");
    EXPECT_EQ(gf_flightLabel({klm, klc, b738, 1, 1}), "KLM,KLC B738.(C)");
    EXPECT_EQ(gf_flightLabel({0, 0, c17, 0, 0}), "        C17     ");

    FlightRecord record;
    record.airline = klm;
    record.model = b738;
    record.callsign = "KLM1234";
    record.registration = "PH-BXA";
    EXPECT_EQ(gf_describeAc(record), "KLM1234 KLM     B738    ");
    EXPECT_EQ(gf_describeAcWithReg(record), "KLM1234 KLM     B738     PH-BXA");
}

TEST_F(FlightRecords, CategoryNames)
{
    const char* const names[] = {"Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(gf_categoryName(static_cast<AircraftCategory>(i)), names[i]);
    }
    EXPECT_THROW(gf_categoryName(static_cast<AircraftCategory>(6)), std::out_of_range);
    EXPECT_THROW(gf_categoryName(static_cast<AircraftCategory>(-1)), std::out_of_range);
}

TEST_F(FlightRecords, RefusedTitlesFromOneThreadReadByAnother)
{
    RefusedTitles& refused = gf_refusedTitles();
    EXPECT_FALSE(refused.contains("KLM B738"));
    std::thread simLink([&refused] {
        for (int i = 0; i < 1000; ++i) {
            refused.add("title " + std::to_string(i));
            gf_notCreatedLiveries().add("B738 KLM", "title");
        }
    });
    std::size_t seen = 0;
    for (int i = 0; i < 1000; ++i) {
        seen += refused.contains("title 0") ? 1U : 0U;
    }
    simLink.join();
    EXPECT_TRUE(refused.contains(std::string_view("title 999")));
    EXPECT_FALSE(refused.contains("title"));
    EXPECT_EQ(refused.size(), 1000U);
    EXPECT_FALSE(refused.add("title 5"));
    EXPECT_LE(seen, 1000U);
    EXPECT_EQ(gf_notCreatedLiveries().keys(), std::vector<std::string>{"B738 KLM"});
}

} // namespace
} // namespace hlw
