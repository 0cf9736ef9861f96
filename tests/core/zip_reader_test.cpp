// The reading half of the zip archives: entries written by the archive writer come back byte for byte in chunks;
// a damaged archive does not open, an entry above the cap is refused, and a failed unpacking leaves no file.
#include "core/zip_archive.h"
#include "core/zip_reader.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

namespace hlw {
namespace {

namespace fs = std::filesystem;

std::string lf_read(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {(std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()};
}

void lf_writeZip(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    ZipArchive archive(path);
    std::string error;
    ASSERT_TRUE(archive.openNew(error)) << error;
    for (const auto& [name, bytes] : entries) {
        ASSERT_TRUE(archive.addData(name, bytes, error)) << error;
    }
    ASSERT_TRUE(archive.close(error)) << error;
}

// Bytes that do not compress, larger than several chunks.
std::string lf_noise(std::size_t size)
{
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

TEST(ZipReader, EntriesComeBackWholeAndBadArchivesOrEntriesAreRefused)
{
    const test::TempDir dir;
    const std::string big = lf_noise(3 * zipChunkBytes + 17);
    lf_writeZip(dir / "two.zip", {{"first.exe", big}, {"second.exe", "the second"}});

    ZipReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(dir / "two.zip", error)) << error;
    ASSERT_EQ(reader.entryCount(), 2U);
    EXPECT_EQ(reader.entryName(1), "second.exe");
    EXPECT_EQ(reader.entryName(2), "");
    ASSERT_TRUE(reader.extract(0, dir / "out.exe", error)) << error;
    EXPECT_EQ(lf_read(dir / "out.exe"), big);
    ASSERT_TRUE(reader.extract(1, dir / "out.exe", error)) << error;
    EXPECT_EQ(lf_read(dir / "out.exe"), "the second");

    // Above the cap: refused before anything is written, the old file stays.
    EXPECT_FALSE(reader.extract(0, dir / "out.exe", error, big.size() - 1));
    EXPECT_NE(error.find("larger than"), std::string::npos) << error;
    EXPECT_EQ(lf_read(dir / "out.exe"), "the second");
    EXPECT_TRUE(reader.extract(0, dir / "exact.exe", error, big.size())) << error;

    // A target that cannot be created.
    fs::create_directories(dir / "folder");
    EXPECT_FALSE(reader.extract(1, dir / "folder", error));
    EXPECT_FALSE(reader.extract(5, dir / "none.exe", error));
    EXPECT_FALSE(fs::exists(dir / "none.exe"));

    // Junk, a cut archive and a missing one do not open.
    std::ofstream(dir / "junk.zip", std::ios::binary) << lf_noise(5000);
    EXPECT_FALSE(reader.open(dir / "junk.zip", error));
    EXPECT_FALSE(reader.isOpen());
    const std::string whole = lf_read(dir / "two.zip");
    std::ofstream(dir / "cut.zip", std::ios::binary) << whole.substr(0, whole.size() / 2);
    EXPECT_FALSE(reader.open(dir / "cut.zip", error));
    EXPECT_FALSE(reader.open(dir / "missing.zip", error));
    EXPECT_FALSE(reader.extract(0, dir / "out2.exe", error));
}

// A damaged entry (its stored bytes changed after it was written) fails its check and leaves no file.
TEST(ZipReader, ADamagedEntryLeavesNoFile)
{
    const test::TempDir dir;
    const std::string text(200000, 'a');
    lf_writeZip(dir / "one.zip", {{"install.exe", text}});
    std::string bytes = lf_read(dir / "one.zip");
    // The deflated data begins after the 30-byte local header and the name.
    for (std::size_t i = 30 + 11 + 10; i < 30 + 11 + 60; ++i) {
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    }
    std::ofstream(dir / "damaged.zip", std::ios::binary) << bytes;
    ZipReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(dir / "damaged.zip", error)) << error;
    EXPECT_FALSE(reader.extract(0, dir / "install.exe", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "install.exe"));
}

// A full disk: the entry's write fails after its first chunk, and the partial file is removed.
TEST(ZipReader, AWriteThatFailsPartWayLeavesNoFile)
{
    const test::TempDir dir;
    lf_writeZip(dir / "big.zip", {{"install.exe", std::string(3 * zipChunkBytes, 'M')}});
    ZipReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(dir / "big.zip", error)) << error;
    bool extracted = true;
    {
        const test::FileSizeLimit fullDisk(zipChunkBytes + zipChunkBytes / 2);
        extracted = reader.extract(0, dir / "install.exe", error);
    }
    EXPECT_FALSE(extracted);
    EXPECT_EQ(error, "write to " + (dir / "install.exe").string() + " failed: File too large");
    EXPECT_FALSE(fs::exists(dir / "install.exe"));
}

} // namespace
} // namespace hlw
