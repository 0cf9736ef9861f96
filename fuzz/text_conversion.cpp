// The strict conversions between UTF-8, UTF-16 and Windows-1252: whatever converts converts back unchanged,
// and every byte of an ANSI text becomes exactly one character.
#include "fuzz_check.h"

#include "platform/os/text_conversion.h"

#include <string>

namespace {

using namespace hlw;
using fuzz::check;

void lf_checkUtf8(std::string_view text)
{
    const auto wide = os::utf8ToUtf16(text);
    if (!wide) {
        return;
    }
    check(wide->size() <= text.size(), "no more UTF-16 units than UTF-8 bytes");
    const auto back = os::utf16ToUtf8(*wide);
    check(back.has_value(), "UTF-16 made from valid UTF-8 is valid");
    check(*back == text, "UTF-8 -> UTF-16 -> UTF-8 gives the text back");
}

void lf_checkUtf16(std::string_view bytes)
{
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    const auto narrow = os::utf16ToUtf8(units);
    if (!narrow) {
        return;
    }
    check(narrow->size() <= units.size() * 3, "at most three UTF-8 bytes per UTF-16 unit");
    const auto back = os::utf8ToUtf16(*narrow);
    check(back.has_value(), "UTF-8 made from valid UTF-16 is valid");
    check(*back == units, "UTF-16 -> UTF-8 -> UTF-16 gives the units back");
}

void lf_checkAnsi(std::string_view bytes)
{
    const std::string utf8 = os::windows1252ToUtf8(bytes);
    const auto wide = os::utf8ToUtf16(utf8);
    check(wide.has_value(), "ANSI text becomes valid UTF-8");
    check(wide->size() == bytes.size(), "every ANSI byte becomes one character");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80 || byte >= 0xA0) {
            check((*wide)[i] == byte, "ASCII and Latin-1 bytes keep their code");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes = fuzz::asText(data, size);
    lf_checkUtf8(bytes);
    lf_checkUtf16(bytes);
    lf_checkAnsi(bytes);
    return 0;
}
