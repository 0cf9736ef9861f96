// Reading the stands of airport files and laying learned files over them.
#include "parking/apf_reader.h"

#include "core/user_error.h"
#include "parking_fixture.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iterator>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::apfText;
using test::describeStands;
using test::ParkingFolder;

std::vector<StandRecord> lf_read(const std::string& text)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text.c_str()));
    std::vector<StandRecord> stands;
    gf_readParkpositions(document, stands, true);
    return stands;
}

struct StandCase {
    const char* name;
    const char* parkpos;
    std::vector<std::string> stands; // describeStands of what is read
    const char* logged = "";
};

TEST(ReadParkpositions, StandsAndOptionsOfAirportFiles)
{
    const StandCase cases[] = {
        {"type decides cargo and ramp",
         R"(<parkpos id="C1" latitude="52" longitude="4" type="5" cargo="false" ramp="true"/>)",
         {"C1 52.000000 4.000000 h0.0 r0.0 t5 ctrue rfalse hfalse mfalse rcfalse ccfalse"}},
        {"type 0 takes the attributes",
         R"(<parkpos id="C2" latitude="52" longitude="4" cargo="true" ramp="true" heli="true"/>)",
         {"C2 52.000000 4.000000 h0.0 r0.0 t0 ctrue rtrue htrue mfalse rcfalse ccfalse"}},
        {"ramp types",
         R"(<parkpos id="R" latitude="1" type="14" heading="359.95" radius="40"/>)",
         {"R 1.000000 0.000000 h359.9 r40.0 t14 cfalse rtrue hfalse mfalse rcfalse ccfalse"}},
        {"no position",
         R"(<parkpos id="Z" latitude="0" longitude="0"/><parkpos id="Y" latitude="0.0000001" longitude="-0.0000003"/>)",
         {},
         "stand Z has no valid lat/lon"},
        {"latitude beyond the pole",
         R"(<parkpos id="P" latitude="91" longitude="4"/>)",
         {},
         "stand P has no valid lat/lon"},
        {"heading not a number",
         R"(<parkpos id="H" latitude="1" longitude="4" heading="nan"/>)",
         {},
         "stand H has an invalid heading 'nan'"},
        {"negative radius",
         R"(<parkpos id="N" latitude="1" longitude="4" radius="-5"/>)",
         {},
         "stand N has an invalid radius '-5'"},
        {"infinite radius",
         R"(<parkpos id="I" latitude="1" longitude="4" radius="inf"/>)",
         {},
         "stand I has an invalid radius 'inf'"},
        {"types outside 0 to 15 are kept as read",
         R"(<parkpos id="T1" latitude="1" longitude="4" type="65546"/><parkpos id="T2" latitude="1" longitude="4" type="-1"/>)",
         {"T1 1.000000 4.000000 h0.0 r0.0 t65546 cfalse rfalse hfalse mfalse rcfalse ccfalse",
          "T2 1.000000 4.000000 h0.0 r0.0 t-1 cfalse rfalse hfalse mfalse rcfalse ccfalse"}},
        {"options: ranges, lists, callsigns, soft and coupled",
         R"(<parkpos id=" O " latitude="1" longitude="4">
              <opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="10:13" cs="XYZ1:XYZ2" cpl="true"/>
              <opt reg="PH-ZZY" airl="XYZ" type="A320" day="7" hh="3,7, 9" cs="XYZ3" soft="true"/>
            </parkpos>)",
         {"O 1.000000 4.000000 h0.0 r0.0 t0 cfalse rfalse hfalse mfalse rcfalse ccfalse",
          "  #1 PH-ZZZ XYZ/0/A320/0/0 'XYZ1' 'XYZ2' d1 000000000000000000000000000000000011110000000000 real1 cpl1 "
          "file1",
          "  #2 PH-ZZY XYZ/0/A320/0/0 'XYZ3' '' d7 000000000000000000000000000000000000001010001000 real0 cpl0 file1"}},
        {"options without slots or weekday are skipped, a known registration wins",
         R"(<parkpos id="K" latitude="1" longitude="4">
              <opt reg="PH-A" day="8" hh="1"/><opt reg="PH-B" day="0" hh="1"/><opt reg="PH-C" day="2"/>
              <opt reg="D-AINA" airl="KLM" type="B738" day="2" hh="47"/>
            </parkpos>)",
         {"K 1.000000 4.000000 h0.0 r0.0 t0 cfalse rfalse hfalse mfalse rcfalse ccfalse",
          "  #1 D-AINA DLH/0/A20N/0/1 '' '' d2 100000000000000000000000000000000000000000000000 real1 cpl0 file1"}},
    };
    for (const StandCase& c : cases) {
        ParkingFolder folder;
        EXPECT_EQ(describeStands(lf_read(apfText(c.parkpos))), c.stands) << c.name;
        EXPECT_NE(folder.logText().find(c.logged), std::string::npos) << c.name;
    }
}

