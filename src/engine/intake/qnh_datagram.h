#pragma once
// The barometric pressure of one QNH datagram of the live-traffic application: a JSON object whose member "QNH"
// holds the pressure in hPa, or in hundredths of an inch of mercury when above 1100, as a number or a text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hlw {

inline constexpr int32_t standardQnh = 1013;
inline constexpr int32_t lowestQnh = 900;
inline constexpr int32_t highestQnh = 1100;

struct QnhReading {
    // The pressure in hPa, held within 900 ... 1100.
    std::optional<int32_t> hpa;
    // Without a pressure: the log line ("no QNH {}", "QNH string parse error: {} in {}", "Exception {}, in {}").
    std::string problem;
    // The problem is an alert line.
    bool alert = false;
};

// The member is read as an integer, as a floating-point number or a truth value (in single precision, rounded,
// narrowed to 32 bits: a value that does not fit is an exception), or as a text holding a decimal integer. A
// missing, null or empty member, a member of another kind and a datagram that is no JSON object give no pressure.
QnhReading gf_readQnhDatagram(std::string_view datagram);

} // namespace hlw
