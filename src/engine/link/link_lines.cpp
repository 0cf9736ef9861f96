#include "engine/link/link_lines.h"

#include "core/reference_time.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <exception>
#include <initializer_list>

namespace hlw {

namespace {

constexpr double radiansPerDegree = 0.017453292519943295;

// Rounded to a whole number, written without point or exponent, never as "-0".
std::string lf_wholeNumber(double value)
{
    return fmt::format("{:.0f}", std::round(value) + 0.0);
}

std::string lf_shortestText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The text cut after its first maxCharacters UTF-8 characters.
std::string lf_cutCharacters(std::string text, std::size_t maxCharacters)
{
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0U) != 0x80U && characters++ == maxCharacters) {
            text.resize(at);
            break;
        }
    }
    return text;
}

} // namespace

std::optional<std::string> gf_userPositionLine(const UserAircraftFix& user)
{
    for (const double value : {user.pitchRad, user.bankRad, user.headingRad, user.altitudeFt, user.groundSpeedKt,
                               user.latitude, user.longitude}) {
        if (!std::isfinite(value)) {
            return std::nullopt;
        }
    }
    if (std::abs(user.latitude) <= 0.0001 && std::abs(user.longitude) <= 0.0001) {
        return std::nullopt;
    }
    return fmt::format("Qs121={};{};{:.6f};{};{};{:.6f};{:.6f}", lf_wholeNumber(user.pitchRad * 100000.0),
                       lf_wholeNumber(user.bankRad * 100000.0), user.headingRad,
                       lf_wholeNumber(user.altitudeFt * 1000.0), lf_shortestText(user.groundSpeedKt * 1000.0),
                       user.latitude * radiansPerDegree, user.longitude * radiansPerDegree);
}

std::optional<std::string> gf_simTimeLine(int64_t utcSeconds)
{
    if (utcSeconds < 1 || utcSeconds > lastSaneSimulatorSecond) {
        return std::nullopt;
    }
    return fmt::format("Qs123={}", utcSeconds * 1000);
}

VersionReply gf_readVersionReply(std::string_view reply)
{
    VersionReply result;
    result.received = !reply.empty();
    if (!result.received) {
        return result;
    }
    try {
        const nlohmann::json document = nlohmann::json::parse(reply);
        if (!document.is_object()) {
            return result;
        }
        const auto level = document.find("level");
        const bool professional = level != document.end() && level->is_number_integer() && *level == 2;
        const auto version = document.find("version");
        const std::string versionText =
            version != document.end() && version->is_string() ? version->get<std::string>() : "unknown";
        result.simTime = professional;
        result.editionText = lf_cutCharacters(
            fmt::format("RT {} edition: {}", professional ? "prof" : "stnd", versionText), maxEditionTextCharacters);
    } catch (const std::exception& error) {
        result.problem = fmt::format("lf_processRTVersion: JSON parse failed: {}", error.what());
    }
    return result;
}

} // namespace hlw
