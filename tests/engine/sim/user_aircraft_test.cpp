// The user aircraft's data: its block, title and model, and the simulator time taken from it.
#include "core/message_line.h"
#include "core/user_error.h"
#include "engine/base/run_state.h"
#include "engine/sim/sim_dispatch.h"
#include "engine/sim/sim_time.h"
#include "engine/sim/user_model_rules.h"
#include "platform/sim/sim_program_ids.h"
#include "sim_link_fixture.h"

#include <gtest/gtest.h>

#include <ctime>
#include <stdexcept>

namespace hlw::test {
namespace {

using namespace sim_ids;

struct TimeCase {
    int64_t year;
    int64_t day;
    int64_t seconds;
    int64_t expected;
};

int64_t byTimegm(int64_t year, int64_t day, int64_t seconds) {
    std::tm tm{};
    tm.tm_year = static_cast<int>(year - 1900);
    tm.tm_mon = 0;
    tm.tm_mday = static_cast<int>(day);
    tm.tm_sec = static_cast<int>(seconds);
    return static_cast<int64_t>(timegm(&tm));
}

TEST(SimTime, ZuluFieldsGiveSecondsSince1970) {
    const std::vector<TimeCase> cases = {
        {1970, 1, 0, 0},
        {2000, 1, 0, 946684800},
        {2024, 60, 43200, 1709208000},
        {2100, 1, 0, 4102444800},
        {2023, 365, 86399, 1704067199},
        {1972, 366, 0, 94608000},
    };
    for (const TimeCase& c : cases) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(gf_simUtcSeconds(c.year, c.day, c.seconds), c.expected);
        EXPECT_EQ(byTimegm(c.year, c.day, c.seconds), c.expected);
    }
    EXPECT_EQ(gf_simUtcSeconds(1969, 365, 0), std::nullopt);
    EXPECT_EQ(gf_simUtcSeconds(0, 0, 0), std::nullopt);
    EXPECT_EQ(gf_simUtcSeconds(2024, 0, 0), std::nullopt);
    EXPECT_EQ(gf_simUtcSeconds(2024, 1, -5), std::nullopt);
    EXPECT_EQ(gf_simUtcSeconds(INT64_MAX, 1, 0), std::nullopt);
}

struct ModelCase {
    const char* raw;
    const char* title;
    const char* model;
    double span;
    bool known;
    const char* line;
    bool unknownMessage;
};

TEST(UserModelRules, ModelsAreRewrittenAndGetTheirSpans) {
    constexpr double max = 0.0425;
    const std::vector<ModelCase> cases = {
        {"A350-900", "", "A359", 0.0175, true, "model: A359, half wing span: 32.4 meter, category: Large", false},
        {"N738B", "", "B38M", 0.0097, true, "model: B38M, half wing span: 18.0 meter, category: Large", false},
        {"777", "", "772", 0.0164, true, "model: 772, half wing span: 30.4 meter, category: Large", false},
        {"A330-200 (RR)", "", "A332", 0.0163, true, "model: A332,", false},
        {"B737", "", "B737", 0.0093, true, "model: B737,", false},
        {"737", "PMDG 737", "737", max, false, "model: 737, category: Large", true},
        {"737", "DG 737-800 KLM", "B738", 0.0096, true, "model: B738,", false},
        {"737", "DG 737-700", "B737", 0.0093, true, "model: B737,", false},
        {"737", "DG 737-600", "B736", 0.0092, true, "model: B736,", false},
        {"737", "DG 737-900", "B739", 0.0097, true, "model: B739,", false},
        {"ATCCOM.AC_MODEL_C172.0.text", "", "C172", 0.0030, true, "model: C172, half wing span: 5.6 meter, category: Light", false},
        {"ATCCOM.AC_MODEL_DH8.0.text", "", "DH8", 0.0075, true, "model: DH8,", false},
        {"AB.0.text", "", "AB.0.text", max, false, "model: AB.0.text, category: Large", true},
        {"BE.0.text", "", "BE", 0.0040, true, "model: BE,", false},
        {"$$:B748", "", "B748", 0.0185, true, "model: B748,", false},
        {"$$:X", "", "$$:X", max, false, "model: $$:X,", true},
        {"camerapod", "", "camerapod", 0.0078, true, "SimConnect: User aircraft model: camerapod", false},
        {"Crew Vessel 2", "", "Crew Vessel 2", 0.0078, true, "SimConnect: User aircraft model: Crew Vessel 2", false},
        {"UNKN", "", "UNKN", max, false, "model: UNKN, category: Large", true},
        {"LONGMODEL", "", "LONGMODEL", max, false, "model: LONGMODEL,", true},
        {"LONGMODEL", "Aerosoft A321 Lufthansa", "A321", 0.0098, true,
         "SimConnect: User aircraft model deduced from title: A321, half wing span: 18.1 meter", false},
        {"A388", "", "A388", max, false, "model: A388,", true},
    };
    const ModelFacts facts = gf_testModelFacts();
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(c.raw);
        const UserModelOutcome outcome = gf_resolveUserModel(c.raw, c.title, facts);
        EXPECT_EQ(outcome.model, c.model);
        EXPECT_DOUBLE_EQ(outcome.halfSpanNm, c.span);
        EXPECT_EQ(outcome.wingSpanKnown, c.known);
        EXPECT_NE(outcome.logLine.find(c.line), std::string::npos) << outcome.logLine;
        EXPECT_EQ(outcome.message.empty(), !c.unknownMessage);
    }
    EXPECT_EQ(gf_resolveUserModel("camerapod", "", facts).logLine, "SimConnect: User aircraft model: camerapod");
    EXPECT_DOUBLE_EQ(gf_fallbackUserHalfSpan(facts), 0.0063);
}

