// Core's text and value helpers: text, counts and codes, versions, slot lists, wide text, narrowing, the status
// board, reference time and its texts, great-circle geometry and random choices.
#include "core/aircraft_test.h"
#include "core/count_text.h"
#include "core/fixed_code.h"
#include "core/geodesy.h"
#include "core/half_hour_slots.h"
#include "core/narrow.h"
#include "core/pc_clock.h"
#include "core/random_choice.h"
#include "core/reference_time.h"
#include "core/star_text.h"
#include "core/status_board.h"
#include "core/string_helpers.h"
#include "core/time_text.h"
#include "core/user_error.h"
#include "core/utf8_sequence.h"
#include "core/version_data.h"
#include "core/wide_text.h"
#include "core/wsa_error_text.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <set>
#include <thread>
#include <unordered_set>

namespace hlw {
namespace {

using Items = std::vector<std::string>;
using std::nullopt;

TEST(Text, TrimAndSplit)
{
    // text, drop, trimmed, trimmed on the left only
    // clang-format off
    const std::tuple<std::string_view, std::string_view, std::string_view, std::string_view> trims[] = {
        {" \t a b \r\n", whiteSpace, "a b", "a b \r\n"}, {" \t", whiteSpace, "", ""},
        {"\va\v", whiteSpace, "\va\v", "\va\v"}, {"\v\f a\f\v ", cSpace, "a", "a\f\v "},
        {"= \"x\" =\t", " \t=", "\"x\"", "\"x\" =\t"}};
    // clang-format on
    for (const auto& [text, drop, trimmed, left] : trims) {
        EXPECT_TRUE(gf_trimView(text, drop) == trimmed && gf_trimLeftView(text, drop) == left) << text;
    }
    EXPECT_EQ(gf_trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(gf_splitAt(",a,,b,", ','), (std::vector<std::string_view>{"", "a", "", "b", ""}));
    EXPECT_EQ(gf_splitAt("", ',').size() + gf_splitAt("1;2,3", ';').size(), 3U);
    EXPECT_EQ(gf_split(" a , , b , "), (Items{"a", "b"}));
    EXPECT_EQ(gf_split(" , "), Items{});
    // Comma lists are sorted, keep empty pieces and lose repeats.
    EXPECT_EQ(gf_splitComma("b,,a, ,B,b"), (Items{"", "B", "a", "b"}));
    for (const auto& [input, expected] : {std::pair{"a,b", "a,b"}, {"a, b", "a,b"}, {" , ", ""}, {"a,\t,b\n", "a,b"}}) {
        std::string text = input;
        gf_trimCommaList(text);
        EXPECT_EQ(text, expected) << input;
    }
}

// Only ASCII letters change case, in conversions and in comparisons.
TEST(Text, CaseOfAsciiLettersOnly)
{
    std::string text = "Fl\xC3\xBCgel-x";
    gf_makeUpperAscii(text);
    EXPECT_EQ(text + gf_toUpperAscii(" az AZ 09 _\xE9"), "FL\xC3\xBCGEL-X AZ AZ 09 _\xE9");
    EXPECT_EQ(std::string({gf_toLowerChar('A'), gf_toLowerChar('Z'), gf_toLowerChar('@'), gf_toLowerChar('[')}),
              "az@[");
    EXPECT_EQ(std::string({gf_toUpperChar('a'), gf_toUpperChar('z'), gf_toUpperChar('`'), gf_toUpperChar('{')}),
              "AZ`{");
    // text, other, equal, text starts with other, text contains other
    // clang-format off
    const std::tuple<std::string_view, std::string_view, bool, bool, bool> rows[] = {
        {"", "", true, true, true}, {"any", "", false, true, true}, {"", "a", false, false, false},
        {".xml", ".XmL", true, true, true}, {"NORTHWIND-EHAM", "Northwind", false, true, true},
        {"x-northwind", "NORTH", false, false, true}, {"north", "northwind", false, false, false},
        {"\xC3\xA9", "\xC3\x89", false, false, false}, {"[@]", "{`}", false, false, false}};
    // clang-format on
    for (const auto& [one, other, equal, startsWith, contains] : rows) {
        EXPECT_EQ(gf_equalNoCase(one, other), equal) << one << " / " << other;
        EXPECT_EQ(gf_startsWithNoCase(one, other), startsWith) << one << " / " << other;
        EXPECT_EQ(gf_containsNoCase(one, other), contains) << one << " / " << other;
    }
    EXPECT_TRUE(gf_equalsWithStar("ABC", "ABC*") && gf_equalsWithStar("", "*"));
    for (const char* other : {"*ABC", "ABC", "ABC**", "ABD*"}) {
        EXPECT_FALSE(gf_equalsWithStar("ABC", other)) << other;
    }
}

TEST(Text, NumbersAndTitles)
{
    const std::tuple<int64_t, int64_t, int32_t> percents[] = {
        {1, 3, 33},  {2, 3, 67},
        {5, 0, 0},   {5, -2, 0},
        {1, 200, 1}, {-1, 200, -1},
        {7, 7, 100}, {std::numeric_limits<int64_t>::max(), 1, std::numeric_limits<int32_t>::max()}};
    for (const auto& [count, total, percent] : percents) {
        EXPECT_EQ(gf_percent(count, total), percent) << count << "/" << total;
    }
    EXPECT_EQ(gf_starTitle(5, 4, false, false, "1234567") + gf_starTitle(5, 4, true, true, "abc"),
              "**** 1234567 ****\n**** abc ****\n");
    EXPECT_EQ(gf_starTitle(5, 4, false, false, "") + gf_starTitle(5, 4, false, false, "12345678"),
              "**********12345678");
    EXPECT_EQ(gf_starTitle(5, 4, true, true, "a title too long") + gf_starTitle(-5, 1, false, false, ""),
              "a title too long\n");
    EXPECT_EQ(gf_plural(0) + gf_plural(1) + gf_pluralInt(-2) + gf_pluralInt(0) + gf_pluralInt(1) + gf_pluralInt(3),
              "sss");
    EXPECT_EQ(gf_pluralInt64(-1) + gf_pluralInt64(1) + gf_pluralInt64(std::numeric_limits<int64_t>::max()), "s");
    EXPECT_EQ(gf_floatText(3.0F) + " " + gf_floatText(-0.5F) + " " + gf_floatText(0.0F), "3 -0.5 0");
    EXPECT_EQ(gf_formatUint("id {:X}", 255) + gf_formatUint(" {:04}", 7), "id FF 0007");
    EXPECT_THROW(gf_formatUint("{", 1), fmt::format_error);
    EXPECT_EQ(gf_wsaErrorText(10004) + "|" + gf_wsaErrorText(11004) + "|" + gf_wsaErrorText(10005),
              "10004 Interrupted system call|11004 No host data of that type was found|10005 Unknown errror code");
}

TEST(Codes, FixedCodesAircraftObjectIdsAndUserErrors)
{
    EXPECT_EQ(fmt::format("{} {}", FixedCode<4>("K1z9"), FixedCode<3>("k1z")), "K1Z9 K1Z");
    for (const std::string text : {"EH-M", "EHA", "EHAMX", "", "EH M", "EH\xc3\xa4", "EHa."}) {
        EXPECT_EQ(test::thrownText([&] { FixedCode<4>{text}; }),
                  "'" + text + "' FixedCode: invalid string (length/charset)");
        EXPECT_FALSE(FixedCode<4>::isValid(text)) << text;
    }
    const FixedCode<4> empty;
    EXPECT_TRUE(empty.empty() && empty.view().empty() && empty == FixedCode<4>{} &&
                FixedCode<4>("EGLL") < FixedCode<4>("EHAM"));
    EXPECT_EQ((std::unordered_set<FixedCode<4>>{FixedCode<4>("EHAM"), FixedCode<4>("eham"), empty}).size(), 2U);
    static_assert(sizeof(FixedCode<4>) == 4 && sizeof(FixedCode<3>) == 3);
    const std::tuple<const char*, const char*, bool> aircraft[] = {
        {"B738", "A3", true},  {"B738", "", true},    {"GLF6", "B3", true},  {"twr", "", true},
        {"B738", "c1", true},  {"NULL", "", true},    {"", "A3", false},     {"null", "A3", false},
        {"B738", "C1", false}, {"B738", "B1", false}, {"B738", "B2", false}, {"B738", "B4", false},
        {"B738", "C2", false}, {"TWR", "", false},    {"GND", "A1", false},  {"BALL", "", false},
        {"VENT", "", false},   {"B7378", "A3", false}};
    for (const auto& [type, category, isAircraft] : aircraft) {
        EXPECT_EQ(gf_isAircraft(type, category), isAircraft) << type << " / " << category;
    }
    // Until the engine installs its run state, core sees the defaults: running, MSFS 2020, the PC clock.
    const RunStatePort& defaults = gf_runState();
    EXPECT_TRUE(!defaults.stopRequested() && !defaults.userClosing() && defaults.simIsMsfs2020() &&
                defaults.simCode() == 1 && !defaults.simTimeInUse() && defaults.simUtcSeconds() == 0);
    EXPECT_EQ(gf_objectIdText(255), "255");
    test::FakeRunState runState;
    runState.msfs2020 = false;
    EXPECT_EQ(gf_objectIdText(0xDEADBEEF), "deadbeef");
    // Code 99 is a plain message: its text carries no code.
    EXPECT_EQ(std::string(UserErrorException(41, "abc").what()) + "|" + UserErrorException(99, "2024: x").what(),
              "41: abc|2024: x");
    EXPECT_EQ(UserErrorException(99, "2024: x").code(), 99);
}

// Plain "major.minor.patch" or a JSON object; anything else is logged and gives 0.0.0.
TEST(Versions, ParsedComparedAndPrinted)
{
    // clang-format off
    const std::tuple<const char*, VersionData, const char*> rows[] = {
        {"12.5.1", {12, 5, 1}, ""}, {"", {0, 0, 0}, ""}, {"012.05.001", {12, 5, 1}, ""},
        {"2147483647.0.1", {2147483647, 0, 1}, ""}, {" 12.5.1 ", {}, "invalid version format"},
        {"12.5", {}, "invalid version format"}, {"12.5.1.0", {}, "invalid version format"},
        {"1..2", {}, "invalid version format"}, {"   ", {}, "invalid version format"},
        {"12345678901.5.1", {}, "parse error in version string"},
        {"1.5.2147483648", {}, "parse error in version string"}, {R"({"major":12,"minor":5})", {12, 5, 0}, ""},
        {" \t{\"major\": 1, \"minor\": 2, \"patch\": 3}\n", {1, 2, 3}, ""},
        {R"({"major":12.5,"minor":"5","patch":true})", {0, 0, 0}, ""},
        {R"({"major":2147483648,"minor":-1,"patch":18446744073709551615})", {}, ""},
        {R"({"major":12,)", {}, "invalid version format"}, {"[12,5,1]", {}, "invalid version format"}};
    // clang-format on
    test::LogCapture log;
    for (const auto& [text, expected, reason] : rows) {
        VersionData version;
        const std::string logged = log.during([&] { version = VersionData{text}; });
        EXPECT_EQ(version, expected) << text;
        EXPECT_EQ(logged, *reason ? fmt::format("VersionData exception: {}\n", reason) : "") << text;
    }
    const VersionData current{"12.5.1"};
    EXPECT_TRUE(current > VersionData("12.4.9") && current > VersionData("11.99.99") &&
                current < VersionData("12.10.0"));
    EXPECT_TRUE(current < VersionData("12.5.2") && current != VersionData("12.5.0") &&
                VersionData{} < VersionData("0.0.1"));
    EXPECT_EQ(fmt::format("v{} [{:>8}]", VersionData("012.05.001"), VersionData(1, 2, 3)), "v12.5.1 [   1.2.3]");
    EXPECT_EQ(gf_programVersion(), VersionData(12, 5, 1));
}

SlotSet lf_slots(std::initializer_list<int> positions)
{
    SlotSet slots;
    for (const int position : positions) {
        slots.set(static_cast<std::size_t>(position));
    }
    return slots;
}

// Slot lists ("3,5,7", "10:12"): a bad piece is logged and skipped, a bad range drops the whole list.
TEST(HalfHourSlots, ReadFromTextWithProblemsLogged)
{
    // clang-format off
    const std::tuple<const char*, SlotSet, const char*> rows[] = {
        {"3, 5 ,7", lf_slots({3, 5, 7}), ""}, {"", SlotSet{}, ""}, {" 10 : 12 ", lf_slots({10, 11, 12}), ""},
        {"0:47", SlotSet{}.set(), ""}, {"7x", lf_slots({7}), ""}, {"-0", lf_slots({0}), ""},
        {"12:10", SlotSet{}, "gf_hours2bitset descending range not allowed (12:10 in 12:10)"},
        {"1:2:3", SlotSet{}, "gf_hours2bitset more than one colon char in: 1:2:3"},
        {"5,", lf_slots({5}), "operator () invalid hour '' in 5,"},
        {"48", SlotSet{}, "operator () invalid hour '48' in 48"},
        {"3,-1,4", lf_slots({3, 4}), "operator () invalid hour '-1' in 3,-1,4"},
        {"99999999999", SlotSet{}, "operator () invalid hour '99999999999' in 99999999999"},
        {"x:5", SlotSet{}, "operator () invalid hour 'x' in x:5"}};
    // clang-format on
    test::LogCapture log;
    for (const auto& [text, expected, alert] : rows) {
        SlotSet slots;
        const std::string logged = log.during([&] { slots = gf_hours2bitset(text); });
        EXPECT_EQ(slots, expected) << text;
        EXPECT_EQ(logged, *alert ? fmt::format("==> {}\n", alert) : "") << text;
    }
}

// A list, a single run, and the stored form (the run where the slots form one, else the list), which reads back
// as the same set.
TEST(HalfHourSlots, WrittenAsListRunOrStoredForm)
{
    using Text = std::optional<std::string>;
    // clang-format off
    const std::tuple<SlotSet, Text, Text> rows[] = {
        {SlotSet{}, nullopt, nullopt}, {lf_slots({3}), "3", "3"}, {lf_slots({3, 4, 5}), "3,4,5", "3:5"},
        {lf_slots({3, 5}), "3,5", nullopt}, {lf_slots({0, 1, 2, 10, 47}), "0,1,2,10,47", nullopt},
        {lf_slots({47}), "47", "47"}, {SlotSet{}.set(), nullopt, "0:47"}};
    // clang-format on
    for (const auto& [slots, list, run] : rows) {
        if (list) {
            EXPECT_EQ(gf_bitset2hourList(slots), list) << slots;
        }
        EXPECT_EQ(gf_bitset2hours(slots), run) << slots;
        EXPECT_EQ(gf_slotsToText(slots), run ? run : list) << slots;
        EXPECT_EQ(gf_hours2bitset(gf_slotsToText(slots).value_or("")), slots);
    }
}

TEST(WideText, ConvertsBothWaysOrThrowsTheTextsTheCallersLog)
{
    EXPECT_EQ(wide_to_utf8(u"M\u00fcnchen \u2708"), "M\xC3\xBCnchen \xE2\x9C\x88");
    EXPECT_EQ(utf8_to_wide("M\xC3\xBCnchen \xE2\x9C\x88"), u"M\u00fcnchen \u2708");
    EXPECT_EQ(gf_pathToUtf8("/data/K\xC3\xB6ln"), "/data/K\xC3\xB6ln");
    EXPECT_EQ(test::thrownText([] { wide_to_utf8(u"\xD800"); }), "wide_to_utf8: invalid UTF-16");
    EXPECT_EQ(test::thrownText([] { utf8_to_wide("abc\xE2\x82"); }), "utf8_to_wide: invalid UTF-8");
    EXPECT_EQ(test::thrownText([] { gf_pathToUtf8("/data/K\xF6ln"); }), "gf_pathToUtf8: invalid UTF-8 in path");
}

// Halves round away from zero; a value that does not fit throws before any cast. The status board repaints on a
// change only and resets to its start values.
// The one UTF-8 reader: its table of edges, and the surrogate rule that is the callers' choice.
TEST(Text, Utf8SequencesWithTheSurrogateRuleOfTheCaller)
{
    struct Case {
        std::string_view bytes;
        std::size_t surrogatesAccepted;
        std::size_t surrogatesRefused;
    };
    const Case cases[] = {
        {"", 0, 0},
        {"A\xFF", 1, 1},
        {"\xC3\xA9x", 2, 2},           // U+00E9
        {"\xC0\xAF", 0, 0},            // overlong "/"
        {"\xC2", utf8CutOff, utf8CutOff},
        {"\xE0\x9F\xBF", 0, 0},        // overlong U+07FF
        {"\xE2\x82\xAC", 3, 3},        // U+20AC
        {"\xED\x9F\xBF", 3, 3},        // U+D7FF, the last before the surrogates
        {"\xED\xA0\x80", 3, 0},        // U+D800
        {"\xED\xBF\xBF", 3, 0},        // U+DFFF
        {"\xED\xA0", utf8CutOff, 0},
        {"\xEE\x80\x80", 3, 3},        // U+E000
        {"\xE2\x28\xA1", 0, 0},
        {"\xF0\x8F\xBF\xBF", 0, 0},    // overlong U+FFFF
        {"\xF0\x9F\x98\x80", 4, 4},    // U+1F600
        {"\xF0\x9F\x98", utf8CutOff, utf8CutOff},
        {"\xF4\x8F\xBF\xBF", 4, 4},    // U+10FFFF
        {"\xF4\x90\x80\x80", 0, 0},    // above U+10FFFF
        {"\xF5\x80\x80\x80", 0, 0},
        {"\x80", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_utf8SequenceLength(c.bytes, Surrogates::accepted), c.surrogatesAccepted)
            << testing::PrintToString(std::string(c.bytes));
        EXPECT_EQ(gf_utf8SequenceLength(c.bytes, Surrogates::refused), c.surrogatesRefused)
            << testing::PrintToString(std::string(c.bytes));
    }
}

TEST(Values, NarrowingAndTheStatusBoard)
{
    const std::pair<double, int64_t> fits[] = {
        {2.5, 3}, {-2.5, -3}, {2147483647.4, 2147483647}, {-2147483648.4, -2147483648LL}};
    for (const auto& [value, narrowed] : fits) {
        EXPECT_EQ(gf_narrowRounded<int32_t>(value), narrowed);
    }
    for (const double value : {2147483647.5, -2147483648.6, std::numeric_limits<double>::infinity(), std::nan("")}) {
        EXPECT_THROW(gf_narrowRounded<int32_t>(value), gsl::narrowing_error) << value;
    }
    EXPECT_EQ(gf_narrowRounded<uint16_t>(65535.49) + gf_narrowRounded<uint16_t>(-0.4), 65535);
    EXPECT_THROW(gf_narrowRounded<uint16_t>(65535.5), gsl::narrowing_error);
    EXPECT_THROW(gf_narrowRounded<uint16_t>(-0.6), gsl::narrowing_error);
    EXPECT_EQ(test::thrownText([] { gf_narrowRounded<int64_t>(9.3e18); }), "narrowing_error");

    StatusBoard board;
    int repaints = 0;
    board.setRepaintHook([&] { ++repaints; });
    for (const int count : {4, 4}) {
        board.update([count](StatusValues& values) { values.liveCount = count; });
    }
    board.update([](StatusValues& values) { values.trafficReader = ReaderLamp::stalled; });
    EXPECT_EQ(board.snapshot().liveCount, 4);
    board.reset();
    EXPECT_EQ(repaints, 3);
    EXPECT_EQ(board.snapshot(), StatusValues{});
    EXPECT_TRUE(board.snapshot().qnhReader == ReaderLamp::notRunning && board.snapshot().trafficStartPending);
}

// 2026-12-05 is a Saturday.
constexpr int64_t saturday = 1796428800;
constexpr int64_t day = 86400;
std::atomic<int64_t> pcSeconds{0};

class ReferenceTime : public testing::Test {
  protected:
    void SetUp() override
    {
        gf_installPcClock([]() noexcept { return pcSeconds.load(); });
    }
    void TearDown() override { gf_installPcClock(nullptr); }
    test::FakeRunState runState;
};

// Weekdays count 1 (Monday) to 7; the slot is the half hour, which turns at minute 29:30 and 59:30.
TEST_F(ReferenceTime, WeekdayAndSlotAtTheEdges)
{
    // clang-format off
    const std::tuple<int64_t, int32_t, int32_t> rows[] = {
        {saturday, 6, 0}, {saturday + 1769, 6, 0}, {saturday + 1770, 6, 1}, {saturday + 37770, 6, 21},
        {saturday + 39599, 6, 21}, {saturday + 39600, 6, 22}, {saturday + day - 1, 6, 47}, {saturday + day, 7, 0},
        {saturday + 2 * day, 1, 0}, {0, 4, 0}, {lastSaneSimulatorSecond, 3, 47}, {-1, -1, -1},
        {lastSaneSimulatorSecond + 1, -1, -1}};
    // clang-format on
    for (const auto& [seconds, weekday, slot] : rows) {
        EXPECT_EQ(gf_weekdaySlotAt(seconds), (WeekdaySlot{weekday, slot})) << seconds;
        EXPECT_EQ(gf_unpackWeekdaySlot(gf_packWeekdaySlot({weekday, slot})), (WeekdaySlot{weekday, slot}));
    }
    EXPECT_EQ(gf_packWeekdaySlot({7, 47}), (uint64_t{47} << 32) | 7u);
    EXPECT_EQ(gf_packWeekdaySlot({-1, -1}), ~uint64_t{0});
}

// The simulator's clock is the reference while it is in use and sane; the PC clock's own texts never follow it.
TEST_F(ReferenceTime, NowFollowsTheSimulatorOrThePcClock)
{
    pcSeconds = saturday + 12 * 3600;
    runState.simSeconds = saturday + 3 * day - 1;
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{6, 24}));
    EXPECT_EQ(gf_nowClockText(), "12:00:00");
    runState.simTime = true;
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{1, 47}));
    EXPECT_EQ(gf_nowClockText() + " " + gf_clockText() + " " + gf_dateText(), "23:59:59 12:00:00 Dec 05, 2026");
    for (const int64_t insane : {int64_t{0}, -day, lastSaneSimulatorSecond + 1, std::numeric_limits<int64_t>::min()}) {
        runState.simSeconds = insane;
        EXPECT_EQ(gf_referenceTimeSeconds(), pcSeconds.load()) << insane;
    }
    for (const int64_t sane : {int64_t{1}, lastSaneSimulatorSecond}) {
        runState.simSeconds = sane;
        EXPECT_EQ(gf_referenceTimeSeconds(), sane);
    }
    // One reading gives weekday and slot together, even when the clock moves across midnight in between.
    runState.simTime = false;
    pcSeconds = saturday + 2 * day - 1;
    gf_installPcClock([]() noexcept { return pcSeconds.fetch_add(1); });
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{7, 47}));
}

