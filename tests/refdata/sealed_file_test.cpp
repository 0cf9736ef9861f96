#include "refdata/sealed_file.h"

#include "core/log.h"
#include "refdata/remove_with_warning.h"
#include "seal_stream.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;

std::string patternBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    }
    return bytes;
}

std::string sealBytes(const std::string& plain, const sealer::SealOptions& options = {},
                      const ProjectKey& key = gf_projectKey())
{
    return sealer::sealText(key, plain, options);
}

class SealedFileTest : public ::testing::Test {
protected:
    void SetUp() override { gf_startLog(dir / "Log.txt"); }
    void TearDown() override { gf_stopLog(); }

    std::string logText()
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }
    // Decrypts sealed bytes from "input/dbase.enc"; the plain text when it succeeded.
    bool decrypt(const std::string& sealedBytes)
    {
        writeWholeFile(sealedPath, sealedBytes);
        return gf_streamDecrypt(sealedPath, plainPath);
    }

    test::TempDir dir;
    fs::path sealedPath = dir / "dbase.enc";
    fs::path plainPath = gf_plainPathOf(sealedPath);
};

TEST_F(SealedFileTest, PlainCopyIsTheXmlTwinInTheSameFolder)
{
    EXPECT_EQ(gf_plainPathOf(fs::path("input") / "dbase.enc"), fs::path("input") / "dbase.xml");
    EXPECT_EQ(gf_plainPathOf("airports.enc"), fs::path("airports.xml"));
}

// Sizes around the chunk boundary and a stream of several chunks all come back byte for byte.
TEST_F(SealedFileTest, RoundTripsEverySizeAroundTheChunkBoundary)
{
    for (const std::size_t size : {0UL, 1UL, 4095UL, 4096UL, 4097UL, 8192UL, 3UL * 4096 + 5}) {
        SCOPED_TRACE(size);
        const std::string plain = patternBytes(size);
        const std::string sealed = sealBytes(plain);
        const std::size_t chunks = size / 4096 + 1 - (size != 0 && size % 4096 == 0 ? 1 : 0);
        EXPECT_EQ(sealed.size(), sealedHeaderBytes + size + chunks * sealedChunkOverheadBytes);
        ASSERT_TRUE(decrypt(sealed));
        EXPECT_EQ(readWholeFile(plainPath), plain);
        EXPECT_TRUE(gf_verifySealedFile(sealedPath));
    }
    EXPECT_EQ(logText().find("exception"), std::string::npos);
}

TEST_F(SealedFileTest, HeaderOnlyDecryptsToAnEmptyFileButDoesNotVerify)
{
    const std::string sealed = sealBytes(patternBytes(100));
    ASSERT_TRUE(decrypt(sealed.substr(0, sealedHeaderBytes)));
    EXPECT_TRUE(fs::exists(plainPath));
    EXPECT_EQ(fs::file_size(plainPath), 0U);
    EXPECT_FALSE(gf_verifySealedFile(sealedPath));
}

// A file shorter than its header (a failed download leaves 0 bytes) is refused, never "decrypted" to nothing.
TEST_F(SealedFileTest, FileShorterThanTheHeaderIsInvalid)
{
    const std::string sealed = sealBytes(patternBytes(100));
    for (const std::size_t size : {0UL, 1UL, sealedHeaderBytes - 1}) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(decrypt(sealed.substr(0, size)));
        EXPECT_FALSE(fs::exists(plainPath));
        EXPECT_FALSE(gf_verifySealedFile(sealedPath));
    }
    EXPECT_NE(logText().find("gf_streamDecrypt exception: Invalid header or key"), std::string::npos);
}

TEST_F(SealedFileTest, StreamWithoutFinalChunkIsReadAsItStands)
{
    const std::string plain = patternBytes(2 * 4096 + 10);
    ASSERT_TRUE(decrypt(sealBytes(plain, {.plainChunkBytes = 4096, .finalTag = false})));
    EXPECT_EQ(readWholeFile(plainPath), plain);
    EXPECT_NE(logText().find("ends without a final chunk"), std::string::npos);
}

