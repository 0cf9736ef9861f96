#include "core/version_data.h"

#include "core/log.h"
#include "core/product.h"
#include "core/string_helpers.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <vector>

namespace hlw {
namespace {

bool lf_isDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The three fields of "<digits>.<digits>.<digits>" covering the whole text, or nothing.
std::optional<std::vector<std::string_view>> lf_matchTriple(std::string_view text)
{
    std::vector<std::string_view> fields = gf_splitAt(text, '.');
    if (fields.size() != 3 || !std::ranges::all_of(fields, lf_isDigits)) {
        return std::nullopt;
    }
    return fields;
}

int32_t lf_parseField(std::string_view digits)
{
    int32_t value = 0;
    const char* last = digits.data() + digits.size();
    const auto [end, error] = std::from_chars(digits.data(), last, value);
    if (error != std::errc{} || end != last) {
        throw std::runtime_error("parse error in version string");
    }
    return value;
}

// A member that is not an integer in 0 to the largest 32-bit value gives 0, never a cut-off number.
int32_t lf_jsonField(const nlohmann::json& object, const char* name)
{
    const auto member = object.find(name);
    if (member == object.end() || !member->is_number_integer()) {
        return 0;
    }
    constexpr auto largest = std::numeric_limits<int32_t>::max();
    if (member->is_number_unsigned()) {
        const auto value = member->get<uint64_t>();
        return value <= static_cast<uint64_t>(largest) ? static_cast<int32_t>(value) : 0;
    }
    const auto value = member->get<int64_t>();
    return value >= 0 && value <= largest ? static_cast<int32_t>(value) : 0;
}

VersionData lf_parseVersion(std::string_view text)
{
    if (const auto fields = lf_matchTriple(text)) {
        return {lf_parseField((*fields)[0]), lf_parseField((*fields)[1]), lf_parseField((*fields)[2])};
    }
    const std::string_view stripped = gf_trimView(text, cSpace);
    if (!stripped.empty() && stripped.front() == '{') {
        const auto json = nlohmann::json::parse(stripped, nullptr, false);
        if (json.is_object()) {
            return {lf_jsonField(json, "major"), lf_jsonField(json, "minor"), lf_jsonField(json, "patch")};
        }
    }
    throw std::runtime_error("invalid version format");
}

} // namespace

VersionData::VersionData(std::string_view text) noexcept
{
    if (text.empty()) {
        return;
    }
    try {
        *this = lf_parseVersion(text);
    } catch (const std::exception& error) {
        try {
            gf_log(fmt::format("{} exception: {}", "VersionData", error.what()));
        } catch (...) {
            // Formatting the line failed for want of memory; the value stays 0.0.0 all the same.
        }
    }
}

std::string VersionData::text() const { return fmt::format("{}.{}.{}", major, minor, patch); }

const VersionData& gf_programVersion() noexcept
{
    static const VersionData version{programVersionText};
    return version;
}

} // namespace hlw
