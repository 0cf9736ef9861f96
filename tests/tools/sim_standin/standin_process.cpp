#include "standin_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace hlw::test {
namespace {

std::vector<std::string> lf_arguments(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args{HLMR_SIM_STANDIN_PATH, "--port", "0", "--control-port", "0", "--facility-dir",
                                  HLMR_SAMPLE_FACILITIES_DIR};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    return args;
}

} // namespace

StandinProcess::StandinProcess(const std::vector<std::string>& extraArgs) : child_(lf_arguments(extraArgs)) {
    const auto ports = nlohmann::json::parse(child_.readLine(std::chrono::seconds(10)));
    simPort_ = ports.at("sim_port").get<uint16_t>();
    controlFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(ports.at("control_port").get<uint16_t>());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(controlFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(controlFd_);
        throw std::runtime_error("control port refused");
    }
}

StandinProcess::~StandinProcess() { stop(); }

nlohmann::json StandinProcess::control(const std::string& command) {
    const std::string line = command + "\n";
    if (::send(controlFd_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
        throw std::runtime_error("control send failed");
    }
    return nlohmann::json::parse(gf_readLine(controlFd_, controlBuffer_, std::chrono::seconds(40)));
}

int StandinProcess::staticObjectCount() {
    int count = 0;
    const nlohmann::json list = control("obj list");
    for (const nlohmann::json& object : list["objects"]) {
        count += object.value("atc_id", std::string()).ends_with('*') ? 1 : 0;
    }
    return count;
}

std::optional<int> StandinProcess::stop() {
    if (controlFd_ >= 0) {
        ::close(controlFd_);
        controlFd_ = -1;
    }
    return child_.stop();
}

} // namespace hlw::test
