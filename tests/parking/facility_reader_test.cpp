// The facility reader against the in-process simulator back end: the answer a test injects arrives during the
// reader's first wait, on a clock that moves only when the reader sleeps.
#include "parking/facility_reader.h"

#include "core/geodesy.h"
#include "platform/sim/sim_program_ids.h"
#include "platform/sim/sim_records.h"
#include "support/fake_steady_time.h"
#include "support/log_capture.h"
#include "support/sim_recording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace hlw {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

constexpr double fieldLat = 52.0;
constexpr double fieldLon = 4.0;
constexpr float nanF = std::numeric_limits<float>::quiet_NaN();

template <typename T> void lf_put(Bytes& out, T value)
{
    const std::size_t at = out.size();
    out.resize(at + sizeof value);
    std::memcpy(out.data() + at, &value, sizeof value);
}

Bytes lf_airport(double lat = fieldLat, double lon = fieldLon, double altM = 10.5, const std::string& name = "Field")
{
    Bytes out;
    lf_put(out, lat);
    lf_put(out, lon);
    lf_put(out, altM);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    lf_put(out, int32_t{2});
    lf_put(out, int32_t{9});
    return out;
}

Bytes lf_parking(uint32_t number, uint32_t type = 8, float heading = 90.0F, float radius = 20.0F, float biasX = 0.0F,
                 float biasZ = 0.0F)
{
    Bytes out;
    for (const uint32_t word : {type, 0U, 0U, 0U, number, 0U}) {
        lf_put(out, word);
    }
    for (const float value : {heading, radius, biasX, biasZ}) {
        lf_put(out, value);
    }
    return out;
}

Bytes lf_helipad(float width, int32_t type, double lat = fieldLat + 0.001, float heading = 45.0F)
{
    Bytes out;
    lf_put(out, lat);
    lf_put(out, fieldLon);
    lf_put(out, 0.0);
    for (const float value : {heading, 30.0F, width}) {
        lf_put(out, value);
    }
    lf_put(out, int32_t{1});
    lf_put(out, type);
    return out;
}

// The bytes without their last `drop` ones.
Bytes lf_cut(Bytes bytes, std::size_t drop)
{
    bytes.resize(bytes.size() - drop);
    return bytes;
}

Bytes lf_data(DWORD request, DWORD type, const Bytes& payload)
{
    return gf_simFacilityDataRecord(request, type, payload);
}

Bytes lf_end(DWORD request)
{
    SIMCONNECT_RECV_FACILITY_DATA_END end{};
    end.dwID = SIMCONNECT_RECV_ID_FACILITY_DATA_END;
    end.RequestId = request;
    return gf_simRecordBytes(end);
}

Bytes lf_exception(DWORD code, DWORD sendId, DWORD index)
{
    SIMCONNECT_RECV_EXCEPTION exception{};
    exception.dwID = SIMCONNECT_RECV_ID_EXCEPTION;
    exception.dwException = code;
    exception.dwSendID = sendId;
    exception.dwIndex = index;
    return gf_simRecordBytes(exception);
}

std::vector<std::string> lf_ids(const ApfData& data)
{
    std::vector<std::string> ids;
    for (const StandRecord& stand : data.stands) {
        ids.push_back(stand.id);
    }
    return ids;
}

class FacilityRead : public ::testing::Test {
  protected:
    FacilityRead()
    {
        time.setListener([this](SteadyTimeSource::TimePoint) {
            if (script) {
                const auto records = std::move(*script);
                script.reset();
                for (const Bytes& record : records(handle())) {
                    recording.inject(handle(), record);
                }
            }
        });
    }

