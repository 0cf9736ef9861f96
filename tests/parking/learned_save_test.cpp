// Saving what the park airport learned: to the learned path kept at the load, with the count of updates, the older
// generation at a visit's first save, the 5-minute checkpoint and a reload that restores every option; and the
// cases that save nothing: a failed load, no learned path, a learned file not read completely, a save that fails.
// A damaged learned file is kept under a name of its own, the good older generation stays, learning goes on and
// the next save writes a whole file; one that cannot be read stays as it is and the visit saves nothing over it.
#include "parking/parking_service.h"

#include "core/message_line.h"
#include "parking/apf_reader.h"

#include "parking_fixture.h"
#include "parking_world.h"
#include "support/fake_steady_time.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::readWholeFile;

const AirportCode eham("EHAM");
const fs::path localFile = "airports/my_simaddon/EHAM.xml";
const fs::path learnedFile = "airports/learned/my_simaddon/EHAM.xml";

const std::string twoStands = R"(
    <parkpos id="A1" latitude="52.31" longitude="4.76" radius="30" type="5" />
    <parkpos id="A2" latitude="52.32" longitude="4.76" radius="30" type="5" />)";

std::string lf_airport(const std::string& stands = twoStands, const std::string& publisher = "simaddon")
{
    return test::apfText(stands, fmt::format(R"(<parameter name="airport_name" value="Schiphol" />
        <parameter name="publisher" value="{}" /><parameter name="altitude" value="-11" />)",
                                             publisher));
}

class LearnedSave : public ::testing::Test {
  protected:
    LearnedSave() { folder.write(localFile, lf_airport()); }

    // A fresh visit of EHAM.
    std::string visit()
    {
        service.closeParkAirport();
        EXPECT_TRUE(service.chooseParkAirport(eham));
        return service.loadParkAirport();
    }

    // A live aircraft of the registration reported at the stand in the half hour.
    void learn(const std::string& registration, StandNumber stand, WeekdaySlot now)
    {
        traffic.now = now;
        const StandRecord* at = service.standByNumber(stand);
        ASSERT_NE(at, nullptr);
        LiveAircraft live = test::gf_parkedLive("KLM1", "B738", *at, 501);
        live.flight.registration = registration;
        service.addRealStandOption(live, StandUseReason::arrived);
    }

    std::vector<std::string> learnedOptions() const
    {
        std::vector<std::string> out;
        for (const StandRecord& stand : service.park().state.stands) {
            for (const StandOption& option : stand.options) {
                out.push_back(fmt::format("{} {} {} {}", stand.id, option.registration, option.weekday,
                                          gf_bitset2hourList(option.slots).value_or("-")));
            }
        }
        return out;
    }

    std::size_t logCount(std::string_view text) const
    {
        const std::string log = folder.logText();
        std::size_t n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
            ++n;
        }
        return n;
    }

    test::ParkingFolder folder;
    test::FakeParkingTraffic traffic;
    StatusBoard status;
    test::FakeSteadyTime time;
    ParkingService service{traffic, status, time};
};

TEST_F(LearnedSave, SavesToTheKeptPathCountsUpdatesAndKeepsTheOlderGenerationOncePerVisit)
{
    ASSERT_EQ(visit(), "");
    EXPECT_EQ(service.park().learnedPath, learnedFile);
    learn("PH-BXA", 1, {2, 20});
    learn("D-AINA", 2, {2, 20});
    EXPECT_EQ(service.park().state.learnedUpdates.count(), 2);
    ASSERT_TRUE(service.saveLearned());
    EXPECT_EQ(logCount(fmt::format("'{}' saved with 2 updates", learnedFile.generic_string())), 1U);
    EXPECT_EQ(service.park().state.learnedUpdates.count(), 0);
    EXPECT_FALSE(fs::exists(folder.dir / "airports/learned/my_simaddon/EHAM0.xml")) << "nothing to keep yet";
    ASSERT_TRUE(service.saveLearned());
    EXPECT_EQ(logCount("saved with 0 updates"), 1U) << "a save after a save";
    const std::string firstVisit = readWholeFile(folder.dir / learnedFile);

    ASSERT_EQ(visit(), "") << "the close saved once more";
    EXPECT_EQ(learnedOptions(), (std::vector<std::string>{"A1 PH-BXA 2 20", "A2 D-AINA 2 20"}));
    learn("PH-BXA", 1, {2, 22});
    ASSERT_TRUE(service.saveLearned());
    EXPECT_EQ(readWholeFile(folder.dir / "airports/learned/my_simaddon/EHAM0.xml"), firstVisit)
        << "the visit's first save kept the file as it was";
    EXPECT_NE(readWholeFile(folder.dir / learnedFile), firstVisit);
}

