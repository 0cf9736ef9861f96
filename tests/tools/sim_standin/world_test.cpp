// The stand-in's world without sockets: name tables, packing, the user script, the clock, facility
// files, flight plans, and the simulation driven through a recording sink.
#include "control_server.h"
#include "data_definition.h"
#include "engine_registrations.h"
#include "facility_store.h"
#include "flight_plan_reader.h"
#include "options.h"
#include "simulation.h"
#include "support/temp_dir.h"
#include "terrain.h"
#include "user_script.h"
#include "zulu_clock.h"

#include <gtest/gtest.h>

#include <cstring>

namespace hlw::standin {
namespace {

using namespace std::chrono_literals;

struct DatumRow {
    const char* name;
    const char* unit;
    DWORD type;
};

DataDefinition lf_definition(const std::vector<DatumRow>& rows) {
    DataDefinition definition;
    for (const DatumRow& row : rows) {
        const DatumCheck check = gf_checkDatum(row.name, row.unit, row.type);
        EXPECT_EQ(check.problem, DatumProblem::None) << row.name;
        if (check.datum) {
            definition.push_back(*check.datum);
        }
    }
    return definition;
}

// One of the engine's definitions, as it registers it.
DataDefinition lf_engineDefinition(uint32_t define) {
    std::vector<DatumRow> rows;
    for (const test::EngineDatum& datum : test::gc_engineDatums) {
        if (datum.define == define) {
            rows.push_back({datum.name, datum.unit != nullptr ? datum.unit : "", static_cast<DWORD>(datum.type)});
        }
    }
    return lf_definition(rows);
}

TEST(StandinNames, DatumsUnitsAndTypesAreCheckedCaseInsensitively) {
    struct Case {
        const char* name;
        const char* unit;
        DWORD type;
        DatumProblem problem;
    };
    const Case cases[] = {
        {"plane latitude", "DEGREE", SIMCONNECT_DATATYPE_FLOAT64, DatumProblem::None},
        {"Static CG to Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64, DatumProblem::None},
        {"TITLE", "", SIMCONNECT_DATATYPE_STRINGV, DatumProblem::None},
        {"ATC MODEL", "", SIMCONNECT_DATATYPE_STRING32, DatumProblem::None},
        {"GENERAL ENG THROTTLE LEVER POSITION:2", "percent", SIMCONNECT_DATATYPE_FLOAT64, DatumProblem::None},
        {"PLANE LATTITUDE", "degree", SIMCONNECT_DATATYPE_FLOAT64, DatumProblem::UnknownName},
        {"GENERAL ENG THROTTLE LEVER POSITION:7", "percent", SIMCONNECT_DATATYPE_FLOAT64, DatumProblem::UnknownName},
        {"Plane Altitude", "fathoms", SIMCONNECT_DATATYPE_FLOAT64, DatumProblem::UnknownUnit},
        {"Plane Altitude", "radians", SIMCONNECT_DATATYPE_FLOAT64, DatumProblem::WrongUnit},
        {"ATC ID", "feet", SIMCONNECT_DATATYPE_STRING32, DatumProblem::WrongUnit},
        {"ATC ID", "", SIMCONNECT_DATATYPE_FLOAT64, DatumProblem::WrongType},
        {"Plane Altitude", "feet", SIMCONNECT_DATATYPE_STRING32, DatumProblem::WrongType},
        {"Plane Altitude", "feet", 99, DatumProblem::WrongType},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_checkDatum(c.name, c.unit, c.type).problem, c.problem) << c.name << " / " << c.unit;
    }
    EXPECT_TRUE(gf_findSimEvent("freeze_latitude_longitude_set"));
    EXPECT_FALSE(gf_findSimEvent("FREEZE_LATITUDE_SET"));
    EXPECT_TRUE(gf_findSystemEvent("FRAME"));
    EXPECT_FALSE(gf_findSystemEvent("6Hz"));
    EXPECT_TRUE(gf_isFacilityField("open taxi_parking"));
    EXPECT_FALSE(gf_isFacilityField("N_RUNWAYS"));
}

TEST(StandinPacking, RepliesHaveTheSizesTheEngineReadsAndWrittenValuesComeBackExactly) {
    SimObject object;
    object.atcId = "A-VERY-LONG-TAIL-NUMBER-OF-THIRTY-FIVE";
    const Surroundings around{100.0, {2024, 60, 43200}};
    EXPECT_EQ(gf_packDefinition(lf_engineDefinition(sim_ids::kDefUserBlock), object, around).size(), 96u);
    const Bytes inRange = gf_packDefinition(lf_engineDefinition(sim_ids::kDefInRange), object, around);
    ASSERT_EQ(inRange.size(), 56u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(inRange.data() + 24)), object.atcId.substr(0, 31));

