#pragma once
// Strict conversions between UTF-8, UTF-16 (std::u16string) and Windows-1252 ("ANSI") text.
#include <optional>
#include <string>
#include <string_view>

namespace hlw::os {

// Empty optional for invalid UTF-16 (an unpaired surrogate); nothing is ever replaced.
std::optional<std::string> utf16ToUtf8(std::u16string_view text);
// Empty optional for invalid UTF-8 (bad lead or continuation bytes, overlong forms, surrogates, cut sequences).
std::optional<std::u16string> utf8ToUtf16(std::string_view text);
// Every byte maps to a character; the five bytes Windows-1252 leaves undefined (81, 8D, 8F, 90, 9D) become the
// C1 control of the same value, as Windows converts them, so no byte is lost.
std::string windows1252ToUtf8(std::string_view text);

} // namespace hlw::os
