#pragma once
// A run of the built program against the simulator stand-in and the traffic feed, as the demo lays it out under a
// temporary folder: the program folder, the user's folders, the ports of the program's readers and link, the
// commands that start the program and the feed there, and what the feed says it sent.
#include "core/geodesy.h"
#include "support/temp_dir.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace hlw::test {

class ProgramRun {
  public:
    // program/ with docs/ and the sample data files in input/ (the sealed files and the registration codes);
    // user/ with the simulator's installation (2020, store edition), the sample AI-traffic packages in packages/
    // and the live-traffic application in its roaming folder; runtime/ for the program's lock, its owner's only.
    ProgramRun();

    const std::filesystem::path& root() const { return dir_.path(); }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return dir_ / name; }
    std::filesystem::path program() const { return root() / "program"; }
    std::filesystem::path user() const { return root() / "user"; }
    std::filesystem::path parametersFile() const { return user() / "roaming" / "Hollowmere" / "parameters.xml"; }

    // Writes the user's "parameters.xml" with these settings, by name and value.
    void writeParameters(const std::vector<std::pair<std::string, std::string>>& settings) const;
    // The program's "Log.txt" as far as it is written; empty before there is one.
    std::string log() const;

    // The environment that runs the program here, NAME=value each: these folders, the readers' ports and the
    // stand-in's simulator port.
    std::vector<std::string> programEnvironment(uint16_t simPort) const;
    // The program started by env(1) in the program folder, with `settings` (env's options and more NAME=value)
    // before the environment above.
    std::vector<std::string> programCommand(uint16_t simPort, const std::vector<std::string>& settings) const;
    // The traffic feed playing a scenario of samples/scenarios to the readers' ports, as the live-traffic
    // application connected to the program's link until the program ends; `more` of its options after these.
    std::vector<std::string> feedCommand(const std::string& scenario, const std::vector<std::string>& more) const;

    const uint16_t trafficPort;
    const uint16_t qnhPort;
    const uint16_t linkPort;

  private:
    TempDir dir_;
};

// Runs a shell command; a failure of the test when it does not end with status 0.
void gf_runCommand(const std::string& command);

// A traffic datagram the feed sent: its time stamp (seconds since 1970) and the position it gave.
struct FedPoint {
    double at = 0.0;
    LatLon position;
};

// The traffic datagrams of the feed's sent log (--sent-log) by callsign, in the order sent.
std::map<std::string, std::vector<FedPoint>> gf_sentFlights(const std::filesystem::path& sentLog);

} // namespace hlw::test