TEST_F(LearnedSave, TheCheckpointSavesEveryFiveMinutesWhileChangesWaitAndAReloadRestoresThem)
{
    ASSERT_EQ(visit(), "");
    // Ten uses that extend none of the others.
    for (int32_t i = 0; i < 10; ++i) {
        learn(i % 2 == 0 ? "PH-BXA" : "D-AINA", 1 + i % 2, {1 + i % 7, 5 * i});
    }
    const std::vector<std::string> learned = learnedOptions();
    ASSERT_EQ(learned.size(), 10U);
    time.advance(4min);
    service.saveCheckpoint();
    EXPECT_FALSE(fs::exists(folder.dir / learnedFile)) << "not yet";
    time.advance(1min);
    service.saveCheckpoint();
    ASSERT_TRUE(fs::exists(folder.dir / learnedFile));
    time.advance(10min);
    service.saveCheckpoint();
    EXPECT_EQ(logCount("saved with"), 1U) << "nothing new: no save";

    // The program stops without closing (a crash): the next run reads what the checkpoint wrote.
    test::FakeParkingTraffic otherTraffic;
    ParkingService next(otherTraffic, status, time);
    ASSERT_TRUE(next.chooseParkAirport(eham));
    ASSERT_EQ(next.loadParkAirport(), "");
    std::vector<std::string> reloaded;
    for (const StandRecord& stand : next.park().state.stands) {
        for (const StandOption& option : stand.options) {
            reloaded.push_back(fmt::format("{} {} {} {}", stand.id, option.registration, option.weekday,
                                           gf_bitset2hourList(option.slots).value_or("-")));
        }
    }
    EXPECT_EQ(reloaded, learned);
}

TEST_F(LearnedSave, AFileAtTheReadersBoundKeepsEveryOptionItHadAndLeavesOutWhatIsLearnedBeyondIt)
{
    // A file as the save writes it, with as many more uses of A1 as the reader takes.
    ASSERT_EQ(visit(), "");
    learn("PH-BXA", 1, {2, 20});
    ASSERT_TRUE(service.saveLearned());
    std::string full = readWholeFile(folder.dir / learnedFile);
    std::size_t treeBytes = gf_apfTreeBytes(full);
    std::string uses;
    for (int n = 1;; ++n) {
        const std::string use = fmt::format("      <opt reg=\"R{}\" day=\"1\" hh=\"5\" />\n", n);
        if (treeBytes + gf_apfTreeBytes(use) > apfMaxTreeBytes) {
            break;
        }
        treeBytes += gf_apfTreeBytes(use);
        uses += use;
    }
    full.insert(full.find("    </parkpos>"), uses);
    service.closeParkAirport();
    folder.write(learnedFile, full);

    ASSERT_EQ(visit(), "");
    const std::vector<std::string> options = learnedOptions();
    learn("PH-BXA", 1, {3, 30});
    gf_resetMessageLine();
    EXPECT_TRUE(service.saveLearned());
    EXPECT_EQ(gf_messageLineTexts().message,
              fmt::format("Learned file {} is full: 1 stand use learned in this visit left out of it",
                          learnedFile.generic_string()));
    ASSERT_EQ(visit(), "") << "the close saved once more";
    EXPECT_EQ(service.park().state.learnedRead, LearnedRead::complete);
    EXPECT_TRUE(learnedOptions() == options) << learnedOptions().size() << " options, " << options.size() << " before";
    EXPECT_EQ(logCount("is full: "), 1U) << "once per visit";
}

