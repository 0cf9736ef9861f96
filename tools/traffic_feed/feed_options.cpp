#include "traffic_feed/feed_options.h"

#include <charconv>
#include <cmath>
#include <fmt/format.h>

namespace hlw::feed {

namespace {

double lf_number(const std::string& option, const std::string& text)
{
    double value = 0.0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || rest != text.data() + text.size() || !std::isfinite(value)) {
        throw UsageError(fmt::format("{} needs a number, not '{}'", option, text));
    }
    return value;
}

std::uint16_t lf_port(const std::string& option, const std::string& text)
{
    const double value = lf_number(option, text);
    if (value < 1 || value > 65535 || value != std::floor(value)) {
        throw UsageError(fmt::format("{} needs a port 1..65535, not '{}'", option, text));
    }
    return static_cast<std::uint16_t>(value);
}

GeoPoint lf_centre(const std::string& option, const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) {
        throw UsageError(fmt::format("{} needs LAT,LON", option));
    }
    const GeoPoint point{lf_number(option, text.substr(0, comma)), lf_number(option, text.substr(comma + 1))};
    if (std::fabs(point.lat) > 90 || std::fabs(point.lon) > 180) {
        throw UsageError(fmt::format("{} is out of range", option));
    }
    return point;
}

} // namespace

std::string gf_helpText()
{
    return R"(Usage: hlmr-traffic-feed [options] [--scenario FILE]

Sends traffic datagrams and QNH datagrams like the live-traffic application, from a scenario or a recording,
and optionally plays that application's side of the program's TCP link.

Datagrams:
  --scenario FILE        scenario or recording file (format: samples/scenarios/README.md)
  --replay FILE          the same as --scenario
  --traffic-host HOST    address of the traffic datagrams (default 127.0.0.1)
  --traffic-port PORT    UDP port of the traffic datagrams (default 49005)
  --qnh-host HOST        address of the QNH datagrams (default 127.0.0.1)
  --qnh-port PORT        UDP port of the QNH datagrams (default 49004)
  --duration SECONDS     stop after this time (default: the scenario's duration, else its last datagram)
  --send-for SECONDS     send no datagram after this time; the link goes on until the end
  --centre LAT,LON       traffic centre (default: the scenario's, else 52.3086,4.7639)
  --generate N           add N generated flights around the centre (needs a duration)
  --seed N               random seed (default: the scenario's, else 1)
  --no-restamp           send recorded traffic lines with their own timestamps (default: now)
  --stamp-offset SECONDS add this to every timestamp sent (negative: older traffic)
  --sent-log FILE        write every datagram sent, one line each: "seconds traffic|qnh text"

Link to the program (the feed is the TCP client):
  --link                 connect to the program's link (retrying until it listens)
  --link-host HOST       the program's address (default 127.0.0.1)
  --link-port PORT       the program's port (default 10747; implies --link)
  --level N              level in the version reply (default 2)
  --version TEXT         version in the version reply (default 1.2.3)
  --reply MODE           answer to "Qs999=version": normal, late, partial, none, empty, broken, array, drop
  --reply-delay SECONDS  delay of a late reply or of the second half of a partial one (default 2)
  --drop-after SECONDS   close the connection this long after each connect
  --reconnect            connect again after the connection ended
  --stop-on-exit         end the feed when the program sends "exit"
  --link-log FILE        write every link event: "seconds event text"; events: connected, request, reply...,
                         Qs121, Qs121-bad, Qs123, Qs123-bad, exit, unknown, bad, closed, dropped, end
  --help                 this text

The traffic centre follows the user position of every good "Qs121=" line.
Exit status: 0 done, 1 runtime failure, 2 bad command line or scenario, 3 the program sent a bad link line.
)";
}

CommandLine gf_parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    FeedOptions& options = line.options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) {
                throw UsageError(fmt::format("{} needs a value", option));
            }
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            line.help = true;
        } else if (option == "--scenario" || option == "--replay") {
            line.scenarioFile = value();
        } else if (option == "--traffic-host") {
            options.trafficHost = value();
        } else if (option == "--traffic-port") {
            options.trafficPort = lf_port(option, value());
        } else if (option == "--qnh-host") {
            options.qnhHost = value();
        } else if (option == "--qnh-port") {
            options.qnhPort = lf_port(option, value());
        } else if (option == "--duration") {
            options.duration = lf_number(option, value());
            if (*options.duration <= 0) {
                throw UsageError("--duration must be above 0");
            }
        } else if (option == "--send-for") {
            options.sendFor = lf_number(option, value());
            if (*options.sendFor <= 0) {
                throw UsageError("--send-for must be above 0");
            }
        } else if (option == "--centre" || option == "--center") {
            options.centre = lf_centre(option, value());
        } else if (option == "--generate") {
            options.generate = static_cast<int>(lf_number(option, value()));
            if (options.generate < 0 || options.generate > 10000) {
                throw UsageError("--generate needs 0..10000");
            }
        } else if (option == "--seed") {
            options.seed = static_cast<std::uint32_t>(lf_number(option, value()));
        } else if (option == "--no-restamp") {
            options.restampRecords = false;
        } else if (option == "--stamp-offset") {
            options.stampOffset = lf_number(option, value());
        } else if (option == "--sent-log") {
            options.sentLog = value();
        } else if (option == "--link") {
            options.link.enabled = true;
        } else if (option == "--link-host") {
            options.link.host = value();
        } else if (option == "--link-port") {
            options.link.port = lf_port(option, value());
            options.link.enabled = true;
        } else if (option == "--level") {
            options.link.level = static_cast<int>(lf_number(option, value()));
        } else if (option == "--version") {
            options.link.version = value();
        } else if (option == "--reply") {
            const std::string& mode = value();
            const auto reply = gf_replyModeFromName(mode);
            if (!reply) {
                throw UsageError(fmt::format("unknown reply mode '{}'", mode));
            }
            options.link.reply = *reply;
        } else if (option == "--reply-delay") {
            options.link.replyDelay = lf_number(option, value());
        } else if (option == "--drop-after") {
            options.link.dropAfter = lf_number(option, value());
        } else if (option == "--reconnect") {
            options.link.reconnect = true;
        } else if (option == "--stop-on-exit") {
            options.link.stopOnExit = true;
        } else if (option == "--link-log") {
            options.link.logFile = value();
        } else {
            throw UsageError(fmt::format("unknown option '{}'", option));
        }
    }
    return line;
}

} // namespace hlw::feed
