// The program's entry: one running copy per user, the log in the program's folder, the shared run flags, the
// report of what the program found at start-up, the command line, the per-user data folder, and then the window
// thread, which starts the worker and pumps its messages until the program ends.
#include "app/command_line.h"
#include "app/headless_host.h"
#include "app/program_parts.h"
#include "app/start_report.h"
#include "app/window_livery_view.h"
#include "core/log.h"
#include "core/product.h"
#include "engine/run_state.h"
#include "platform/os/single_instance.h"
#include "settings/catalogue.h"
#include "settings/settings_hooks.h"

#include <fmt/format.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string_view>
#include <vector>

namespace {

// Set by SIGINT and SIGTERM; the window thread reads it and runs the close command.
std::atomic<bool> closeSignal{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void lf_onCloseSignal(int) { closeSignal.store(true); }

void lf_installCloseSignals()
{
    struct sigaction action {};
    action.sa_handler = lf_onCloseSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char** argv)
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
    gf_writeStartReport(stdout);
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        std::filesystem::create_directories(dataFolderPath());
    } catch (const std::filesystem::filesystem_error& error) {
        gf_logFlush(fmt::format("Failed to create directory: {}", error.what()));
        gf_stopLog();
        return 1;
    }
    productionMode.store(gf_productionRequested(arguments));
    lf_installCloseSignals();

    HeadlessHost host(closeSignal, stdout, stderr);
    ui::gf_installControlPort(&host);
    gf_installSettingsHooks();
    WindowLiveryView liveryView;
    gf_installLiveryViewPort(&liveryView);
    ProgramParts parts;
    parts.status.setRepaintHook([&host] { host.postMessage(ui::repaintMessage); });
    WorkerContext context = parts.context(host, gf_systemSteadyTime());
    const int code = host.run(context);

    gf_installLiveryViewPort(nullptr);
    ui::gf_installControlPort(nullptr);
    gf_stopLog();
    return code;
}