TEST_F(LearnedSave, NothingIsSavedWithoutALoadALearnedPathOrACompleteRead)
{
    struct Case {
        const char* what;
        std::string airport;
        std::string learned; // empty: none
        bool loads;
    };
    const Case cases[] = {{"a failed load", lf_airport(R"(<parkpos id="Z" latitude="0" longitude="0" />)"), "", false},
                          {"no learned path", lf_airport(twoStands, ""), "", true},
                          {"a handmade learned file with a repeated stand id", lf_airport(),
                           test::apfText(R"(<parkpos id="H1" latitude="52.31" longitude="4.76" radius="30" />
                          <parkpos id="H1" latitude="52.32" longitude="4.76" radius="30" />)",
                                         R"(<parameter name="handmade" value="true" />)"),
                           true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder.dir / "airports");
        if (std::string_view(c.what) == "no learned path") {
            folder.write("airports/my_thirdparty/EHAM.xml", c.airport);
        } else {
            folder.write(localFile, c.airport);
        }
        if (!c.learned.empty()) {
            folder.write(learnedFile, c.learned);
        }
        EXPECT_EQ(visit().empty(), c.loads);
        if (c.loads) {
            learn("PH-BXA", 1, {2, 20});
        }
        EXPECT_FALSE(service.saveLearned());
        service.closeParkAirport();
        EXPECT_EQ(fs::exists(folder.dir / learnedFile), !c.learned.empty());
        if (!c.learned.empty()) {
            EXPECT_EQ(readWholeFile(folder.dir / learnedFile), c.learned) << "left as it was";
        }
        EXPECT_FALSE(fs::exists(folder.dir / "airports/learned/thirdparty"));
    }

    // Leaving an airport that was chosen but never loaded saves nothing.
    fs::remove_all(folder.dir / "airports");
    folder.write(localFile, lf_airport());
    ASSERT_TRUE(service.chooseParkAirport(eham));
    service.leaveParkAirport();
    EXPECT_FALSE(fs::exists(folder.dir / "airports/learned"));
}

TEST_F(LearnedSave, AFailedSaveKeepsTheChangesAndLeftoverTemporaryFilesGo)
{
    ASSERT_EQ(visit(), "");
    learn("PH-BXA", 1, {2, 20});
    // A file where the learned folder should be.
    folder.write("airports/learned/my_simaddon", "not a folder");
    EXPECT_FALSE(service.saveLearned());
    EXPECT_EQ(service.park().state.learnedUpdates.count(), 1);
    EXPECT_EQ(logCount("did not succeed"), 1U);

    fs::remove(folder.dir / "airports/learned/my_simaddon");
    // What a save killed by another program run left behind (that process runs no more).
    const fs::path leftover = folder.dir / "airports/learned/my_simaddon/EHAM.xml.2147483646.1.tmp";
    folder.write("airports/learned/my_simaddon/EHAM.xml.2147483646.1.tmp", "<root");
    ASSERT_TRUE(service.saveLearned());
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_EQ(service.park().state.learnedUpdates.count(), 0);
}

TEST_F(LearnedSave, ADamagedLearnedFileIsKeptAsideTheGoodOlderGenerationStaysAndLearningGoesOn)
{
    const fs::path learned = folder.dir / learnedFile;
    const fs::path older = folder.dir / "airports/learned/my_simaddon/EHAM0.xml";
    const auto damagedName = [&](int n) {
        return folder.dir / fmt::format("airports/learned/my_simaddon/EHAM.damaged{}.xml", n);
    };
    // A good learned file of an earlier visit.
    ASSERT_EQ(visit(), "");
    learn("PH-BXA", 1, {2, 20});
    learn("D-AINA", 2, {3, 30});
    ASSERT_TRUE(service.saveLearned());
    service.closeParkAirport();
    const std::string good = readWholeFile(learned);
    ASSERT_GT(good.size(), 1000U);

    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string withoutMeta = good;
    withoutMeta.erase(withoutMeta.find("<meta>"), withoutMeta.find("</meta>") + 7 - withoutMeta.find("<meta>"));
    const Case cases[] = {{"cut off after 700 bytes", good.substr(0, 700)}, {"without its meta block", withoutMeta}};
    int kept = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("airports/learned/my_simaddon/EHAM0.xml", good);
        folder.write(learnedFile, c.bytes);
        gf_resetMessageLine();
        ASSERT_EQ(visit(), "");
        ++kept;
        const std::string keptAs = fmt::format("airports/learned/my_simaddon/EHAM.damaged{}.xml", kept);
        EXPECT_EQ(readWholeFile(older), good) << "the good older generation stays";
        EXPECT_EQ(gf_messageLineTexts().message,
                  fmt::format("Learned file {} was damaged; kept as {}", learnedFile.generic_string(), keptAs));
        EXPECT_EQ(logCount(fmt::format("is damaged: kept as {};", keptAs)), 1U);
        EXPECT_FALSE(fs::exists(learned));
        ASSERT_TRUE(fs::exists(damagedName(kept)));
        EXPECT_EQ(readWholeFile(damagedName(kept)), c.bytes);

        learn("PH-BXA", 1, {4, 12});
        ASSERT_TRUE(service.saveLearned());
        service.closeParkAirport();
        EXPECT_EQ(readWholeFile(older), good) << "a save after a damaged file keeps no generation of it";
        gf_resetMessageLine();
        ASSERT_EQ(visit(), "") << "the saved file is whole";
        EXPECT_EQ(service.park().state.learnedRead, LearnedRead::complete);
        EXPECT_EQ(learnedOptions(), (std::vector<std::string>{"A1 PH-BXA 4 12"}));
        EXPECT_EQ(gf_messageLineTexts().message, "");
        EXPECT_FALSE(fs::exists(damagedName(kept + 1)));
        service.closeParkAirport();
    }
    // Each damaged file kept its own name.
    EXPECT_EQ(readWholeFile(damagedName(1)), cases[0].bytes);
    EXPECT_EQ(logCount("is damaged: kept as"), 2U);
}

