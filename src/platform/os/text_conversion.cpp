#include "platform/os/text_conversion.h"

#include <array>
#include <cstdint>

namespace hlw::os {
namespace {

constexpr char32_t firstHighSurrogate = 0xD800;
constexpr char32_t firstLowSurrogate = 0xDC00;
constexpr char32_t lastSurrogate = 0xDFFF;
constexpr char32_t lastCodePoint = 0x10FFFF;

bool lf_isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool lf_isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void lf_appendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. Empty optional for any malformed sequence.
std::optional<char32_t> lf_decodeUtf8(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1Fu;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0Fu;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - pos < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and values beyond Unicode are all rejected.
    if (codePoint < smallest || codePoint > lastCodePoint ||
        (codePoint >= firstHighSurrogate && codePoint <= lastSurrogate)) {
        return std::nullopt;
    }
    pos += length;
    return codePoint;
}

// Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves undefined keep their value as the
// C1 control of the same number, as Windows itself converts them, so no byte of a file is lost.
constexpr std::array<char16_t, 32> windows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

std::optional<std::string> utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (lf_isHighSurrogate(unit)) {
            if (i + 1 >= text.size() || !lf_isLowSurrogate(text[i + 1])) {
                return std::nullopt;
            }
            const char32_t high = unit - firstHighSurrogate;
            const char32_t low = text[i + 1] - firstLowSurrogate;
            lf_appendUtf8(out, 0x10000 + ((high << 10) | low));
            ++i;
        } else if (lf_isLowSurrogate(unit)) {
            return std::nullopt;
        } else {
            lf_appendUtf8(out, unit);
        }
    }
    return out;
}

std::optional<std::u16string> utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::optional<char32_t> codePoint = lf_decodeUtf8(text, pos);
        if (!codePoint) {
            return std::nullopt;
        }
        if (*codePoint < 0x10000) {
            out.push_back(static_cast<char16_t>(*codePoint));
        } else {
            const char32_t offset = *codePoint - 0x10000;
            out.push_back(static_cast<char16_t>(firstHighSurrogate + (offset >> 10)));
            out.push_back(static_cast<char16_t>(firstLowSurrogate + (offset & 0x3FF)));
        }
    }
    return out;
}

std::string windows1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte < 0xA0) {
            lf_appendUtf8(out, windows1252High[byte - 0x80u]);
        } else {
            lf_appendUtf8(out, byte);
        }
    }
    return out;
}

} // namespace hlw::os
