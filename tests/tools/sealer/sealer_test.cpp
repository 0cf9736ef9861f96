#include "refdata/sealed_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;

int runSealer(const std::string& arguments)
{
    const std::string command = std::string(HLMR_SEAL_EXECUTABLE) + " " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SealerTool, SealsWhatTheProgramDecrypts)
{
    test::TempDir dir;
    std::string plain;
    for (int i = 0; i < 3000; ++i) {
        plain += "<d r=\"D-AINA\" a=\"DLH\" m=\"A20N\"/>\n";
    }
    writeWholeFile(dir / "dbase.xml", plain);
    ASSERT_EQ(runSealer((dir / "dbase.xml").string() + " " + (dir / "dbase.enc").string()), 0);
    EXPECT_FALSE(fs::exists(dir / "dbase.enc.part"));
    // Full 4096-byte chunks with the FINAL tag on the last, which the verification and the decryption accept.
    EXPECT_TRUE(gf_verifySealedFile(dir / "dbase.enc"));
    ASSERT_TRUE(gf_streamDecrypt(dir / "dbase.enc", dir / "back.xml"));
    EXPECT_EQ(readWholeFile(dir / "back.xml"), plain);
}

TEST(SealerTool, AFailedRunEndsWithItsCodeAndLeavesTheOutputAsItWas)
{
    test::TempDir dir;
    EXPECT_EQ(runSealer(""), 2);
    writeWholeFile(dir / "plain.xml", "<root/>");
    EXPECT_EQ(runSealer((dir / "plain.xml").string() + " " + (dir / "no_folder" / "out.enc").string()), 1);
    EXPECT_FALSE(fs::exists(dir / "no_folder"));
    EXPECT_EQ(runSealer((dir / "missing.xml").string() + " " + (dir / "out.enc").string()), 1);
    EXPECT_FALSE(fs::exists(dir / "out.enc"));
    ASSERT_EQ(runSealer((dir / "plain.xml").string() + " " + (dir / "out.enc").string()), 0);
    const std::string before = readWholeFile(dir / "out.enc");
    EXPECT_EQ(runSealer((dir / "missing.xml").string() + " " + (dir / "out.enc").string()), 1);
    EXPECT_EQ(readWholeFile(dir / "out.enc"), before);
}

} // namespace
} // namespace hlw
