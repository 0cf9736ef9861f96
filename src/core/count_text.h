#pragma once
// Texts of numbers for messages and the log: plural suffixes, object ids, floats.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hlw {

// "" for 1, "s" otherwise (0 included); written behind a counted noun: "{} second{}".
std::string gf_plural(std::size_t count);
// "" for 1 and every negative count, "s" otherwise.
std::string gf_pluralInt(int32_t count);
std::string gf_pluralInt64(int64_t count);

// A simulator object id: decimal for MSFS 2020, lower-case hexadecimal without prefix for MSFS 2024
// (the run state's chosen simulator).
std::string gf_objectIdText(uint32_t id);
// "{:.0f}" for a whole number, "{:.1f}" otherwise.
std::string gf_floatText(float value);
// One unsigned value through a caller-given format; a bad format throws fmt::format_error.
std::string gf_formatUint(std::string_view format, uint32_t value);
} // namespace hlw
