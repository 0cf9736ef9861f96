// The stand-in process against the real client layer: a test client plays the engine's part.
#include "engine_registrations.h"
#include "sim_test_client.h"
#include "standin_process.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace hlw::test {
namespace {

using namespace std::chrono_literals;
using namespace hlw::sim_ids;

bool lf_isException(const Record& r) { return gf_recordId(r) == SIMCONNECT_RECV_ID_EXCEPTION; }

std::function<bool(const Record&)> lf_event(DWORD recvId, DWORD eventId) {
    return [=](const Record& r) {
        return gf_recordId(r) == recvId && gf_recordAs<SIMCONNECT_RECV_EVENT>(r).uEventID == eventId;
    };
}

std::function<bool(const Record&)> lf_data(DWORD recvId, DWORD requestId) {
    return [=](const Record& r) {
        return gf_recordId(r) == recvId && gf_recordAs<SIMCONNECT_RECV_SIMOBJECT_DATA>(r).dwRequestID == requestId;
    };
}

template <typename T>
T lf_at(const std::vector<uint8_t>& data, size_t offset) {
    T value{};
    std::memcpy(&value, data.data() + offset, sizeof(T));
    return value;
}

class StandinSession : public ::testing::Test {
protected:
    void openAndRegister() {
        ASSERT_EQ(client.open(standin.simPort()), S_OK);
        ASSERT_TRUE(client.waitFor([](const Record& r) { return gf_recordId(r) == SIMCONNECT_RECV_ID_OPEN; }));
        client.registerLikeTheEngine();
    }

    // Creates an aircraft and returns its object id from "ObjectAdded".
    DWORD create(const char* title, const char* tail, double lat, double lon, double altFt) {
        SIMCONNECT_DATA_INITPOSITION position{lat, lon, altFt, 0.0, 0.0, 90.0, 0, 0};
        EXPECT_EQ(SimConnect_AICreateNonATCAircraft(client.handle(), title, tail, position, kReqCreate), S_OK);
        const auto added = client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE, kEventObjectAdded));
        if (!added) {
            ADD_FAILURE() << "no ObjectAdded";
            return 0;
        }
        EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(*added).eObjType,
                  SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
        return gf_recordAs<SIMCONNECT_RECV_EVENT>(*added).dwData;
    }

    StandinProcess standin;
    SimTestClient client;
};

TEST(StandinConnection, OpenFailsWhileOfflineAndSucceedsOnceOnlineWithTheOpenRecord) {
    StandinProcess standin({"--offline"});
    ASSERT_TRUE(standin.control("sim name SunRise")["ok"].get<bool>());
    ASSERT_TRUE(standin.control("sim version 12 1 4 7")["ok"].get<bool>());
    SimTestClient client;
    EXPECT_EQ(client.open(standin.simPort()), E_FAIL);

    std::thread goOnline([&] {
        std::this_thread::sleep_for(300ms);
        standin.control("sim online");
    });
    int attempts = 1;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (client.open(standin.simPort()) != S_OK && std::chrono::steady_clock::now() < deadline) {
        ++attempts;
        std::this_thread::sleep_for(100ms);
    }
    goOnline.join();
    EXPECT_GE(attempts, 3);
    ASSERT_NE(client.handle(), nullptr);
    const auto open = client.waitFor([](const Record& r) { return gf_recordId(r) == SIMCONNECT_RECV_ID_OPEN; });
    ASSERT_TRUE(open);
    const auto record = gf_recordAs<SIMCONNECT_RECV_OPEN>(*open);
    EXPECT_STREQ(record.szApplicationName, "SunRise");
    const std::array<DWORD, 4> version{record.dwApplicationVersionMajor, record.dwApplicationVersionMinor,
                                       record.dwApplicationBuildMajor, record.dwApplicationBuildMinor};
    EXPECT_EQ(version, (std::array<DWORD, 4>{12, 1, 4, 7}));
    EXPECT_EQ(standin.stop(), 0);
}