TEST_F(ReferenceTime, TextsOfTheFixedLayoutOrTheirPlaceholders)
{
    EXPECT_EQ(gf_timeToString(0) + " " + gf_clockTextAt(0) + " " + gf_dateTextAt(0),
              "Thu Jan 01 00:00:00 1970 00:00:00 Jan 01, 1970");
    EXPECT_EQ(gf_timeToString(saturday + 19 * 3600 + 252), "Sat Dec 05 19:04:12 2026");
    // The tenth month is spelled "Okt".
    EXPECT_EQ(gf_timeToString(saturday - 57 * day) + " " + gf_dateTextAt(saturday - 57 * day),
              "Fri Okt 09 00:00:00 2026 Okt 09, 2026");
    for (const int64_t invalid : {int64_t{-1}, lastSaneSimulatorSecond + 1}) {
        EXPECT_EQ(gf_timeToString(invalid) + gf_clockTextAt(invalid) + gf_dateTextAt(invalid),
                  "Invalid time--:--:----- --, ----");
    }
    pcSeconds = -5;
    EXPECT_EQ(gf_clockText() + gf_dateText(), std::string(invalidClockText) + invalidDateText);
    EXPECT_EQ(gf_nowTime(), (WeekdaySlot{-1, -1}));
}

constexpr double twoPi = 2 * std::numbers::pi;
constexpr double feetPerNm = 6076.11549;
const LatLon eham{52.308601, 4.763889};
const LatLon egll{51.4775, -0.461389};
const LatLon kjfk{40.639801, -73.7789};

