// A kill -9 at any moment leaves the learned file as the last completed save wrote it: a child program loads the
// park airport and learns and saves in a loop; it is killed with SIGKILL at 100 or more random moments, many of them
// during a save. After each kill the learned file reads completely and holds exactly the options of the last save the
// child reported finished, or of the save that was under way, never a mix; and the next run loads and saves again.
#include "parking/apf_reader.h"

#include "parking_fixture.h"
#include "support/child_process.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <random>
#include <set>
#include <thread>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::size_t learnedPerRound = 50;
const fs::path airportFile = "airports/my_simaddon/EHAM.xml";
const fs::path learnedFile = "airports/learned/my_simaddon/EHAM.xml";

std::string lf_airport()
{
    std::string stands;
    for (int i = 0; i < 500; ++i) {
        stands += fmt::format(R"(<parkpos id="S{}" latitude="{:.6f}" longitude="{:.6f}" radius="30" type="5" />)", i,
                              52.30 + 0.0005 * (i / 25), 4.75 + 0.0008 * (i % 25));
    }
    return test::apfText(stands, R"(<parameter name="publisher" value="simaddon" />
                                    <parameter name="altitude" value="-11" />)");
}

// The registrations of the learned file; empty when there is none. A file that does not read completely fails.
std::set<std::string> lf_learnedRegistrations(const fs::path& folder)
{
    std::set<std::string> registrations;
    if (!fs::exists(folder / learnedFile)) {
        return registrations;
    }
    pugi::xml_document airport;
    EXPECT_EQ(gf_loadApfDocument(folder / airportFile, airport), std::nullopt);
    ParkAirportState state;
    gf_readParkpositions(airport, state.stands, true);
    EXPECT_EQ(gf_readLearned(folder / learnedFile, "", state), LearnedRead::complete);
    for (const StandRecord& stand : state.stands) {
        for (const StandOption& option : stand.options) {
            EXPECT_TRUE(registrations.insert(option.registration).second) << option.registration;
        }
    }
    return registrations;
}

std::set<std::string> lf_firstRegistrations(std::size_t count)
{
    std::set<std::string> registrations;
    for (std::size_t i = 0; i < count; ++i) {
        registrations.insert(fmt::format("L-{:06d}", i));
    }
    return registrations;
}

TEST(LearnedFileCrash, AKilledSaveLeavesTheLastCompletedSave)
{
    test::ParkingFolder folder;
    folder.write(airportFile, lf_airport());
    std::mt19937 random(20261207);
    std::size_t onDisk = 0;
    int interrupted = 0;
    int underWay = 0;
    // How long one round of learning and saving takes on this machine now: from a run's load to its first completed
    // save, measured in every other run. Each kill comes at a random moment within one such round, so that it falls
    // within a save however fast or slow a loaded machine makes the saves.
    std::chrono::microseconds round = 120ms;
    // At least 100 kills, and more while fewer than 10 of them have fallen within a write: how many random moments
    // hit a save depends on how fast this build learns beside how fast it writes.
    constexpr int leastKills = 100;
    constexpr int leastInterrupted = 10;
    int kill = 0;
    for (; kill < leastKills || (interrupted < leastInterrupted && kill < 4 * leastKills); ++kill) {
        SCOPED_TRACE(kill);
        test::ChildProcess child({HLMR_LEARN_LOOP_CHILD, folder.dir.path().string()}, {},
                                 folder.dir / "child-errors.txt");
        ASSERT_EQ(child.readLine(20s), fmt::format("loaded {}", onDisk)) << "the next run loads what was saved";
        const auto loaded = std::chrono::steady_clock::now();
        std::size_t reported = onDisk;
        // Every other run is killed within its second save, the others within the first save of a visit, which also
        // keeps the older generation.
        if (kill % 2 == 1) {
            const std::string line = child.readLine(20s);
            ASSERT_TRUE(line.starts_with("saved ")) << line;
            reported = std::stoul(line.substr(6));
            round = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - loaded);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % std::max<int64_t>(round.count(), 1)));
        ::kill(child.pid(), SIGKILL);
        child.waitForExit(10s);
        for (;;) {
            std::string line;
            try {
                line = child.readLine(200ms);
            } catch (const std::runtime_error&) {
                break;
            }
            ASSERT_TRUE(line.starts_with("saved ")) << line;
            reported = std::stoul(line.substr(6));
        }
        for (const auto& entry : fs::directory_iterator(folder.dir / "airports/learned/my_simaddon")) {
            interrupted += entry.path().extension() == ".tmp" ? 1 : 0;
        }
        const std::set<std::string> registrations = lf_learnedRegistrations(folder.dir.path());
        onDisk = registrations.size();
        ASSERT_TRUE(onDisk == reported || onDisk == reported + learnedPerRound)
            << onDisk << " learned options on disk, " << reported << " reported saved";
        underWay += onDisk != reported ? 1 : 0;
        ASSERT_EQ(registrations, lf_firstRegistrations(onDisk)) << "exactly the options of one save";
    }
    std::cout << interrupted << " of " << kill << " kills interrupted a write; " << underWay
              << " left a save the child had not reported; " << onDisk << " learned options saved\n";
    EXPECT_GE(interrupted, leastInterrupted) << "many kills come during a save";
    EXPECT_GE(onDisk, 50 * learnedPerRound) << "every other run completed a save at least";
    std::cout << fmt::format("a round of learning and saving took {:.1f} ms at the end\n", round.count() / 1000.0);
    test::resetAirportSettings();
}

} // namespace
} // namespace hlw
