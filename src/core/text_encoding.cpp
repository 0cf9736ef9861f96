#include "core/text_encoding.h"

#include "core/utf8_sequence.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace hlw {
namespace {

constexpr std::array<std::string_view, 6> encodingNames{"ANSI",          "Unicode",          "Unicode_big_endian",
                                                        "UTF8_with_BOM", "UTF8_without_BOM", "none_found"};

unsigned char lf_byte(std::string_view text, std::size_t index) noexcept
{
    return static_cast<unsigned char>(text[index]);
}

// The encodings that the first four bytes decide alone, or nothing.
bool lf_decideByLeadingBytes(std::string_view sample, TextEncoding& encoding) noexcept
{
    const std::size_t n = std::min<std::size_t>(sample.size(), 4);
    if (n >= 3 && sample.starts_with("\xEF\xBB\xBF")) {
        encoding = TextEncoding::utf8WithBom;
    } else if (n >= 2 && sample.starts_with("\xFF\xFE")) {
        encoding = TextEncoding::unicode;
    } else if (n >= 2 && sample.starts_with("\xFE\xFF")) {
        encoding = TextEncoding::unicodeBigEndian;
    } else if (n >= 2 && lf_byte(sample, 1) == 0 && (n < 4 || lf_byte(sample, 3) == 0)) {
        encoding = TextEncoding::unicode;
    } else if (n >= 2 && lf_byte(sample, 0) == 0 && (n < 4 || lf_byte(sample, 2) == 0)) {
        encoding = TextEncoding::unicodeBigEndian;
    } else {
        return false;
    }
    return true;
}

// Strict UTF-8 with the encoded surrogates taken as the programs writing these files take them. A sequence cut off
// by the end of the text is accepted only when cutAllowed says the text is a sample of a longer file.
bool lf_isUtf8(std::string_view text, bool cutAllowed) noexcept
{
    while (!text.empty()) {
        const std::size_t length = gf_utf8SequenceLength(text, Surrogates::accepted);
        if (length == utf8CutOff) {
            return cutAllowed;
        }
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

} // namespace

std::string_view gf_textEncodingName(TextEncoding encoding) noexcept
{
    const auto index = static_cast<std::size_t>(encoding);
    return index < encodingNames.size() ? encodingNames[index] : encodingNames.back();
}

TextEncoding gf_detectTextEncodingOfSample(std::string_view sample, bool moreFollows) noexcept
{
    TextEncoding encoding = TextEncoding::utf8WithoutBom;
    if (lf_decideByLeadingBytes(sample, encoding)) {
        return encoding;
    }
    return lf_isUtf8(sample, moreFollows) ? TextEncoding::utf8WithoutBom : TextEncoding::ansi;
}

bool gf_isUtf8Text(std::string_view text) noexcept
{
    return lf_isUtf8(text, false);
}

TextEncoding gf_detectTextEncoding(const std::filesystem::path& path)
{
    std::error_code ec;
    std::ifstream file(path, std::ios::binary);
    if (!file || std::filesystem::is_directory(path, ec)) {
        return TextEncoding::noneFound;
    }
    std::string sample(encodingSampleSize, '\0');
    file.read(sample.data(), static_cast<std::streamsize>(sample.size()));
    sample.resize(static_cast<std::size_t>(file.gcount()));
    const bool moreFollows = sample.size() == encodingSampleSize && file.peek() != std::ifstream::traits_type::eof();
    return gf_detectTextEncodingOfSample(sample, moreFollows);
}

} // namespace hlw