// Expected values computed independently with unit vectors on the same sphere (radius 21600 / 2π nm). Antipodes
// (also where the haversine term rounds above 1) and points just west of north give no NaN and a bearing below 2π.
TEST(Geodesy, DistancesAndBearings)
{
    const std::tuple<LatLon, LatLon, double, double> rows[] = {
        {eham, egll, 199.75380624586128, 4.496207559244784},
        {kjfk, egll, 2989.045099430719, 0.896117871837548},
        {egll, kjfk, 2989.045099430719, 5.0253566830116},
        {{10, 20}, {11, 20}, 60, 0},
        {egll, {-33.946111, 151.177222}, 9184.010771322412, 1.0552085655445695},
        {{0, 10}, {0, 9}, 60, 1.5 * std::numbers::pi},
        {{0, 10}, {-1, 10}, 60, std::numbers::pi},
        {eham, eham, 0, 0},
        {{-90, 180}, {-90, 180}, 0, 0},
        {{0, 0}, {0, 180}, 10800, -1},
        {{89.9999999, 0}, {-89.9999999, 180}, 10800, -1},
        {{-11.056008330198168, -90.75379655126689}, {11.056008330198168, 89.24620344873311}, 10800, -1},
        {{83.28678920685826, -22.40383603767134}, {-83.28678920685826, 157.59616396232866}, 10800, -1}};
    for (const auto& [from, to, distance, bearing] : rows) {
        EXPECT_NEAR(gf_distanceNm(from, to), distance, 1e-3) << from.lat << "," << from.lon;
        const double got = gf_bearingRad(from, to);
        EXPECT_TRUE(bearing < 0 ? got >= 0 && got < twoPi : std::abs(got - bearing) < 1e-9) << from.lat << ":" << got;
    }
    EXPECT_NEAR(gf_distanceNm(eham, egll), 199.75380624586128, 1e-6);
    for (double westOffset = 1e-9; westOffset > 1e-16; westOffset /= 10) {
        const double bearing = gf_bearingRad({0, 0}, {10, -westOffset});
        EXPECT_TRUE(bearing >= 0 && bearing < twoPi) << westOffset;
    }
}