    HANDLE handle() const { return recording.openedHandles().back(); }
    // The records the simulator sends during the next read's first wait, made when the request has gone out.
    void answer(std::function<std::vector<Bytes>(HANDLE)> records) { script = std::move(records); }
    // The airport, the stands' payloads and the end, all of the request.
    void answerStands(std::vector<std::pair<DWORD, Bytes>> stands, bool end = true)
    {
        const DWORD request = reader.nextRequestId();
        answer([request, stands = std::move(stands), end](HANDLE) {
            std::vector<Bytes> records{lf_data(request, SIMCONNECT_FACILITY_DATA_AIRPORT, lf_airport())};
            for (const auto& [type, payload] : stands) {
                records.push_back(lf_data(request, type, payload));
            }
            if (end) {
                records.push_back(lf_end(request));
            }
            return records;
        });
    }
    bool read(const char* code = "EHAM")
    {
        data = ApfData{};
        data.airportName = "unchanged";
        return reader.read(AirportCode(code), data, helipads);
    }

    test::LogCapture log;
    SimRecordingScope recording;
    test::FakeSteadyTime time;
    FacilityReader reader{time};
    std::optional<std::function<std::vector<Bytes>(HANDLE)>> script;
    ApfData data;
    int32_t helipads = -1;
};

TEST_F(FacilityRead, StandsGetTheirIdsPositionsRadiiAndTheAirportItsNameAndElevation)
{
    std::vector<std::pair<DWORD, Bytes>> stands{
        {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(12)},
        {SIMCONNECT_FACILITY_DATA_HELIPAD, lf_helipad(20.0F, 2)},
        {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(5, 13)},
        {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(6, 0)},
        {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(12, 0x70005)},
        {SIMCONNECT_FACILITY_DATA_HELIPAD, lf_helipad(20.0F, 3)},
        {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(20, 3, 180.0F, 30.0F, 30.0F, -40.0F)}};
    for (int i = 0; i < 26; ++i) {
        stands.emplace_back(SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(12));
    }
    answerStands(stands);
    ASSERT_TRUE(read());
    const std::vector<std::string> ids = lf_ids(data);
    ASSERT_EQ(ids.size(), 31U);
    EXPECT_EQ(std::vector<std::string>(ids.begin(), ids.begin() + 6),
              (std::vector<std::string>{"12", "helipad1", "12a", "helipad2", "20", "12b"}));
    EXPECT_EQ(ids.back(), "12aa"); // the 28th stand numbered 12
    EXPECT_EQ(helipads, 2);
    EXPECT_TRUE(data.facilities);
    EXPECT_EQ(data.airportName, "Field");
    EXPECT_EQ(data.altitude, 34); // 10.5 m is 34.45 ft, the fraction cut off
    EXPECT_EQ(data.icao, AirportCode("EHAM"));

    EXPECT_EQ(data.stands[2].parkingType, 5); // the type's low 16 bits
    EXPECT_TRUE(data.stands[1].heli);
    EXPECT_NEAR(data.stands[1].radius * metresPerNm, 14.0, 1e-4); // a square helipad: 0.7 of its width
    EXPECT_NEAR(data.stands[3].radius * metresPerNm, 10.0, 1e-4);
    EXPECT_NEAR(data.stands[1].heading, 45.0 * radiansPerDegree, 1e-9);
    const StandRecord& biased = data.stands[4];
    EXPECT_NEAR(biased.heading, 3.141592653589793, 1e-6);
    EXPECT_NEAR(biased.radius * metresPerNm, 30.0, 1e-4);
    // 30 m east, then 40 m south of the airport's reference position.
    EXPECT_NEAR(gf_distanceNm({fieldLat, fieldLon}, {biased.latitude, fieldLon}) * metresPerNm, 40.0, 0.1);
    EXPECT_NEAR(gf_distanceNm({biased.latitude, fieldLon}, {biased.latitude, biased.longitude}) * metresPerNm, 30.0,
                0.1);
    EXPECT_LT(biased.latitude, fieldLat);
    EXPECT_GT(biased.longitude, fieldLon);
    EXPECT_EQ(data.stands[0].latitude, fieldLat);
    EXPECT_EQ(log.count("skipped"), 0U);
}

