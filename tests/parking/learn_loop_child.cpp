// The child of the crash test: loads the park airport of the program folder it is given, then learns and saves in a
// loop until it is killed. It prints "loaded <n>" once the airport is loaded with n learned options, and
// "saved <n>" after every completed save that wrote n learned options. Each round learns the next registrations in
// turn ("L-000000", "L-000001", ...), so that a file of n learned options holds exactly the first n of them.
#include "core/log.h"
#include "parking/parking_service.h"
#include "parking/stand_options.h"
#include "refdata/airports_database.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include "parking_world.h"

#include <fmt/format.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using namespace hlw;

constexpr int learnedPerRound = 50;

std::size_t lf_learnedCount(const ParkAirport& park)
{
    std::size_t count = 0;
    for (const StandRecord& stand : park.state.stands) {
        for (const StandOption& option : stand.options) {
            count += option.fromAirportFile ? 0 : 1;
        }
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <program folder>\n", argv[0]);
        return 2;
    }
    std::filesystem::current_path(argv[1]);
    gf_startLog("Log.txt");
    gf_installAirports({{AirportCode("EHAM"), gf_noIataCode(), 52.3086, 4.7639, -11.0F, 0}});
    test::FakeParkingTraffic traffic;
    StatusBoard status;
    ParkingService service(traffic, status, gf_systemSteadyTime());
    if (!service.chooseParkAirport(AirportCode("EHAM")) || !service.loadParkAirport().empty()) {
        std::fprintf(stderr, "the park airport did not load\n");
        return 1;
    }
    std::size_t learned = lf_learnedCount(service.park());
    std::printf("loaded %zu\n", learned);
    std::fflush(stdout);
    std::vector<StandRecord>& stands = service.park().state.stands;
    const StandCodes codes{gf_airlineIndex("KLM"), 0, gf_modelIndex("B738"), 0, 1};
    for (;;) {
        for (int i = 0; i < learnedPerRound; ++i, ++learned) {
            StandRecord& stand = stands[learned % stands.size()];
            const WeekdaySlot when{static_cast<int32_t>(learned % 7) + 1, static_cast<int32_t>(learned % 48)};
            findOrAddOption(stand.options, codes, when, "KLM1", fmt::format("L-{:06d}", learned), false,
                            service.park().state.learnedUpdates);
        }
        if (!service.saveLearned()) {
            std::fprintf(stderr, "a save failed\n");
            return 1;
        }
        std::printf("saved %zu\n", learned);
        std::fflush(stdout);
    }
}