TEST(Geodesy, DestinationPoints)
{
    const LatLon east = gf_destinationPoint(eham, std::numbers::pi / 2, 100 * feetPerNm);
    EXPECT_TRUE(std::abs(east.lat - 52.27724080559142) < 1e-9 && std::abs(east.lon - 7.48854966419685) < 1e-9);
    // Flying the initial bearing for the great-circle distance arrives at the target.
    const LatLon arrival = gf_destinationPoint(egll, gf_bearingRad(egll, kjfk), gf_distanceNm(egll, kjfk) * feetPerNm);
    EXPECT_TRUE(std::abs(arrival.lat - kjfk.lat) < 1e-7 && std::abs(arrival.lon - kjfk.lon) < 1e-7);
    const LatLon across = gf_destinationPoint({10, 179.9}, std::numbers::pi / 2, 60 * feetPerNm);
    EXPECT_TRUE(std::abs(across.lat - 9.998461299516478) < 1e-9 && std::abs(across.lon + 179.0845765935763) < 1e-9);
    const LatLon overPole = gf_destinationPoint({89, 0}, 0, 120 * feetPerNm);
    EXPECT_TRUE(std::abs(overPole.lat - 89) < 1e-9 && std::abs(std::abs(overPole.lon) - 180) < 1e-9);
    EXPECT_NEAR(gf_destinationPoint({90, 0}, 0.3, 60 * feetPerNm).lat, 89, 1e-9);
    EXPECT_NEAR(gf_destinationPoint(eham, 1, 0).lon, eham.lon, 1e-12);
}