TEST(FacilityStandNames, RepeatsCountInBijectiveBase26)
{
    const std::vector<std::pair<uint64_t, std::string>> rows{{0, ""},    {1, "a"},   {2, "b"},    {26, "z"},
                                                             {27, "aa"}, {28, "ab"}, {702, "zz"}, {703, "aaa"}};
    for (const auto& [n, suffix] : rows) {
        EXPECT_EQ(gf_standRepeatSuffix(n), suffix) << n;
    }
}

TEST_F(FacilityRead, TheConnectionDefinesTheFieldsOnceAndEveryRequestHasItsOwnId)
{
    answerStands({{SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(1)}});
    ASSERT_TRUE(read("eham"));
    answerStands({{SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(2)}});
    ASSERT_TRUE(read("EHRD"));
    ASSERT_EQ(recording.openedHandles().size(), 1U);
    EXPECT_EQ(recording.clientName(handle()), "PARKING_DATA_RDR");
    std::vector<std::string> fields;
    std::vector<SimCall> requests;
    for (const SimCall& call : recording.calls(handle())) {
        if (call.kind == SimCallKind::AddToFacilityDefinition) {
            EXPECT_EQ(call.numbers, std::vector<uint32_t>{sim_ids::kDefFacility});
            fields.push_back(call.texts.at(0));
        } else if (call.kind == SimCallKind::RequestFacilityData) {
            requests.push_back(call);
        }
    }
    const auto expected = gf_facilityDefinitionFields();
    EXPECT_EQ(fields, std::vector<std::string>(expected.begin(), expected.end()));
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[0].numbers, (std::vector<uint32_t>{sim_ids::kDefFacility, 2001}));
    EXPECT_EQ(requests[0].texts, (std::vector<std::string>{"EHAM", ""}));
    EXPECT_EQ(requests[1].numbers, (std::vector<uint32_t>{sim_ids::kDefFacility, 2002}));
}

TEST_F(FacilityRead, RecordsOfAnAbandonedRequestAreIgnored)
{
    answerStands({{SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(1)}}, false);
    EXPECT_FALSE(read());
    // The first request's late records come before the second request's answer.
    answer([](HANDLE) {
        return std::vector<Bytes>{lf_data(2001, SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(7)), lf_end(2001),
                                  lf_data(2002, SIMCONNECT_FACILITY_DATA_AIRPORT, lf_airport()),
                                  lf_data(2002, SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(3)), lf_end(2002)};
    });
    ASSERT_TRUE(read("EHRD"));
    EXPECT_EQ(lf_ids(data), std::vector<std::string>{"3"});
}

TEST_F(FacilityRead, BadStandRecordsAreSkippedWithAnAlert)
{
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<const char*, std::pair<DWORD, Bytes>>> rows{
        {"parking of 39 bytes", {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_cut(lf_parking(9), 1)}},
        {"heading not a number", {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(9, 8, nanF)}},
        {"heading beyond a turn", {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(9, 8, 400.0F)}},
        {"radius 0", {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(9, 8, 90.0F, 0.0F)}},
        {"radius 501 m", {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(9, 8, 90.0F, 501.0F)}},
        {"infinite bias", {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(9, 8, 90.0F, 20.0F, inf)}},
        {"bias of 30 km", {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(9, 8, 90.0F, 20.0F, 0.0F, 30000.0F)}},
        {"helipad of 43 bytes", {SIMCONNECT_FACILITY_DATA_HELIPAD, lf_cut(lf_helipad(20.0F, 1), 1)}},
        {"helipad at latitude 91", {SIMCONNECT_FACILITY_DATA_HELIPAD, lf_helipad(20.0F, 1, 91.0)}},
        {"helipad width not a number", {SIMCONNECT_FACILITY_DATA_HELIPAD, lf_helipad(nanF, 1)}},
        {"helipad width negative", {SIMCONNECT_FACILITY_DATA_HELIPAD, lf_helipad(-4.0F, 1)}},
        {"helipad heading infinite", {SIMCONNECT_FACILITY_DATA_HELIPAD, lf_helipad(20.0F, 1, fieldLat, inf)}},
    };
    for (const auto& [what, bad] : rows) {
        answerStands({{SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(1)}, bad});
        const std::string added = log.during([&] { EXPECT_TRUE(read()) << what; });
        EXPECT_EQ(lf_ids(data), std::vector<std::string>{"1"}) << what;
        EXPECT_NE(added.find("==> Facility data of EHAM: "), std::string::npos) << what;
        EXPECT_NE(added.find("(skipped)"), std::string::npos) << what;
    }
}