    const DataDefinition position = lf_engineDefinition(sim_ids::kDefAiPosition);
    ASSERT_EQ(gf_definitionSize(position), 64u);
    const double values[8] = {47.123456789012345, -122.98765432109876, -0.0523, 0.0175, 6.2, 12345.678, -9.75, 143.3};
    std::vector<uint8_t> block(64);
    std::memcpy(block.data(), values, 64);
    EXPECT_EQ(gf_unpackDefinition(position, object, std::span(block).first(20)), 2u);
    EXPECT_EQ(gf_unpackDefinition(position, object, block), 8u);
    EXPECT_EQ(gf_packDefinition(position, object, around), block);

    // A value off the globe, not finite or beyond the world's magnitude is ignored; the others are stored.
    const double bad[8] = {90.5, -180.5, NAN, INFINITY, -1e300, 2e6, NAN, 1e300};
    for (size_t i = 0; i < 8; ++i) {
        std::vector<uint8_t> worse = block;
        std::memcpy(worse.data() + i * 8, &bad[i], 8);
        EXPECT_EQ(gf_unpackDefinition(position, object, worse), 7u) << i;
        EXPECT_EQ(gf_packDefinition(position, object, around), block) << i;
    }

    DataDefinition title = lf_definition({{"TITLE", "", SIMCONNECT_DATATYPE_STRINGV}});
    object.title = "Some Livery";
    EXPECT_EQ(gf_packDefinition(title, object, around), Bytes(object.title.begin(), object.title.end() + 1));
    EXPECT_FALSE(gf_definitionSize(title));
}

TEST(StandinPacking, UnitsConvertWithinTheirDimension) {
    SimObject object;
    object.headingRad = 1.5707963267948966;
    object.altFt = 3280.839895013123;
    const Surroundings around{};
    const DataDefinition degrees = lf_definition({{"PLANE HEADING DEGREES TRUE", "degrees", SIMCONNECT_DATATYPE_FLOAT64},
                                                  {"PLANE ALTITUDE", "meters", SIMCONNECT_DATATYPE_FLOAT64},
                                                  {"PLANE ALTITUDE", "feet", SIMCONNECT_DATATYPE_INT32}});
    const Bytes packed = gf_packDefinition(degrees, object, around);
    ASSERT_EQ(packed.size(), 20u);
    double heading = 0;
    double metres = 0;
    int32_t feet = 0;
    std::memcpy(&heading, packed.data(), 8);
    std::memcpy(&metres, packed.data() + 8, 8);
    std::memcpy(&feet, packed.data() + 16, 4);
    EXPECT_NEAR(heading, 90.0, 1e-9);
    EXPECT_NEAR(metres, 1000.0, 1e-9);
    EXPECT_EQ(feet, 3281);
}

TEST(StandinUserScript, InterpolatesHoldsTheEndsAndTurnsTheShortWay) {
    const UserScript script = UserScript::parse("t,lat,lon,alt,heading,pitch,bank,gs,onground\n"
                                                "# comment\n"
                                                "0,47.0,8.0,1000,350,0,0,0,1\n"
                                                "10,47.1,8.2,3000,10,-3,5,200,0\n");
    EXPECT_EQ(script.duration(), 10.0);
    const UserState middle = script.at(5.0);
    EXPECT_NEAR(middle.latDeg, 47.05, 1e-12);
    EXPECT_NEAR(middle.lonDeg, 8.1, 1e-12);
    EXPECT_NEAR(middle.altFt, 2000.0, 1e-9);
    EXPECT_NEAR(middle.headingDeg, 0.0, 1e-9);
    EXPECT_NEAR(script.at(2.5).headingDeg, 355.0, 1e-9);
    EXPECT_EQ(script.at(-1.0).altFt, 1000.0);
    EXPECT_TRUE(script.at(-1.0).onGround);
    EXPECT_EQ(script.at(99.0).groundSpeedKt, 200.0);
    EXPECT_FALSE(script.at(99.0).onGround);

    for (const char* bad : {"0,47,8,1000,0,0,0,0\n", "0,47,8,x,0,0,0,0,0\n", "5,47,8,0,0,0,0,0,0\n1,47,8,0,0,0,0,0,0\n",
                            "0,95,8,0,0,0,0,0,0\n", "0,47,8,nan,0,0,0,0,0\n", "0,47,8,0,0,0,0,1e300,0\n"}) {
        EXPECT_THROW(UserScript::parse(bad), std::invalid_argument) << bad;
    }
}

TEST(StandinOptions, BadValuesAreRefusedAndBoundsAccepted) {
    EXPECT_TRUE(gf_parseOptions({"--help"}).help);
    EXPECT_TRUE(gf_parseOptions({"-h"}).help);
    const StandinOptions bounds = gf_parseOptions({"--frames", "0", "--user-id", "7", "--first-object-id", "8", "--duration", "0.5"});
    EXPECT_EQ(bounds.start.firstObjectId, 8u);
    EXPECT_EQ(bounds.durationSeconds, 0.5);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--port", "70000"}, {"--frames", "1000.5"}, {"--frames", "-1"}, {"--user-id", "0"},
          {"--first-object-id", "1"}, {"--duration", "0"}, {"--command"}, {"--frob"}}) {
        EXPECT_THROW(gf_parseOptions(bad), std::invalid_argument) << bad[0];
    }
}