TEST(UserModelRules, Utf8CutsBackOffToACharacterBoundary) {
    EXPECT_EQ(gf_cutUtf8("abc", 48), "abc");
    EXPECT_EQ(gf_cutUtf8("abcdef", 3), "abc");
    EXPECT_EQ(gf_cutUtf8("ab\xC3\xA9z", 3), "ab");
    EXPECT_EQ(gf_cutUtf8("ab\xC3\xA9z", 4), "ab\xC3\xA9");
    EXPECT_EQ(gf_cutUtf8("a\xE2\x82\xAC", 3), "a");
}

class UserData : public SimLinkTest {
protected:
    void block(double lat, double lon, double altFt = 1000.0, uint32_t objectId = 1) {
        UserBlock b;
        b.latDeg = lat;
        b.lonDeg = lon;
        b.altitudeFt = altFt;
        b.zuluYear = 2024;
        b.zuluDayOfYear = 60;
        b.zuluTimeSeconds = 43200;
        send(gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserBlock, objectId, kDefUserBlock,
                                    gf_bytesOf(b)));
    }
    void onGround(int64_t value) {
        send(gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserOnGround, 1, kDefUserOnGround,
                                    gf_bytesOf(value)));
    }
    void text(DWORD request, const std::string& value, size_t fieldBytes) {
        std::vector<uint8_t> field(std::max(fieldBytes, value.size()), 0);
        std::memcpy(field.data(), value.data(), value.size());
        send(gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, request, 1, 0, field));
    }
    void send(const std::vector<uint8_t>& record) {
        dispatcher.dispatch(reinterpret_cast<const SIMCONNECT_RECV*>(record.data()), static_cast<DWORD>(record.size()));
    }

    SimDispatcher dispatcher{shared, gf_testModelFacts()};
};

TEST_F(UserData, OnGroundBeforeAnyPositionOnlySignalsTheReport) {
    onGround(1);
    EXPECT_TRUE(userDataArrived.exchange(false));
    EXPECT_FALSE(shared.user.groundDataArrived());
    block(47.46, 8.55);
    onGround(1);
    EXPECT_TRUE(userDataArrived.load());
    EXPECT_TRUE(shared.user.groundDataArrived());
    EXPECT_TRUE(shared.user.onGround());
    onGround(0);
    EXPECT_FALSE(shared.user.onGround());
}

