#include "core/xml_save.h"

#include "core/atomic_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <sys/wait.h>
#include <unistd.h>

// The system calls of a safe write after its temporary file exists, made to fail on request: this executable
// is linked with --wrap for each of them.
enum class FailingCall { none, fsync, close, rename };
FailingCall failingCall = FailingCall::none;

extern "C" {
int __real_fsync(int descriptor);
int __real_close(int descriptor);
int __real_rename(const char* from, const char* to);

int __wrap_fsync(int descriptor)
{
    if (failingCall == FailingCall::fsync) {
        errno = EIO;
        return -1;
    }
    return __real_fsync(descriptor);
}

int __wrap_close(int descriptor)
{
    const int result = __real_close(descriptor);
    if (failingCall == FailingCall::close) {
        errno = EIO;
        return -1;
    }
    return result;
}

int __wrap_rename(const char* from, const char* to)
{
    if (failingCall == FailingCall::rename) {
        errno = EXDEV;
        return -1;
    }
    return __real_rename(from, to);
}
}

namespace hlw {
namespace {

using test::readWholeFile;
using test::writeWholeFile;

pugi::xml_document parsed(const char* text)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text, pugi::parse_default | pugi::parse_declaration));
    return document;
}

int entriesIn(const std::filesystem::path& folder)
{
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++entries;
    }
    return entries;
}

TEST(XmlSaveTest, DocumentWithoutDeclarationGetsOneAndTwoBlankIndentation)
{
    test::TempDir dir;
    const auto document = parsed("<root><parameters><A>1</A></parameters></root>");
    ASSERT_TRUE(gf_saveXml(document, dir / "p.xml"));
    EXPECT_EQ(readWholeFile(dir / "p.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                            "<root>\n"
                                            "  <parameters>\n"
                                            "    <A>1</A>\n"
                                            "  </parameters>\n"
                                            "</root>\n");
    EXPECT_FALSE(document.first_child().type() == pugi::node_declaration) << "the document itself is unchanged";
}

TEST(XmlSaveTest, ExistingDeclarationIsCorrectedAndStaysSingle)
{
    test::TempDir dir;
    const auto document = parsed("<?xml version=\"1.1\" standalone=\"yes\"?><a/>");
    ASSERT_TRUE(gf_saveXml(document, dir / "p.xml"));
    EXPECT_EQ(readWholeFile(dir / "p.xml"), "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?>\n<a />\n");
}

TEST(XmlSaveTest, NonAsciiTextIsWrittenAsUtf8WithoutByteOrderMark)
{
    test::TempDir dir;
    pugi::xml_document document;
    document.append_child("t").text().set("Zürich & \xe2\x82\xac");
    ASSERT_TRUE(gf_saveXml(document, dir / "t.xml"));
    EXPECT_EQ(readWholeFile(dir / "t.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<t>Zürich &amp; \xe2\x82\xac</t>\n");
}

TEST(XmlSaveTest, FailedSaveKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    test::TempDir dir;
    const auto document = parsed("<a/>");
    std::filesystem::create_directory(dir / "folder.xml");
    EXPECT_FALSE(gf_saveXml(document, dir / "folder.xml"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.xml"));

    writeWholeFile(dir / "plain", "old");
    EXPECT_FALSE(gf_saveXml(document, dir / "plain" / "p.xml"));
    EXPECT_EQ(readWholeFile(dir / "plain"), "old");

    EXPECT_EQ(entriesIn(dir.path()), 2);
}

// Whichever step fails once the temporary file exists, the old file stays whole and no temporary file is left.
TEST(XmlSaveTest, FailureOfAnyStepAfterTheTemporaryFileKeepsTheOldFile)
{
    pugi::xml_document document;
    document.append_child("big").text().set(std::string(20000, 'x').c_str());
    const struct {
        const char* step;
        FailingCall call;
    } rows[] = {{"write", FailingCall::none},
                {"fsync", FailingCall::fsync},
                {"close", FailingCall::close},
                {"rename", FailingCall::rename}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        test::TempDir dir;
        writeWholeFile(dir / "p.xml", "old");
        {
            std::optional<test::FileSizeLimit> fullDisk;
            if (row.call == FailingCall::none) {
                fullDisk.emplace(4096);
            }
            failingCall = row.call;
            const bool saved = gf_saveXml(document, dir / "p.xml");
            failingCall = FailingCall::none;
            EXPECT_FALSE(saved);
        }
        EXPECT_EQ(readWholeFile(dir / "p.xml"), "old");
        EXPECT_EQ(entriesIn(dir.path()), 1);
    }
}

// A printout beyond the limit (a runaway document) is refused before anything is written.
TEST(XmlSaveTest, PrintoutLongerThanTheLimitKeepsTheOldFile)
{
    test::TempDir dir;
    const auto document = parsed("<a><b>text</b></a>");
    ASSERT_TRUE(gf_saveXml(document, dir / "p.xml"));
    const std::string printed = readWholeFile(dir / "p.xml");
    EXPECT_TRUE(gf_saveXml(document, dir / "p.xml", printed.size()));
    writeWholeFile(dir / "p.xml", "old");
    EXPECT_FALSE(gf_saveXml(document, dir / "p.xml", printed.size() - 1));
    EXPECT_EQ(readWholeFile(dir / "p.xml"), "old");
    EXPECT_EQ(entriesIn(dir.path()), 1);
}

// The id of a process that has ended (and been reaped).
long endedProcessId()
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

// Temporary files of a writer killed inside a replacement go once it has ended; a running writer's files and
// every other name stay.
TEST(XmlSaveTest, TemporaryFilesOfEndedWritersAreRemoved)
{
    test::TempDir dir;
    const long ended = endedProcessId();
    ASSERT_GT(ended, 0);
    const struct {
        std::string name;
        bool kept;
    } rows[] = {
        {fmt::format("parameters.xml.{}.0.tmp", ended), false},
        {fmt::format("LiveriesScanned.xml.{}.17.tmp", ended), false},
        {fmt::format("parameters.xml.{}.3.tmp", ::getpid()), true},
        {fmt::format(".{}.0.tmp", ended), true},
        {fmt::format("parameters.xml.{}.x.tmp", ended), true},
        {fmt::format("parameters.xml.{}.-1.tmp", ended), true},
        {fmt::format("parameters.xml.{}.0.tmp.txt", ended), true},
        {fmt::format("parameters.{}.tmp", ended), true},
        {"parameters.xml", true},
    };
    for (const auto& row : rows) {
        writeWholeFile(dir / row.name, "x");
    }
    std::filesystem::create_directory(dir / fmt::format("folder.{}.1.tmp", ended));
    gf_removeOrphanTemporaryFiles(dir.path());
    for (const auto& row : rows) {
        EXPECT_EQ(std::filesystem::exists(dir / row.name), row.kept) << row.name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / fmt::format("folder.{}.1.tmp", ended)));
    gf_removeOrphanTemporaryFiles(dir / "missing");
}

} // namespace
} // namespace hlw