TEST(StandinTerrain, TheLastZoneThatHoldsThePointGivesItsElevation) {
    EXPECT_NEAR(gf_distanceNm(47.0, 8.0, 48.0, 8.0), 60.04, 0.01);
    Terrain terrain;
    terrain.add({47.0, 8.0, 30.0, 1000.0});
    terrain.add({47.0, 8.0, 7.0, 2000.0});
    EXPECT_EQ(terrain.elevationFt(47.1, 8.0), 2000.0);
    EXPECT_EQ(terrain.elevationFt(47.2, 8.0), 1000.0);
    EXPECT_EQ(terrain.elevationFt(47.6, 8.0), 0.0);
}

TEST(StandinZuluClock, RunsWithTimeRollsOverTheYearAndCanBeFrozen) {
    const auto start = Clock::now();
    ZuluClock clock;
    clock.set({2023, 365, 86399}, false, start);
    const ZuluTime later = clock.at(start + 2s);
    EXPECT_EQ(later.year, 2024);
    EXPECT_EQ(later.dayOfYear, 1);
    EXPECT_EQ(later.seconds, 1);
    clock.set({2024, 366, 86399}, false, start);
    EXPECT_EQ(clock.at(start + 1s).year, 2025);
    clock.set({2024, 100, 3600}, true, start);
    EXPECT_EQ(clock.at(start + 1h).seconds, 3600);
}

TEST(StandinFacility, PackingFollowsTheDefinitionAndTheFixedOffsets) {
    const std::vector<std::string> fields(std::begin(test::gc_parkingFacilityFields), std::end(test::gc_parkingFacilityFields));
    std::string error;
    const auto layout = gf_facilityLayout(fields, error);
    ASSERT_TRUE(layout) << error;
    const FacilityAirport airport = gf_parseFacilityJson(R"({"name":"Field","lat":47.5,"lon":8.5,"alt_m":430.0,
        "parkings":[{"type":8,"number":12,"heading":180,"radius":30,"bias_x":30,"bias_z":-40}],
        "helipads":[{"lat":47.4,"lon":8.4,"heading":45,"width":20,"type":2}]})");

    const Bytes head = gf_packAirport(*layout, airport);
    ASSERT_EQ(head.size(), 24u + 6u + 8u);
    int32_t count = 0;
    std::memcpy(&count, head.data() + 30 + 4, 4);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(head.data() + 24), "Field");

    const Bytes parking = gf_packParking(*layout, airport.parkings[0]);
    ASSERT_EQ(parking.size(), 40u);
    uint32_t number = 0;
    float biasZ = 0;
    std::memcpy(&number, parking.data() + 16, 4);
    std::memcpy(&biasZ, parking.data() + 36, 4);
    EXPECT_EQ(number, 12u);
    EXPECT_EQ(biasZ, -40.0f);

    const Bytes helipad = gf_packHelipad(*layout, airport.helipads[0]);
    ASSERT_EQ(helipad.size(), 44u);
    float width = 0;
    int32_t type = 0;
    std::memcpy(&width, helipad.data() + 32, 4);
    std::memcpy(&type, helipad.data() + 40, 4);
    EXPECT_EQ(width, 20.0f);
    EXPECT_EQ(type, 2);

    EXPECT_FALSE(gf_facilityLayout({"OPEN AIRPORT", "NUMBER", "CLOSE AIRPORT"}, error));
    EXPECT_FALSE(gf_facilityLayout({"OPEN AIRPORT", "LATITUDE"}, error));
}

