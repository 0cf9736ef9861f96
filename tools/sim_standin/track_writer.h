#pragma once
// The track file: a CSV line per object at a steady rate, for plotting what the clients made of them.
#include "sim_object.h"

#include <chrono>
#include <filesystem>
#include <fstream>

namespace hlw::standin {

class TrackWriter {
public:
    // Replaces the current file (an empty path stops tracking); false when it cannot be opened.
    bool open(const std::filesystem::path& path, double hz);
    bool active() const { return file_.is_open(); }
    bool due(std::chrono::steady_clock::time_point now) const { return active() && now >= next_; }
    std::chrono::steady_clock::time_point next() const { return next_; }
    // Call once per due time, then write every object.
    void beginRow(std::chrono::steady_clock::time_point now);
    void write(double seconds, const SimObject& object, double groundFt, bool onGround);
    void flush() { file_.flush(); }

private:
    std::ofstream file_;
    std::chrono::steady_clock::duration interval_{std::chrono::milliseconds(500)};
    std::chrono::steady_clock::time_point next_{};
};

} // namespace hlw::standin