struct IdCase {
    const char* parkpos;
    int code;
    const char* message;
};

TEST(ReadParkpositions, BadIdsStopTheRead)
{
    const IdCase cases[] = {
        {R"(<parkpos id="A" latitude="1" longitude="2"/><parkpos latitude="1" longitude="2"/>)", 93,
         "93: Parking position #2 has no 'id' attribute."},
        {R"(<parkpos id=" &#9; " latitude="1" longitude="2"/>)", 93, "93: Stand #1 has empty 'id' attribute."},
        {R"(<parkpos id="A" latitude="1" longitude="2"/><parkpos id=" A&#13;&#10;" latitude="1" longitude="2"/>)", 94,
         "94: Stand 'A' appears more than once."},
    };
    for (const IdCase& c : cases) {
        ParkingFolder folder;
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(apfText(c.parkpos).c_str()));
        std::vector<StandRecord> stands;
        try {
            gf_readParkpositions(document, stands, true);
            ADD_FAILURE() << c.message;
        } catch (const UserErrorException& error) {
            EXPECT_EQ(error.code(), c.code);
            EXPECT_STREQ(error.what(), c.message);
        }
        EXPECT_LE(stands.size(), 1U);
    }
}

// The airport file of the learned-file tests: A1 with one use from the file, A2 without.
class LearnedOverlay : public testing::Test {
  protected:
    LearnedOverlay()
    {
        const auto stands = lf_read(apfText(R"(
            <parkpos id="A1" latitude="52.1" longitude="4.1" radius="40">
              <opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="10:11" cs="XYZ1"/>
            </parkpos>
            <parkpos id="A2" latitude="52.2" longitude="4.2" radius="30" cargo="false"/>)"));
        state.stands = stands;
    }

    LearnedRead read(const std::string& text, const char* name = "Schiphol")
    {
        folder.write("EHAM.xml", text);
        return gf_readLearned(folder.dir / "EHAM.xml", name, state);
    }

    std::vector<std::string> stands() const { return describeStands(state.stands); }

    ParkingFolder folder;
    ParkAirportState state;
};

const char* const learnedUse = R"(
    <parkpos id="A1" radius_change="true" radius="60" cargo_change="true" cargo="true">
      <opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="11:12" cs="XYZ9"/>
      <opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="20" cs="XYZ9"/>
      <opt reg="D-AINA" day="0" hh="3"/>
      <opt reg="D-AINA" day="9" hh="3"/>
      <opt reg="D-AINA" day="2" hh="x"/>
      <opt reg="D-AINA" day="2" hh="3" cs="DLH3"/>
    </parkpos>
    <parkpos id="M1" manual="true" latitude="52.3" longitude="4.3" radius="25" type="2">
      <opt reg="N700FX" day="5" hh="0:1" cs="FDX1"/>
    </parkpos>
    <parkpos id="A2" manual="true" latitude="52.3" longitude="4.3" radius="25"/>
    <parkpos id="M2" manual="true" latitude="0.00001" longitude="0" radius="25"/>
    <parkpos id="M3" manual="true" latitude="52" longitude="4" radius="0.01"/>
    <parkpos id="GONE" radius_change="true" radius="10"><opt reg="PH-Q" day="3" hh="4"/></parkpos>)";

