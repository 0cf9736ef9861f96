// A traffic run through the whole engine in simulated time: received records go through the traffic queue into the
// engine tick, whose commands the simulator link's frame send puts on a recording connection. A small simulator
// here answers the recorded calls as the real one would (an "object added" event and a by-type record with the
// tail number for a creation, "object removed" for a removal) through the link's dispatch. The run is checked
// against the feed: each aircraft created with its matched title 3000 ticks after its first record, flown where the
// feed put it 3000 ticks earlier, and removed once its data has ended.
#include "engine_fixture.h"
#include "livery_world.h"
#include "sim_link_fixture.h"
#include "trajectory.h"

#include "engine/base/run_state.h"
#include "engine/live/live_motion.h"
#include "engine/sim/sim_dispatch.h"
#include "platform/sim/sim_program_ids.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace hlw::test {
namespace {

using namespace sim_ids;
using namespace std::chrono_literals;

constexpr int32_t startTick = 20000;
constexpr int32_t replayDelayTicks = 3000;

// Two flights around Schiphol; the second one's data ends 20 s before the first one's.
constexpr const char* scenarioText =
    "centre 52.3086 4.7639\n"
    "duration 60\n"
    "flight hex=4737090 callsign=KLM1234 type=B738 reg=PH-BXA from=AMS to=LHR bearing=225 dist=5 alt=5000 track=240 "
    "gs=250 interval=3\n"
    "flight hex=3965089 callsign=DLH988 type=A320 reg=D-AINA from=FRA to=AMS bearing=120 dist=12 alt=9000 track=300 "
    "gs=300 turn=1 end=40 interval=3-4\n";

class FixedQnh final : public TrafficReaders {
  public:
    int32_t qnh() const override { return 1013; }
};

struct SimObject {
    std::string title;
    std::string tailNumber;
    int32_t createdAtTick = 0;
    int32_t removedAtTick = -1;
    // Every position the engine sent, with the tick of its frame.
    std::vector<std::pair<int32_t, LatLon>> track;
};

class EngineRun : public ::testing::Test {
  protected:
    EngineRun()
    {
        gf_restoreLiveSettings();
        gf_resetLinkFlags();
        flightRunning.store(true);
        world.build({{"KLM", "", "B738", false, "Boeing 737-800 KLM", ""},
                     {"DLH", "", "A320", false, "Airbus A320 Lufthansa", ""}});
        gf_modelCodes().setKnownCodes({"B738", "A320"});
        EXPECT_EQ(SimConnect_Open(&handle, "Hollowmere", nullptr, 0, nullptr, 0), S_OK);
        shared.handle.store(handle);
        recording.clearCalls(handle);
        UserAircraftFix user;
        user.latitude = 52.3086;
        user.longitude = 4.7639;
        user.onGround = true;
        sim.user = user;
        engine.reserve();
        engine.state().tick = startTick;
        traffic.setRunning(true);
    }
    ~EngineRun() override
    {
        SimConnect_Close(handle);
        gf_restoreLiveSettings();
        gf_resetLinkFlags();
    }