TEST_F(FacilityRead, AnAnswerWithoutASoundAirportRecordFailsAndChangesNothing)
{
    Bytes unterminated = lf_airport();
    std::fill(unterminated.begin() + 24, unterminated.end(), 'x');
    const std::vector<std::pair<const char*, Bytes>> rows{
        {"name without its end", unterminated},
        {"name running into the counts", lf_cut(lf_airport(), 1)},
        {"24 bytes", lf_cut(lf_airport(), lf_airport().size() - 24)},
        {"latitude not a number", lf_airport(std::numeric_limits<double>::quiet_NaN())},
        {"longitude 181", lf_airport(fieldLat, 181.0)},
        {"elevation 10^12 m", lf_airport(fieldLat, fieldLon, 1e12)},
    };
    for (const auto& [what, airport] : rows) {
        const DWORD request = reader.nextRequestId();
        answer([request, airport](HANDLE) {
            return std::vector<Bytes>{lf_data(request, SIMCONNECT_FACILITY_DATA_AIRPORT, airport),
                                      lf_data(request, SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(1)),
                                      lf_end(request)};
        });
        const std::string added = log.during([&] { EXPECT_FALSE(read()) << what; });
        EXPECT_EQ(data.airportName, "unchanged") << what;
        EXPECT_TRUE(data.stands.empty() && !data.facilities) << what;
        EXPECT_NE(added.find("holds no airport record"), std::string::npos) << what << "\n" << added;
    }
}

TEST_F(FacilityRead, AnAnswerWithoutEndIsGivenUpAfterTenQuietSeconds)
{
    const DWORD request = reader.nextRequestId();
    answer([request](HANDLE) {
        return std::vector<Bytes>{lf_data(request, SIMCONNECT_FACILITY_DATA_AIRPORT, lf_airport()),
                                  lf_data(request, SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(1))};
    });
    const std::string added = log.during([&] { EXPECT_FALSE(read()); });
    EXPECT_NE(added.find("==> Facility data of EHAM not read: nothing arrived for 10 s"), std::string::npos) << added;
    EXPECT_GE(time.elapsed(), 10s);
    EXPECT_LT(time.elapsed(), 10s + 10ms);
    EXPECT_EQ(data.airportName, "unchanged");
    EXPECT_TRUE(data.stands.empty());
    EXPECT_TRUE(reader.isOpen());

    answerStands({{SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(4)}});
    ASSERT_TRUE(read());
    EXPECT_EQ(lf_ids(data), std::vector<std::string>{"4"});
}

