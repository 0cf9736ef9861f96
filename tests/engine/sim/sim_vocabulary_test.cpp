// The registrations after an open, call by call, against the program's vocabulary written out here.
#include "engine/sim/sim_vocabulary.h"
#include "sim_link_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hlw::test {
namespace {

struct Expected {
    SimCallKind kind;
    std::vector<uint32_t> numbers;
    std::vector<std::string> texts;
};

constexpr uint32_t F64 = SIMCONNECT_DATATYPE_FLOAT64;
constexpr uint32_t I64 = SIMCONNECT_DATATYPE_INT64;
constexpr uint32_t S32 = SIMCONNECT_DATATYPE_STRING32;
constexpr uint32_t SV = SIMCONNECT_DATATYPE_STRINGV;
constexpr uint32_t none = SIMCONNECT_UNUSED;

Expected subscribe(uint32_t id, const char* name) { return {SimCallKind::SubscribeToSystemEvent, {id}, {name}}; }
Expected datum(uint32_t def, const char* name, const char* unit, uint32_t type) {
    return {SimCallKind::AddToDataDefinition, {def, type, none}, {name, unit}};
}
Expected mapEvent(uint32_t id, const char* name) { return {SimCallKind::MapClientEventToSimEvent, {id}, {name}}; }
Expected group(uint32_t id) { return {SimCallKind::AddClientEventToNotificationGroup, {301, id, 1}, {}}; }

const std::vector<Expected> expectedRegistrations = {
    subscribe(201, "Sim"),
    subscribe(202, "ObjectAdded"),
    subscribe(203, "ObjectRemoved"),
    subscribe(205, "FlightLoaded"),
    subscribe(204, "Frame"),
    datum(407, "TITLE", "", SV),
    datum(408, "ATC MODEL", "", S32),
    datum(409, "SIM ON GROUND", "Bool", I64),
    datum(402, "Plane Latitude", "degree", F64),
    datum(402, "Plane Longitude", "degree", F64),
    datum(402, "Plane Pitch degrees", "radians", F64),
    datum(402, "Plane Bank degrees", "radians", F64),
    datum(402, "Plane Heading degrees true", "radians", F64),
    datum(402, "Plane Altitude", "feet", F64),
    datum(402, "Vertical Speed", "feet per second", F64),
    datum(402, "Airspeed True", "knots", F64),
    datum(403, "Plane Latitude", "degree", F64),
    datum(403, "Plane Longitude", "degree", F64),
    datum(403, "Plane Pitch degrees", "radians", F64),
    datum(403, "Plane Bank degrees", "radians", F64),
    datum(403, "Plane Heading degrees true", "radians", F64),
    datum(403, "Plane Altitude", "feet", F64),
    datum(403, "Plane Alt Above Ground", "feet", F64),
    datum(403, "Ground Velocity", "knots", F64),
    datum(403, "ZULU TIME", "Seconds", I64),
    datum(403, "ZULU DAY OF YEAR", "Number", I64),
    datum(403, "ZULU YEAR", "Number", I64),
    datum(403, "LIGHT STATES", "Mask", I64),
    datum(405, "Static CG to Ground", "feet", F64),
    datum(405, "Static Pitch", "radians", F64),
    datum(406, "Light On States", "Mask", I64),
    datum(404, "Plane Alt Above Ground", "feet", F64),
    datum(404, "Ground Altitude", "feet", F64),
    datum(404, "SIM ON GROUND", "Bool", I64),
    datum(404, "ATC ID", "", S32),
    datum(401, "SPOILERS HANDLE POSITION", "percent", F64),
    datum(401, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", F64),
    datum(401, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", F64),
    mapEvent(219, "GEAR_SET"),
    mapEvent(220, "ENGINE_AUTO_START"),
    mapEvent(221, "ENGINE_AUTO_SHUTDOWN"),
    mapEvent(222, "THROTTLE_SET"),
    mapEvent(217, "FLAPS_SET"),
    mapEvent(218, "SPOILERS_SET"),
    mapEvent(207, "NAV_LIGHTS_SET"),
    mapEvent(206, "BEACON_LIGHTS_SET"),
    mapEvent(210, "LANDING_LIGHTS_SET"),
    mapEvent(208, "TAXI_LIGHTS_SET"),
    mapEvent(209, "STROBES_SET"),
    mapEvent(212, "LOGO_LIGHTS_SET"),
    mapEvent(211, "CABIN_LIGHTS_SET"),
    mapEvent(213, "ALL_LIGHTS_TOGGLE"),
    mapEvent(214, "FREEZE_LATITUDE_LONGITUDE_SET"),
    mapEvent(215, "FREEZE_ALTITUDE_SET"),
    mapEvent(216, "FREEZE_ATTITUDE_SET"),
    group(207), group(206), group(210), group(208), group(209), group(212), group(211), group(213),
    group(217), group(218), group(219), group(221), group(222), group(214), group(215), group(216),
    {SimCallKind::SetNotificationGroupPriority, {301, 1}, {}},
};

TEST_F(SimLinkTest, RegistrationSendsEveryCallOfTheVocabularyInOrder) {
    const HANDLE handle = openConnection();
    gf_registerSimVocabulary(handle);
    const std::vector<SimCall> sent = calls();
    ASSERT_EQ(sent.size(), expectedRegistrations.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "call " << i);
        EXPECT_EQ(sent[i].kind, expectedRegistrations[i].kind);
        EXPECT_EQ(sent[i].numbers, expectedRegistrations[i].numbers);
        EXPECT_EQ(sent[i].texts, expectedRegistrations[i].texts);
        EXPECT_EQ(sent[i].epsilon, 0.0f);
    }
}

TEST(SimVocabulary, DefinitionSizesAndGroupMembership) {
    EXPECT_EQ(kSimDatums.size(), 33u);
    EXPECT_EQ(kSimClientEvents.size(), 17u);
    EXPECT_EQ(kSimGroupMembers.size(), 16u);
    // Every mapped event is a group member except ENGINE_AUTO_START.
    for (const ClientEventEntry& event : kSimClientEvents) {
        const bool member =
            std::find(kSimGroupMembers.begin(), kSimGroupMembers.end(), event.id) != kSimGroupMembers.end();
        EXPECT_EQ(member, event.simEvent != "ENGINE_AUTO_START") << event.simEvent;
    }
}

} // namespace
} // namespace hlw::test
