#include "core/log.h"
#include "core/message_line.h"
#include "core/text_encoding.h"
#include "core/text_file_reader.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace hlw {
namespace {

using test::readWholeFile;
using test::writeWholeFile;
using Lines = std::vector<std::string>;

class TextFileReaderTest : public ::testing::Test {
  protected:
    void TearDown() override
    {
        gf_stopLog();
        gf_clearError();
        gf_clearMessage();
    }

    std::filesystem::path file(const std::string& bytes)
    {
        const auto path = dir / ("f" + std::to_string(++count) + ".txt");
        writeWholeFile(path, bytes);
        return path;
    }

    Lines readDetected(const std::filesystem::path& path)
    {
        Lines lines{"stale"};
        EXPECT_TRUE(gf_readTextFile(gf_detectTextEncoding(path), path, lines)) << path;
        return lines;
    }

    test::TempDir dir;
    int count = 0;
};

TEST_F(TextFileReaderTest, EncodingNames)
{
    EXPECT_EQ(gf_textEncodingName(TextEncoding::ansi), "ANSI");
    EXPECT_EQ(gf_textEncodingName(TextEncoding::unicode), "Unicode");
    EXPECT_EQ(gf_textEncodingName(TextEncoding::unicodeBigEndian), "Unicode_big_endian");
    EXPECT_EQ(gf_textEncodingName(TextEncoding::utf8WithBom), "UTF8_with_BOM");
    EXPECT_EQ(gf_textEncodingName(TextEncoding::utf8WithoutBom), "UTF8_without_BOM");
    EXPECT_EQ(gf_textEncodingName(TextEncoding::noneFound), "none_found");
}

TEST_F(TextFileReaderTest, DetectionByLeadingBytesAndSample)
{
    struct Case {
        const char* name;
        std::string bytes;
        TextEncoding expected;
    };
    const Case cases[] = {
        {"empty", "", TextEncoding::utf8WithoutBom},
        {"ascii", "hello\r\nworld", TextEncoding::utf8WithoutBom},
        {"utf-8", "Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x9B\xAB", TextEncoding::utf8WithoutBom},
        {"utf-8 bom only", "\xEF\xBB\xBF", TextEncoding::utf8WithBom},
        {"utf-8 bom", "\xEF\xBB\xBFtext", TextEncoding::utf8WithBom},
        {"utf-16le bom",
         std::string("\xFF\xFE"
                     "A\0",
                     4),
         TextEncoding::unicode},
        {"utf-16be bom", std::string("\xFE\xFF\0A", 4), TextEncoding::unicodeBigEndian},
        {"utf-16le no bom", std::string("A\0B\0", 4), TextEncoding::unicode},
        {"three bytes, second zero", std::string("A\0B", 3), TextEncoding::unicode},
        {"utf-16be no bom", std::string("\0A\0B", 4), TextEncoding::unicodeBigEndian},
        {"ansi", "Z\xFCrich", TextEncoding::ansi},
        {"overlong C0", "\xC0\xAF", TextEncoding::ansi},
        {"overlong E0", "\xE0\x80\xAF", TextEncoding::ansi},
        {"above U+10FFFF", "\xF4\x90\x80\x80", TextEncoding::ansi},
        {"lead F5", "ab\xF5\x80\x80\x80", TextEncoding::ansi},
        {"lone continuation", "ab\x80", TextEncoding::ansi},
        {"bad continuation", "\xC3(", TextEncoding::ansi},
        {"encoded surrogate accepted", "\xED\xA0\x80", TextEncoding::utf8WithoutBom},
        {"file ends inside a character", "abc\xC3", TextEncoding::ansi},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_detectTextEncoding(file(c.bytes)), c.expected) << c.name;
    }
    EXPECT_EQ(gf_detectTextEncoding(dir / "missing.txt"), TextEncoding::noneFound);
    EXPECT_EQ(gf_detectTextEncoding(dir.path()), TextEncoding::noneFound);
}

TEST_F(TextFileReaderTest, OnlyTheFirst4096BytesDecide)
{
    EXPECT_EQ(gf_detectTextEncoding(file(std::string(4096, 'a') + "\xFC\xFF")), TextEncoding::utf8WithoutBom);
    EXPECT_EQ(gf_detectTextEncoding(file(std::string(4095, 'a') + "\xFC")), TextEncoding::ansi);
}

