// The zip archive: entries read back through libzip by index with name, size and bytes; nothing is written
// unless the archive is closed, and a failed write leaves the old file.
#include "core/zip_archive.h"

#include "support/log_capture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <map>
#include <string>

namespace hlw {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> lf_entries(const fs::path& path)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    EXPECT_NE(archive, nullptr) << error;
    std::map<std::string, std::string> entries;
    if (archive == nullptr) {
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        std::string bytes(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        EXPECT_EQ(zip_fread(file, bytes.data(), stat.size), static_cast<zip_int64_t>(stat.size));
        zip_fclose(file);
        entries[stat.name] = bytes;
    }
    zip_close(archive);
    return entries;
}

TEST(ZipArchive, EntriesComeBackAndOnlyACloseWrites)
{
    test::LogCapture log;
    const fs::path target = log.folder() / "tblo.zip";
    std::string error;
    {
        ZipArchive archive(target);
        ASSERT_TRUE(archive.openNew(error)) << error;
        std::string big(100000, 'x');
        ASSERT_TRUE(archive.addData("EHAM.xml", "<root/>", error)) << error;
        ASSERT_TRUE(archive.addData("EHRD.xml", big, error)) << error;
        EXPECT_EQ(archive.entryCount(), 2U);
        EXPECT_FALSE(fs::exists(target));
        ASSERT_TRUE(archive.close(error)) << error;
        EXPECT_FALSE(archive.isOpen());
    }
    EXPECT_EQ(lf_entries(target),
              (std::map<std::string, std::string>{{"EHAM.xml", "<root/>"}, {"EHRD.xml", std::string(100000, 'x')}}));
    {
        ZipArchive discarded(target);
        ASSERT_TRUE(discarded.openNew(error));
        ASSERT_TRUE(discarded.addData("EGLL.xml", "<x/>", error));
    }
    EXPECT_EQ(lf_entries(target).size(), 2U) << "an archive never closed leaves the file as it was";
}

TEST(ZipArchive, FailuresAreReportedAndLeaveNoFile)
{
    test::LogCapture log;
    std::string error;
    ZipArchive notOpen(log.folder() / "a.zip");
    EXPECT_FALSE(notOpen.addData("x", "y", error));
    EXPECT_FALSE(notOpen.close(error));
    EXPECT_EQ(error, "archive not open");

    ZipArchive noFolder(log.folder() / "missing" / "a.zip");
    ASSERT_TRUE(noFolder.openNew(error));
    ASSERT_TRUE(noFolder.addData("EHAM.xml", "<root/>", error));
    EXPECT_FALSE(noFolder.close(error));
    EXPECT_NE(error.find("could not be written"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(log.folder() / "missing"));

    ZipArchive twice(log.folder() / "b.zip");
    ASSERT_TRUE(twice.openNew(error));
    ASSERT_TRUE(twice.addData("EHAM.xml", "1", error));
    EXPECT_FALSE(twice.addData("EHAM.xml", "2", error)) << "a name is added once";
    EXPECT_EQ(twice.entryCount(), 1U);
}

} // namespace
} // namespace hlw