TEST(StandinFacility, BadFilesAndCodesAreRejected) {
    for (const char* bad : {"[]", "{", R"({"lat":91,"lon":0,"alt_m":0})", R"({"lat":"x","lon":0,"alt_m":0})",
                            R"({"lat":1,"lon":0,"alt_m":0,"parkings":[{"type":8}]})"}) {
        EXPECT_THROW(gf_parseFacilityJson(bad), std::invalid_argument) << bad;
    }
    test::TempDir folder;
    test::writeWholeFile(folder / "LSZH.json", R"({"lat":47,"lon":8,"alt_m":400})");
    EXPECT_TRUE(gf_loadFacility(folder.path(), "lszh"));
    EXPECT_FALSE(gf_loadFacility(folder.path(), "ZZZZ"));
    EXPECT_FALSE(gf_loadFacility(folder.path(), "../LSZH"));
}

TEST(StandinFlightPlan, TheAceXmlPlanIsReadAndEverythingElseRefused) {
    test::TempDir folder;
    const std::string good = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SimBase.Document Type=\"AceXML\" "
                             "version=\"4,3\">\n<FlightPlan.FlightPlan>\n<FPType>VFR</FPType>\n<DepartureID>GVA"
                             "</DepartureID>\n<DestinationID>ZRH</DestinationID>\n</FlightPlan.FlightPlan>\n"
                             "</SimBase.Document>\n\n";
    test::writeWholeFile(folder / "1.pln", good);
    std::string error;
    const auto plan = gf_readFlightPlan(folder / "1.pln", error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->type, "VFR");
    EXPECT_EQ(plan->departure, "GVA");
    EXPECT_EQ(plan->destination, "ZRH");

    std::string wrongType = good;
    wrongType.replace(wrongType.find("VFR"), 3, "XYZ");
    const std::string cases[] = {good.substr(0, good.size() / 2), wrongType, "<root/>", ""};
    for (const std::string& bad : cases) {
        test::writeWholeFile(folder / "2.pln", bad);
        EXPECT_FALSE(gf_readFlightPlan(folder / "2.pln", error)) << bad;
    }
    EXPECT_FALSE(gf_readFlightPlan(folder / "missing.pln", error));
}

TEST(StandinControl, CommandLinesSplitIntoWordsAndTheTextAfterTheSecond) {
    std::string rest;
    const auto words = gf_splitCommand("  user title  Big Airliner  Livery \r", rest);
    ASSERT_EQ(words.size(), 5u);
    EXPECT_EQ(words[0], "user");
    EXPECT_EQ(rest, "Big Airliner  Livery");
    gf_splitCommand("stats", rest);
    EXPECT_TRUE(rest.empty());
}

// Keeps every record sent, per client.
class RecordingSink final : public ClientSink {
public:
    void sendFrame(uint32_t clientId, Bytes frame) override {
        WireFrame decoded;
        std::memcpy(&decoded.kind, frame.data() + 4, 4);
        decoded.payload.assign(frame.begin() + 8, frame.end());
        frames[clientId].push_back(std::move(decoded));
    }
    void closeAfterFlush(uint32_t clientId) override { closed.push_back(clientId); }
    std::vector<DWORD> recordIds(uint32_t clientId) const {
        std::vector<DWORD> ids;
        for (const WireFrame& frame : frames.at(clientId)) {
            if (frame.kind == kWireKindRecord) {
                ids.push_back(reinterpret_cast<const SIMCONNECT_RECV*>(frame.payload.data())->dwID);
            }
        }
        return ids;
    }
    std::map<uint32_t, std::vector<WireFrame>> frames;
    std::vector<uint32_t> closed;
};