TEST_F(StandinSession, EveryEngineRegistrationIsAcceptedAndTheSimStateFollowsTheSubscription) {
    openAndRegister();
    const auto sim = client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT, kEventSim));
    ASSERT_TRUE(sim);
    EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EVENT>(*sim).dwData, 1u);
    EXPECT_TRUE(client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT_FRAME, kEventFrame)));

    // The frame event may come before the stand-in has handled the last registration.
    constexpr size_t registrationCount = 5u + 33u + 17u + 16u + 1u;
    nlohmann::json audit;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (;;) {
        audit = standin.control("audit Hollowmere");
        ASSERT_TRUE(audit["ok"].get<bool>());
        if (audit["registrations"].size() >= registrationCount || std::chrono::steady_clock::now() > deadline) {
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(audit["registrations"].size(), registrationCount);
    for (const auto& entry : audit["registrations"]) {
        EXPECT_EQ(entry["result"], "ok") << entry.dump();
    }
    EXPECT_EQ(audit["definitions"]["403"]["bytes"], 96);
    EXPECT_EQ(audit["definitions"]["404"]["bytes"], 56);
    EXPECT_EQ(audit["definitions"]["402"]["bytes"], 64);
    EXPECT_EQ(audit["definitions"]["407"]["bytes"], nullptr);
    EXPECT_TRUE(standin.control("exceptions")["exceptions"].empty());
    EXPECT_FALSE(client.waitFor(lf_isException, 200ms));
}

TEST_F(StandinSession, UnknownNamesAreRefusedWithTheCallsPacketIdAndArgumentIndex) {
    openAndRegister();
    struct Case {
        std::function<void(HANDLE)> call;
        DWORD index;
    };
    const Case cases[] = {
        {[](HANDLE h) { SimConnect_AddToDataDefinition(h, 450, "PLANE LATTITUDE", "degree"); }, 2},
        {[](HANDLE h) { SimConnect_AddToDataDefinition(h, 450, "PLANE LATITUDE", "furlongs"); }, 3},
        {[](HANDLE h) { SimConnect_AddToDataDefinition(h, 450, "PLANE LATITUDE", "feet"); }, 3},
        {[](HANDLE h) { SimConnect_MapClientEventToSimEvent(h, 250, "FLAPS_SETT"); }, 2},
        {[](HANDLE h) { SimConnect_SubscribeToSystemEvent(h, 251, "ObjectAddedd"); }, 2},
    };
    for (const Case& c : cases) {
        c.call(client.handle());
        const DWORD packet = client.lastPacketId();
        const auto exception = client.waitFor(lf_isException);
        ASSERT_TRUE(exception);
        const auto record = gf_recordAs<SIMCONNECT_RECV_EXCEPTION>(*exception);
        EXPECT_EQ(record.dwSendID, packet);
        EXPECT_EQ(record.dwIndex, c.index);
    }
    // Names are matched without regard to letter case.
    SimConnect_AddToDataDefinition(client.handle(), 451, "plane latitude", "DEGREES");
    EXPECT_FALSE(client.waitFor(lf_isException, 200ms));
}

TEST_F(StandinSession, CreatedAircraftIsReportedFrozenMovedExactlyAndRemoved) {
    openAndRegister();
    ASSERT_TRUE(standin.control("cg *Heavy* 14.5 0.02")["ok"].get<bool>());
    const DWORD id = create("Sample Heavy Livery", "SWR123*", 47.47, 8.55, 3000.0);
    ASSERT_GT(id, 1u);

    SimConnect_RequestDataOnSimObjectType(client.handle(), kReqInRange, kDefInRange, 20 * 1852,
                                          SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    bool sawOurs = false;
    bool sawUser = false;
    for (int i = 0; i < 2; ++i) {
        const auto reply = client.waitFor(lf_data(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, kReqInRange));
        ASSERT_TRUE(reply);
        const auto head = gf_recordAs<SIMCONNECT_RECV_SIMOBJECT_DATA>(*reply);
        EXPECT_EQ(head.dwoutof, 2u);
        const auto data = gf_recordData(*reply);
        ASSERT_EQ(data.size(), kInRangeBytes);
        if (head.dwObjectID == id) {
            sawOurs = true;
            EXPECT_STREQ(reinterpret_cast<const char*>(data.data() + 24), "SWR123*");
            EXPECT_DOUBLE_EQ(lf_at<double>(data, 8), 1416.0); // terrain of the sample airport
        } else {
            sawUser = head.dwObjectID == 1;
        }
    }
    EXPECT_TRUE(sawOurs);
    EXPECT_TRUE(sawUser);

    for (DWORD freeze : {kClientFreezeLatLonSet, kClientFreezeAltitudeSet, kClientFreezeAttitudeSet}) {
        SimConnect_TransmitClientEvent(client.handle(), id, freeze, 1, kGroupAi, 0);
    }
    SimConnect_AIReleaseControl(client.handle(), id, kReqReleaseControl);
    SimConnect_RequestDataOnSimObject(client.handle(), kReqStaticCg, kDefStaticCg, id, SIMCONNECT_PERIOD_ONCE);
    const auto cg = client.waitFor(lf_data(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqStaticCg));
    ASSERT_TRUE(cg);
    const auto cgData = gf_recordData(*cg);
    ASSERT_EQ(cgData.size(), kStaticCgBytes);
    EXPECT_EQ(lf_at<double>(cgData, 0), 14.5);
    EXPECT_EQ(lf_at<double>(cgData, 8), 0.02);

    std::array<double, 8> position{47.4712345678901, 8.5612345678901, -0.0523, 0.0175, 1.570796, 2345.678, -11.5, 151.25};
    ASSERT_EQ(SimConnect_SetDataOnSimObject(client.handle(), kDefAiPosition, id, 0, 0, kAiPositionBytes, position.data()),
              S_OK);
    SimConnect_TransmitClientEvent(client.handle(), id, kClientFlapsSet, 10240, kGroupAi, 0);
    client.collect(300ms);
    const auto object = standin.control(fmt::format("obj get {}", id))["object"];
    EXPECT_EQ(object["lat"].get<double>(), position[0]);
    EXPECT_EQ(object["lon"].get<double>(), position[1]);
    EXPECT_EQ(object["pitch_rad"].get<double>(), position[2]);
    EXPECT_EQ(object["bank_rad"].get<double>(), position[3]);
    EXPECT_EQ(object["heading_rad"].get<double>(), position[4]);
    EXPECT_EQ(object["alt_ft"].get<double>(), position[5]);
    EXPECT_EQ(object["tas_kt"].get<double>(), position[7]);
    EXPECT_TRUE(object["frozen"]["latlon"].get<bool>() && object["frozen"]["alt"].get<bool>() &&
                object["frozen"]["att"].get<bool>());
    EXPECT_TRUE(object["released"].get<bool>());
    EXPECT_EQ(object["flaps"], 10240);
    EXPECT_EQ(object["atc_id"], "SWR123*");

    SimConnect_AIRemoveObject(client.handle(), id, kReqRemove);
    const auto removed = client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE, kEventObjectRemoved));
    ASSERT_TRUE(removed);
    EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EVENT>(*removed).dwData, id);
    EXPECT_EQ(standin.control("obj list")["objects"].size(), 1u);
    EXPECT_TRUE(standin.control("exceptions")["exceptions"].empty());
}

