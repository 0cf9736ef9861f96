// Shows the main window with one named scenario of status values, its panel settings and its message line, until
// the window is closed or the process gets SIGINT or SIGTERM. Prints "ready" once the first paint is done, so
// that a script can take its screenshot then.
//   hlmr-window-demo <scenario> [x y] [--live N]   the window's client area at (x, y), default (0, 0); --live
//                                                  shows N live aircraft instead of the scenario's count
//   hlmr-window-demo --list                        the scenarios, one per line with what each shows
#include "app/client_area_paint.h"
#include "app/control_table.h"
#include "app/sim_controls.h"
#include "app/window_layout.h"
#include "core/message_line.h"
#include "core/product.h"
#include "platform/ui/fltk_window.h"
#include "settings/control_services.h"
#include "window_scenarios.h"

#include <fmt/format.h>

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace hlw;

std::atomic<bool> closeSignal{false};

extern "C" void lf_onCloseSignal(int) { closeSignal.store(true); }

class DemoEvents final : public ui::WindowEvents {
  public:
    DemoEvents(ui::Window& window, StatusBoard& status) : window_(window), status_(status) {}

    void onMessage(uint32_t message) override
    {
        if (message == ui::repaintMessage) {
            window_.invalidate(messageBandRect, false);
        }
    }
    void onCommand(ui::Command) override {}
    void onClose() override { window_.quit(0); }
    void onPaint(ui::Painter& painter) override
    {
        gf_paintClientArea(painter, &painter_, status_.snapshot(), gf_messageLineTexts());
        if (!painted_) {
            painted_ = true;
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }

  private:
    ui::Window& window_;
    StatusBoard& status_;
    StatusAreaPainter painter_;
    bool painted_ = false;
};

int lf_list()
{
    for (const demo::WindowScenario& scenario : demo::gf_windowScenarios()) {
        fmt::print("{:24} {}\n", scenario.name, scenario.description);
    }
    return 0;
}

int lf_show(const demo::WindowScenario& scenario, ui::Point position, std::optional<int32_t> liveCount)
{
    std::unique_ptr<ui::FltkWindow> window = ui::FltkWindow::open();
    if (!window) {
        fmt::print(stderr, "No display could be opened (DISPLAY not set?)\n");
        return 1;
    }
    ui::gf_installControlPort(window.get());
    StatusBoard status;
    status.update([&](StatusValues& values) {
        values = scenario.status;
        values.liveCount = liveCount.value_or(values.liveCount);
    });
    demo::gf_applyPanelSettings(scenario.panel);
    DemoEvents events(*window, status);
    const ui::WindowSpec spec{fmt::format("{} - {}", productName, scenario.name), position, clientWidth,
                              clientHeight, lightBlue};
    if (!window->create(spec, gf_controlsAtCreation(), events)) {
        fmt::print(stderr, "The window could not be created\n");
        ui::gf_installControlPort(nullptr);
        return 1;
    }
    SimControls controls(status);
    controls.enableForStartUp();
    // The start-up state clears the busy mark that the scenario may show.
    if (scenario.status.staticParkingBusy) {
        controls.disableParking();
    }
    if (!scenario.error.empty()) {
        gf_showError(scenario.error);
    } else if (!scenario.message.empty()) {
        gf_setMessage(scenario.message, false);
    }
    gf_routeMessageLineToControlPort();
    window->invalidate(clientRect, false);
    const int code = window->run(closeSignal);
    ui::gf_installControlPort(nullptr);
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--list") {
        return lf_list();
    }
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    std::optional<int32_t> liveCount;
    if (arguments.size() >= 2 && arguments[arguments.size() - 2] == "--live") {
        const std::string_view text = arguments.back();
        int32_t count = -1;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
        if (error != std::errc{} || end != text.data() + text.size() || count < 0) {
            fmt::print(stderr, "--live takes a count of aircraft, not '{}'\n", text);
            return 2;
        }
        liveCount = count;
        arguments.resize(arguments.size() - 2);
    }
    if (arguments.size() != 1 && arguments.size() != 3) {
        fmt::print(stderr, "usage: hlmr-window-demo <scenario> [x y] [--live N] | --list\n");
        return 2;
    }
    const demo::WindowScenario* scenario = demo::gf_findWindowScenario(arguments[0]);
    if (scenario == nullptr) {
        fmt::print(stderr, "unknown scenario '{}'; --list shows them\n", arguments[0]);
        return 2;
    }
    ui::Point position;
    if (arguments.size() == 3) {
        position = {std::atoi(arguments[1].data()), std::atoi(arguments[2].data())};
    }
    struct sigaction action {};
    action.sa_handler = lf_onCloseSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return lf_show(*scenario, position, liveCount);
}