SimCall lf_call(SimCallKind kind, uint32_t packet, std::vector<uint32_t> numbers, std::vector<std::string> texts = {},
                std::vector<uint8_t> block = {}) {
    SimCall call;
    call.kind = kind;
    call.packetId = packet;
    call.numbers = std::move(numbers);
    call.texts = std::move(texts);
    call.block = std::move(block);
    return call;
}

SimCall lf_create(uint32_t packet, const std::string& title, const std::string& tail,
                  SIMCONNECT_DATA_INITPOSITION position = {47.46, 8.55, 3000, 0, 0, 90, 0, 0}) {
    std::vector<uint8_t> block(sizeof position);
    std::memcpy(block.data(), &position, sizeof position);
    return lf_call(SimCallKind::AICreateNonATCAircraft, packet, {104}, {title, tail}, block);
}

class StandinWorld : public ::testing::Test {
protected:
    // Created objects numbered from 2, just above the user's, so that the checks can name them.
    StandinWorld() : simulation(sink, StartOptions{0.0, "", 1, 2}, start) {
        simulation.connect(1, "Hollowmere");
        simulation.handleCall(1, lf_call(SimCallKind::SubscribeToSystemEvent, 1, {202}, {"ObjectAdded"}));
        simulation.handleCall(1, lf_call(SimCallKind::SubscribeToSystemEvent, 2, {203}, {"ObjectRemoved"}));
    }
    size_t count(uint32_t client, DWORD id) const {
        const auto ids = sink.recordIds(client);
        return static_cast<size_t>(std::count(ids.begin(), ids.end(), id));
    }

    RecordingSink sink;
    const Clock::time_point start = Clock::now();
    Simulation simulation;
};

TEST_F(StandinWorld, CreationIsAnnouncedOnlyAfterItsDelay) {
    simulation.handleCall(1, lf_create(3, "Livery", "ABC1"));
    EXPECT_EQ(count(1, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE), 0u);
    simulation.advance(Clock::now() + 150ms);
    EXPECT_EQ(count(1, SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID), 1u);
    EXPECT_EQ(count(1, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE), 1u);
    const auto object = simulation.command({"obj", "get", "2"}, "")["object"];
    EXPECT_EQ(object["atc_id"], "ABC1");
    EXPECT_EQ(object["owner"], 1);
}

TEST_F(StandinWorld, LimitsStrictTitlesAndHooksShapeCreation) {
    simulation.command({"create", "maxobjects", "1"}, "");
    simulation.command({"obj", "spawn", "FOREIGN", "47", "8", "3000"}, ""); // the simulator's own: not counted
    simulation.command({"create", "strict", "on"}, "");
    simulation.command({"create", "known", "Known*"}, "");
    simulation.handleCall(1, lf_create(3, "Unknown Livery", "A"));
    simulation.handleCall(1, lf_create(4, "Known Livery", "B"));
    simulation.handleCall(1, lf_create(5, "Known Livery", "C"));
    const auto exceptions = simulation.command({"exceptions"}, "")["exceptions"];
    ASSERT_EQ(exceptions.size(), 2u);
    EXPECT_EQ(exceptions[0]["code"], SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED);
    EXPECT_EQ(exceptions[0]["send_id"], 3);
    EXPECT_EQ(exceptions[1]["code"], SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS);
    EXPECT_EQ(exceptions[1]["send_id"], 5);

    simulation.command({"create", "maxobjects", "10"}, "");
    simulation.command({"create", "addedlate"}, "");
    simulation.handleCall(1, lf_create(6, "Known Livery", "D"));
    simulation.advance(Clock::now() + 150ms);
    EXPECT_EQ(count(1, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE), 1u); // the foreign object's
    simulation.handleCall(1, lf_call(SimCallKind::AddToDataDefinition, 7, {404, SIMCONNECT_DATATYPE_STRING32, SIMCONNECT_UNUSED},
                                     {"ATC ID", ""}));
    simulation.handleCall(1, lf_call(SimCallKind::RequestDataOnSimObjectType, 8, {101, 404, 50000, 2}));
    EXPECT_EQ(count(1, SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE), 3u);
    EXPECT_EQ(count(1, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE), 3u);
}

