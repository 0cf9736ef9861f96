#include "core/text_file_reader.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/whole_file.h"
#include "platform/os/text_conversion.h"

#include <fmt/format.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace hlw {
namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t ansiLinesReserve = 2048;
constexpr std::string_view readErrorText = "read error";

std::ifstream lf_openOrThrow(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot be opened");
    }
    return file;
}

std::string lf_readAll(std::istream& stream)
{
    std::string text{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) {
        throw std::runtime_error(std::string(readErrorText));
    }
    return text;
}

// The units after the byte order mark in the order the mark gives; a text without mark or with an odd
// number of bytes gives no lines.
void lf_splitUtf16(std::string_view bytes, std::vector<std::string>& lines)
{
    const bool littleEndian = bytes.starts_with("\xFF\xFE");
    const bool bigEndian = bytes.starts_with("\xFE\xFF");
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || (!littleEndian && !bigEndian)) {
        return;
    }
    std::u16string units;
    units.reserve(bytes.size() / 2 - 1);
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(littleEndian ? first | (second << 8) : (first << 8) | second));
    }
    const auto text = os::utf16ToUtf8(units);
    if (!text) {
        throw std::runtime_error("wide_to_utf8: invalid UTF-16");
    }
    gf_splitLines(*text, lines);
}

void lf_splitAnsi(std::string_view bytes, std::vector<std::string>& lines)
{
    std::vector<std::string> raw;
    raw.reserve(ansiLinesReserve);
    gf_splitLines(bytes, raw);
    lines.reserve(raw.size());
    for (const auto& line : raw) {
        lines.push_back(os::windows1252ToUtf8(line));
    }
}

// The detection looks at the first bytes only; a text that is not UTF-8 as a whole is no UTF-8 text.
TextEncoding lf_wholeTextEncoding(TextEncoding detected, std::string_view bytes) noexcept
{
    return detected == TextEncoding::utf8WithoutBom && !gf_isUtf8Text(bytes) ? TextEncoding::ansi : detected;
}

// The lines of a whole file's bytes in the given encoding.
void lf_splitByEncoding(TextEncoding encoding, std::string_view bytes, const std::filesystem::path& path,
                        std::vector<std::string>& lines)
{
    switch (encoding) {
    case TextEncoding::unicode:
    case TextEncoding::unicodeBigEndian:
        lf_splitUtf16(bytes, lines);
        return;
    case TextEncoding::utf8WithBom:
    case TextEncoding::utf8WithoutBom:
        gf_splitLines(bytes, lines);
        return;
    case TextEncoding::ansi:
        lf_splitAnsi(bytes, lines);
        return;
    case TextEncoding::noneFound:
        break;
    }
    throw std::runtime_error(
        fmt::format("file {} has unknown charset: {}", path.string(), gf_textEncodingName(encoding)));
}

void lf_logReadFailure(const std::filesystem::path& path, std::string_view reason)
{
    // Logged directly: the message line ignores new messages while it shows an error.
    const std::string text = fmt::format("Read failed for '{}': {}", path.string(), reason);
    gf_logAlert(text);
    gf_setMessage(text, false);
}

} // namespace

void gf_splitLines(std::string_view text, std::vector<std::string>& lines)
{
    if (text.starts_with(utf8Bom)) {
        text.remove_prefix(utf8Bom.size());
    }
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

void gf_readLines(std::istream& stream, std::vector<std::string>& lines)
{
    if (!stream) {
        return;
    }
    stream.seekg(0, std::ios::beg);
    const std::string text = lf_readAll(stream);
    if (text.empty()) {
        stream.clear();
        stream.seekg(0, std::ios::beg);
        return;
    }
    gf_splitLines(text, lines);
}

bool gf_readTextFile(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines)
{
    lines.clear();
    try {
        if (encoding == TextEncoding::noneFound) {
            lf_splitByEncoding(encoding, {}, path, lines);
        }
        std::ifstream file = lf_openOrThrow(path);
        const std::string bytes = lf_readAll(file);
        lf_splitByEncoding(lf_wholeTextEncoding(encoding, bytes), bytes, path, lines);
        return true;
    } catch (const std::exception& error) {
        lf_logReadFailure(path, error.what());
        return false;
    }
}

TextFileRead gf_readTextFileOnce(const std::filesystem::path& path, std::size_t maxBytes,
                                 std::vector<std::string>& lines)
{
    lines.clear();
    const WholeFile file = gf_readWholeFile(path, maxBytes);
    switch (file.status) {
    case WholeFileStatus::ok:
        break;
    case WholeFileStatus::cannotOpen:
        return {TextEncoding::noneFound, false};
    case WholeFileStatus::tooLarge:
        return {TextEncoding::noneFound, false, true};
    case WholeFileStatus::readFailed:
        lf_logReadFailure(path, readErrorText);
        return {TextEncoding::noneFound, false};
    }
    const std::string& bytes = file.bytes;
    TextEncoding encoding = TextEncoding::noneFound;
    try {
        const std::string_view sample = std::string_view(bytes).substr(0, encodingSampleSize);
        encoding = lf_wholeTextEncoding(gf_detectTextEncodingOfSample(sample, bytes.size() > encodingSampleSize), bytes);
        lf_splitByEncoding(encoding, bytes, path, lines);
        return {encoding, true};
    } catch (const std::exception& error) {
        lines.clear();
        lf_logReadFailure(path, error.what());
        return {encoding, false};
    }
}

LineFileRead gf_readFile(LineFile& reader, std::size_t reserveHint)
{
    reader.lines.clear();
    std::ifstream file(reader.path, std::ios::binary);
    if (!file) {
        return {{}, "open_failed"};
    }
    reader.lines.reserve(reserveHint);
    gf_readLines(file, reader.lines);
    return {reader.lines, {}};
}

} // namespace hlw