// A transfer cut right behind a full chunk still decrypts (the reader takes what it has), but it is no complete
// data file, so it must not pass the check that lets a download replace the old file.
TEST_F(SealedFileTest, StreamWithoutFinalChunkDoesNotVerify)
{
    const std::string plain = patternBytes(3 * 4096 + 10);
    const std::string good = sealBytes(plain);
    for (const std::size_t chunks : {1UL, 2UL, 3UL}) {
        SCOPED_TRACE(chunks);
        writeWholeFile(sealedPath, good.substr(0, sealedHeaderBytes + chunks * sealedChunkBytes));
        EXPECT_FALSE(gf_verifySealedFile(sealedPath));
    }
    writeWholeFile(sealedPath, sealBytes(plain, {.plainChunkBytes = 4096, .finalTag = false}));
    EXPECT_FALSE(gf_verifySealedFile(sealedPath));
    writeWholeFile(sealedPath, good);
    EXPECT_TRUE(gf_verifySealedFile(sealedPath));
}

// The stream is read in whole 4113-byte pieces, so trailing bytes can only follow a full FINAL chunk.
TEST_F(SealedFileTest, BytesBehindAFullFinalChunkAreIgnored)
{
    const std::string plain = patternBytes(2 * 4096);
    for (const std::string& trailer : {std::string("x"), patternBytes(4113), patternBytes(9000)}) {
        SCOPED_TRACE(trailer.size());
        ASSERT_TRUE(decrypt(sealBytes(plain) + trailer));
        EXPECT_EQ(readWholeFile(plainPath), plain);
    }
}

// Every way a stream fails authentication ends as "Decryption failed" with no plain copy left behind.
TEST_F(SealedFileTest, DamagedStreamsFailAndLeaveNoPlainCopy)
{
    const std::string plain = patternBytes(3 * 4096 + 100);
    const std::string good = sealBytes(plain);
    ProjectKey otherKey = gf_projectKey();
    otherKey[5] ^= 0x01;
    std::string flipped = good;
    flipped[sealedHeaderBytes + 4113 + 50] ^= 0x40;
    std::string flippedHeader = good;
    flippedHeader[3] ^= 0x01;

    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"misaligned chunks", sealBytes(plain, {.plainChunkBytes = 1000, .finalTag = true})},
        {"larger chunks", sealBytes(plain, {.plainChunkBytes = 8192, .finalTag = true})},
        {"wrong key", sealBytes(plain, {}, otherKey)},
        {"cut mid first chunk", good.substr(0, sealedHeaderBytes + 2000)},
        {"cut mid last chunk", good.substr(0, good.size() - 30)},
        {"cut inside the authenticator", good.substr(0, sealedHeaderBytes + 10)},
        {"flipped byte", flipped},
        {"flipped header", flippedHeader},
        {"not sealed at all", patternBytes(10000)},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        EXPECT_FALSE(decrypt(item.bytes));
        EXPECT_FALSE(fs::exists(plainPath));
        EXPECT_FALSE(gf_verifySealedFile(sealedPath));
    }
    EXPECT_NE(logText().find("gf_streamDecrypt exception: Decryption failed"), std::string::npos);
}

TEST_F(SealedFileTest, AnotherKeyOpensWhatItSealed)
{
    ProjectKey otherKey{};
    otherKey.fill(0x5a);
    const std::string plain = patternBytes(6000);
    writeWholeFile(sealedPath, sealBytes(plain, {}, otherKey));
    ASSERT_TRUE(gf_streamDecrypt(otherKey, sealedPath, plainPath));
    EXPECT_EQ(readWholeFile(plainPath), plain);
    EXPECT_TRUE(gf_verifySealedFile(otherKey, sealedPath));
    EXPECT_FALSE(gf_verifySealedFile(sealedPath));
}