TEST_F(StandinSession, RefusedTitleGivesException22WithTheCreationsPacketId) {
    openAndRegister();
    ASSERT_TRUE(standin.control("create fail *Refused*")["ok"].get<bool>());
    SIMCONNECT_DATA_INITPOSITION position{47.47, 8.55, 3000.0, 0.0, 0.0, 90.0, 0, 0};
    SimConnect_AICreateNonATCAircraft(client.handle(), "A Refused Livery", "DLH4", position, kReqCreate);
    const DWORD packet = client.lastPacketId();
    ASSERT_NE(packet, 0u);
    const auto exception = client.waitFor(lf_isException);
    ASSERT_TRUE(exception);
    EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EXCEPTION>(*exception).dwException,
              SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED);
    EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EXCEPTION>(*exception).dwSendID, packet);
    EXPECT_FALSE(client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE, kEventObjectAdded), 300ms));
}

TEST_F(StandinSession, WrongSizesAndUnknownObjectsGiveTheirExceptions) {
    openAndRegister();
    const std::array<double, 2> tooShort{1.0, 2.0};
    struct Case {
        std::function<void(HANDLE)> call;
        DWORD code;
    };
    const Case cases[] = {
        {[&](HANDLE h) { SimConnect_SetDataOnSimObject(h, kDefAiPosition, 1, 0, 0, 16, const_cast<double*>(tooShort.data())); },
         SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE},
        {[](HANDLE h) { SimConnect_RequestDataOnSimObject(h, kReqStaticCg, kDefStaticCg, 777777, SIMCONNECT_PERIOD_ONCE); },
         SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID},
        {[](HANDLE h) { SimConnect_AIRemoveObject(h, 777777, kReqRemove); }, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID},
        {[](HANDLE h) { SimConnect_AISetAircraftFlightPlan(h, 1, "/nonexistent/5.pln", kReqFlightPlan); },
         SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED},
    };
    for (const Case& c : cases) {
        c.call(client.handle());
        const DWORD packet = client.lastPacketId();
        const auto exception = client.waitFor(lf_isException);
        ASSERT_TRUE(exception);
        EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EXCEPTION>(*exception).dwException, c.code);
        EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EXCEPTION>(*exception).dwSendID, packet);
    }
}

