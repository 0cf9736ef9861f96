// hlmr-traffic-feed: the stand-in for the live-traffic application (see --help).
#include "platform/net/socket_error.h"
#include "traffic_feed/feed_options.h"
#include "traffic_feed/feed_runner.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fmt/format.h>

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void lf_onStopSignal(int)
{
    g_stopRequested.store(true);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace hlw::feed;
    std::signal(SIGINT, lf_onStopSignal);
    std::signal(SIGTERM, lf_onStopSignal);
    std::signal(SIGPIPE, SIG_IGN);

    CommandLine command;
    Scenario scenario;
    try {
        command = gf_parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (command.help) {
            fmt::print("{}", gf_helpText());
            return 0;
        }
        if (!command.scenarioFile.empty()) {
            scenario = gf_readScenario(command.scenarioFile);
        }
    } catch (const std::exception& error) {
        fmt::print(stderr, "hlmr-traffic-feed: {}\n(--help lists the options)\n", error.what());
        return 2;
    }

    try {
        fmt::print("hlmr-traffic-feed: traffic to {}:{}, QNH to {}:{}{}\n", command.options.trafficHost,
                   command.options.trafficPort, command.options.qnhHost, command.options.qnhPort,
                   command.options.link.enabled
                       ? fmt::format(", link to {}:{}", command.options.link.host, command.options.link.port)
                       : std::string());
        std::fflush(stdout);
        const FeedSummary summary = gf_runFeed(command.options, scenario, g_stopRequested);
        const LinkStats& link = summary.link;
        fmt::print("hlmr-traffic-feed: {:.1f} s, sent {} traffic and {} QNH datagrams\n", summary.seconds,
                   summary.trafficSent, summary.qnhSent);
        if (command.options.link.enabled) {
            fmt::print("hlmr-traffic-feed: link: {} connections, {} version requests, Qs121 {} ok {} bad, "
                       "Qs123 {} ok {} bad, {} exit, {} other bad lines\n",
                       link.connections, link.versionRequests, link.qs121Ok, link.qs121Bad, link.qs123Ok,
                       link.qs123Bad, link.exits, link.unknown);
        }
        return link.badLines() > 0 ? 3 : 0;
    } catch (const std::invalid_argument& error) {
        fmt::print(stderr, "hlmr-traffic-feed: {}\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        fmt::print(stderr, "hlmr-traffic-feed: {}\n", error.what());
        return 1;
    }
}