TEST_F(LearnedOverlay, ChangesStandsAddsUseAndKeepsUnmatchedEntries)
{
    EXPECT_EQ(read(apfText(learnedUse, R"(<parameter name="airport_name" value="Schiphol"/>)")), LearnedRead::complete);
    EXPECT_FALSE(state.handmade);
    EXPECT_EQ(
        stands(),
        (std::vector<std::string>{
            "A1 52.100000 4.100000 h0.0 r60.0 t0 ctrue rfalse hfalse mfalse rctrue cctrue",
            "  #1 PH-ZZZ XYZ/0/A320/0/0 'XYZ1' '' d1 000000000000000000000000000000000000110000000000 real1 cpl0 file1",
            "  #2 PH-ZZZ XYZ/0/A320/0/0 'XYZ9' '' d1 000000000000000000000000000100000000000000000000 real1 cpl0 file0",
            "  #3 D-AINA DLH/0/A20N/0/1 'DLH3' '' d2 000000000000000000000000000000000000000000001000 real1 cpl0 file0",
            "A2 52.200000 4.200000 h0.0 r30.0 t0 cfalse rfalse hfalse mfalse rcfalse ccfalse",
            "M1 52.300000 4.300000 h0.0 r25.0 t2 cfalse rtrue hfalse mtrue rcfalse ccfalse",
            "  #1 N700FX FDX/0/B77F/1/1 'FDX1' '' d5 000000000000000000000000000000000000000000000011 real1 cpl0 file0",
        }));
    ASSERT_TRUE(state.keptLearnedEntries.first_child());
    EXPECT_STREQ(state.keptLearnedEntries.first_child().first_child().attribute("id").value(), "GONE");
    const std::string log = folder.logText();
    for (const char* line :
         {"Read from learned airport file: '",
          "learned A1: day:1 11,12 XYZ     A320     cs:XYZ9 reg:PH-ZZZ already in airport file",
          "learned A1: day:0 is no weekday, cs: reg:D-AINA skipped",
          "learned A1: day:9 is no weekday, cs: reg:D-AINA skipped", "==> empty bit set",
          "manually created standid A2 already exists in", "manually created standid M2 misses correct attributes",
          "manually created standid M3 misses correct attributes", "learned stand GONE in ",
          "kept for the next save of the learned file"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(log.find("differs from archived file airport name"), std::string::npos);
}

TEST_F(LearnedOverlay, OlderVersionsKeepChangesAndManualStandsButNotTheLearnedUse)
{
    for (const char* version : {"11.9.9", "x"}) {
        state.stands.resize(2);
        state.stands[0].options.resize(1);
        EXPECT_EQ(read(apfText(learnedUse, "", version)), LearnedRead::clearedByVersion) << version;
        const auto lines = stands();
        ASSERT_EQ(lines.size(), 5U) << version;
        EXPECT_EQ(lines[0], "A1 52.100000 4.100000 h0.0 r60.0 t0 ctrue rfalse hfalse mfalse rctrue cctrue");
        EXPECT_EQ(lines[3], "M1 52.300000 4.300000 h0.0 r25.0 t2 cfalse rtrue hfalse mtrue rcfalse ccfalse");
        EXPECT_TRUE(lines[4].starts_with("  #1 N700FX")) << lines[4];
    }
    EXPECT_NE(folder.logText().find("older HLMR version than 11.10.0"), std::string::npos);
}

TEST_F(LearnedOverlay, HandmadeFilesReplaceTheStandsWhateverTheirValue)
{
    const char* handmade = R"(<parkpos id="H1" latitude="50" longitude="5"><opt reg="PH-Q" day="3" hh="4"/></parkpos>
                              <parkpos id="H2" latitude="50" longitude="5" type="9" cargo="true" cargo_change="true"
                                       radius_change="true" manual="true"/>)";
    EXPECT_EQ(read(apfText(handmade, R"(<parameter name="handmade" value="false"/>)", "11.0.0")),
              LearnedRead::complete);
    EXPECT_TRUE(state.handmade);
    EXPECT_EQ(stands(),
              (std::vector<std::string>{
                  "H1 50.000000 5.000000 h0.0 r0.0 t0 cfalse rfalse hfalse mfalse rcfalse ccfalse",
                  "  #1 PH-Q /0//0/0 '' '' d3 000000000000000000000000000000000000000000010000 real1 cpl0 file1",
                  "H2 50.000000 5.000000 h0.0 r0.0 t9 ctrue rfalse hfalse mtrue rctrue cctrue"}));

    const char* badId =
        R"(<parkpos id="H1" latitude="50" longitude="5"/><parkpos id="H1" latitude="50" longitude="5"/>)";
    EXPECT_EQ(read(apfText(badId, R"(<parameter name="handmade" value="true"/>)")), LearnedRead::handmadeFailed);
    EXPECT_EQ(state.learnedRead, LearnedRead::handmadeFailed);
    EXPECT_TRUE(gf_learnedReadIncomplete(state.learnedRead));
    EXPECT_NE(folder.logText().find("lf_readLearned: 94: Stand 'H1' appears more than once."), std::string::npos);
}

TEST_F(LearnedOverlay, RepeatedAlertsAreCappedAndCountedAndEveryUnmatchedEntryIsKept)
{
    // 25 uses that the airport file has already, and 25 stands it lacks.
    std::string entries = R"(<parkpos id="A1">)";
    for (int n = 0; n < 25; ++n) {
        entries += R"(<opt reg="PH-ZZZ" airl="XYZ" type="A320" day="1" hh="10"/>)";
        entries += fmt::format(R"(</parkpos><parkpos id="GONE{}"/><parkpos id="A1">)", n);
    }
    EXPECT_EQ(read(apfText(entries + "</parkpos>", "")), LearnedRead::complete);
    const std::string log = folder.logText();
    std::size_t alerts = 0;
    for (std::size_t at = log.find("reg:PH-ZZZ already"); at != std::string::npos;
         at = log.find("reg:PH-ZZZ already", at + 1)) {
        ++alerts;
    }
    EXPECT_EQ(alerts, 10U);
    EXPECT_NE(log.find("15 more 'already in airport file' alerts for "), std::string::npos) << log;
    EXPECT_NE(log.find("15 more 'stand not found' lines for "), std::string::npos) << log;
    const auto kept = state.keptLearnedEntries.first_child().children("parkpos");
    EXPECT_EQ(std::distance(kept.begin(), kept.end()), 25);
}

TEST_F(LearnedOverlay, UnreadableFilesAreReportedAndLeftAsTheyAre)
{
    EXPECT_EQ(read("<root><parkpositions>"), LearnedRead::unparsable);
    EXPECT_FALSE(fs::exists(folder.dir / "EHAM0.xml")) << "the older generation is no place for a damaged file";
    EXPECT_EQ(test::readWholeFile(folder.dir / "EHAM.xml"), "<root><parkpositions>");
    EXPECT_NE(folder.logText().find("EHAM.xml found, but could not be loaded: "), std::string::npos);
    EXPECT_EQ(read(R"(<root><parkpositions><parkpos id="A1" radius_change="true" radius="1"/></parkpositions></root>)"),
              LearnedRead::stoppedEarly);
    EXPECT_EQ(stands()[0], "A1 52.100000 4.100000 h0.0 r40.0 t0 cfalse rfalse hfalse mfalse rcfalse ccfalse");
    EXPECT_EQ(state.stands.size(), 2U);
}

TEST_F(LearnedOverlay, ADifferentAirportNameIsReportedAndReadingGoesOn)
{
    EXPECT_EQ(read(apfText(learnedUse, R"(<parameter name="airport_name" value="Other"/>)")), LearnedRead::complete);
    EXPECT_NE(folder.logText().find("Warning: learned file airport name: 'Other' differs from archived file airport "
                                    "name: 'Schiphol'"),
              std::string::npos);
}

struct SettingsCase {
    const char* parameters;
    int32_t maxLiveSel, range, parkingPercentage, maxFit;
    bool autoRange, week, parkSoft, initialLoadOnly;
};

TEST_F(LearnedOverlay, SettingsAreAppliedWithinTheirBounds)
{
    const SettingsCase cases[] = {
        {"", 500, 40, 30, 47, true, false, false, false},
        {R"(<parameter name="MAX_LIVE_SEL" value="50"/><parameter name="RANGE" value="65"/>
            <parameter name="parking_percentage" value="55"/><parameter name="MAX_FIT" value="9"/>
            <parameter name="AUTO_RANGE" value="false"/><parameter name="WEEK" value="true"/>
            <parameter name="PARK_SOFT" value="true"/><parameter name="INITIAL_LOAD_ONLY" value="true"/>)",
         50, 65, 55, 9, false, true, true, true},
        {R"(<parameter name="MAX_LIVE_SEL" value="99999"/><parameter name="RANGE" value="-4"/>
            <parameter name="parking_percentage" value="500"/><parameter name="MAX_FIT" value="99"/>)",
         500, 40, 70, 47, true, false, false, false},
        {R"(<parameter name="parking_percentage" value="-5"/><parameter name="MAX_FIT" value="-3"/>)", 500, 40, 70, 47,
         true, false, false, false},
    };
    for (const SettingsCase& c : cases) {
        test::resetAirportSettings();
        settings::parkingPercentage.set(70);
        read(apfText("", c.parameters));
        EXPECT_EQ(settings::maxLiveSel.get(), c.maxLiveSel) << c.parameters;
        EXPECT_EQ(settings::range.get(), c.range) << c.parameters;
        EXPECT_EQ(settings::parkingPercentage.get(), c.parkingPercentage) << c.parameters;
        EXPECT_EQ(settings::maxFit.get(), c.maxFit) << c.parameters;
        EXPECT_EQ(settings::autoRange.get(), c.autoRange) << c.parameters;
        EXPECT_EQ(settings::week.get(), c.week) << c.parameters;
        EXPECT_EQ(settings::parkSoft.get(), c.parkSoft) << c.parameters;
        EXPECT_EQ(settings::initialLoadOnly.get(), c.initialLoadOnly) << c.parameters;
    }
    EXPECT_NE(folder.logText().find("MAX_FIT                 : 9 (max number of half hours, is 5.0 hrs decimal)"),
              std::string::npos);
}

} // namespace
} // namespace hlw
