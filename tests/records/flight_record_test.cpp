#include "records/flight_record.h"
#include "refdata/code_table.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

class FlightRecords : public ::testing::Test {
protected:
    void TearDown() override
    {
        gf_airlineCodes().reset();
        gf_modelCodes().reset();
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

} // namespace
} // namespace hlw
