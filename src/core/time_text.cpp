#include "core/time_text.h"

#include "core/pc_clock.h"
#include "core/reference_time.h"

#include <fmt/format.h>

#include <array>
#include <ctime>
#include <string_view>

namespace hlw {
namespace {

constexpr int64_t firstSecondOfYear3001 = 32535216000;
constexpr std::size_t validTimeTextLength = 24;

constexpr std::array<std::string_view, 8> weekdayNames{"???", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 13> monthNames{"???", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};

} // namespace

std::string gf_timeToString(int64_t secondsSince1970)
{
    if (secondsSince1970 < 0 || secondsSince1970 >= firstSecondOfYear3001) {
        return "Invalid time";
    }
    const auto t = static_cast<std::time_t>(secondsSince1970);
    std::tm parts{};
    if (gmtime_r(&t, &parts) == nullptr) {
        return "Invalid time";
    }
    const int weekday = parts.tm_wday == 0 ? 7 : parts.tm_wday;
    const int month = parts.tm_mon + 1;
    return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}", weekdayNames.at(static_cast<std::size_t>(weekday)),
                       monthNames.at(static_cast<std::size_t>(month)), parts.tm_mday, parts.tm_hour, parts.tm_min,
                       parts.tm_sec, parts.tm_year + 1900);
}

std::string gf_clockTextAt(int64_t secondsSince1970)
{
    const std::string text = gf_timeToString(secondsSince1970);
    if (text.size() != validTimeTextLength) {
        return invalidClockText;
    }
    return text.substr(text.size() - 13, 8);
}

std::string gf_dateTextAt(int64_t secondsSince1970)
{
    const std::string text = gf_timeToString(secondsSince1970);
    if (text.size() != validTimeTextLength) {
        return invalidDateText;
    }
    return fmt::format("{}, {}", text.substr(4, 6), text.substr(20, 4));
}

std::string gf_clockText() { return gf_clockTextAt(gf_pcClockSeconds()); }

std::string gf_nowClockText() { return gf_clockTextAt(gf_referenceTimeSeconds()); }

std::string gf_dateText() { return gf_dateTextAt(gf_pcClockSeconds()); }

} // namespace hlw
