#include "support/program_run.h"

#include "core/string_helpers.h"
#include "support/free_port.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace hlw::test {

namespace fs = std::filesystem;

ProgramRun::ProgramRun()
    : trafficPort(gf_freePort(SOCK_DGRAM)), qnhPort(gf_freePort(SOCK_DGRAM)), linkPort(gf_freePort(SOCK_STREAM))
{
    for (const fs::path& folder : {program() / "docs", program() / "input", root() / "runtime"}) {
        fs::create_directories(folder);
    }
    fs::permissions(root() / "runtime", fs::perms::owner_all);
    for (const char* name : {"dbase.enc", "airports.enc", "AIG-regcodes.enc"}) {
        fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / name, program() / "input" / name);
    }
    fs::copy(fs::path(HLMR_SAMPLES_INPUT) / "my_regcodes", program() / "input" / "my_regcodes");
    const std::string dbase = (fs::path(HLMR_SAMPLES_PLAIN) / "dbase.xml").string();
    gf_runCommand(fmt::format("'{}' '{}' siminstall --root '{}' --sim 2020 --edition store > /dev/null", HLMR_PYTHON,
                              HLMR_SAMPLE_BUILDER, user().string()));
    gf_runCommand(fmt::format("'{}' '{}' sample --out '{}' --dbase '{}' > /dev/null", HLMR_PYTHON,
                              HLMR_PACKAGE_GENERATOR, (user() / "packages").string(), dbase));
    fs::create_directories(user() / "roaming" / "VidiveZovadaz");
    writeWholeFile(user() / "roaming" / "VidiveZovadaz" / "RealTraffic.jar", "");
}

void ProgramRun::writeParameters(const std::vector<std::pair<std::string, std::string>>& settings) const
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n";
    for (const auto& [name, value] : settings) {
        text += fmt::format("    <parameter name=\"{}\" value=\"{}\" />\n", name, value);
    }
    text += "  </parameters>\n</root>\n";
    fs::create_directories(parametersFile().parent_path());
    writeWholeFile(parametersFile(), text);
}

std::string ProgramRun::log() const
{
    const fs::path path = program() / "Log.txt";
    return fs::exists(path) ? readWholeFile(path) : std::string();
}

std::vector<std::string> ProgramRun::programEnvironment(uint16_t simPort) const
{
    return {"XDG_RUNTIME_DIR=" + (root() / "runtime").string(),
            "HLMR_ROAMING_APPDATA=" + (user() / "roaming").string(),
            "HLMR_LOCAL_APPDATA=" + (user() / "local").string(),
            "HLMR_SHELL_OPEN_LOG=" + (user() / "opened-folders.txt").string(),
            fmt::format("HLMR_SIM_PORT={}", simPort),
            fmt::format("HLMR_TRAFFIC_PORT={}", trafficPort),
            fmt::format("HLMR_QNH_PORT={}", qnhPort)};
}

std::vector<std::string> ProgramRun::programCommand(uint16_t simPort, const std::vector<std::string>& settings) const
{
    std::vector<std::string> command{"env", "-C", program().string()};
    command.insert(command.end(), settings.begin(), settings.end());
    const std::vector<std::string> environment = programEnvironment(simPort);
    command.insert(command.end(), environment.begin(), environment.end());
    command.emplace_back(HOLLOWMERE_PROGRAM);
    return command;
}

std::vector<std::string> ProgramRun::feedCommand(const std::string& scenario,
                                                 const std::vector<std::string>& more) const
{
    std::vector<std::string> command{HLMR_TRAFFIC_FEED,
                                     "--scenario",
                                     (fs::path(HLMR_SCENARIO_DIR) / scenario).string(),
                                     "--link-port",
                                     std::to_string(linkPort),
                                     "--reconnect",
                                     "--stop-on-exit",
                                     "--traffic-port",
                                     std::to_string(trafficPort),
                                     "--qnh-port",
                                     std::to_string(qnhPort)};
    command.insert(command.end(), more.begin(), more.end());
    return command;
}

void gf_runCommand(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::map<std::string, std::vector<FedPoint>> gf_sentFlights(const fs::path& sentLog)
{
    // One line a datagram: "seconds traffic|qnh text"; a traffic text is comma-separated, with the position in
    // fields 2 and 3, the callsign in 9 and the time stamp in 14.
    std::map<std::string, std::vector<FedPoint>> flights;
    std::ifstream in(sentLog);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string_view> words = gf_splitAt(line, ' ');
        if (words.size() < 3 || words[1] != "traffic") {
            continue;
        }
        const std::vector<std::string_view> fields = gf_splitAt(words[2], ',');
        if (fields.size() > 14) {
            const auto number = [&fields](std::size_t field) { return std::stod(std::string(fields[field])); };
            flights[std::string(fields[9])].push_back({number(14), {number(2), number(3)}});
        }
    }
    return flights;
}

} // namespace hlw::test
