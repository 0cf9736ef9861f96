#pragma once
// The trace file: one JSON line per call received from a client, with its time and packet id.
#include "platform/sim/sim_wire.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace hlw::standin {

class TraceWriter {
public:
    // Replaces the current file (an empty path stops tracing); false when the file cannot be opened.
    bool open(const std::filesystem::path& path);
    bool active() const { return file_.is_open(); }
    void write(double seconds, uint32_t clientId, const std::string& clientName, const SimCall& call);
    // Lines that are not calls: connects, disconnects.
    void note(double seconds, uint32_t clientId, const std::string& clientName, const std::string& what);

private:
    std::ofstream file_;
};

} // namespace hlw::standin
