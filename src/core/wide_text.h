#pragma once
// UTF-8 (the program's text) to and from UTF-16 (the text of controls and wide interfaces), strictly:
// invalid input is an error, never replaced.
#include <filesystem>
#include <string>
#include <string_view>

namespace hlw {

// Throws std::runtime_error "wide_to_utf8: invalid UTF-16" for an unpaired surrogate.
std::string wide_to_utf8(std::u16string_view text);
// Throws std::runtime_error "utf8_to_wide: invalid UTF-8" for invalid UTF-8.
std::u16string utf8_to_wide(std::string_view text);

// The path as UTF-8 text for logs and messages. A path whose bytes are not valid UTF-8 throws
// std::runtime_error "gf_pathToUtf8: invalid UTF-8 in path".
std::string gf_pathToUtf8(const std::filesystem::path& path);

} // namespace hlw