TEST_F(TextFileReaderTest, CharacterCutByTheSampleEndIsStillUtf8)
{
    // Two-, three- and four-byte characters whose 4096th byte is the lead or a continuation byte.
    const std::string characters[] = {"\xC3\xBC", "\xE2\x82\xAC", "\xF0\x9F\x9B\xAB"};
    for (const auto& character : characters) {
        for (std::size_t inside = 1; inside < character.size(); ++inside) {
            const std::string bytes = std::string(4096 - inside, 'a') + character + "tail";
            const auto path = file(bytes);
            EXPECT_EQ(gf_detectTextEncoding(path), TextEncoding::utf8WithoutBom) << character.size() << "/" << inside;
            EXPECT_EQ(readDetected(path), Lines{bytes});
        }
    }
    // A cut sequence must still be a valid beginning.
    EXPECT_EQ(gf_detectTextEncoding(file(std::string(4094, 'a') + "\xE0\x80\x80z")), TextEncoding::ansi);
    EXPECT_EQ(gf_detectTextEncodingOfSample("ab\xF0\x9F", true), TextEncoding::utf8WithoutBom);
    EXPECT_EQ(gf_detectTextEncodingOfSample("ab\xF0\x9F", false), TextEncoding::ansi);
    EXPECT_EQ(gf_detectTextEncodingOfSample("ab\xF4\x90", true), TextEncoding::ansi);
}

TEST_F(TextFileReaderTest, Utf8LinesWithAndWithoutBomAndLineEnds)
{
    EXPECT_EQ(readDetected(file("")), Lines{});
    EXPECT_EQ(readDetected(file("\xEF\xBB\xBF")), Lines{});
    EXPECT_EQ(readDetected(file("A\r\n\r\nB\n")), (Lines{"A", "", "B"}));
    EXPECT_EQ(readDetected(file("\xEF\xBB\xBFtitle=\xC3\xBC\r\nx")), (Lines{"title=\xC3\xBC", "x"}));
    EXPECT_EQ(readDetected(file("a\n\nb\r\r\n")), (Lines{"a", "", "b\r"}));
    EXPECT_EQ(readDetected(file("\n")), Lines{""});
    EXPECT_EQ(readDetected(file("no end")), Lines{"no end"});
}

TEST_F(TextFileReaderTest, AnsiLinesAreConvertedToUtf8)
{
    const auto path = file("title=Z\xFCrich \x80\r\nA\xE9ropostale\n");
    EXPECT_EQ(gf_detectTextEncoding(path), TextEncoding::ansi);
    EXPECT_EQ(readDetected(path), (Lines{"title=Z\xC3\xBCrich \xE2\x82\xAC", "A\xC3\xA9ropostale"}));
}

TEST_F(TextFileReaderTest, AnsiTextWhoseFirstAccentComesAfterTheSampleIsReadAsAnsi)
{
    const std::string head(encodingSampleSize + 10, 'a');
    const auto path = file(head + "\r\nA\xE9ropostale \xC3(\n");
    EXPECT_EQ(gf_detectTextEncoding(path), TextEncoding::utf8WithoutBom);
    const Lines expected{head, "A\xC3\xA9ropostale \xC3\x83("};
    EXPECT_EQ(readDetected(path), expected);
    Lines lines;
    EXPECT_EQ(gf_readTextFileOnce(path, lines).encoding, TextEncoding::ansi);
    EXPECT_EQ(lines, expected);
}

TEST_F(TextFileReaderTest, Utf16WithByteOrderMarkIsConverted)
{
    const auto little = file(std::string("\xFF\xFE"
                                         "A\0\r\0\n\0\xFC\0\xAC\x20\n\0",
                                         14));
    EXPECT_EQ(readDetected(little), (Lines{"A", "\xC3\xBC\xE2\x82\xAC"}));
    const auto big = file(std::string("\xFE\xFF\0A\0\n\xD8\x3D\xDE\xEB", 10));
    EXPECT_EQ(gf_detectTextEncoding(big), TextEncoding::unicodeBigEndian);
    EXPECT_EQ(readDetected(big), (Lines{"A", "\xF0\x9F\x9B\xAB"}));
}

TEST_F(TextFileReaderTest, Utf16WithoutMarkOrWithOddLengthGivesNoLines)
{
    EXPECT_EQ(readDetected(file(std::string("A\0B", 3))), Lines{});
    EXPECT_EQ(readDetected(file(std::string("A\0B\0", 4))), Lines{});
    EXPECT_EQ(readDetected(file(std::string("\xFF\xFE"
                                            "A\0B",
                                            5))),
              Lines{});
}

