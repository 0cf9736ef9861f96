#include "engine/intake/qnh_datagram.h"

#include "core/narrow.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>

namespace hlw {

namespace {

// Hundredths of an inch of mercury to hPa.
constexpr double hpaPerHundredthInch = 0.33865307;

QnhReading lf_none(std::string_view datagram)
{
    return {std::nullopt, fmt::format("no QNH {}", datagram), false};
}

QnhReading lf_pressure(double value)
{
    if (value > highestQnh) {
        value = std::round(value * hpaPerHundredthInch);
    }
    return {static_cast<int32_t>(std::clamp(value, double{lowestQnh}, double{highestQnh})), {}, false};
}

QnhReading lf_read(const nlohmann::json& document, std::string_view datagram)
{
    if (!document.is_object()) {
        return lf_none(datagram);
    }
    const auto member = document.find("QNH");
    if (member == document.end() || member->empty()) {
        return lf_none(datagram);
    }
    if (member->is_number_integer()) {
        return member->is_number_unsigned() ? lf_pressure(static_cast<double>(member->get<uint64_t>()))
                                            : lf_pressure(static_cast<double>(member->get<int64_t>()));
    }
    if (member->is_number_float() || member->is_boolean()) {
        const double value = member->is_boolean() ? (member->get<bool>() ? 1.0 : 0.0) : member->get<double>();
        return lf_pressure(gf_narrowRounded<int32_t>(static_cast<float>(value)));
    }
    if (member->is_string()) {
        const auto& text = member->get_ref<const std::string&>();
        int32_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
            return {std::nullopt, fmt::format("QNH string parse error: {} in {}", text, datagram), true};
        }
        return lf_pressure(value);
    }
    return lf_none(datagram);
}

} // namespace

QnhReading gf_readQnhDatagram(std::string_view datagram)
{
    try {
        return lf_read(nlohmann::json::parse(datagram), datagram);
    } catch (const std::exception& error) {
        return {std::nullopt, fmt::format("Exception {}, in {}", error.what(), datagram), false};
    }
}

} // namespace hlw
