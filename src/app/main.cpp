// The program's entry: one running copy per user, the log in the program's folder, the shared run flags, the
// report of what the program found at start-up, then the start-up steps that read the settings, the data files
// and the simulator installation.
#include "app/livery_start.h"
#include "app/start_report.h"
#include "app/start_steps.h"
#include "app/window_livery_view.h"
#include "core/log.h"
#include "core/product.h"
#include "engine/run_state.h"
#include "platform/os/single_instance.h"
#include "settings/settings_hooks.h"

#include <fmt/format.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

// An error that ends the start-up: logged as the window's error line logs it, and shown on the console.
int lf_startUpFailed(const char* text)
{
    hlw::gf_logFlush(fmt::format("Error {}", text));
    fmt::print(stderr, "Error {}\n", text);
    return 1;
}

} // namespace

int main()
{
    using namespace hlw;
    const auto instanceLock = os::SingleInstanceLock::acquire("Local\\$HLMR$");
    if (!instanceLock) {
        fmt::print(stderr, "{} is already running\n", productName);
        return 1;
    }
    try {
        gf_startLog();
    } catch (const std::exception& error) {
        fmt::print(stderr, "{}\n", error.what());
        return 1;
    }
    gf_installEngineRunState();
    gf_installSettingsHooks();
    WindowLiveryView liveryView;
    gf_installLiveryViewPort(&liveryView);
    gf_writeStartReport(stdout);
    int status = 0;
    try {
        gf_makeDataFolder();
        for (const std::string& line : gf_runStartUpSteps()) {
            fmt::print("{}\n", line);
        }
        for (const std::string& line : gf_runLiveryStartUp()) {
            fmt::print("{}\n", line);
        }
        // Until the traffic engine brings live aircraft, the demo names a file of sample flights to match.
        if (const char* flights = std::getenv("HLMR_SAMPLE_FLIGHTS"); flights != nullptr) {
            for (const std::string& line : gf_matchSampleFlights(flights)) {
                fmt::print("{}\n", line);
            }
        }
    } catch (const std::exception& error) {
        status = lf_startUpFailed(error.what());
    }
    gf_installLiveryViewPort(nullptr);
    gf_stopLog();
    return status;
}