TEST_F(StandinWorld, CreationNeedsAPositionOnTheGlobeAndSaneNumbers) {
    using Position = SIMCONNECT_DATA_INITPOSITION;
    const std::pair<double Position::*, double> cases[] = {
        {&Position::Latitude, -90.5}, {&Position::Longitude, 180.5}, {&Position::Altitude, 1e300},
        {&Position::Pitch, NAN},      {&Position::Bank, INFINITY},   {&Position::Heading, -2e6}};
    uint32_t packet = 10;
    for (const auto& [field, value] : cases) {
        Position position{47.46, 8.55, 3000, 0, 0, 90, 0, 0};
        position.*field = value;
        simulation.handleCall(1, lf_create(++packet, "Livery", "A", position));
    }
    simulation.handleCall(1, lf_create(++packet, "Livery", "B", {-90, 180, -1e6, 0, 0, 1e6, 0, 1000000}));
    const auto exceptions = simulation.command({"exceptions"}, "")["exceptions"];
    ASSERT_EQ(exceptions.size(), std::size(cases));
    for (const auto& exception : exceptions) {
        EXPECT_EQ(exception["code"], SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED);
    }
}

TEST_F(StandinWorld, DisconnectRemovesTheClientsObjectsUnlessOrphansAreKept) {
    simulation.connect(2, "Other");
    simulation.handleCall(2, lf_call(SimCallKind::SubscribeToSystemEvent, 1, {9}, {"ObjectRemoved"}));
    simulation.handleCall(1, lf_create(3, "Livery", "A"));
    simulation.advance(Clock::now() + 150ms);
    simulation.disconnect(1);
    EXPECT_EQ(count(2, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE), 1u);
    EXPECT_EQ(simulation.command({"obj", "list"}, "")["objects"].size(), 1u);

    simulation.command({"sim", "orphans", "keep"}, "");
    simulation.connect(3, "Third");
    simulation.handleCall(3, lf_create(1, "Livery", "B"));
    simulation.advance(Clock::now() + 300ms);
    simulation.disconnect(3);
    EXPECT_EQ(simulation.command({"obj", "list"}, "")["objects"].size(), 2u);
}

TEST_F(StandinWorld, FreeObjectsFlyOnUntilFrozen) {
    simulation.handleCall(1, lf_call(SimCallKind::MapClientEventToSimEvent, 3, {214}, {"FREEZE_LATITUDE_LONGITUDE_SET"}));
    simulation.handleCall(1, lf_create(4, "Livery", "A", {47.46, 8.55, 3000, 0, 0, 0, 0, 250}));
    const auto created = Clock::now() + 150ms;
    simulation.advance(created);
    simulation.advance(created + 1s);
    const double lat = simulation.command({"obj", "get", "2"}, "")["object"]["lat"].get<double>();
    EXPECT_NEAR(lat - 47.46, 250.0 * 1852.0 / 3600.0 / 111132.95, 1e-5);

    simulation.handleCall(1, lf_call(SimCallKind::TransmitClientEvent, 5, {2, 214, 1, 301, 0}));
    simulation.advance(created + 3s);
    EXPECT_EQ(simulation.command({"obj", "get", "2"}, "")["object"]["lat"].get<double>(), lat);
}