TEST_F(LearnedSave, ALearnedFileThatCannotBeReadStaysAsItIsAndTheVisitSavesNothingOverIt)
{
    const fs::path learned = folder.dir / learnedFile;
    struct Case {
        const char* what;
        std::function<void()> make;
        std::string problem;
        std::function<void()> expectUntouched;
    };
    // The smallest elements, more than a tree of apfMaxTreeBytes holds.
    std::string denseMarkup = "<root>";
    for (std::size_t n = 0; n <= apfMaxTreeBytes / 64; ++n) {
        denseMarkup += "<a/>";
    }
    denseMarkup += "</root>";
    const Case cases[] = {
        {"a folder in its place", [&] { folder.write(learnedFile / "notes.txt", "mine"); }, "cannot be opened",
         [&] { EXPECT_EQ(readWholeFile(learned / "notes.txt"), "mine"); }},
        {"larger than the cap",
         [&] {
             folder.write(learnedFile, "<root>");
             fs::resize_file(learned, apfMaxBytes + 1);
         },
         fmt::format("is larger than {} bytes", apfMaxBytes),
         [&] {
             EXPECT_EQ(fs::file_size(learned), apfMaxBytes + 1);
             std::string start(6, ' ');
             std::ifstream(learned).read(start.data(), 6);
             EXPECT_EQ(start, "<root>");
         }},
        {"too much markup", [&] { folder.write(learnedFile, denseMarkup); },
         "holds too many elements and attributes (they would take up to 49 MiB once read, more than 48 MiB)",
         [&] { EXPECT_EQ(readWholeFile(learned), denseMarkup); }},
        {"a FIFO in its place", [&] { ASSERT_EQ(::mkfifo(learned.c_str(), 0600), 0); }, "cannot be opened",
         [&] { EXPECT_TRUE(fs::is_fifo(learned)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(learned);
        c.make();
        gf_resetMessageLine();
        // A load still waiting for the FIFO's writer after a second is let go by opening that end.
        std::atomic<bool> letGo{false};
        {
            const std::jthread watchdog([&](std::stop_token stop) {
                std::mutex mutex;
                std::unique_lock lock(mutex);
                std::condition_variable_any().wait_for(lock, stop, 1s, [] { return false; });
                if (!stop.stop_requested() && fs::is_fifo(learned)) {
                    letGo = true;
                    ::close(::open(learned.c_str(), O_WRONLY | O_NONBLOCK));
                }
            });
            ASSERT_EQ(visit(), "");
        }
        EXPECT_FALSE(letGo.load()) << "the load waited for a writer";
        EXPECT_EQ(service.park().state.learnedRead, LearnedRead::unreadable);
        EXPECT_EQ(gf_messageLineTexts().message, fmt::format("Learned file {} {}; it is left as it is and not saved",
                                                             learnedFile.generic_string(), c.problem));
        learn("PH-BXA", 1, {2, 20});
        EXPECT_FALSE(service.saveLearned());
        service.closeParkAirport();
        c.expectUntouched();
        EXPECT_FALSE(fs::exists(folder.dir / "airports/learned/my_simaddon/EHAM0.xml"));
        EXPECT_FALSE(fs::exists(folder.dir / "airports/learned/my_simaddon/EHAM.damaged1.xml"));
    }
    EXPECT_EQ(logCount("it is left as it is and nothing is saved over it"), 4U) << "once per visit";
}

} // namespace
} // namespace hlw
