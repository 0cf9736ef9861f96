// The program's entry: one running copy per user, the log in the program's folder, the shared run flags, the
// report of what the program found at start-up, the command line, the per-user data folder, and then the window
// thread, which starts the worker and pumps its messages until the program ends. The window thread shows the
// main window when a display can be opened and HLMR_UI is not "headless"; otherwise it runs on the console.
#include "app/command_line.h"
#include "app/commands.h"
#include "app/download_base.h"
#include "app/headless_host.h"
#include "app/main_window.h"
#include "app/program_parts.h"
#include "app/start_report.h"
#include "app/status_painter.h"
#include "app/window_layout.h"
#include "app/window_livery_view.h"
#include "core/log.h"
#include "core/product.h"
#include "engine/base/run_state.h"
#include "platform/os/single_instance.h"
#include "platform/ui/fltk_window.h"
#include "settings/catalogue.h"
#include "settings/settings_hooks.h"

#include <fmt/format.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using namespace hlw;

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

// The real window, unless HLMR_UI asks for none or no display can be opened (each said in the log).
std::unique_ptr<ui::FltkWindow> lf_openWindow()
{
    const char* mode = std::getenv("HLMR_UI");
    if (mode != nullptr && std::string_view(mode) == "headless") {
        gf_log("HLMR_UI=headless: running without a window");
        return nullptr;
    }
    std::unique_ptr<ui::FltkWindow> window = ui::FltkWindow::open();
    if (!window) {
        gf_log("No display could be opened: running without a window");
    }
    return window;
}

int lf_runWithWindow(ui::FltkWindow& window, ProgramParts& parts, bool production)
{
    ui::gf_installControlPort(&window);
    parts.status.setRepaintHook([&window] { window.invalidate(clientRect, false); });
    MainWindowState state(parts.status);
    StatusAreaPainter statusPainter;
    state.statusPainter = &statusPainter;
    WindowCommands commands(window, parts.status, parts.controls, parts.requests);
    state.commands = &commands;
    parts.app.setMessageBox([&window](const std::string& text, const std::string& caption) {
        window.messageBox(text, caption);
    });
    int code = 0;
    {
        MainWindow mainWindow(window, state);
        if (mainWindow.create()) {
            productionMode.store(production);
            WorkerContext context = parts.context(mainWindow, gf_systemSteadyTime());
            code = mainWindow.run(context, closeSignal);
        } else {
            // A program that could not show its window has failed, as one that cannot create its data folder.
            gf_logAlert("initInstance failed");
            code = 1;
        }
    }
    parts.status.setRepaintHook({});
    ui::gf_installControlPort(nullptr);
    return code;
}

int lf_runOnConsole(ProgramParts& parts, bool production)
{
    productionMode.store(production);
    HeadlessHost host(closeSignal, stdout, stderr);
    ui::gf_installControlPort(&host);
    parts.status.setRepaintHook([&host] { host.postMessage(ui::repaintMessage); });
    WorkerContext context = parts.context(host, gf_systemSteadyTime());
    const int code = host.run(context);
    parts.status.setRepaintHook({});
    ui::gf_installControlPort(nullptr);
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    // A second copy does nothing at all, not even write a line. A lock that cannot be made anywhere ends the run
    // before the log is open, so only the console can say why.
    const auto instanceLock = os::SingleInstanceLock::acquire("Local\\$HLMR$");
    if (instanceLock.heldByAnother()) {
        return -1;
    }
    if (!instanceLock) {
        fmt::print(stderr, "Failed to create the lock file {}: {}\n", instanceLock.file.string(),
                   std::system_category().message(instanceLock.error));
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
    const bool production = gf_productionRequested(arguments);
    lf_installCloseSignals();

    gf_installSettingsHooks();
    gf_applyDownloadBaseFromEnvironment();
    int code = 0;
    {
        ProgramParts parts;
        WindowLiveryView liveryView(parts.status);
        gf_installLiveryViewPort(&liveryView);
        std::unique_ptr<ui::FltkWindow> window = lf_openWindow();
        code = window ? lf_runWithWindow(*window, parts, production) : lf_runOnConsole(parts, production);
        gf_installLiveryViewPort(nullptr);
    }
    gf_stopLog();
    return code;
}
