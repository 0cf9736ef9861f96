#pragma once
// The real back end: a loopback TCP connection to the simulator stand-in speaking the framed protocol
// of sim_wire.h.
#include "platform/sim/sim_connection.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace hlw {

inline constexpr uint16_t kSimDefaultPort = 50500;
inline constexpr const char* kSimPortVariable = "HLMR_SIM_PORT";
inline constexpr std::chrono::milliseconds kSimConnectTimeout{50};
// A call whose frame cannot be written within this time fails, so that no caller waits long on a
// simulator that does not read.
inline constexpr std::chrono::milliseconds kSimWriteTimeout{200};

// The stand-in's port: HLMR_SIM_PORT when it holds a number from 1 to 65535, else 50500.
uint16_t gf_simPort();

// Connects to 127.0.0.1:port within kSimConnectTimeout and introduces the client by name. nullptr
// when nothing accepts in time or the introduction cannot be sent.
std::shared_ptr<SimConnection> gf_simConnectSocket(const std::string& clientName, uint16_t port);

}  // namespace hlw
