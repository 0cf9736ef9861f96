// The simulator's facility data records of one request: whatever the payloads hold, the airport taken has a valid
// position and elevation, at most 5,000 stands are kept, each with a valid position, a finite heading and a
// radius above 0 and up to 500 m, and the stands' ids are given once. The input is a row of records, each a type
// byte (0 airport, 1 taxi parking, 2 helipad, others unknown), a 16-bit little-endian length and the payload.
#include "fuzz_check.h"

#include "parking/facility_reader.h"

#include <cmath>
#include <set>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hlw;
    constexpr DWORD types[] = {SIMCONNECT_FACILITY_DATA_AIRPORT, SIMCONNECT_FACILITY_DATA_TAXI_PARKING,
                               SIMCONNECT_FACILITY_DATA_HELIPAD, 7};
    FacilityAnswer answer;
    std::span<const uint8_t> rest(data, size);
    while (rest.size() >= 3) {
        const DWORD type = types[rest[0] % 4];
        const std::size_t length = std::min<std::size_t>(rest[1] | (rest[2] << 8U), rest.size() - 3);
        gf_takeFacilityPayload(type, rest.subspan(3, length), "FUZZ", answer);
        rest = rest.subspan(3 + length);
    }
    if (answer.airportSeen) {
        fuzz::check(std::isfinite(answer.latitude) && std::abs(answer.latitude) <= 90.0 &&
                        std::isfinite(answer.longitude) && std::abs(answer.longitude) <= 180.0,
                    "the airport's position is valid");
        fuzz::check(std::isfinite(answer.altitudeFt) && std::abs(answer.altitudeFt) < 40000.0,
                    "the airport's elevation is an airport's");
    }
    fuzz::check(answer.stands.size() <= facilityMaxStands, "at most 5,000 stands are kept");
    int32_t helipads = 0;
    const std::vector<StandRecord> named = gf_nameFacilityStands(answer.stands, helipads);
    std::set<std::string> ids;
    int32_t heli = 0;
    for (const StandRecord& stand : named) {
        fuzz::check(std::isfinite(stand.latitude) && std::abs(stand.latitude) <= 90.0 &&
                        std::isfinite(stand.longitude) && std::abs(stand.longitude) <= 180.0,
                    "stand positions are valid");
        fuzz::check(std::isfinite(stand.heading) && std::isfinite(stand.radius) && stand.radius > 0.0 &&
                        stand.radius * metresPerNm <= facilityMaxRadiusMetres + 1e-9,
                    "headings are finite and radii within (0, 500] m");
        fuzz::check(!stand.id.empty() && ids.insert(stand.id).second, "stand ids are given once");
        heli += stand.heli ? 1 : 0;
    }
    fuzz::check(heli == helipads, "the helipad count counts the helipads");
    return 0;
}
