#pragma once
// Reading whole text files into UTF-8 lines without their line ends.
#include "core/text_encoding.h"

#include <cstddef>
#include <filesystem>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Reads a file of the detected encoding (gf_detectTextEncoding) into lines, converting UTF-16 and ANSI to
// UTF-8. A file detected as "UTF8_without_BOM" whose whole text is not UTF-8 (its first byte above 127 lies
// after the bytes the detection looks at) is read as ANSI. A UTF-16 file is read only with its byte order mark and an even number of bytes; otherwise it gives
// no lines. False when the file cannot be opened or read, the encoding is "none_found" or the text is invalid
// UTF-16: then "Read failed for '{}': {}" is logged as an alert and shown on the message line.
bool gf_readTextFile(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines);

struct TextFileRead {
    TextEncoding encoding;
    bool ok;
    bool tooLarge = false;
};

// gf_detectTextEncoding and gf_readTextFile in one, reading the file once: "none_found" (and no lines, nothing
// logged) when the file cannot be opened or is no regular file, or when it is larger than maxBytes (then tooLarge,
// and nothing of it is read: its size is checked first); otherwise the encoding the text was read in (the
// detected one, or "ANSI" where gf_readTextFile falls back to it), with ok false and the failure logged as
// gf_readTextFile logs it when the bytes cannot be read or converted.
TextFileRead gf_readTextFileOnce(const std::filesystem::path& path, std::size_t maxBytes,
                                 std::vector<std::string>& lines);

// Appends the lines of an open binary stream, read from its start to its end, without conversion.
// A stream in a failed state adds nothing; an empty stream is left cleared at its start.
void gf_readLines(std::istream& stream, std::vector<std::string>& lines);

// Cuts a text into lines: a leading UTF-8 byte order mark is dropped, every line feed ends a line, one
// carriage return before it is removed, and a line feed at the very end adds no empty line.
void gf_splitLines(std::string_view text, std::vector<std::string>& lines);

// A file read again and again into the same line buffer (the program's own list files, taken as UTF-8).
struct LineFile {
    std::filesystem::path path;
    std::vector<std::string> lines;
};

// The lines of the last read (valid until the next read), or the error text "open_failed".
struct LineFileRead {
    std::span<const std::string> lines;
    std::string_view error;
    bool ok() const noexcept { return error.empty(); }
};

// Empties the buffer, reserves reserveHint entries and reads the file's lines without encoding detection.
LineFileRead gf_readFile(LineFile& reader, std::size_t reserveHint);

} // namespace hlw
