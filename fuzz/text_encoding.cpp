// Encoding detection and the reading of a whole text file: the decision on a sample agrees with the decision
// on the file, reading never fails for a detected UTF-8 or ANSI file, and the lines are the text cut at its
// line feeds.
#include "fuzz_check.h"

#include "core/text_encoding.h"
#include "core/text_file_reader.h"
#include "platform/os/text_conversion.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace hlw;
using fuzz::check;

bool lf_isValidUtf8(std::string_view text)
{
    return os::utf8ToUtf16(text).has_value();
}

// UTF-8 as the detection takes it: strict UTF-8, except that an encoded surrogate (ED A0..BF xx) is accepted,
// as some programs write them. Checked by the strict conversion after each such sequence is swapped for a
// valid three-byte character.
bool lf_isUtf8ForDetection(std::string_view text)
{
    std::string swapped(text);
    for (std::size_t i = 0; i + 1 < swapped.size(); ++i) {
        const auto second = static_cast<unsigned char>(swapped[i + 1]);
        if (static_cast<unsigned char>(swapped[i]) == 0xED && second >= 0xA0 && second <= 0xBF) {
            swapped[i + 1] = '\x9F';
        }
    }
    return lf_isValidUtf8(swapped);
}

// The text gf_splitLines must give back when its lines are joined with line feeds.
std::string lf_joinedForm(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::string joined;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        joined += text[i];
    }
    // The last line loses its line feed, or else one carriage return of its own (a file cut inside a CRLF).
    if (text.ends_with('\n') || joined.ends_with('\r')) {
        joined.pop_back();
    }
    return joined;
}

void lf_checkSplit(std::string_view text)
{
    std::vector<std::string> lines;
    gf_splitLines(text, lines);
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        check(lines[i].find('\n') == std::string::npos, "a line holds no line feed");
        joined += (i == 0 ? "" : "\n") + lines[i];
    }
    check(joined == lf_joinedForm(text), "joined lines give the text back");
    std::string_view body = text;
    if (body.starts_with("\xEF\xBB\xBF")) {
        body.remove_prefix(3);
    }
    const auto feeds = static_cast<std::size_t>(std::count(body.begin(), body.end(), '\n'));
    const std::size_t expected = feeds + (body.empty() || body.ends_with('\n') ? 0 : 1);
    check(lines.size() == expected, "one line per line feed, plus an unended last line");
}

void lf_checkFile(std::string_view text, TextEncoding fromSample)
{
    static const test::TempDir folder;
    const std::filesystem::path file = folder / "input.txt";
    test::writeWholeFile(file, std::string(text));

    const TextEncoding fromFile = gf_detectTextEncoding(file);
    check(fromFile == fromSample, "the file and its sample get the same encoding");

    std::vector<std::string> lines{"left over"};
    const bool read = gf_readTextFile(fromFile, file, lines);
    switch (fromFile) {
    case TextEncoding::ansi:
        check(read, "an ANSI file is read");
        for (const std::string& line : lines) {
            check(lf_isValidUtf8(line), "ANSI lines become valid UTF-8");
        }
        break;
    case TextEncoding::utf8WithBom:
    case TextEncoding::utf8WithoutBom: {
        check(read, "a UTF-8 file is read");
        std::vector<std::string> expected;
        if (fromFile == TextEncoding::utf8WithoutBom && !lf_isUtf8ForDetection(text)) {
            check(gf_readTextFile(TextEncoding::ansi, file, expected), "an ANSI file is read");
        } else {
            gf_splitLines(text, expected);
        }
        check(lines == expected, "a UTF-8 file gives the lines of its text, one that is not UTF-8 to its end "
                                 "those of an ANSI file");
        break;
    }
    case TextEncoding::unicode:
    case TextEncoding::unicodeBigEndian:
        if (read) {
            for (const std::string& line : lines) {
                check(lf_isValidUtf8(line), "UTF-16 lines become valid UTF-8");
            }
        } else {
            check(lines.empty(), "a failed read leaves no lines");
        }
        break;
    case TextEncoding::noneFound:
        check(false, "a written file is found");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text = fuzz::asText(data, size);
    const std::string_view sample = text.substr(0, encodingSampleSize);
    const TextEncoding encoding = gf_detectTextEncodingOfSample(sample, text.size() > sample.size());
    check(encoding != TextEncoding::noneFound, "bytes always have an encoding");
    check(gf_textEncodingName(encoding) != "none_found", "every found encoding has its name");
    if (text.size() <= encodingSampleSize) {
        if (encoding == TextEncoding::utf8WithoutBom) {
            check(lf_isUtf8ForDetection(text), "a whole text taken as UTF-8 without mark is UTF-8");
        }
        check(encoding != TextEncoding::ansi || !lf_isUtf8ForDetection(text), "a UTF-8 text is never ANSI");
    }
    lf_checkSplit(text);
    lf_checkFile(text, encoding);
    return 0;
}
