// BGL scenery files: the airport records found lie inside the file, each once, and every stand read has a valid
// position, a finite heading, a radius above 0 and up to 500 m, and an id of its own. Fields beyond the end of the
// file raise std::out_of_range and nothing else.
#include "fuzz_check.h"

#include "parking/bgl_reader.h"

#include <cmath>
#include <set>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hlw;
    const BglWords words(std::string(fuzz::asText(data, size)));
    BglWalkBudget budget("fuzz.bgl");
    const std::vector<BglAirportRecord> records = gf_findBglAirports(words, budget);
    std::set<uint64_t> starts;
    CappedAlerts lines("fuzz.bgl", [](const std::string&) {});
    for (const BglAirportRecord& record : records) {
        fuzz::check(record.word < words.size() && record.sizeWords > 0, "airport records lie inside the file");
        fuzz::check(starts.insert(record.word).second, "each airport record is found once");
        fuzz::check(!record.ident.empty() && record.ident.find_first_of(" ?") == std::string::npos,
                    "idents found are valid");
        BglAirportStands airport;
        try {
            airport = gf_readBglStands(words, record, "fuzz.bgl", lines, budget);
        } catch (const std::out_of_range&) {
            continue;
        }
        fuzz::check(airport.altitudeFt >= 0 && airport.altitudeFt <= 10000, "altitudes lie within 0 to 10,000 ft");
        std::set<std::string> ids;
        int32_t helipads = 0;
        for (const StandRecord& stand : airport.stands) {
            fuzz::check(std::isfinite(stand.latitude) && std::abs(stand.latitude) <= 90.0 &&
                            std::isfinite(stand.longitude) && std::abs(stand.longitude) <= 180.0,
                        "stand positions are valid");
            fuzz::check(std::isfinite(stand.heading) && std::isfinite(stand.radius) && stand.radius > 0.0 &&
                            stand.radius * metresPerNm <= bglMaxRadiusMetres,
                        "headings are finite and radii within (0, 500] m");
            fuzz::check(!stand.id.empty() && ids.insert(stand.id).second, "stand ids are given once");
            helipads += stand.heli ? 1 : 0;
        }
        fuzz::check(helipads == airport.helipads, "the helipad count counts the helipads");
    }
    return 0;
}