TEST_F(StandinSession, FlightPlanFileIsReadIntoTheObject) {
    openAndRegister();
    const DWORD id = create("Sample Livery", "EZY12", 47.47, 8.55, 3000.0);
    TempDir folder;
    const auto path = folder / fmt::format("{}.pln", id);
    writeWholeFile(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                         "<FlightPlan.FlightPlan>\n<FPType>IFR</FPType>\n<DepartureID>LHR</DepartureID>\n"
                         "<DestinationID>ZRH</DestinationID>\n</FlightPlan.FlightPlan>\n</SimBase.Document>\n\n");
    SimConnect_AISetAircraftFlightPlan(client.handle(), id, path.string().c_str(), kReqFlightPlan);
    client.collect(200ms);
    const auto plan = standin.control(fmt::format("obj get {}", id))["object"]["flight_plan"];
    EXPECT_EQ(plan["type"], "IFR");
    EXPECT_EQ(plan["departure"], "LHR");
    EXPECT_EQ(plan["destination"], "ZRH");
}

TEST_F(StandinSession, UserDataArrivesEverySecondAndAsTheNinetySixByteBlock) {
    openAndRegister();
    ASSERT_TRUE(standin.control("user set 47.5 8.6 3500 90 -3 1 250 0")["ok"].get<bool>());
    ASSERT_TRUE(standin.control("time set 2024 100 3600 frozen")["ok"].get<bool>());
    ASSERT_TRUE(standin.control("user lights 5")["ok"].get<bool>());
    SimConnect_RequestDataOnSimObject(client.handle(), kReqUserOnGround, kDefUserOnGround, SIMCONNECT_OBJECT_ID_USER,
                                      SIMCONNECT_PERIOD_SECOND);
    SimConnect_RequestDataOnSimObject(client.handle(), kReqUserBlock, kDefUserBlock, SIMCONNECT_OBJECT_ID_USER,
                                      SIMCONNECT_PERIOD_ONCE);
    const auto block = client.waitFor(lf_data(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserBlock));
    ASSERT_TRUE(block);
    const auto data = gf_recordData(*block);
    ASSERT_EQ(data.size(), kUserBlockBytes);
    EXPECT_EQ(lf_at<double>(data, 0), 47.5);
    EXPECT_EQ(lf_at<double>(data, 8), 8.6);
    EXPECT_NEAR(lf_at<double>(data, 32), 1.5707963, 1e-6);
    EXPECT_EQ(lf_at<double>(data, 40), 3500.0);
    EXPECT_EQ(lf_at<double>(data, 56), 250.0);
    EXPECT_EQ(lf_at<int64_t>(data, 64), 3600);
    EXPECT_EQ(lf_at<int64_t>(data, 72), 100);
    EXPECT_EQ(lf_at<int64_t>(data, 80), 2024);
    EXPECT_EQ(lf_at<int64_t>(data, 88), 5);

    const auto records = client.collect(2500ms);
    size_t perSecond = 1; // the first one came at once, possibly already taken by collect
    for (const Record& r : records) {
        if (lf_data(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, kReqUserOnGround)(r)) {
            ++perSecond;
            EXPECT_EQ(gf_recordData(r).size(), kUserOnGroundBytes);
        }
    }
    EXPECT_GE(perSecond, 3u);
    EXPECT_LE(perSecond, 5u);
}