TEST_F(SealedFileTest, MissingInputAndUnopenableOutputAreReported)
{
    EXPECT_FALSE(gf_streamDecrypt(dir / "missing.enc", plainPath));
    EXPECT_FALSE(fs::exists(plainPath));
    writeWholeFile(sealedPath, sealBytes("abc"));
    EXPECT_FALSE(gf_streamDecrypt(sealedPath, dir / "no_such_folder" / "dbase.xml"));
    const std::string log = logText();
    EXPECT_NE(log.find("gf_streamDecrypt exception: Could not open input file: " + (dir / "missing.enc").string()),
              std::string::npos);
    EXPECT_NE(log.find("Could not open output file: " + (dir / "no_such_folder" / "dbase.xml").string()),
              std::string::npos);
}

// A full disk must fail the decryption, not hand a truncated plain file to the XML reader.
TEST_F(SealedFileTest, WriteFailureIsReportedAndRemovesThePlainCopy)
{
    // The limit stays above the size of the log, which is written to during the call.
    for (const std::size_t size : {10000UL, 5UL * 4096 + 100}) {
        SCOPED_TRACE(size);
        writeWholeFile(sealedPath, sealBytes(patternBytes(size)));
        {
            const test::FileSizeLimit fullDisk(8192);
            EXPECT_FALSE(gf_streamDecrypt(sealedPath, plainPath));
        }
        EXPECT_FALSE(fs::exists(plainPath));
    }
    EXPECT_NE(logText().find("gf_streamDecrypt exception: Could not write output file: " + plainPath.string()),
              std::string::npos);
}

// The plain copy lies in the program folder, where a link to any file may have been planted: the link is
// replaced, the file it names stays as it was. A device at the name is refused and left alone.
TEST_F(SealedFileTest, PlainCopyReplacesALinkAtItsNameInsteadOfWritingThroughIt)
{
    writeWholeFile(dir / "precious.txt", "precious");
    fs::create_symlink(dir / "precious.txt", plainPath);
    writeWholeFile(sealedPath, sealBytes("<root/>"));
    ASSERT_TRUE(gf_streamDecrypt(sealedPath, plainPath));
    EXPECT_FALSE(fs::is_symlink(plainPath));
    EXPECT_EQ(readWholeFile(plainPath), "<root/>");
    EXPECT_EQ(readWholeFile(dir / "precious.txt"), "precious");

    if (fs::exists("/dev/null")) {
        EXPECT_FALSE(gf_streamDecrypt(sealedPath, "/dev/null"));
        EXPECT_TRUE(fs::exists("/dev/null"));
        EXPECT_NE(logText().find("Could not open output file: /dev/null"), std::string::npos);
    }
}

TEST_F(SealedFileTest, RemovalOfAMissingFileLogsNothing)
{
    const std::string before = logText();
    gf_removeWithWarning(dir / "nothing_here.xml");
    EXPECT_EQ(logText(), before);
}

TEST_F(SealedFileTest, FailedRemovalIsAWarningNotAnError)
{
    fs::create_directories(dir / "busy" / "inner");
    gf_removeWithWarning(dir / "busy");
    EXPECT_TRUE(fs::exists(dir / "busy"));
    EXPECT_NE(logText().find("==> Warning: could not remove " + (dir / "busy").string() + ", errorcode: "),
              std::string::npos);
}

TEST_F(SealedFileTest, PlainCopyIsRemovedOnEveryExitPath)
{
    writeWholeFile(sealedPath, sealBytes("<root/>"));
    {
        RemoveOnExit removePlain(plainPath);
        ASSERT_TRUE(gf_streamDecrypt(sealedPath, removePlain.path()));
        EXPECT_TRUE(fs::exists(plainPath));
    }
    EXPECT_FALSE(fs::exists(plainPath));

    const auto readAndFail = [this] {
        RemoveOnExit removePlain(plainPath);
        if (gf_streamDecrypt(sealedPath, plainPath)) {
            throw std::runtime_error("reader failed half way");
        }
    };
    EXPECT_THROW(readAndFail(), std::runtime_error);
    EXPECT_FALSE(fs::exists(plainPath));
}

} // namespace
} // namespace hlw
