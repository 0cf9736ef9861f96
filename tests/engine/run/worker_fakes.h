#pragma once
// The worker's neighbours as test doubles that write every call into one journal, on a fake steady clock. The
// simulator link and the readers run real threads that only wait for their stop, so a test sees whether closing
// down joined them.
#include "engine/run/worker_context.h"
#include "support/fake_steady_time.h"
#include "support/temp_dir.h"

#include <atomic>
#include <filesystem>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace hlw::test {

// A program folder under root/"program" that a worker starts in without scans: "docs", the sealed sample data
// files in "input", the sample "output/LiveriesScanned.xml"; and the per-user folder root/"user" with a
// "parameters.xml" that switches both scans off and stores root/"sim" as the installation (plus `extra`).
void gf_makeProgramFolder(const std::filesystem::path& root);
void gf_writeWorkerParameters(const std::filesystem::path& root, const std::string& extra = {});

// A run of the worker in the program folder that gf_makeProgramFolder laid out under root: while the object lives
// that folder is the current folder; from its start root/"user" is the per-user data folder, root/"roaming" the
// roaming one and root/"Log.txt" the log, and the run flags are clear. finishLog() stops the log and returns it,
// and leaves the data folders and the scan settings as a fresh process has them.
class WorkerFolderRun {
public:
    explicit WorkerFolderRun(const std::filesystem::path& root);
    WorkerFolderRun(const WorkerFolderRun&) = delete;
    WorkerFolderRun& operator=(const WorkerFolderRun&) = delete;

    std::string finishLog();

private:
    std::filesystem::path root_;
    ScopedCurrentPath current_;
};

class Journal {
public:
    void add(std::string entry);
    std::vector<std::string> entries() const;
    std::vector<std::string> take();
    int count(const std::string& entry) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

// A thread that does nothing but wait for its stop; joinable until joined.
class IdleThread {
public:
    ~IdleThread();
    void start();
    void stop();
    void join();
    bool running() const { return thread_.joinable(); }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

class FakeSimLink final : public SimLink {
public:
    explicit FakeSimLink(Journal& journal) : journal_(journal) {}
    void resetQueues() override { journal_.add("sim resetQueues"); }
    void start() override;
    void stop() override;
    void join() override;
    bool requestUserOnGround() override;
    std::optional<UserAircraftFix> requestUserPosition() override;
    void requestUserTitle() override;
    UserAircraftFix userAircraft() const override;
    void discardAiPositions() override { journal_.add("sim discardAiPositions"); }

    IdleThread thread;
    std::atomic<bool> startsFlight{true};
    std::atomic<bool> userOnGround{true};
    // The user position: none while positionKnown is clear; at 0, 0 once the title was asked for while
    // zeroAfterTitle is set.
    std::atomic<bool> positionKnown{true};
    std::atomic<bool> zeroAfterTitle{false};

private:
    Journal& journal_;
    std::atomic<bool> titleRequested_{false};
};

class FakeReaders final : public TrafficReaders {
public:
    explicit FakeReaders(Journal& journal) : journal_(journal) {}
    void startQnhReader() override;
    void startTrafficReader(bool localOnly) override;
    void stop() override;
    void join() override;
    void watchdog() override { journal_.add("watchdog"); }
    void setRangeCentre(double, double) override { journal_.add("range centre"); }
    double latestTimestamp() const override { return latest.load(); }
    void collectCallsigns() override { journal_.add("collect callsigns"); }

    IdleThread qnhThread;
    IdleThread trafficThread;
    std::atomic<double> latest{1.7e9};

private:
    Journal& journal_;
};

class FakeLiveLink final : public LiveTrafficLink {
public:
    explicit FakeLiveLink(Journal& journal) : journal_(journal) {}
    void startServer() override { journal_.add("link startServer"); }
    void connectAndHandshake() override { journal_.add("link handshake"); }
    void sendUserPosition() override { journal_.add("link position"); }
    void sendSimTime() override { journal_.add("link simTime"); }
    void close() override { journal_.add("link close"); }

private:
    Journal& journal_;
};

class FakeTick final : public EngineTick {
public:
    explicit FakeTick(Journal& journal) : journal_(journal) {}
    void tick() override;
    void applySimReplies() override { ++replies; }
    void reserve() override { journal_.add("tick reserve"); }
    void reset() override { journal_.add("tick reset"); }