TEST_F(TextFileReaderTest, FailuresAreLoggedThenShownOnTheMessageLine)
{
    gf_startLog(dir / "Log.txt");
    // An error on the message line swallows new messages; the log line must be written anyway.
    gf_showError("earlier error");
    Lines lines{"stale"};
    const auto bad16 = file(std::string("\xFF\xFE\x00\xD8", 4));
    EXPECT_FALSE(gf_readTextFile(TextEncoding::unicode, bad16, lines));
    EXPECT_FALSE(gf_readTextFile(TextEncoding::noneFound, dir / "missing.txt", lines));
    EXPECT_TRUE(lines.empty());
    gf_stopLog();
    const std::string log = readWholeFile(dir / "Log.txt");
    EXPECT_NE(log.find("==> Read failed for '" + bad16.string() + "': wide_to_utf8: invalid UTF-16"), std::string::npos)
        << log;
    EXPECT_NE(log.find("==> Read failed for '" + (dir / "missing.txt").string() + "': file " +
                       (dir / "missing.txt").string() + " has unknown charset: none_found"),
              std::string::npos)
        << log;

    gf_clearError();
    EXPECT_FALSE(gf_readTextFile(TextEncoding::utf8WithoutBom, dir / "missing.txt", lines));
    EXPECT_EQ(gf_messageLineTexts().message,
              "Read failed for '" + (dir / "missing.txt").string() + "': cannot be opened");
}

TEST_F(TextFileReaderTest, OneReadGivesWhatDetectionAndReadingGive)
{
    const std::string longUtf8 = std::string(encodingSampleSize - 1, 'a') + "\xC3\xBC\nb";
    const std::string bytes[] = {
        "",
        "\xEF\xBB\xBFtitle=\xC3\xBC\r\nx",
        "A\r\n\r\nB\n",
        "title=Z\xFCrich \x80\r\nA\xE9ropostale\n",
        std::string("\xFF\xFE"
                    "A\0\r\0\n\0\xFC\0\xAC\x20\n\0",
                    14),
        std::string("\xFE\xFF\0A\0\n\xD8\x3D\xDE\xEB", 10),
        std::string("A\0B\0", 4),
        longUtf8,
    };
    for (const std::string& content : bytes) {
        const auto path = file(content);
        Lines lines{"stale"};
        const TextFileRead read = gf_readTextFileOnce(path, lines);
        EXPECT_TRUE(read.ok) << path;
        EXPECT_EQ(read.encoding, gf_detectTextEncoding(path)) << path;
        EXPECT_EQ(lines, readDetected(path)) << path;
    }
}

TEST_F(TextFileReaderTest, OneReadOfAMissingFileOrFolderFindsNoEncoding)
{
    Lines lines{"stale"};
    EXPECT_EQ(gf_readTextFileOnce(dir / "missing.txt", lines).encoding, TextEncoding::noneFound);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(gf_readTextFileOnce(dir.path(), lines).encoding, TextEncoding::noneFound);
}

TEST_F(TextFileReaderTest, OneReadOfInvalidUtf16FailsAndIsLogged)
{
    gf_startLog(dir / "Log.txt");
    const auto bad16 = file(std::string("\xFF\xFE\x00\xD8", 4));
    Lines lines{"stale"};
    const TextFileRead read = gf_readTextFileOnce(bad16, lines);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.encoding, TextEncoding::unicode);
    EXPECT_TRUE(lines.empty());
    gf_stopLog();
    EXPECT_NE(readWholeFile(dir / "Log.txt").find("==> Read failed for '" + bad16.string() +
                                                  "': wide_to_utf8: invalid UTF-16"),
              std::string::npos);
}

TEST_F(TextFileReaderTest, ReadLinesOfStreams)
{
    Lines lines{"kept"};
    std::istringstream empty("");
    gf_readLines(empty, lines);
    EXPECT_EQ(lines, Lines{"kept"});
    EXPECT_TRUE(empty.good());
    EXPECT_EQ(empty.tellg(), 0);

    std::istringstream failed("x\ny");
    failed.setstate(std::ios::failbit);
    gf_readLines(failed, lines);
    EXPECT_EQ(lines, Lines{"kept"});

    std::istringstream text("x\r\ny");
    text.ignore(1);
    gf_readLines(text, lines);
    EXPECT_EQ(lines, (Lines{"kept", "x", "y"})) << "read from the start, appended";
}

TEST_F(TextFileReaderTest, LineFileRereadsIntoItsBuffer)
{
    LineFile reader{dir / "list.txt", {}};
    LineFileRead missing = gf_readFile(reader, 32);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.error, "open_failed");
    EXPECT_TRUE(reader.lines.empty());

    writeWholeFile(reader.path, "EHAM\r\nEGLL\n");
    LineFileRead first = gf_readFile(reader, 32);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(Lines(first.lines.begin(), first.lines.end()), (Lines{"EHAM", "EGLL"}));

    writeWholeFile(reader.path, "LOWW");
    LineFileRead second = gf_readFile(reader, 32);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(Lines(second.lines.begin(), second.lines.end()), Lines{"LOWW"});
}

} // namespace
} // namespace hlw
