#include "parking/facility_reader.h"

#include "core/geodesy.h"
#include "core/log.h"
#include "core/run_state_port.h"
#include "platform/sim/sim_program_ids.h"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <utility>

namespace hlw {
namespace {

using namespace std::chrono_literals;

constexpr double feetPerMetre = 3.2808399;
constexpr std::size_t airportFixedBytes = 24; // latitude, longitude, altitude before the name
constexpr std::size_t airportCountBytes = 8;  // the helipad and parking counts after the name
constexpr std::size_t parkingBytes = 40;
constexpr std::size_t helipadBytes = 44;
constexpr int32_t parkingTypeNone = 0;
constexpr int32_t parkingTypeVehicles = 13;
constexpr int32_t helipadTypeSquare = 2;

// The airport block, then its taxi parkings and its helipads.
// clang-format off
constexpr std::array<const char*, 30> definitionFields{
    "OPEN AIRPORT", "LATITUDE", "LONGITUDE", "ALTITUDE", "NAME", "N_HELIPADS", "N_TAXI_PARKINGS",
    "OPEN TAXI_PARKING", "TYPE", "TAXI_POINT_TYPE", "NAME", "SUFFIX", "NUMBER", "ORIENTATION", "HEADING", "RADIUS",
    "BIAS_X", "BIAS_Z", "CLOSE TAXI_PARKING",
    "OPEN HELIPAD", "LATITUDE", "LONGITUDE", "ALTITUDE", "HEADING", "LENGTH", "WIDTH", "SURFACE", "TYPE",
    "CLOSE HELIPAD",
    "CLOSE AIRPORT"};
// clang-format on

template <typename T> T lf_field(std::span<const uint8_t> payload, std::size_t offset)
{
    T value{};
    std::memcpy(&value, payload.data() + offset, sizeof value);
    return value;
}

bool lf_positionValid(double lat, double lon)
{
    return std::isfinite(lat) && std::isfinite(lon) && std::abs(lat) <= 90.0 && std::abs(lon) <= 180.0;
}

bool lf_headingValid(double degrees)
{
    return std::isfinite(degrees) && std::abs(degrees) <= 360.0;
}

bool lf_radiusValid(double metres)
{
    return std::isfinite(metres) && metres > 0.0 && metres <= facilityMaxRadiusMetres;
}

bool lf_biasValid(double metres)
{
    return std::isfinite(metres) && std::abs(metres) <= facilityMaxBiasMetres;
}

void lf_skip(std::string_view code, std::string_view what)
{
    gf_logAlert(fmt::format("Facility data of {}: {} (skipped)", code, what));
}

// Moves from the position by the offset in metres along the bearing (positive) or the opposite one (negative).
LatLon lf_moved(const LatLon& from, double metres, double bearingRad)
{
    if (metres == 0.0) {
        return from;
    }
    const double bearing = metres > 0.0 ? bearingRad : bearingRad + std::numbers::pi;
    return gf_destinationPoint(from, bearing, std::abs(metres) * feetPerMetre);
}

void lf_takeAirport(std::span<const uint8_t> payload, std::string_view code, FacilityAnswer& answer)
{
    if (payload.size() < airportFixedBytes + 1 + airportCountBytes) {
        lf_skip(code, fmt::format("airport record of {} bytes", payload.size()));
        return;
    }
    // The name ends within the payload and leaves room for the two counts after it.
    const std::span<const uint8_t> text =
        payload.subspan(airportFixedBytes, payload.size() - airportFixedBytes - airportCountBytes);
    const auto* end = static_cast<const uint8_t*>(std::memchr(text.data(), 0, text.size()));
    if (end == nullptr) {
        lf_skip(code, "airport name without its end");
        return;
    }
    const double lat = lf_field<double>(payload, 0);
    const double lon = lf_field<double>(payload, 8);
    const double altM = lf_field<double>(payload, 16);
    if (!lf_positionValid(lat, lon) || !std::isfinite(altM) || altM < facilityMinAltitudeMetres ||
        altM > facilityMaxAltitudeMetres) {
        lf_skip(code, fmt::format("airport at {},{} elevation {} m", lat, lon, altM));
        return;
    }
    answer.airportSeen = true;
    answer.latitude = lat;
    answer.longitude = lon;
    answer.altitudeFt = altM * feetPerMetre;
    answer.name.clear();
    for (const uint8_t* c = text.data(); c != end; ++c) {
        // Control characters have no place in an airport file's attribute.
        if (*c >= 0x20) {
            answer.name.push_back(static_cast<char>(*c));
        }
    }
}

bool lf_roomForStand(std::string_view code, FacilityAnswer& answer)
{
    if (answer.stands.size() < facilityMaxStands) {
        return true;
    }
    if (!answer.standLimitLogged) {
        gf_logAlert(fmt::format("Facility data of {}: more than {} stands, the rest skipped", code, facilityMaxStands));
        answer.standLimitLogged = true;
    }
    return false;
}

void lf_takeParking(std::span<const uint8_t> payload, std::string_view code, FacilityAnswer& answer)
{
    if (payload.size() < parkingBytes) {
        lf_skip(code, fmt::format("taxi parking record of {} bytes", payload.size()));
        return;
    }
    const auto type = static_cast<int32_t>(lf_field<uint32_t>(payload, 0) & 0xFFFFU);
    if (type == parkingTypeNone || type == parkingTypeVehicles) {
        return;
    }
    const auto number = lf_field<uint32_t>(payload, 16);
    const double heading = lf_field<float>(payload, 24);
    const double radius = lf_field<float>(payload, 28);
    const double biasX = lf_field<float>(payload, 32);
    const double biasZ = lf_field<float>(payload, 36);
    if (!answer.airportSeen) {
        lf_skip(code, fmt::format("taxi parking {} before the airport record", number));
        return;
    }
    if (!lf_headingValid(heading) || !lf_radiusValid(radius) || !lf_biasValid(biasX) || !lf_biasValid(biasZ)) {
        lf_skip(code, fmt::format("taxi parking {} heading {}, radius {} m, bias {} m, {} m", number, heading, radius,
                                  biasX, biasZ));
        return;
    }
    if (!lf_roomForStand(code, answer)) {
        return;
    }
    const LatLon east = lf_moved({answer.latitude, answer.longitude}, biasX, std::numbers::pi / 2.0);
    const LatLon position = lf_moved(east, biasZ, 0.0);
    answer.stands.push_back({number, false, position.lat, position.lon, heading * radiansPerDegree, radius, type});
}

void lf_takeHelipad(std::span<const uint8_t> payload, std::string_view code, FacilityAnswer& answer)
{
    if (payload.size() < helipadBytes) {
        lf_skip(code, fmt::format("helipad record of {} bytes", payload.size()));
        return;
    }
    const double lat = lf_field<double>(payload, 0);
    const double lon = lf_field<double>(payload, 8);
    const double heading = lf_field<float>(payload, 24);
    const double width = lf_field<float>(payload, 32);
    const auto type = lf_field<int32_t>(payload, 40);
    const double radius = width * (type == helipadTypeSquare ? 0.7 : 0.5);
    if (!lf_positionValid(lat, lon) || !lf_headingValid(heading) || !lf_radiusValid(radius)) {
        lf_skip(code, fmt::format("helipad at {},{} heading {}, radius {} m", lat, lon, heading, radius));
        return;
    }
    if (!lf_roomForStand(code, answer)) {
        return;
    }
    answer.stands.push_back({0, true, lat, lon, heading * radiansPerDegree, radius, 0});
}

// What the dispatch procedure gathers for one request.
struct ReadContext {
    DWORD requestId = 0;
    std::optional<DWORD> packetId; // the request's packet, which exceptions about it name
    std::string code;
    FacilityAnswer answer;
    uint64_t records = 0; // records of this request so far
    bool done = false;
    std::optional<std::string> exception;
};

void lf_onRecord(const SIMCONNECT_RECV* record, DWORD size, ReadContext& context)
{
    if (size < sizeof(SIMCONNECT_RECV)) {
        return;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(record);
    switch (record->dwID) {
    case SIMCONNECT_RECV_ID_EXCEPTION: {
        if (size < sizeof(SIMCONNECT_RECV_EXCEPTION)) {
            return;
        }
        SIMCONNECT_RECV_EXCEPTION exception{};
        std::memcpy(&exception, bytes, sizeof exception);
        const std::string text = fmt::format("SimConnect EXCEPTION id={} sendID={} index={}", exception.dwException,
                                             exception.dwSendID, exception.dwIndex);
        if (!context.packetId || exception.dwSendID == *context.packetId) {
            context.exception = text;
        } else {
            gf_logAlert(text + " (not about the facility request, ignored)");
        }
        return;
    }
    case SIMCONNECT_RECV_ID_FACILITY_DATA: {
        if (size < SIMCONNECT_FACILITY_DATA_HEAD_SIZE) {
            return;
        }
        SIMCONNECT_RECV_FACILITY_DATA head{};
        std::memcpy(&head, bytes, SIMCONNECT_FACILITY_DATA_HEAD_SIZE);
        if (head.UserRequestId != context.requestId) {
            return;
        }
        ++context.records;
        try {
            gf_takeFacilityPayload(
                head.Type,
                std::span(bytes + SIMCONNECT_FACILITY_DATA_HEAD_SIZE, size - SIMCONNECT_FACILITY_DATA_HEAD_SIZE),
                context.code, context.answer);
        } catch (const std::exception& error) {
            gf_logAlert(fmt::format("{} exception: {}", "onRecvFacilityData", error.what()));
        }
        return;
    }
    case SIMCONNECT_RECV_ID_FACILITY_DATA_END: {
        if (size < sizeof(SIMCONNECT_RECV_FACILITY_DATA_END)) {
            return;
        }
        SIMCONNECT_RECV_FACILITY_DATA_END end{};
        std::memcpy(&end, bytes, sizeof end);
        if (end.RequestId == context.requestId) {
            ++context.records;
            context.done = true;
        }
        return;
    }
    default:
        return;
    }
}

// Never lets an exception out: the dispatch call belongs to the client layer.
void lf_facilityDispatch(SIMCONNECT_RECV* record, DWORD size, void* context) noexcept
{
    auto& read = *static_cast<ReadContext*>(context);
    try {
        lf_onRecord(record, size, read);
    } catch (const std::exception& error) {
        read.exception = fmt::format("facility dispatch: {}", error.what());
    } catch (...) {
        read.exception = "facility dispatch: unknown exception";
    }
}

} // namespace

std::span<const char* const> gf_facilityDefinitionFields() noexcept
{
    return definitionFields;
}

void gf_takeFacilityPayload(DWORD dataType, std::span<const uint8_t> payload, std::string_view code,
                            FacilityAnswer& answer)
{
    switch (dataType) {
    case SIMCONNECT_FACILITY_DATA_AIRPORT:
        lf_takeAirport(payload, code, answer);
        return;
    case SIMCONNECT_FACILITY_DATA_TAXI_PARKING:
        lf_takeParking(payload, code, answer);
        return;
    case SIMCONNECT_FACILITY_DATA_HELIPAD:
        lf_takeHelipad(payload, code, answer);
        return;
    default:
        return;
    }
}

std::string gf_standRepeatSuffix(uint64_t n)
{
    std::string suffix;
    while (n > 0) {
        --n;
        suffix.insert(suffix.begin(), static_cast<char>('a' + n % 26));
        n /= 26;
    }
    return suffix;
}

std::vector<StandRecord> gf_nameFacilityStands(const std::vector<FacilityStand>& stands, int32_t& helipads)
{
    std::vector<StandRecord> named;
    named.reserve(stands.size());
    helipads = 0;
    std::map<uint32_t, uint64_t> repeats;
    for (const FacilityStand& stand : stands) {
        std::string id;
        if (stand.heli) {
            id = fmt::format("helipad{}", ++helipads);
        } else {
            id = fmt::format("{}{}", stand.number, gf_standRepeatSuffix(repeats[stand.number]++));
        }
        named.push_back(StandRecord::fromFile(std::move(id), {}, stand.latitude, stand.longitude, stand.headingRad,
                                              stand.radiusMetres, stand.parkingType, false, false, stand.heli));
    }
    return named;
}

bool gf_facilityWaitStopping() noexcept
{
    return gf_runState().stopRequested() || gf_runState().userClosing();
}

FacilityReader::FacilityReader(SteadyTimeSource& time, std::function<bool()> stopping)
    : time_(time), stopping_(std::move(stopping)), nextRequestId_(sim_ids::kReqFacility)
{
}

FacilityReader::~FacilityReader()
{
    close();
}

bool FacilityReader::open()
{
    HANDLE handle = nullptr;
    const HRESULT result = SimConnect_Open(&handle, facilityClientName, nullptr, 0, nullptr, 0);
    if (result < 0 || handle == nullptr) {
        gf_logAlert(
            fmt::format("SimConnect_Open ({}) FAILED hr=0x{:08X}", facilityClientName, static_cast<uint32_t>(result)));
        return false;
    }
    for (const char* field : definitionFields) {
        if (SimConnect_AddToFacilityDefinition(handle, sim_ids::kDefFacility, field) < 0) {
            gf_logAlert(
                fmt::format("SimConnect_AddToFacilityDefinition ({}) failed for '{}'", facilityClientName, field));
            SimConnect_Close(handle);
            return false;
        }
    }
    handle_ = handle;
    gf_log(fmt::format("SimConnect ({}) opened", facilityClientName));
    return true;
}

void FacilityReader::close() noexcept
{
    if (handle_ == nullptr) {
        return;
    }
    if (SimConnect_Close(handle_) < 0) {
        gf_logAlert("Closing SimConnect failed?!");
    } else {
        gf_log("SimConnect closed ok");
    }
    handle_ = nullptr;
    gf_log(fmt::format("SimConnect ({}) closed", facilityClientName));
}

bool FacilityReader::read(const AirportCode& code, ApfData& data, int32_t& helipads)
{
    stopped_ = false;
    if (code.empty()) {
        gf_logAlert("Facility data not requested: no airport code");
        return false;
    }
    if (handle_ == nullptr && !open()) {
        return false;
    }
    ReadContext context;
    context.requestId = nextRequestId_++;
    context.code = code.str();
    if (SimConnect_RequestFacilityData(handle_, sim_ids::kDefFacility, context.requestId, context.code.c_str(), "") <
        0) {
        gf_logAlert(fmt::format("RequestFacilityData failed for {}", code));
        return false;
    }
    if (DWORD packet = 0; SimConnect_GetLastSentPacketID(handle_, &packet) >= 0) {
        context.packetId = packet;
    }
    SteadyTimeSource::TimePoint lastHeard = time_.now();
    while (!context.done) {
        const uint64_t before = context.records;
        const HRESULT pumped = SimConnect_CallDispatch(handle_, &lf_facilityDispatch, &context);
        if (context.exception) {
            gf_logAlert(fmt::format("{} (facility data of {} not read)", *context.exception, code));
            return false;
        }
        if (context.done) {
            break;
        }
        if (pumped < 0) {
            gf_logAlert(fmt::format("Facility data of {} not read: the simulator closed the connection ({})", code,
                                    facilityClientName));
            close();
            return false;
        }
        if (stopping_()) {
            gf_logAlert(fmt::format("Facility data of {} not read: the run is ending", code));
            stopped_ = true;
            return false;
        }
        const SteadyTimeSource::TimePoint now = time_.now();
        if (context.records != before) {
            lastHeard = now;
        } else if (now - lastHeard >= facilityQuietLimit) {
            gf_logAlert(fmt::format("Facility data of {} not read: nothing arrived for {} s", code,
                                    facilityQuietLimit.count()));
            return false;
        }
        time_.sleepFor(1ms);
    }
    if (!context.answer.airportSeen) {
        gf_logAlert(fmt::format("Facility data of {} not read: the answer holds no airport record", code));
        return false;
    }
    data.icao = code;
    data.airportName = std::move(context.answer.name);
    data.altitude = static_cast<int32_t>(context.answer.altitudeFt);
    data.stands = gf_nameFacilityStands(context.answer.stands, helipads);
    data.facilities = true;
    if (data.stands.empty()) {
        gf_logFlush(fmt::format("Fac: {} has no stands", code));
    }
    return true;
}

} // namespace hlw