    std::atomic<int64_t> ticks{0};
    std::atomic<int64_t> replies{0};
    // Called with the tick number; a test makes a tick slow or ends the run from here.
    std::function<void(int64_t)> onTick;

private:
    Journal& journal_;
};

class FakeLifecycle final : public LifecycleHooks {
public:
    explicit FakeLifecycle(Journal& journal) : journal_(journal) {}
    void refreshCounts(StatusBoard&) override
    {
        if (onRefreshCounts) {
            onRefreshCounts();
        }
    }
    void removeStaticTwins() override { journal_.add("twins"); }
    void freeStand(std::string_view stand) override { journal_.add("free stand " + std::string(stand)); }
    void forgetMatchingNames() override { journal_.add("forget matching names"); }
    void forgetTitlesPerHexId() override;
    void writeObjectIdList() override { journal_.add("object id list"); }
    void logUnmatchedNames() override { journal_.add("unmatched names"); }
    std::optional<uint32_t> objectIdOf(std::string_view callsign) override;
    void removeByCallsign(std::string_view callsign) override { journal_.add("block " + std::string(callsign)); }
    void setParkedNavLights(bool on) override { journal_.add(on ? "nav lights on" : "nav lights off"); }

    std::atomic<bool> failClosingDown{false};
    // Runs inside the per-second step.
    std::function<void()> onRefreshCounts;

private:
    Journal& journal_;
};

class FakeParking final : public ParkingPort {
public:
    explicit FakeParking(Journal& journal) : journal_(journal) {}
    void driveParkAirport(bool firstCall) override { journal_.add(firstCall ? "driver first" : "driver"); }
    bool parkAirportActive() const override { return active.load(); }
    bool hasStands() const override { return active.load(); }
    void beginAdjustment() override { journal_.add("adjustment first half"); }
    void runAdjustments() override { journal_.add("adjustment second half"); }
    void leaveParkAirport() override
    {
        journal_.add("leave park airport");
        active.store(false);
    }
    std::optional<std::string> reservedStand() const override
    {
        return standReserved.load() ? std::optional<std::string>("B12") : std::nullopt;
    }
    void addParkAirport(const FixedCode<4>& code, const LatLon&) override
    {
        journal_.add("park airport " + std::string(code.view()));
    }

    std::atomic<bool> active{false};
    // The user's reserved stand "B12".
    std::atomic<bool> standReserved{false};

private:
    Journal& journal_;
};

class FakeAddonScan final : public AddonScanPort {
public:
    explicit FakeAddonScan(Journal& journal) : journal_(journal) {}
    void scanAddonAirports() override { journal_.add("addon scan"); }

private:
    Journal& journal_;
};

class FakeApp final : public AppServices {
public:
    explicit FakeApp(Journal& journal) : journal_(journal) {}
    bool checkVersions() override;
    void computeAutoRange() override { journal_.add("auto range"); }

    std::atomic<bool> newVersion{false};
    // Runs inside the version check: a requester that comes while the start-up runs.
    std::function<void()> onCheckVersions;

private:
    Journal& journal_;
};

class FakeWindow final : public WindowPort {
public:
    explicit FakeWindow(Journal& journal) : journal_(journal) {}
    void postStartWorker() override { journal_.add("post start worker"); }
    void postQuit() override { journal_.add("post quit"); }
    void setTopmost(bool topmost) override { journal_.add(topmost ? "topmost on" : "topmost off"); }
    void setExitCode(int code) override { journal_.add("exit code " + std::to_string(code)); }

private:
    Journal& journal_;
};

// Every neighbour of a worker, the fake clock and the objects a program run owns.
struct FakeWorld {
    FakeWorld();

    WorkerContext context(WindowPort& windowPort);
    WorkerContext context() { return context(window); }
    // With the engine's own tick and lifecycle in place of the fakes.
    WorkerContext context(WindowPort& windowPort, EngineTick& engine, LifecycleHooks& hooks);

    // While set, the simulator's once-per-second report arrives at every whole second of the fake clock.
    std::atomic<bool> reporting{true};
    // Called after every move of the clock with the time since its start, on the thread that moved it.
    std::function<void(SteadyTimeSource::Duration)> director;

    Journal journal;
    FakeSteadyTime time;
    FakeSimLink simLink{journal};
    FakeReaders readers{journal};
    FakeLiveLink liveLink{journal};
    FakeTick tick{journal};
    FakeLifecycle lifecycle{journal};
    FakeParking parking{journal};
    FakeAddonScan addonScan{journal};
    FakeApp app{journal};
    FakeWindow window{journal};
    StatusBoard status;
    TrafficQueue traffic;
    WorkerRequests requests;
    ResetRegistry resets;

private:
    SteadyTimeSource::Duration nextReport_ = std::chrono::seconds(1);
};

} // namespace hlw::test