TEST_F(FacilityRead, AnExceptionAboutTheRequestFailsTheReadAndOthersAreOnlyLogged)
{
    answer([this](HANDLE handle) {
        const uint32_t packet = recording.calls(handle).back().packetId;
        return std::vector<Bytes>{lf_exception(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, packet, 3)};
    });
    std::string added = log.during([&] { EXPECT_FALSE(read()); });
    EXPECT_NE(added.find("==> SimConnect EXCEPTION id=3 sendID="), std::string::npos) << added;
    EXPECT_NE(added.find("index=3 (facility data of EHAM not read)"), std::string::npos) << added;
    EXPECT_EQ(data.airportName, "unchanged");

    const DWORD request = reader.nextRequestId();
    answer([request](HANDLE) {
        return std::vector<Bytes>{lf_exception(SIMCONNECT_EXCEPTION_ERROR, 1, 0),
                                  lf_data(request, SIMCONNECT_FACILITY_DATA_AIRPORT, lf_airport()), lf_end(request)};
    });
    added = log.during([&] { EXPECT_TRUE(read()); });
    EXPECT_NE(added.find("==> SimConnect EXCEPTION id=1 sendID=1 index=0 (not about the facility request, ignored)"),
              std::string::npos)
        << added;
    EXPECT_NE(added.find("Fac: EHAM has no stands"), std::string::npos) << added;
}

TEST_F(FacilityRead, AConnectionThatEndsMidAnswerFailsTheReadAndTheNextReadOpensAgain)
{
    const DWORD request = reader.nextRequestId();
    answer([this, request](HANDLE handle) {
        recording.closeFromSimulator(handle);
        return std::vector<Bytes>{lf_data(request, SIMCONNECT_FACILITY_DATA_AIRPORT, lf_airport())};
    });
    const std::string added = log.during([&] { EXPECT_FALSE(read()); });
    EXPECT_NE(added.find("==> Facility data of EHAM not read: the simulator closed the connection (PARKING_DATA_RDR)"),
              std::string::npos)
        << added;
    EXPECT_NE(added.find("SimConnect (PARKING_DATA_RDR) closed"), std::string::npos);
    EXPECT_FALSE(reader.isOpen());

    answerStands({{SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(1)}});
    ASSERT_TRUE(read());
    EXPECT_EQ(recording.openedHandles().size(), 2U);
}

TEST_F(FacilityRead, ARefusedOpenIsAnAlertAndALaterReadTriesAgain)
{
    recording.refuseOpen(true);
    const std::string added = log.during([&] { EXPECT_FALSE(read()); });
    EXPECT_NE(added.find("==> SimConnect_Open (PARKING_DATA_RDR) FAILED hr=0x80004005"), std::string::npos) << added;
    EXPECT_FALSE(reader.isOpen());
    recording.refuseOpen(false);
    answerStands({});
    EXPECT_TRUE(read());
    EXPECT_TRUE(reader.isOpen());
}

TEST_F(FacilityRead, AFailedDefinitionOrRequestIsAnAlert)
{
    answerStands({});
    ASSERT_TRUE(read());
    recording.failNext(handle(), SimCallKind::RequestFacilityData, 1);
    std::string added = log.during([&] { EXPECT_FALSE(read("EHRD")); });
    EXPECT_NE(added.find("==> RequestFacilityData failed for EHRD"), std::string::npos) << added;
}

TEST_F(FacilityRead, AtMostFiveThousandStandsAreKept)
{
    std::vector<std::pair<DWORD, Bytes>> stands(facilityMaxStands + 3,
                                                {SIMCONNECT_FACILITY_DATA_TAXI_PARKING, lf_parking(1)});
    answerStands(stands);
    const std::string added = log.during([&] { EXPECT_TRUE(read()); });
    EXPECT_EQ(data.stands.size(), facilityMaxStands);
    EXPECT_NE(added.find("==> Facility data of EHAM: more than 5000 stands, the rest skipped"), std::string::npos);
    EXPECT_EQ(log.count("more than 5000 stands"), 1U);
}

TEST_F(FacilityRead, CloseEndsTheConnectionOnceWithItsLogLines)
{
    answerStands({});
    ASSERT_TRUE(read());
    const std::string added = log.during([&] {
        reader.close();
        reader.close();
    });
    EXPECT_EQ(added, "SimConnect closed ok\nSimConnect (PARKING_DATA_RDR) closed\n");
    EXPECT_FALSE(reader.isOpen());
    EXPECT_FALSE(recording.calls(handle()).empty());
}

} // namespace
} // namespace hlw