    // One engine tick, then one simulator frame: the frame send, the simulator's answers, the dispatch.
    void tick()
    {
        while (next_ < feed.records.size() && feed.records[next_].arrivalTick <= engine.state().tick) {
            traffic.push(TrafficRecord(feed.records[next_++].record));
        }
        engine.tick();
        time.advance(10ms);
        clock.advance(10ms);
        dispatcher.sendFrame(handle);
        answer(recording.calls(handle));
        recording.clearCalls(handle);
        while (!heldBack_.empty() && heldBack_.front().first <= engine.state().tick) {
            recording.inject(handle, std::move(heldBack_.front().second));
            heldBack_.erase(heldBack_.begin());
        }
        ASSERT_EQ(SimConnect_CallDispatch(handle, &SimDispatcher::dispatchProc, &dispatcher), S_OK);
    }
    void answer(const std::vector<SimCall>& calls)
    {
        const int32_t now = engine.state().tick;
        for (const SimCall& call : calls) {
            if (call.kind == SimCallKind::AICreateNonATCAircraft) {
                const uint32_t id = nextObjectId_++;
                objects[id] = SimObject{call.texts.at(0), call.texts.at(1), now, -1, {}};
                recording.inject(handle,
                                 gf_addRemoveRecordBytes(kEventObjectAdded, id, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
                std::vector<uint8_t> inRange = gf_inRangeRecordBytes(id, 5000.0, 0.0, 0, call.texts.at(1));
                if (firstInRangeAfterTicks > 0 && heldBackOnce_.insert(call.texts.at(1)).second) {
                    heldBack_.emplace_back(now + firstInRangeAfterTicks, std::move(inRange));
                } else {
                    recording.inject(handle, std::move(inRange));
                }
            } else if (call.kind == SimCallKind::AIRemoveObject) {
                const uint32_t id = call.numbers.at(0);
                objects.at(id).removedAtTick = now;
                recording.inject(handle,
                                 gf_addRemoveRecordBytes(kEventObjectRemoved, id, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
            } else if (call.kind == SimCallKind::SetDataOnSimObject && call.numbers.at(0) == kDefAiPosition) {
                AiPositionData data;
                ASSERT_EQ(call.block.size(), sizeof data);
                std::memcpy(&data, call.block.data(), sizeof data);
                objects.at(call.numbers.at(1)).track.emplace_back(now, LatLon{data.latDeg, data.lonDeg});
            }
        }
    }
    // Where the feed's records put the flight at the tick (between two records, in proportion); none outside them.
    std::optional<LatLon> fedPosition(const std::string& callsign, int32_t tick) const
    {
        const TimedRecord* before = nullptr;
        for (const TimedRecord& timed : feed.records) {
            if (timed.record.head.callsign != callsign) {
                continue;
            }
            if (timed.arrivalTick >= tick) {
                if (before == nullptr) {
                    return std::nullopt;
                }
                const double share =
                    static_cast<double>(tick - before->arrivalTick) / (timed.arrivalTick - before->arrivalTick);
                const PositionRecord& a = before->record.position;
                const PositionRecord& b = timed.record.position;
                return LatLon{a.latitude + share * (b.latitude - a.latitude),
                              a.longitude + share * (b.longitude - a.longitude)};
            }
            before = &timed;
        }
        return std::nullopt;
    }
    struct Fit {
        int32_t lagTicks = 0;
        double meanNm = 1e9;
        double farthestNm = 0.0;
        int compared = 0;
    };
    // The lag beyond the replay delay (0 to maxLag in steps of 10 ticks) at which the sent positions lie nearest to
    // where the feed put the flight, on average.
    Fit bestFit(const SimObject& object, int32_t maxLag) const
    {
        Fit best;
        for (int32_t lag = 0; lag <= maxLag; lag += 10) {
            Fit fit{lag, 0.0, 0.0, 0};
            for (const auto& [tick, at] : object.track) {
                if (const std::optional<LatLon> fed = fedPosition(object.tailNumber, tick - replayDelayTicks - lag)) {
                    const double offNm = gf_distanceNm(at, *fed);
                    fit.farthestNm = std::max(fit.farthestNm, offNm);
                    fit.meanNm += offNm;
                    ++fit.compared;
                }
            }
            fit.meanNm /= std::max(fit.compared, 1);
            if (fit.meanNm < best.meanNm) {
                best = fit;
            }
        }
        return best;
    }
    bool recordsLeft() const { return next_ < feed.records.size(); }
    int32_t firstArrival(const std::string& callsign) const
    {
        return std::ranges::find_if(feed.records,
                                    [&](const TimedRecord& t) { return t.record.head.callsign == callsign; })
            ->arrivalTick;
    }
    int32_t lastArrival(const std::string& callsign) const
    {
        int32_t last = 0;
        for (const TimedRecord& timed : feed.records) {
            last = timed.record.head.callsign == callsign ? timed.arrivalTick : last;
        }
        return last;
    }

    LiveryWorld world;
    Trajectory feed = [] {
        std::istringstream text(scenarioText);
        return gf_trajectoryOf(feed::gf_parseScenario(text, "two flights"), startTick);
    }();
    SimRecordingScope recording;
    HANDLE handle = nullptr;
    RecordingLinkEvents events;
    ManualClock clock;
    SimLinkShared shared{events, clock.clock()};
    SimDispatcher dispatcher{shared, gf_testModelFacts()};
    RecordingSimRequests sim;
    CountingLink link;
    FakeSteadyTime time;
    TrafficQueue traffic{time};
    RecordingParking parking;
    StatusBoard status;
    FixedQnh qnh;
    LiveMotion motion{qnh};
    TrafficEngine engine{{shared.commands, shared.replies, sim, link, traffic, parking, status, time,
                          [this] { return world.dir.path(); }},
                         motion};
    std::map<uint32_t, SimObject> objects;
    // When set, the first object of each tail number is announced at once but shows in the by-type records only
    // this many ticks after its creation, as an object beyond the requested radius would.
    int32_t firstInRangeAfterTicks = 0;

  private:
    std::size_t next_ = 0;
    uint32_t nextObjectId_ = 1000;
    std::set<std::string> heldBackOnce_;
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> heldBack_; // by due tick, in order
};

TEST_F(EngineRun, RecordsBecomeAircraftWithTheirTitleThirtySecondsLaterAreReplayedAndRemovedWhenTheDataEnds)
{
    ASSERT_EQ(feed.refusedLines, 0);
    const int32_t lastFedTick = feed.records.back().arrivalTick;
    bool planWhileActive = false;
    while (engine.state().tick < lastFedTick + replayDelayTicks + 12000 &&
           (recordsLeft() || !engine.state().live.empty())) {
        tick();
        planWhileActive = planWhileActive || std::filesystem::exists(world.dir / "1000.pln");
    }
    ASSERT_TRUE(engine.state().live.empty()) << engine.state().live.size() << " aircraft left";
    ASSERT_EQ(objects.size(), 2u);

    const std::map<std::string, std::string> titles = {{"KLM1234", "Boeing 737-800 KLM"},
                                                       {"DLH988", "Airbus A320 Lufthansa"}};
    for (const auto& [id, object] : objects) {
        const std::string& callsign = object.tailNumber;
        SCOPED_TRACE(callsign);
        EXPECT_EQ(object.title, titles.at(callsign));
        // Due 3000 ticks after it arrived; one creation goes out at each 500 ms mark, so the n-th aircraft due at
        // the same tick waits n marks.
        const int32_t due = firstArrival(callsign) + replayDelayTicks;
        const auto createdBefore = std::ranges::count_if(
            objects, [&object](const auto& other) { return other.second.createdAtTick < object.createdAtTick; });
        EXPECT_GE(object.createdAtTick, due);
        EXPECT_LE(object.createdAtTick, due + TrafficEngine::creationEveryTicks * (createdBefore + 1) + 1);

        ASSERT_FALSE(object.track.empty());
        // The airborne aircraft moves from its binding, as late as its creation came after its due tick, and its
        // legs pull that lag back toward the replay delay: the one lag that fits the sent positions best lies
        // within the creation's wait, and fits the whole track to within the lag pulled back.
        const int32_t waited = object.createdAtTick - due + ReplyApplication::configureAfterTicks;
        const Fit fit = bestFit(object, waited + 100);
        EXPECT_GE(fit.lagTicks, 0);
        EXPECT_LE(fit.lagTicks, waited + 10);
        EXPECT_GT(fit.compared, 2000);
        EXPECT_LT(fit.meanNm, 0.01) << "the aircraft flies the feed's path";
        EXPECT_LT(fit.farthestNm, 0.08) << "the aircraft flies the feed's path";

        // Removed once its data ended and its made-up positions ran out; nothing is sent after the removal.
        EXPECT_GT(object.removedAtTick, lastArrival(callsign) + replayDelayTicks);
        EXPECT_LE(object.track.back().first, object.removedAtTick);
    }
    EXPECT_TRUE(planWhileActive) << "the flight plan of the first object";
    EXPECT_FALSE(std::filesystem::exists(world.dir / "1000.pln")) << "deleted with its object";
    EXPECT_EQ(world.logText().find("given up"), std::string::npos);
}

// An object that comes after the engine has given its aircraft up (60 s unbound) is the program's all the same: it
// is removed, so that no object stays behind.
TEST_F(EngineRun, AnObjectThatComesAfterItsAircraftWasGivenUpIsRemoved)
{
    firstInRangeAfterTicks = 7000;
    while (engine.state().tick < startTick + 20000) {
        tick();
    }
    EXPECT_TRUE(engine.state().live.empty()) << engine.state().live.size() << " aircraft left";
    ASSERT_EQ(objects.size(), 2u);
    for (const auto& [id, object] : objects) {
        SCOPED_TRACE(object.tailNumber);
        EXPECT_TRUE(object.track.empty()) << "never bound, never moved";
        EXPECT_GE(object.removedAtTick, object.createdAtTick + firstInRangeAfterTicks) << "stays in the simulator";
    }
    const std::string log = world.logText();
    const auto count = [&log](const std::string& needle) {
        std::size_t n = 0;
        for (auto at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("not bound to an object after 60 s, given up"), 2u) << log;
    EXPECT_EQ(count("of the creation given up (hexid"), 2u) << log;
}

} // namespace
} // namespace hlw::test