TEST_F(StandinSession, FlightLoadedArrivesInBothFormsOnlyWhenAsked) {
    openAndRegister();
    EXPECT_FALSE(client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT, kEventFlightLoaded), 200ms));
    standin.control("sim flightloaded event");
    EXPECT_TRUE(client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT, kEventFlightLoaded)));
    standin.control("sim flightloaded filename");
    EXPECT_TRUE(client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT_FILENAME, kEventFlightLoaded)));
    const auto running = client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT, kEventSim));
    ASSERT_TRUE(running);
    EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EVENT>(*running).dwData, 1u);
    standin.control("sim run 0");
    const auto paused = client.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT, kEventSim));
    ASSERT_TRUE(paused);
    EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EVENT>(*paused).dwData, 0u);
}

TEST_F(StandinSession, DroppedConnectionEndsDispatchAndTakesTheClientsObjects) {
    openAndRegister();
    SimTestClient observer;
    ASSERT_EQ(observer.open(standin.simPort(), "Observer"), S_OK);
    SimConnect_SubscribeToSystemEvent(observer.handle(), 9, "ObjectRemoved");
    const DWORD id = create("Sample Livery", "AFR7", 47.47, 8.55, 3000.0);
    ASSERT_GT(id, 0u);

    client.close();
    const auto removed = observer.waitFor(lf_event(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE, 9));
    ASSERT_TRUE(removed);
    EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EVENT>(*removed).dwData, id);

    ASSERT_TRUE(standin.control("sim drop")["ok"].get<bool>());
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (observer.pump() == S_OK && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(observer.lastDispatch(), E_FAIL);

    SimTestClient again;
    EXPECT_EQ(again.open(standin.simPort()), S_OK);
}

TEST_F(StandinSession, QuitSaysGoodbyeAndGoesOffline) {
    openAndRegister();
    standin.control("sim quit");
    EXPECT_TRUE(client.waitFor([](const Record& r) { return gf_recordId(r) == SIMCONNECT_RECV_ID_QUIT; }));
    SimTestClient late;
    EXPECT_EQ(late.open(standin.simPort()), E_FAIL);
}

