#include "worker_fakes.h"

#include "core/log.h"
#include "engine/base/run_state.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace hlw::test {

namespace fs = std::filesystem;

void gf_makeProgramFolder(const fs::path& root)
{
    fs::create_directories(root / "program" / "docs");
    fs::create_directories(root / "program" / "output");
    fs::create_directories(root / "sim");
    fs::copy(HLMR_SAMPLES_INPUT, root / "program" / "input", fs::copy_options::recursive);
    fs::copy_file(fs::path(HLMR_SAMPLES_SOURCE) / "liveries" / "LiveriesScanned.xml",
                  root / "program" / "output" / "LiveriesScanned.xml");
    fs::create_directories(root / "user");
    gf_writeWorkerParameters(root);
}

void gf_writeWorkerParameters(const fs::path& root, const std::string& extra)
{
    writeWholeFile(root / "user" / "parameters.xml",
                   fmt::format("<?xml version=\"1.0\"?>\n<root><parameters>"
                               "<parameter name=\"SCAN_LIVERIES\" value=\"false\"/>"
                               "<parameter name=\"SCAN_AIRPORTS\" value=\"false\"/>"
                               "<parameter name=\"MSFS_INSTALL_PATH\" value=\"{}\"/>{}"
                               "</parameters></root>\n",
                               (root / "sim").string(), extra));
}

WorkerFolderRun::WorkerFolderRun(const fs::path& root) : root_(root), current_(root / "program")
{
    gf_overrideDataFolderPath(root / "user");
    setenv("HLMR_ROAMING_APPDATA", (root / "roaming").c_str(), 1);
    gf_startLog(root / "Log.txt");
    gf_resetRunFlags();
    userClosing.store(false);
}

std::string WorkerFolderRun::finishLog()
{
    gf_logFlushNow();
    std::string log = readWholeFile(root_ / "Log.txt");
    gf_stopLog();
    gf_overrideDataFolderPath(std::nullopt);
    unsetenv("HLMR_ROAMING_APPDATA");
    for (BoolCheckBoxParameter* scan : {&settings::scanLiveries, &settings::scanAirports}) {
        scan->set(scan->defaultValue());
    }
    return log;
}

void Journal::add(std::string entry)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> Journal::entries() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> Journal::take()
{
    std::lock_guard lock(mutex_);
    return std::exchange(entries_, {});
}

int Journal::count(const std::string& entry) const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(entries_.begin(), entries_.end(), entry));
}

IdleThread::~IdleThread()
{
    stop();
    join();
}

void IdleThread::start()
{
    stop();
    join();
    stopping_ = false;
    thread_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopping_; });
    });
}

void IdleThread::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
}

void IdleThread::join()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FakeSimLink::start()
{
    journal_.add("sim start");
    titleRequested_.store(false);
    thread.start();
    if (startsFlight.load()) {
        flightRunning.store(true);
    }
}

void FakeSimLink::stop()
{
    journal_.add("sim stop");
    thread.stop();
}

void FakeSimLink::join()
{
    journal_.add("sim join");
    thread.join();
}

bool FakeSimLink::requestUserOnGround()
{
    journal_.add("sim requestUserOnGround");
    return true;
}

void FakeSimLink::requestUserTitle()
{
    journal_.add("sim requestUserTitle");
    titleRequested_.store(true);
}

std::optional<UserAircraftFix> FakeSimLink::requestUserPosition()
{
    if (!positionKnown.load()) {
        return std::nullopt;
    }
    if (zeroAfterTitle.load() && titleRequested_.load()) {
        return UserAircraftFix{};
    }
    return userAircraft();
}

UserAircraftFix FakeSimLink::userAircraft() const { return {52.3, 4.76, 0.0, userOnGround.load()}; }

void FakeReaders::startQnhReader()
{
    journal_.add("qnh reader start");
    qnhThread.start();
}

void FakeReaders::startTrafficReader(bool localOnly)
{
    journal_.add(localOnly ? "traffic reader start local" : "traffic reader start");
    trafficThread.start();
}

void FakeReaders::stop()
{
    journal_.add("readers stop");
    qnhThread.stop();
    trafficThread.stop();
}

void FakeReaders::join()
{
    journal_.add("readers join");
    qnhThread.join();
    trafficThread.join();
}

void FakeTick::tick()
{
    const int64_t number = ++ticks;
    if (onTick) {
        onTick(number);
    }
}

void FakeLifecycle::forgetTitlesPerHexId()
{
    journal_.add("forget titles");
    if (failClosingDown.load()) {
        throw std::runtime_error("titles are gone");
    }
}

std::optional<uint32_t> FakeLifecycle::objectIdOf(std::string_view callsign)
{
    journal_.add("object id of " + std::string(callsign));
    return callsign == "KLM123" ? std::optional<uint32_t>(4711) : std::nullopt;
}

bool FakeApp::checkVersions()
{
    journal_.add("check versions");
    if (onCheckVersions) {
        onCheckVersions();
    }
    if (newVersion.load()) {
        gf_requestStop(ExitReason::newVersion, 0);
        return false;
    }
    return true;
}

FakeWorld::FakeWorld()
{
    time.setListener([this](SteadyTimeSource::TimePoint now) {
        const SteadyTimeSource::Duration elapsed = now - time.start();
        if (elapsed >= nextReport_) {
            while (nextReport_ <= elapsed) {
                nextReport_ += std::chrono::seconds(1);
            }
            if (reporting.load()) {
                userDataArrived.store(true);
            }
        }
        if (director) {
            director(elapsed);
        }
    });
}

WorkerContext FakeWorld::context(WindowPort& windowPort)
{
    return context(windowPort, tick, lifecycle);
}

WorkerContext FakeWorld::context(WindowPort& windowPort, EngineTick& engine, LifecycleHooks& hooks)
{
    return {simLink, readers,    liveLink, engine, hooks,   parking,  addonScan,
            app,     windowPort, time,     status, traffic, requests, resets};
}

} // namespace hlw::test
