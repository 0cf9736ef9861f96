#pragma once
// Detection of the encoding of text files that people and other programs write.
#include <cstddef>
#include <filesystem>
#include <string_view>

namespace hlw {

enum class TextEncoding {
    ansi = 0,             // "ANSI": the Windows-1252 code page
    unicode = 1,          // "Unicode": UTF-16 little-endian
    unicodeBigEndian = 2, // "Unicode_big_endian"
    utf8WithBom = 3,      // "UTF8_with_BOM"
    utf8WithoutBom = 4,   // "UTF8_without_BOM": also plain ASCII and empty files
    noneFound = 5,        // "none_found": the file cannot be opened
};

// The name used in messages; "none_found" for a value outside the enumeration.
std::string_view gf_textEncodingName(TextEncoding encoding) noexcept;

// The number of leading bytes whose UTF-8 validity decides between "UTF8_without_BOM" and "ANSI".
inline constexpr std::size_t encodingSampleSize = 4096;

// Byte order marks and zero bytes in the first four bytes, else a strict UTF-8 check of the first 4096 bytes.
TextEncoding gf_detectTextEncoding(const std::filesystem::path& path);

// The same decision on bytes already read: sample holds at most the first 4096 bytes of the file and
// moreFollows tells whether the file goes on after them. A multi-byte character cut off by the end of a
// sample after which the file goes on still counts as UTF-8.
TextEncoding gf_detectTextEncodingOfSample(std::string_view sample, bool moreFollows) noexcept;

// The UTF-8 check of the detection on a whole text: true when the text, to its last byte, is UTF-8 as the
// detection takes it.
bool gf_isUtf8Text(std::string_view text) noexcept;

} // namespace hlw