TEST_F(StandinSession, TraceTrackStatsAndRelayedFailuresObserveTheSession) {
    TempDir folder;
    ASSERT_TRUE(standin.control(fmt::format("trace {}", (folder / "trace.jsonl").string()))["ok"].get<bool>());
    ASSERT_TRUE(standin.control(fmt::format("track {} 20", (folder / "track.csv").string()))["ok"].get<bool>());
    openAndRegister();
    ASSERT_TRUE(standin.control("failnext RequestDataOnSimObjectType 1")["ok"].get<bool>());
    client.collect(100ms);
    EXPECT_EQ(SimConnect_RequestDataOnSimObjectType(client.handle(), kReqInRange, kDefInRange, 1852, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              E_FAIL);
    EXPECT_EQ(SimConnect_RequestDataOnSimObjectType(client.handle(), kReqInRange, kDefInRange, 1852, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              S_OK);
    EXPECT_TRUE(client.waitFor(lf_data(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, kReqInRange)));
    ASSERT_TRUE(standin.control("wait frames 5")["ok"].get<bool>());

    const auto stats = standin.control("stats");
    EXPECT_EQ(stats["calls"]["AddToDataDefinition"]["total"], 33);
    EXPECT_EQ(stats["calls"]["RequestDataOnSimObjectType"]["total"], 1);
    EXPECT_GE(stats["frames"].get<int>(), 5);
    standin.control("trace");
    standin.control("track");

    const std::string trace = readWholeFile(folder / "trace.jsonl");
    size_t calls = 0;
    for (size_t at = 0; (at = trace.find("\"call\"", at)) != std::string::npos; ++at) {
        ++calls;
    }
    EXPECT_EQ(calls, 5u + 33u + 17u + 16u + 1u + 1u);
    EXPECT_NE(trace.find("\"FREEZE_ALTITUDE_SET\""), std::string::npos);
    const std::string track = readWholeFile(folder / "track.csv");
    EXPECT_EQ(track.rfind("t,id,kind,", 0), 0u);
    EXPECT_NE(track.find(",1,user,HB-SIM,"), std::string::npos);
}

TEST(StandinFacility, SampleAirportsArriveAsAirportParkingsHelipadsAndEnd) {
    StandinProcess standin;
    SimTestClient reader;
    ASSERT_EQ(reader.open(standin.simPort(), "PARKING_DATA_RDR"), S_OK);
    ASSERT_TRUE(reader.waitFor([](const Record& r) { return gf_recordId(r) == SIMCONNECT_RECV_ID_OPEN; }));
    for (const char* field : gc_parkingFacilityFields) {
        SimConnect_AddToFacilityDefinition(reader.handle(), kDefFacility, field);
    }
    struct Expected {
        const char* icao;
        const char* name;
        double lat;
        size_t parkings;
        size_t helipads;
    };
    for (const Expected& airport : {Expected{"LSZH", "Zurich Sample Field", 47.464699, 9, 2},
                                    Expected{"EHRD", "Rotterdam Sample Field", 51.956902, 5, 1}}) {
        SimConnect_RequestFacilityData(reader.handle(), kDefFacility, kReqFacility, airport.icao, "");
        const auto end = reader.waitFor([](const Record& r) { return gf_recordId(r) == SIMCONNECT_RECV_ID_FACILITY_DATA_END; });
        ASSERT_TRUE(end) << airport.icao;
        const auto records = reader.collect(0ms);
        size_t parkings = 0;
        size_t helipads = 0;
        for (const Record& r : records) {
            ASSERT_EQ(gf_recordId(r), SIMCONNECT_RECV_ID_FACILITY_DATA);
            const auto head = gf_recordAs<SIMCONNECT_RECV_FACILITY_DATA>(r);
            EXPECT_EQ(head.UserRequestId, kReqFacility);
            const auto data = gf_recordData(r);
            if (head.Type == SIMCONNECT_FACILITY_DATA_AIRPORT) {
                EXPECT_EQ(lf_at<double>(data, 0), airport.lat);
                EXPECT_STREQ(reinterpret_cast<const char*>(data.data() + 24), airport.name);
            } else if (head.Type == SIMCONNECT_FACILITY_DATA_TAXI_PARKING) {
                ASSERT_EQ(data.size(), 40u);
                ++parkings;
            } else if (head.Type == SIMCONNECT_FACILITY_DATA_HELIPAD) {
                ASSERT_EQ(data.size(), 44u);
                ++helipads;
            }
        }
        EXPECT_EQ(parkings, airport.parkings);
        EXPECT_EQ(helipads, airport.helipads);
    }

    SimConnect_RequestFacilityData(reader.handle(), kDefFacility, kReqFacility, "ZZZZ", "");
    const DWORD packet = reader.lastPacketId();
    const auto exception = reader.waitFor(lf_isException);
    ASSERT_TRUE(exception);
    EXPECT_EQ(gf_recordAs<SIMCONNECT_RECV_EXCEPTION>(*exception).dwSendID, packet);
}

} // namespace
} // namespace hlw::test
