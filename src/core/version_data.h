#pragma once
// A version triple major.minor.patch of the program or of a data set.
#include <fmt/format.h>

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace hlw {

struct VersionData {
    int32_t major = 0;
    int32_t minor = 0;
    int32_t patch = 0;

    VersionData() = default;
    VersionData(int32_t majorValue, int32_t minorValue, int32_t patchValue) noexcept
        : major(majorValue), minor(minorValue), patch(patchValue)
    {
    }
    // Parses "<digits>.<digits>.<digits>" (the whole text, nothing trimmed) or a JSON object with the integer
    // members "major", "minor" and "patch" (a missing, non-integer, negative or too large member gives 0).
    // Anything else gives 0.0.0 and the log line "VersionData exception: <reason>"; the empty text gives
    // 0.0.0 silently. Never throws.
    explicit VersionData(std::string_view text) noexcept;

    // "12.5.1"
    std::string text() const;

    // Newer versions are greater: by major, then minor, then patch.
    auto operator<=>(const VersionData&) const = default;
};

// The running program's version.
const VersionData& gf_programVersion() noexcept;

} // namespace hlw

template <>
struct fmt::formatter<hlw::VersionData> : fmt::formatter<std::string_view> {
    template <typename FormatContext>
    auto format(const hlw::VersionData& version, FormatContext& context) const
    {
        return fmt::formatter<std::string_view>::format(version.text(), context);
    }
};
