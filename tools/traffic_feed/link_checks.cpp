#include "traffic_feed/link_checks.h"

#include "core/string_helpers.h"

#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <numbers>
#include <vector>

namespace hlw::feed {

namespace {

constexpr double kDegToRad = 0.017453292519943295;

bool lf_isDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Whole number in fixed notation: no '+', no leading zeros, no "-0".
std::optional<std::int64_t> lf_wholeNumber(std::string_view text, std::string& problem)
{
    const std::string_view digits = !text.empty() && text[0] == '-' ? text.substr(1) : text;
    if (!lf_isDigits(digits)) {
        problem = fmt::format("'{}' is not a whole number", text);
        return std::nullopt;
    }
    if (digits.size() > 1 && digits[0] == '0') {
        problem = fmt::format("'{}' has leading zeros", text);
        return std::nullopt;
    }
    if (text == "-0") {
        problem = "negative zero '-0'";
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || rest != text.data() + text.size()) {
        problem = fmt::format("'{}' is out of range", text);
        return std::nullopt;
    }
    return value;
}

// Fixed notation with exactly six decimals.
std::optional<double> lf_sixDecimals(std::string_view text, std::string& problem)
{
    const std::string_view body = !text.empty() && text[0] == '-' ? text.substr(1) : text;
    const std::size_t point = body.find('.');
    if (point == std::string_view::npos || !lf_isDigits(body.substr(0, point)) ||
        !lf_isDigits(body.substr(point + 1)) || body.size() - point - 1 != 6 || (point > 1 && body[0] == '0')) {
        problem = fmt::format("'{}' is not fixed notation with 6 decimals", text);
        return std::nullopt;
    }
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

LineCheck lf_bad(std::string problem)
{
    LineCheck check;
    check.problem = std::move(problem);
    return check;
}

} // namespace

std::string gf_shortestText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

LineCheck gf_checkQs121(std::string_view line)
{
    constexpr std::string_view prefix = "Qs121=";
    if (line.substr(0, prefix.size()) != prefix) {
        return lf_bad("does not start with Qs121=");
    }
    const std::vector<std::string_view> fields = gf_splitAt(line.substr(prefix.size()), ';');
    if (fields.size() != 7) {
        return lf_bad(fmt::format("{} fields instead of 7", fields.size()));
    }
    std::string problem;
    const auto pitch = lf_wholeNumber(fields[0], problem);
    if (!pitch) {
        return lf_bad("pitch: " + problem);
    }
    const auto bank = lf_wholeNumber(fields[1], problem);
    if (!bank) {
        return lf_bad("bank: " + problem);
    }
    const auto heading = lf_sixDecimals(fields[2], problem);
    if (!heading) {
        return lf_bad("heading: " + problem);
    }
    const auto altitude = lf_wholeNumber(fields[3], problem);
    if (!altitude) {
        return lf_bad("altitude: " + problem);
    }
    double speed = 0.0;
    const std::string_view speedText = fields[4];
    const auto [rest, error] = std::from_chars(speedText.data(), speedText.data() + speedText.size(), speed);
    if (error != std::errc() || rest != speedText.data() + speedText.size() || !std::isfinite(speed)) {
        return lf_bad(fmt::format("ground speed: '{}' is not a number", speedText));
    }
    if (gf_shortestText(speed) != speedText) {
        return lf_bad(fmt::format("ground speed: '{}' is not the shortest text '{}'", speedText, gf_shortestText(speed)));
    }
    const auto lat = lf_sixDecimals(fields[5], problem);
    if (!lat) {
        return lf_bad("latitude: " + problem);
    }
    const auto lon = lf_sixDecimals(fields[6], problem);
    if (!lon) {
        return lf_bad("longitude: " + problem);
    }

    UserReport report;
    report.pitchRad = static_cast<double>(*pitch) / 100000.0;
    report.bankRad = static_cast<double>(*bank) / 100000.0;
    report.headingRad = *heading;
    report.altitudeFt = static_cast<double>(*altitude) / 1000.0;
    report.groundSpeedKt = speed / 1000.0;
    report.position = {*lat / kDegToRad, *lon / kDegToRad};
    constexpr double pi = std::numbers::pi;
    if (std::fabs(report.pitchRad) > pi / 2 + 1e-5 || std::fabs(report.bankRad) > pi + 1e-5) {
        return lf_bad("pitch or bank out of range");
    }
    if (report.headingRad < 0.0 || report.headingRad > 2 * pi + 1e-6) {
        return lf_bad(fmt::format("heading {} rad outside 0..2 pi", report.headingRad));
    }
    if (report.altitudeFt < -2000.0 || report.altitudeFt > 100000.0) {
        return lf_bad(fmt::format("altitude {} ft out of range", report.altitudeFt));
    }
    if (speed < 0.0 || report.groundSpeedKt > 2000.0) {
        return lf_bad(fmt::format("ground speed {} kt out of range", report.groundSpeedKt));
    }
    if (std::fabs(*lat) > pi / 2 + 1e-6 || std::fabs(*lon) > pi + 1e-6) {
        return lf_bad("latitude or longitude out of range");
    }
    if (std::fabs(report.position.lat) <= 0.0001 && std::fabs(report.position.lon) <= 0.0001) {
        return lf_bad("position at 0,0 must not be sent");
    }
    LineCheck check;
    check.ok = true;
    check.report = report;
    return check;
}

LineCheck gf_checkQs123(std::string_view line)
{
    constexpr std::string_view prefix = "Qs123=";
    if (line.substr(0, prefix.size()) != prefix) {
        return lf_bad("does not start with Qs123=");
    }
    std::string problem;
    const std::string_view text = line.substr(prefix.size());
    const auto value = lf_wholeNumber(text, problem);
    if (!value) {
        return lf_bad("time: " + problem);
    }
    if (*value < 1000) {
        return lf_bad(fmt::format("time {} ms is below 1 s", *value));
    }
    if (*value % 1000 != 0) {
        return lf_bad(fmt::format("time {} ms is not whole seconds", *value));
    }
    LineCheck check;
    check.ok = true;
    check.milliseconds = *value;
    return check;
}

} // namespace hlw::feed
