#include "engine/intake/traffic_line_parser.h"

#include "refdata/code_table.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace hlw {
namespace {

constexpr double degree = std::numbers::pi / 180.0;
// The example line of samples/scenarios/README.md.
constexpr std::string_view exampleLine = "TFC,4735190,47.4582,8.5555,3250,-700,,137.5,165,SWR123,A320,HB-JLT,LHR,ZRH,"
                                         "1717000000.5,,,adsb_icao,,,171,,,-2.5,,140.2,,,A3";
constexpr int32_t engineTick = 1000;

using Changes = std::vector<std::pair<std::size_t, std::string>>;

std::string lf_line(const Changes& changes)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = exampleLine.find(',', start);
        fields.emplace_back(exampleLine.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    for (const auto& [index, value] : changes) {
        fields.at(index) = value;
    }
    return fmt::format("{}", fmt::join(fields, ","));
}

IntakeFilter lf_filter()
{
    IntakeFilter filter;
    filter.rangeCentre = {47.4582, 8.5555};
    filter.rangeNm = 40.0;
    return filter;
}

class TrafficLines : public ::testing::Test {
protected:
    void TearDown() override { gf_modelCodes().reset(); }

    LineResult parse(std::string_view line, const IntakeFilter& filter = lf_filter())
    {
        return parser.parse(line, filter, engineTick, record);
    }
    // Accepted after every step ran: the due tick is set last.
    bool accept(std::string_view line, const IntakeFilter& filter = lf_filter())
    {
        return parse(line, filter).accepted() && record.position.dueTick == engineTick + 3000;
    }

