#include "options.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace hlw::standin {
namespace {

template <typename T>
T lf_number(const std::string& option, const std::string& text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        throw std::invalid_argument(fmt::format("{}: '{}' is not a valid number", option, text));
    }
    return value;
}

} // namespace

const char* gf_usage() {
    return "usage: hlmr-sim-standin [options]\n"
           "  --port N            client port on 127.0.0.1 (default 50500, 0 = a free port)\n"
           "  --control-port N    control port on 127.0.0.1 (default 50501, 0 = a free port)\n"
           "  --frames HZ         frame events per second (default 30, 0 = none)\n"
           "  --facility-dir DIR  folder of <ICAO>.json facility files (default samples/facilities)\n"
           "  --user-id N         object id of the user aircraft (default 1)\n"
           "  --first-object-id N first id of created objects (default 1000, or user id + 1 when higher)\n"
           "  --offline           start without accepting clients (\"sim online\" opens)\n"
           "  --duration S        stop after S seconds\n"
           "  --watch-stdin / --no-watch-stdin  stop when standard input ends (default: when it is a pipe)\n"
           "  --command TEXT      a control command to run at start (repeatable)\n"
           "The first line on standard output is {\"sim_port\":N,\"control_port\":M}.\n";
}

StandinOptions gf_parseOptions(const std::vector<std::string>& args) {
    StandinOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw std::invalid_argument(fmt::format("{} needs a value", option));
            }
            return args[++i];
        };
        if (option == "--port") {
            options.port = lf_number<uint16_t>(option, value());
        } else if (option == "--control-port") {
            options.controlPort = lf_number<uint16_t>(option, value());
        } else if (option == "--frames") {
            options.start.frameHz = lf_number<double>(option, value());
            if (!(options.start.frameHz >= 0.0 && options.start.frameHz <= 1000.0)) {
                throw std::invalid_argument("--frames: 0 to 1000");
            }
        } else if (option == "--facility-dir") {
            options.start.facilityDir = value();
        } else if (option == "--user-id") {
            options.start.userId = lf_number<uint32_t>(option, value());
            if (options.start.userId == 0) {
                throw std::invalid_argument("--user-id: 0 is the user alias, not an id");
            }
        } else if (option == "--first-object-id") {
            options.start.firstObjectId = lf_number<uint32_t>(option, value());
        } else if (option == "--offline") {
            options.offline = true;
        } else if (option == "--duration") {
            options.durationSeconds = lf_number<double>(option, value());
            if (!(*options.durationSeconds > 0.0)) {
                throw std::invalid_argument("--duration must be positive");
            }
        } else if (option == "--watch-stdin") {
            options.watchStdin = true;
        } else if (option == "--no-watch-stdin") {
            options.watchStdin = false;
        } else if (option == "--command") {
            options.commands.push_back(value());
        } else if (option == "--help" || option == "-h") {
            options.help = true;
        } else {
            throw std::invalid_argument(fmt::format("unknown option {}", option));
        }
    }
    if (options.start.firstObjectId != 0 && options.start.firstObjectId <= options.start.userId) {
        throw std::invalid_argument("--first-object-id must lie above the user id");
    }
    return options;
}

} // namespace hlw::standin
