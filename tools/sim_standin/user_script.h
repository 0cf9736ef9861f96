#pragma once
// The scripted flight of the user aircraft: key frames read from a CSV text and interpolated linearly.
// Columns: t (s from the start of the script), lat, lon (deg), alt (ft), heading, pitch, bank (deg),
// gs (kt), onground (0/1). Empty lines and lines starting with '#' or a letter (a header) are skipped.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace hlw::standin {

struct UserState {
    double latDeg = 0.0;
    double lonDeg = 0.0;
    double altFt = 0.0;
    double headingDeg = 0.0;
    double pitchDeg = 0.0;
    double bankDeg = 0.0;
    double groundSpeedKt = 0.0;
    bool onGround = false;
};

struct KeyFrame {
    double t = 0.0;
    UserState state;
};

class UserScript {
public:
    // Throws std::invalid_argument naming the line when a line is malformed or time goes backwards.
    static UserScript parse(std::string_view text);
    static UserScript load(const std::filesystem::path& path);

    bool empty() const { return frames_.empty(); }
    double duration() const { return frames_.empty() ? 0.0 : frames_.back().t; }
    // The state at t seconds from the start: held before the first and after the last key frame.
    UserState at(double t) const;

private:
    std::vector<KeyFrame> frames_;
};

} // namespace hlw::standin