TEST_F(UserData, BlocksAreStoredAJumpOfMoreThanTenMilesIsANewFlight) {
    block(47.46, 8.55, -20.0, 7);
    EXPECT_EQ(shared.user.block().altitudeFt, 0.0);
    EXPECT_EQ(shared.user.objectId(), 7u);
    block(47.46 + 9.9 / 60.0, 8.55);
    EXPECT_EQ(logCount("Teleport"), 0u);
    block(47.46 + 20.1 / 60.0, 8.55);
    EXPECT_EQ(logCount("Teleport"), 1u);
    EXPECT_TRUE(events.has("stop NewFlight"));
    EXPECT_EQ(simUtcSeconds.load(), 0);
}

TEST_F(UserData, TheFirstBlockNeverCountsAsAJump) {
    block(-33.9, 151.2);
    EXPECT_TRUE(events.lines().empty());
}

TEST_F(UserData, SimulatorTimeIsTakenOnlyWhileInUse) {
    simTimeInUse.store(true);
    block(47.46, 8.55);
    EXPECT_EQ(simUtcSeconds.load(), 1709208000);
    UserBlock early;
    early.latDeg = 47.46;
    early.lonDeg = 8.55;
    early.zuluYear = 1601;
    early.zuluDayOfYear = 1;
    send(gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserBlock, 1, kDefUserBlock, gf_bytesOf(early)));
    EXPECT_EQ(simUtcSeconds.load(), 1709208000);
}

TEST_F(UserData, TitlesAreCutToFortyEightBytesAndShownWhenTheyChange) {
    text(kReqUserTitle, "", 1);
    EXPECT_EQ(logCount("! Title of your aircraft is empty?"), 1u);
    const std::string longTitle = std::string(47, 'T') + "\xC3\xA9" + "tail";
    text(kReqUserTitle, longTitle, 0);
    EXPECT_EQ(shared.user.title(), std::string(47, 'T'));
    text(kReqUserTitle, std::string(47, 'T') + "\xC3\xA9" + "other", 0);
    EXPECT_EQ(events.lines(), (std::vector<std::string>{"aircraft text " + std::string(47, 'T')}));
    EXPECT_EQ(logCount("          SimConnect: User aircraft title: " + std::string(47, 'T')), 1u) << logText();
}

TEST_F(UserData, ModelsSetTheSpanAndAnEmptyModelTakesTheFallback) {
    text(kReqUserModel, "A350-900", 32);
    EXPECT_DOUBLE_EQ(shared.user.halfWingSpanNm(), 0.0175);
    EXPECT_EQ(logCount("          model raw: A350-900"), 1u);
    EXPECT_EQ(logCount("          SimConnect: User aircraft model: A359, half wing span: 32.4 meter, category: Large"),
              1u);
    text(kReqUserModel, "", 32);
    EXPECT_DOUBLE_EQ(shared.user.halfWingSpanNm(), 0.0063);
    EXPECT_EQ(gf_messageLineTexts().message,
              "171: No model info from your user aircraft received in SimConnect, CRJ7 is taken instead");
    EXPECT_EQ(events.lines(), (std::vector<std::string>{"wing span known true",
                                                        "aircraft text Unknown (encrypted?) aircraft"}));
    text(kReqUserModel, "XYZ", 8);
    EXPECT_EQ(logCount("! SimConnect data of request 107 holds 8 bytes, 32 expected, skipped"), 1u);
}

TEST_F(UserData, AFaultWhileTheModelIsProcessedBecomesUserError73) {
    ModelFacts broken = gf_testModelFacts();
    broken.halfSpanNm = [](std::string_view) -> double { throw std::runtime_error("table gone"); };
    SimDispatcher failing(shared, broken);
    std::vector<uint8_t> field(32, 0);
    std::memcpy(field.data(), "A320", 4);
    const auto record = gf_simObjectDataRecord(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserModel, 1, 0, field);
    try {
        failing.dispatch(reinterpret_cast<const SIMCONNECT_RECV*>(record.data()), static_cast<DWORD>(record.size()));
        ADD_FAILURE() << "no exception";
    } catch (const UserErrorException& e) {
        EXPECT_EQ(e.code(), 73);
        EXPECT_STREQ(e.what(), "73: It looks like you have not selected an aircraft as user vehicle");
    }
}

} // namespace
} // namespace hlw::test