class RandomChoice : public ::testing::Test {
  protected:
    void SetUp() override { gf_seedThreadRandomEngine(12345); }
    void TearDown() override { gf_installRandomSettingReader(nullptr); }
    std::vector<uint16_t> order = std::vector<uint16_t>(20);
};

// With random choices off the first candidate is taken and nothing is drawn; a variation always draws, its sign
// from the lowest bit.
TEST_F(RandomChoice, OffTakesTheFirstCandidate)
{
    EXPECT_TRUE(gf_randomChoicesOn());
    gf_installRandomSettingReader([]() noexcept { return false; });
    EXPECT_FALSE(gf_randomChoicesOn());
    const std::mt19937 before = gf_threadRandomEngine();
    std::iota(order.begin(), order.end(), uint16_t{0});
    gf_shuffle(order);
    EXPECT_TRUE(gf_randomIndex(10) == 0 && std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(gf_threadRandomEngine(), before);
    EXPECT_EQ(gf_varyByPercent(100.0, 0.0) + gf_varyByPercent(100.0, -5.0), 200.0);
    gf_seedThreadRandomEngine(99);
    std::mt19937 copy(99);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(gf_varyByPercent(100.0, 4.0), (copy() & 1U) == 0 ? 104.0 : 96.0);
    }
}

// Indexes cover the range evenly, shuffles permute, and every thread has its own engine.
TEST_F(RandomChoice, OnDrawsFromTheThreadsEngine)
{
    std::vector<int> counts(5);
    for (int i = 0; i < 5000; ++i) {
        ++counts.at(gf_randomIndex(5));
    }
    for (const int count : counts) {
        EXPECT_TRUE(count > 850 && count < 1150) << count;
    }
    EXPECT_EQ(gf_randomIndex(0) + gf_randomIndex(1), 0U);
    std::iota(order.begin(), order.end(), uint16_t{0});
    gf_shuffle(order);
    EXPECT_FALSE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(std::accumulate(order.begin(), order.end(), 0) + std::set<uint16_t>(order.begin(), order.end()).size(),
              210U);
    std::vector<std::size_t> draws[2];
    const auto draw = [&](int t) {
        draws[t] = {gf_randomIndex(1000000), gf_randomIndex(1000000), gf_randomIndex(1000000)};
    };
    std::thread first(draw, 0);
    std::thread second(draw, 1);
    first.join();
    second.join();
    EXPECT_NE(draws[0], draws[1]) << "threads are seeded differently";
}

} // namespace
} // namespace hlw
