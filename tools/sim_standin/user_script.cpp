#include "user_script.h"

#include "world_limits.h"

#include "core/string_helpers.h"

#include <fmt/format.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hlw::standin {
namespace {

double lf_number(std::string_view field, size_t lineNo) {
    field = gf_trimView(field, cSpace);
    double value = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc{} || end != field.data() + field.size() || !gf_isWorldNumber(value)) {
        throw std::invalid_argument(fmt::format("user script line {}: bad number '{}'", lineNo, field));
    }
    return value;
}

double lf_lerp(double a, double b, double f) { return a + (b - a) * f; }

// Interpolates headings the short way round, so 350 -> 10 passes through 0.
double lf_lerpHeading(double a, double b, double f) {
    const auto normal = [](double degrees) { return std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0); };
    const double delta = std::fmod(normal(b) - normal(a) + 540.0, 360.0) - 180.0;
    return normal(normal(a) + delta * f);
}

} // namespace

UserScript UserScript::parse(std::string_view text) {
    UserScript script;
    size_t lineNo = 0;
    std::istringstream stream{std::string(text)};
    std::string rawLine;
    while (std::getline(stream, rawLine)) {
        ++lineNo;
        const std::string_view line = gf_trimView(rawLine, cSpace);
        if (line.empty() || line.front() == '#' || std::isalpha(static_cast<unsigned char>(line.front()))) {
            continue;
        }
        const auto fields = gf_splitAt(line, ',');
        if (fields.size() != 9) {
            throw std::invalid_argument(
                fmt::format("user script line {}: 9 fields expected, {} found", lineNo, fields.size()));
        }
        KeyFrame frame;
        frame.t = lf_number(fields[0], lineNo);
        frame.state.latDeg = lf_number(fields[1], lineNo);
        frame.state.lonDeg = lf_number(fields[2], lineNo);
        frame.state.altFt = lf_number(fields[3], lineNo);
        frame.state.headingDeg = lf_number(fields[4], lineNo);
        frame.state.pitchDeg = lf_number(fields[5], lineNo);
        frame.state.bankDeg = lf_number(fields[6], lineNo);
        frame.state.groundSpeedKt = lf_number(fields[7], lineNo);
        frame.state.onGround = lf_number(fields[8], lineNo) != 0.0;
        if (!gf_isLatitude(frame.state.latDeg) || !gf_isLongitude(frame.state.lonDeg)) {
            throw std::invalid_argument(fmt::format("user script line {}: position out of range", lineNo));
        }
        if (!script.frames_.empty() && frame.t < script.frames_.back().t) {
            throw std::invalid_argument(fmt::format("user script line {}: time goes backwards", lineNo));
        }
        script.frames_.push_back(frame);
    }
    return script;
}

UserScript UserScript::load(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::invalid_argument(fmt::format("user script {} cannot be opened", path.string()));
    }
    std::ostringstream content;
    content << file.rdbuf();
    return parse(content.str());
}

UserState UserScript::at(double t) const {
    if (frames_.empty()) {
        return {};
    }
    if (t <= frames_.front().t) {
        return frames_.front().state;
    }
    if (t >= frames_.back().t) {
        return frames_.back().state;
    }
    size_t next = 1;
    while (frames_[next].t < t) {
        ++next;
    }
    const KeyFrame& a = frames_[next - 1];
    const KeyFrame& b = frames_[next];
    const double span = b.t - a.t;
    const double f = span > 0.0 ? (t - a.t) / span : 1.0;
    UserState state;
    state.latDeg = lf_lerp(a.state.latDeg, b.state.latDeg, f);
    state.lonDeg = lf_lerp(a.state.lonDeg, b.state.lonDeg, f);
    state.altFt = lf_lerp(a.state.altFt, b.state.altFt, f);
    state.headingDeg = lf_lerpHeading(a.state.headingDeg, b.state.headingDeg, f);
    state.pitchDeg = lf_lerp(a.state.pitchDeg, b.state.pitchDeg, f);
    state.bankDeg = lf_lerp(a.state.bankDeg, b.state.bankDeg, f);
    state.groundSpeedKt = lf_lerp(a.state.groundSpeedKt, b.state.groundSpeedKt, f);
    state.onGround = f < 0.5 ? a.state.onGround : b.state.onGround;
    return state;
}

} // namespace hlw::standin