    TrafficLineParser parser;
    TrafficRecord record;
};

TEST_F(TrafficLines, TheExampleLineBecomesARecordDueThirtySecondsLater)
{
    const LineResult result = parse(exampleLine);
    ASSERT_TRUE(result.accepted()) << result.error;
    EXPECT_EQ(record.hexId, 4735190U);
    EXPECT_EQ(record.timestamp, 1717000000.5);
    EXPECT_EQ(result.timestamp, 1717000000.5);
    EXPECT_EQ(record.head.callsign, "SWR123");
    EXPECT_EQ(record.head.registration, "HB-JLT");
    EXPECT_EQ(gf_modelText(record.head.model), "A320");
    EXPECT_EQ(record.head.origin, RouteCode("LHR"));
    EXPECT_EQ(record.head.destination, RouteCode("ZRH"));
    const PositionRecord& position = record.position;
    EXPECT_EQ(position.latitude, 47.4582);
    EXPECT_EQ(position.longitude, 8.5555);
    EXPECT_EQ(position.altitudeFt, 3250.0);
    EXPECT_EQ(position.verticalSpeedFpm, -700.0);
    EXPECT_EQ(position.trackDeg, 137.5);
    EXPECT_EQ(position.groundSpeedKt, 165.0);
    EXPECT_EQ(position.trueAirspeedKt, 171.0);
    EXPECT_EQ(position.airborne, 1);
    EXPECT_EQ(position.stationary, 0);
    EXPECT_EQ(position.dueTick, engineTick + 3000);
    ASSERT_TRUE(position.bankRad);
    EXPECT_DOUBLE_EQ(*position.bankRad, 2.5 * degree);
    ASSERT_TRUE(position.trueHeadingRad);
    EXPECT_DOUBLE_EQ(*position.trueHeadingRad, 140.2 * degree);
    EXPECT_EQ(position.trueHeadingPresent, 1);
}

// One row per check, in the order the checks run: the line's fate and, for a field error, the exact message.
TEST_F(TrafficLines, EachCheckDropsOrFailsItsLines)
{
    struct Row {
        const char* name;
        Changes changes;
        LineDrop drop;
        std::string error;
    };
    const std::string example(exampleLine);
    const Row rows[] = {
        {"timestamp not a number", {{14, "soon"}}, LineDrop::fieldError, "timestamp:soon"},
        {"timestamp before 2000", {{14, "946684799"}}, LineDrop::fieldError, "timestamp:946684799"},
        {"timestamp after 2100", {{14, "4102444801"}}, LineDrop::fieldError, "timestamp:4102444801"},
        {"latitude not a number", {{2, "north"}}, LineDrop::fieldError, "lat:north"},
        {"position at 0,0",
         {{2, "0.00005"}, {3, "-0.00005"}},
         LineDrop::fieldError,
         "invalid lalo: 0.000050,-0.000050"},
        {"latitude beyond 90", {{2, "91.5"}}, LineDrop::fieldError, "invalid lalo: 91.500000,8.555500"},
        {"longitude beyond 180", {{3, "-180.5"}}, LineDrop::fieldError, "invalid lalo: 47.458200,-180.500000"},
        {"registration of 13 characters", {{11, "PH-ABCDEFGHIJ"}}, LineDrop::longRegistration, ""},
        {"type null", {{10, "null"}}, LineDrop::notAircraft, ""},
        {"type empty", {{10, ""}}, LineDrop::notAircraft, ""},
        {"balloon", {{10, "BALL"}}, LineDrop::notAircraft, ""},
        {"emitter of a ground obstacle", {{28, "C2"}}, LineDrop::notAircraft, ""},
        {"type in lower case", {{10, "a320"}}, LineDrop::implausibleModel, ""},
        {"type of one character", {{10, "Z"}}, LineDrop::implausibleModel, ""},
        {"true heading above 360", {{25, "400"}}, LineDrop::fieldError, "trueheading: 400.00"},
        {"true heading not a number", {{25, "x"}}, LineDrop::fieldError, "trueheading:x"},
        {"hex id with letters after digits", {{1, "1234abc"}}, LineDrop::staticHexId, ""},
        {"hex id of a static aircraft", {{1, "10000"}}, LineDrop::staticHexId, ""},
        {"hex id starting with a letter", {{1, "abc"}}, LineDrop::fieldError, "hexid incorrectabc"},
        {"hex id above 32 bits", {{1, "99999999999"}}, LineDrop::fieldError, "hexid incorrect99999999999"},
        {"hex id with a sign", {{1, "-4735190"}}, LineDrop::fieldError, "hexid incorrect-4735190"},
        {"ground speed not a number", {{8, "fast"}}, LineDrop::fieldError, "gs:fast"},
        {"altitude not a number",
         {{4, "high"}},
         LineDrop::fieldError,
         "altitude high incorrect, from: " + lf_line({{4, "high"}})},
        {"callsign AIRPORT1", {{9, "AIRPORT1"}}, LineDrop::blockedCallsign, ""},
        {"callsign ERARMTR1", {{9, "ERARMTR1"}}, LineDrop::blockedCallsign, ""},
        {"callsign 00000000", {{9, "00000000"}}, LineDrop::blockedCallsign, ""},
        {"no callsign, no registration", {{9, "null"}, {11, "null"}}, LineDrop::noIdentification, ""},
        {"callsign with @, no registration", {{9, "SWR@123"}, {11, "null"}}, LineDrop::noIdentification, ""},
        {"callsign of 9, no registration", {{9, "SWR123456"}, {11, "null"}}, LineDrop::noIdentification, ""},
        {"slow at 1000 ft, no park airport", {{4, "1000"}, {8, "30"}}, LineDrop::groundAway, ""},
        {"track not a number", {{7, "x12"}}, LineDrop::fieldError, "track incorrect x12"},
        {"track below 0", {{7, "-5"}}, LineDrop::fieldError, "track incorrect -5"},
        {"vertical speed not a number", {{5, "up"}}, LineDrop::fieldError, "vs:up"},
        {"origin of four letters",
         {{12, "EGLL"}},
         LineDrop::fieldError,
         "'EGLL' FixedCode: invalid string (length/charset)"},
        {"destination with a dash",
         {{13, "Z-H"}},
         LineDrop::fieldError,
         "'Z-H' FixedCode: invalid string (length/charset)"},
        {"roll not a number", {{23, "left"}}, LineDrop::fieldError, "roll:left"},
        {"true airspeed with a plus", {{20, "+5"}}, LineDrop::fieldError, "TAS incorrect+5"},
        {"true airspeed below -1", {{20, "-2"}}, LineDrop::fieldError, "TAS incorrect-2"},
        {"true airspeed above 2000 kt", {{20, "2000.5"}}, LineDrop::fieldError, "TAS incorrect2000.5"},
        {"ground vehicle", {{10, "GRND VEH"}}, LineDrop::vehicle, ""},
    };
    for (const Row& row : rows) {
        const LineResult result = parse(lf_line(row.changes));
        EXPECT_EQ(result.drop, row.drop) << row.name << ": " << gf_lineDropName(result.drop) << " " << result.error;
        EXPECT_EQ(result.error, row.error) << row.name;
    }
}

// NaN, infinity and huge values never pass into a record, whichever numeric field holds them.
TEST_F(TrafficLines, NonFiniteAndHugeNumbersFailTheirField)
{
    struct Row {
        std::size_t field;
        const char* notFinite; // the error's start for nan and inf
        const char* huge;      // the error's start for a finite value far beyond the field's range
    };
    const Row rows[] = {
        {14, "timestamp:", "timestamp:"}, {2, "lat:", "invalid lalo: "}, {3, "lon:", "invalid lalo: "},
        {8, "gs:", "gs:"},                {4, "altitude ", "altitude "}, {7, "track incorrect ", "track incorrect "},
        {5, "vs:", "vs:"},                {23, "roll:", "roll:"},        {20, "TAS incorrect", "TAS incorrect"},
        {25, "trueheading:", "trueheading: "},
    };
    for (const Row& row : rows) {
        for (const char* value : {"nan", "inf", "-inf", "1e999", "1e300", "-1e300"}) {
            const bool finite = std::string_view(value).ends_with("300");
            if (row.field == 25 && std::string_view(value) == "-1e300") {
                EXPECT_TRUE(accept(lf_line({{row.field, value}}))) << "a negative true heading is none";
                EXPECT_FALSE(record.position.trueHeadingRad);
                continue;
            }
            const LineResult result = parse(lf_line({{row.field, value}}));
            const std::string_view expected = finite ? row.huge : row.notFinite;
            EXPECT_EQ(result.drop, LineDrop::fieldError) << row.field << " " << value;
            EXPECT_TRUE(result.error.starts_with(expected)) << row.field << " " << value << ": " << result.error;
        }
    }
}

TEST_F(TrafficLines, ShortLinesAreDroppedBeforeAnyFieldIsRead)
{
    std::string twentyEight(exampleLine.substr(0, exampleLine.rfind(',')));
    for (const std::string& line : {std::string(), std::string("TFC,4735190,47.4"), twentyEight}) {
        const LineResult result = parse(line);
        EXPECT_EQ(result.drop, LineDrop::shortLine) << line;
        EXPECT_FALSE(result.timestamp);
    }
    EXPECT_TRUE(parse(std::string(exampleLine) + ",extra,fields").accepted()) << "fields after the 29th are ignored";
    EXPECT_EQ(parse(std::string(28, ',')).drop, LineDrop::fieldError) << "29 empty fields";
}

TEST_F(TrafficLines, RangeFilterAndAirborneOnly)
{
    IntakeFilter filter = lf_filter();
    // 30 nm north of the example position.
    filter.rangeCentre = {47.4582 - 0.5, 8.5555};
    filter.rangeNm = 25.0;
    EXPECT_EQ(parse(exampleLine, filter).drop, LineDrop::outOfRange);
    filter.rangeNm = 40.0;
    EXPECT_TRUE(accept(exampleLine, filter));
    EXPECT_EQ(record.position.dueTick, engineTick + 3000);

    filter.airborneOnly = true;
    EXPECT_TRUE(accept(exampleLine, filter));
    EXPECT_EQ(parse(lf_line({{4, "140"}}), filter).drop, LineDrop::airborneOnly);
    filter.parkAirport = ParkAirportFix{{47.4582, 8.5555}, 1416.0};
    EXPECT_EQ(parse(lf_line({{4, "1560"}}), filter).drop, LineDrop::airborneOnly) << "144 ft above the airport";
    EXPECT_TRUE(parse(lf_line({{4, "1600"}}), filter).accepted());
}

// Altitude and ground speed against the park airport's elevation (1416 ft), within 5 nm of it.
TEST_F(TrafficLines, GroundDecisionMatrix)
{
    struct Row {
        const char* altitude;
        const char* groundSpeed;
        bool parkAirport;
        double expectedAltitude; // 0 = on the ground; -1 = dropped as on the ground away from the park airport
    };
    const Row rows[] = {
        {"1476", "70", true, 0.0},       {"1476", "90", true, 1476.0},    {"1456", "120", true, 0.0},
        {"1456", "121", true, 1456.0},   {"1500", "80", true, 0.0},       {"1500", "81", true, 1500.0},
        {"1524", "43", true, 0.0},       {"1524", "44", true, 1524.0},    {"1525", "40", true, 1525.0},
        {"1500.05", "80", true, 1500.05}, {"0.5", "150", false, 0.5},
        {"1400", "250", true, 0.0},      {"1000", "30", true, 0.0},       {"15000", "35", true, 0.0},
        {"14000", "36", true, 14000.0},  {"0", "150", true, 0.0},         {"-50", "150", true, 0.0},
        {"1476", "70", false, 1476.0},   {"60", "70", false, 60.0},       {"60", "30", false, -1.0},
    };
    for (const Row& row : rows) {
        IntakeFilter filter = lf_filter();
        if (row.parkAirport) {
            filter.parkAirport = ParkAirportFix{{47.4582, 8.5655}, 1416.0};
        }
        const LineResult result = parse(lf_line({{4, row.altitude}, {8, row.groundSpeed}}), filter);
        EXPECT_TRUE(!result.accepted() || record.position.dueTick == engineTick + 3000);
        const std::string name = fmt::format("{} ft {} kt", row.altitude, row.groundSpeed);
        if (row.expectedAltitude < 0.0) {
            EXPECT_EQ(result.drop, LineDrop::groundAway) << name;
            continue;
        }
        ASSERT_TRUE(result.accepted()) << name << ": " << gf_lineDropName(result.drop);
        EXPECT_EQ(record.position.altitudeFt, row.expectedAltitude) << name;
        EXPECT_EQ(record.position.airborne, row.expectedAltitude > 0.0 ? 1 : 0) << name;
        EXPECT_EQ(record.position.bankRad.has_value(), row.expectedAltitude > 0.0) << name << ": no bank on the ground";
    }
    IntakeFilter away = lf_filter();
    away.parkAirport = ParkAirportFix{{47.4582 + 0.1, 8.5555}, 1416.0};
    EXPECT_EQ(parse(lf_line({{4, "1476"}, {8, "70"}}), away).drop, LineDrop::groundAway) << "6 nm from the airport";
}

TEST_F(TrafficLines, UnreportedTrueAirspeedComesFromTheAltitude)
{
    const std::pair<const char*, double> rows[] = {{"2000", 180.0},  {"2001", 220.0},  {"5000", 220.0},
                                                   {"7000", 250.0},  {"10000", 250.0}, {"20000", 350.0},
                                                   {"20001", 430.0}, {"41000", 430.0}};
    for (const auto& [altitude, speed] : rows) {
        ASSERT_TRUE(accept(lf_line({{4, altitude}, {8, "250"}, {20, "-1"}}))) << altitude;
        EXPECT_EQ(record.position.trueAirspeedKt, speed) << altitude;
    }
    for (const double reported : {0.0, 2000.0}) {
        ASSERT_TRUE(accept(lf_line({{20, fmt::format("{}", reported)}}))) << reported;
        EXPECT_EQ(record.position.trueAirspeedKt, reported) << "a reported airspeed is kept at its bounds";
    }
}

TEST_F(TrafficLines, TrueHeadingTrackAndBank)
{
    ASSERT_TRUE(accept(lf_line({{25, "0"}, {7, "0"}})));
    EXPECT_DOUBLE_EQ(*record.position.trueHeadingRad, 2.0 * std::numbers::pi);
    EXPECT_DOUBLE_EQ(record.position.trackDeg, 360.0);

    ASSERT_TRUE(accept(lf_line({{25, "90"}, {7, ""}})));
    EXPECT_DOUBLE_EQ(record.position.trackDeg, 90.0) << "an empty track is 0 and takes the true heading";

    ASSERT_TRUE(accept(lf_line({{25, "-1"}})));
    EXPECT_FALSE(record.position.trueHeadingRad);
    EXPECT_EQ(record.position.trueHeadingPresent, 0);

    ASSERT_TRUE(accept(lf_line({{17, "mlat"}, {25, "400"}}))) << "only adsb_icao reads the true heading";
    EXPECT_FALSE(record.position.trueHeadingRad);

    ASSERT_TRUE(accept(lf_line({{23, "5"}})));
    EXPECT_DOUBLE_EQ(*record.position.bankRad, -5.0 * degree);
    for (const char* none : {"-1", "0"}) {
        ASSERT_TRUE(accept(lf_line({{23, none}})));
        EXPECT_FALSE(record.position.bankRad) << none;
    }
}

TEST_F(TrafficLines, TextFieldsNullAtAndLength)
{
    ASSERT_TRUE(accept(lf_line({{9, "null"}, {12, "null"}, {13, "null"}})));
    EXPECT_EQ(record.head.callsign, "");
    EXPECT_TRUE(record.head.origin.empty() && record.head.destination.empty());
    ASSERT_TRUE(accept(lf_line({{9, "SWR@1"}, {11, "null"}, {11, "HB-JLT"}})));
    EXPECT_EQ(record.head.callsign, "") << "a callsign with @ is none";
    ASSERT_TRUE(accept(lf_line({{9, "SWR123456"}})));
    EXPECT_EQ(record.head.callsign, "") << "a callsign of 9 characters is none";
    ASSERT_TRUE(accept(lf_line({{11, "null"}})));
    EXPECT_EQ(record.head.registration, "");
    ASSERT_TRUE(accept(lf_line({{11, "PH-ABCDEFGHI"}, {12, "lhr"}}))) << "12 characters are allowed";
    EXPECT_EQ(record.head.origin, RouteCode("LHR"));
}

TEST_F(TrafficLines, TimestampOfALineRefusedLaterIsStillReported)
{
    const LineResult badLatitude = parse(lf_line({{2, "91.5"}}));
    EXPECT_EQ(badLatitude.drop, LineDrop::fieldError);
    EXPECT_EQ(badLatitude.timestamp, 1717000000.5);
    EXPECT_FALSE(parse(lf_line({{14, "nan"}})).timestamp);
}

// Step 6 collects callsigns of lines within range, also of lines refused afterwards.
TEST_F(TrafficLines, HeardCallsigns)
{
    const std::pair<Changes, std::string_view> rows[] = {
        {{}, "SWR123"},
        {{{10, "BALL"}}, "SWR123"},
        {{{9, "null"}}, ""},
        {{{9, "SWR@123"}}, ""},
        {{{9, "SWR123456"}}, ""},
        {{{11, "PH-ABCDEFGHIJ"}}, ""},
        {{{2, "49.0"}}, ""},
    };
    for (const auto& [changes, heard] : rows) {
        const std::string line = lf_line(changes);
        EXPECT_EQ(parse(line).heardCallsign, heard) << line;
    }
}

TEST_F(TrafficLines, DueTickWrapsWithTheTickCounter)
{
    ASSERT_TRUE(parser.parse(exampleLine, lf_filter(), INT32_MAX - 1000, record).accepted());
    EXPECT_EQ(record.position.dueTick, INT32_MIN + 1999);
}

} // namespace
} // namespace hlw
