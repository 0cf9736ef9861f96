#pragma once
// The one strict UTF-8 reader of the program: no overlong forms, nothing above U+10FFFF. Whether the encoded
// UTF-16 surrogates (U+D800 to U+DFFF) count as UTF-8 is the caller's rule: the encoding detection takes them as
// the other programs writing those files do, text that must convert to UTF-16 refuses them.
#include <cstddef>
#include <string_view>

namespace hlw {

enum class Surrogates { accepted, refused };

// Returned when every byte at the start of the text is right but the text ends before the sequence does.
inline constexpr std::size_t utf8CutOff = static_cast<std::size_t>(-1);

// The length (1 to 4) of the UTF-8 sequence at the start of text; 0 when the text is empty or does not start with
// UTF-8; utf8CutOff for a sequence cut off by the text's end.
std::size_t gf_utf8SequenceLength(std::string_view text, Surrogates surrogates) noexcept;

} // namespace hlw