TEST_F(StandinWorld, InjectedRecordsFrameRequestsAndRefusalsReachTheClient) {
    ASSERT_TRUE(simulation.command({"raw", "77", "0102"}, "")["ok"].get<bool>());
    EXPECT_EQ(count(1, 77), 1u);
    // A request per frame gets nothing more while no frames run, as in this world.
    simulation.handleCall(1, lf_call(SimCallKind::AddToDataDefinition, 3, {404, SIMCONNECT_DATATYPE_FLOAT64, SIMCONNECT_UNUSED},
                                     {"Plane Altitude", "feet"}));
    simulation.handleCall(1, lf_call(SimCallKind::RequestDataOnSimObject, 4,
                                     {101, 404, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SIM_FRAME, 0, 0, 0, 0}));
    simulation.advance(Clock::now() + 50ms);
    EXPECT_EQ(count(1, SIMCONNECT_RECV_ID_SIMOBJECT_DATA), 1u);
    // A standing request on the user follows it to a new object id.
    simulation.handleCall(1, lf_call(SimCallKind::RequestDataOnSimObject, 5,
                                     {102, 404, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND, 0, 0, 0, 0}));
    ASSERT_TRUE(simulation.command({"user", "id", "50"}, "")["ok"].get<bool>());
    simulation.advance(Clock::now() + 1500ms);
    EXPECT_EQ(count(1, SIMCONNECT_RECV_ID_SIMOBJECT_DATA), 3u);
    simulation.handleCall(1, lf_call(SimCallKind::AIReleaseControl, 6, {SIMCONNECT_OBJECT_ID_USER, 103}));
    const auto exceptions = simulation.command({"exceptions"}, "")["exceptions"];
    ASSERT_EQ(exceptions.size(), 1u);
    EXPECT_EQ(exceptions[0]["code"], SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE);
    EXPECT_EQ(exceptions[0]["index"], 1);
}

TEST_F(StandinWorld, FramesRunWhileTheSimulationRunsAndWhilePausedOnlyWhenAsked) {
    simulation.handleCall(1, lf_call(SimCallKind::SubscribeToSystemEvent, 3, {205}, {"Frame"}));
    simulation.command({"sim", "frames", "10"}, "");
    simulation.command({"sim", "frameswhilepaused", "off"}, "");
    Clock::time_point at = Clock::now();
    const auto framesAfterASecond = [&](const char* running) {
        simulation.command({"sim", "run", running}, "");
        simulation.advance(at += 1s);
        return count(1, SIMCONNECT_RECV_ID_EVENT_FRAME);
    };
    EXPECT_EQ(framesAfterASecond("1"), 1u);
    EXPECT_EQ(framesAfterASecond("0"), 1u);
    simulation.command({"sim", "frameswhilepaused", "on"}, "");
    EXPECT_EQ(framesAfterASecond("0"), 2u);
}

TEST_F(StandinWorld, OnTheGroundMeansOnTheTerrainAtTheLastMatchingCentreOfGravity) {
    for (const char* rule : {"*", "*Heavy*", "*Light*"}) {
        simulation.command({"cg", rule, rule[1] == 'H' ? "14.5" : "3", "0"}, "");
    }
    simulation.handleCall(1, lf_create(3, "Big Heavy", "A", {47.46, 8.55, 5000, 0, 0, 90, 1, 0}));
    simulation.advance(Clock::now() + 150ms);
    const auto object = simulation.command({"obj", "get", "2"}, "")["object"];
    EXPECT_EQ(object["alt_ft"], 1416.0 + 14.5); // the sample field's terrain
    EXPECT_EQ(object["static_cg_ft"], 14.5);
}

