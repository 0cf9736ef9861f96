// Sealed data files and the removal of the plain copies made from them.
#include "refdata/sealed_file.h"

#include "core/log.h"
#include "refdata/remove_with_warning.h"
#include "seal_stream.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;
using ::testing::HasSubstr;

std::string patternBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    }
    return bytes;
}

std::string sealed(const std::string& plain, const sealer::SealOptions& options = {},
                   const ProjectKey& key = gf_projectKey())
{
    return sealer::sealText(key, plain, options);
}

class SealedFile : public ::testing::Test {
  protected:
    SealedFile() { gf_startLog(dir / "Log.txt"); }
    ~SealedFile() override { gf_stopLog(); }

    std::string logText() const
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }
    // Decrypts the bytes written as the sealed file; whether it succeeded.
    bool decrypt(const std::string& sealedBytes)
    {
        writeWholeFile(sealedPath, sealedBytes);
        return gf_streamDecrypt(sealedPath, plainPath);
    }

    test::TempDir dir;
    fs::path sealedPath = dir / "dbase.enc";
    fs::path plainPath = gf_plainPathOf(sealedPath);
};

TEST_F(SealedFile, EverySizeAroundTheChunkBoundaryComesBackByteForByte)
{
    EXPECT_EQ(plainPath, dir / "dbase.xml");
    for (const std::size_t size : {0UL, 1UL, 4095UL, 4096UL, 4097UL, 3UL * 4096 + 5}) {
        const std::string plain = patternBytes(size);
        ASSERT_TRUE(decrypt(sealed(plain))) << size;
        EXPECT_EQ(readWholeFile(plainPath), plain);
        EXPECT_TRUE(gf_verifySealedFile(sealedPath));
    }
    // The stream is read in whole chunks, so bytes can only follow a full final chunk; they are ignored.
    ASSERT_TRUE(decrypt(sealed(patternBytes(8192)) + patternBytes(9000)));
    EXPECT_EQ(readWholeFile(plainPath), patternBytes(8192));
    EXPECT_THAT(logText(), ::testing::Not(HasSubstr("exception")));
}

// A transfer cut behind a full chunk still decrypts, but must not pass the check a download is replaced after.
TEST_F(SealedFile, StreamWithoutFinalChunkIsReadAsItStandsButDoesNotVerify)
{
    const std::string plain = patternBytes(3 * 4096 + 10);
    ASSERT_TRUE(decrypt(sealed(plain, {.plainChunkBytes = 4096, .finalTag = false})));
    EXPECT_EQ(readWholeFile(plainPath), plain);
    EXPECT_THAT(logText(), HasSubstr(sealedPath.string() + " ends without a final chunk, read as it stands"));
    EXPECT_FALSE(gf_verifySealedFile(sealedPath));
    // The last, a header alone, decrypts to an empty file.
    for (const std::size_t chunks : {1UL, 3UL, 0UL}) {
        EXPECT_TRUE(decrypt(sealed(plain).substr(0, sealedHeaderBytes + chunks * sealedChunkBytes))) << chunks;
        EXPECT_FALSE(gf_verifySealedFile(sealedPath)) << chunks;
    }
    EXPECT_EQ(fs::file_size(plainPath), 0U);
    EXPECT_THAT(logText(), HasSubstr(sealedPath.string() + " holds no sealed data"));
}

// Every way a stream fails ends with no plain copy left behind, also when only the header is cut.
TEST_F(SealedFile, DamagedStreamsFailAndLeaveNoPlainCopy)
{
    const std::string plain = patternBytes(3 * 4096 + 100);
    const std::string good = sealed(plain);
    ProjectKey otherKey = gf_projectKey();
    otherKey[5] ^= 0x01;
    std::string flipped = good;
    flipped[sealedHeaderBytes + 4113 + 50] ^= 0x40;
    std::string flippedHeader = good;
    flippedHeader[3] ^= 0x01;
    for (const std::string& bytes :
         {sealed(plain, {.plainChunkBytes = 1000, .finalTag = true}),
          sealed(plain, {.plainChunkBytes = 8192, .finalTag = true}), sealed(plain, {}, otherKey),
          good.substr(0, sealedHeaderBytes + 2000), good.substr(0, good.size() - 30),
          good.substr(0, sealedHeaderBytes + 10), flipped, flippedHeader, patternBytes(10000), std::string(),
          good.substr(0, sealedHeaderBytes - 1)}) {
        EXPECT_FALSE(decrypt(bytes)) << bytes.size();
        EXPECT_FALSE(fs::exists(plainPath));
        EXPECT_FALSE(gf_verifySealedFile(sealedPath));
    }
    EXPECT_THAT(logText(), HasSubstr("gf_streamDecrypt exception: Decryption failed\n"));
    EXPECT_THAT(logText(), HasSubstr("gf_streamDecrypt exception: Invalid header or key\n"));
    writeWholeFile(sealedPath, sealed(plain, {}, otherKey));
    ASSERT_TRUE(gf_streamDecrypt(otherKey, sealedPath, plainPath));
    EXPECT_TRUE(gf_verifySealedFile(otherKey, sealedPath));
}

// A full disk fails the decryption (the limit stays above the size of the log, written to during the call).
TEST_F(SealedFile, AFailedWriteFailsTheDecryptionAndRemovesThePlainCopy)
{
    for (const std::size_t size : {10000UL, 5UL * 4096 + 100}) {
        writeWholeFile(sealedPath, sealed(patternBytes(size)));
        const test::FileSizeLimit fullDisk(8192);
        EXPECT_FALSE(gf_streamDecrypt(sealedPath, plainPath));
        EXPECT_FALSE(fs::exists(plainPath));
    }
    EXPECT_THAT(logText(), HasSubstr("gf_streamDecrypt exception: Could not write output file: " + plainPath.string()));
    EXPECT_FALSE(gf_streamDecrypt(dir / "missing.enc", plainPath));
    EXPECT_THAT(logText(), HasSubstr("Could not open input file: " + (dir / "missing.enc").string()));
}

// A link planted at the plain copy's name is replaced, not written through; a device there is left alone.
TEST_F(SealedFile, PlainCopyReplacesALinkAtItsNameAndAFailedRemovalIsOnlyAWarning)
{
    writeWholeFile(dir / "precious.txt", "precious");
    fs::create_symlink(dir / "precious.txt", plainPath);
    ASSERT_TRUE(decrypt(sealed("<root/>")));
    EXPECT_FALSE(fs::is_symlink(plainPath));
    EXPECT_EQ(readWholeFile(plainPath), "<root/>");
    EXPECT_EQ(readWholeFile(dir / "precious.txt"), "precious");
    EXPECT_FALSE(gf_streamDecrypt(sealedPath, "/dev/null"));
    EXPECT_TRUE(fs::exists("/dev/null"));
    EXPECT_THAT(logText(), HasSubstr("Could not open output file: /dev/null"));
    // The readers remove their plain copies on every way out (their suites check it); a failure is only a warning.
    const std::string before = logText();
    gf_removeWithWarning(dir / "nothing_here.xml");
    EXPECT_EQ(logText(), before);
    fs::create_directories(dir / "busy" / "inner");
    gf_removeWithWarning(dir / "busy");
    EXPECT_TRUE(fs::exists(dir / "busy"));
    EXPECT_THAT(logText(), HasSubstr("==> Warning: could not remove " + (dir / "busy").string() + ", errorcode: "));
}

} // namespace
} // namespace hlw