// The facility switches of one airport: a later answer, no end record, cut data blocks, a connection closed after
// half of the answer. Other airports answer as usual, and "clear" ends the faults.
TEST_F(StandinWorld, FacilityFaultsHitOnlyTheirAirport) {
    const test::TempDir folder;
    for (const char* code : {"EHAM", "EHRD"}) {
        test::writeWholeFile(folder / (std::string(code) + ".json"),
                             R"({"lat":52,"lon":4,"alt_m":-3,"parkings":[{"type":8,"number":1,"heading":0,"radius":20},
                             {"type":8,"number":2,"heading":0,"radius":20}],"helipads":[]})");
    }
    simulation.command({"facility", "dir", folder.path().string()}, "");
    uint32_t packet = 10;
    for (const char* field : test::gc_parkingFacilityFields) {
        simulation.handleCall(1, lf_call(SimCallKind::AddToFacilityDefinition, packet++, {1001}, {field}));
    }
    struct Answer {
        size_t records = 0;
        size_t ends = 0;
        size_t shortest = SIZE_MAX;
    };
    const auto request = [&](const char* code) {
        const size_t before = sink.frames[1].size();
        const uint32_t id = packet++;
        simulation.handleCall(1, lf_call(SimCallKind::RequestFacilityData, id, {1001, 2000 + id}, {code, ""}));
        return before;
    };
    const auto answerSince = [&](size_t from) {
        Answer answer;
        for (size_t i = from; i < sink.frames[1].size(); ++i) {
            const auto* record = reinterpret_cast<const SIMCONNECT_RECV*>(sink.frames[1][i].payload.data());
            if (record->dwID == SIMCONNECT_RECV_ID_FACILITY_DATA) {
                ++answer.records;
                answer.shortest = std::min<size_t>(answer.shortest, record->dwSize - SIMCONNECT_FACILITY_DATA_HEAD_SIZE);
            }
            answer.ends += record->dwID == SIMCONNECT_RECV_ID_FACILITY_DATA_END ? 1 : 0;
        }
        return answer;
    };
    const Answer sound = answerSince(request("EHAM"));
    EXPECT_EQ(sound.records, 3u);
    EXPECT_EQ(sound.ends, 1u);
    EXPECT_EQ(sound.shortest, 33u); // the airport: 24 bytes, an empty name and the two counts

    ASSERT_TRUE(simulation.command({"facility", "short", "eham"}, "")["ok"].get<bool>());
    EXPECT_EQ(answerSince(request("EHAM")).shortest, 16u);
    EXPECT_EQ(answerSince(request("EHRD")).shortest, 33u);

    simulation.command({"facility", "clear"}, "");
    simulation.command({"facility", "noend", "EHAM"}, "");
    EXPECT_EQ(answerSince(request("EHAM")).ends, 0u);
    EXPECT_EQ(answerSince(request("EHRD")).ends, 1u);

    simulation.command({"facility", "clear", "EHAM"}, "");
    simulation.command({"facility", "delay", "EHAM", "500"}, "");
    const size_t delayed = request("EHAM");
    simulation.advance(Clock::now() + 100ms);
    EXPECT_EQ(answerSince(delayed).records, 0u);
    EXPECT_EQ(answerSince(request("EHRD")).records, 3u);
    simulation.advance(Clock::now() + 600ms);
    EXPECT_EQ(answerSince(delayed).records, 6u); // EHRD's answer came in between
    EXPECT_EQ(answerSince(delayed).ends, 2u);

    simulation.command({"facility", "clear", "EHAM"}, "");
    simulation.command({"facility", "drop", "EHAM"}, "");
    EXPECT_TRUE(sink.closed.empty());
    const Answer dropped = answerSince(request("EHAM"));
    EXPECT_EQ(dropped.records, 2u); // half of airport, two parkings and the end record
    EXPECT_EQ(dropped.ends, 0u);
    EXPECT_EQ(sink.closed, std::vector<uint32_t>{1});

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"facility", "delay", "EHAM"}, {"facility", "delay", "EHAM", "-5"}, {"facility", "short"},
             {"facility", "drop", "../x"}, {"facility", "shake", "EHAM"}}) {
        EXPECT_FALSE(simulation.command(bad, "")["ok"].get<bool>()) << bad[1];
    }
}

TEST_F(StandinWorld, ControlCommandsRejectBadArguments) {
    const test::TempDir folder;
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"user", "set", "95", "8", "0", "0", "0", "0", "0", "0"},
                                               {"terrain", "add", "47", "8", "-1", "400"},
                                               {"terrain", "add", "47", "8", "5", "nan"},
                                               {"terrain", "add", "47", "8", "5", "1e300"},
                                               {"obj", "get", "99"},
                                               {"obj", "remove", "1"},
                                               {"sim", "frames", "5000"},
                                               {"time", "set", "2023", "366", "0"},
                                               {"failnext", "NoSuchCall", "1"},
                                               {"raw", "8", "abc"},
                                               {"track", (folder / "track.csv").string(), "5000"},
                                               {"nonsense"}}) {
        const auto reply = simulation.command(bad, "");
        EXPECT_FALSE(reply["ok"].get<bool>()) << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
    }
}

} // namespace
} // namespace hlw::standin
