// The program's files: safe whole-file writes of text and XML, text files of any encoding, whole files with a
// cap, the files of one folder, the per-user folders and the shell actions on them.
#include "core/atomic_file.h"
#include "core/folder_files.h"
#include "core/known_folders.h"
#include "core/message_line.h"
#include "core/shell_actions.h"
#include "core/text_encoding.h"
#include "core/text_file_reader.h"
#include "core/text_file_writer.h"
#include "core/whole_file.h"
#include "core/xml_save.h"
#include "platform/os/file_browser.h"
#include "platform/os/user_folders.h"
#include "support/allocation_counter.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

#include <list>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// The system calls of a safe write after its temporary file exists, made to fail on request: this executable
// is linked with --wrap for each of them.
enum class FailingCall { none, fsync, close, rename };
FailingCall failingCall = FailingCall::none;

// True, with errno set to code, when the call is to fail.
bool lf_fails(FailingCall call, int code)
{
    errno = code;
    return failingCall == call;
}

extern "C" {
int __real_fsync(int descriptor);
int __real_close(int descriptor);
int __real_rename(const char* from, const char* to);
int __wrap_fsync(int descriptor)
{
    return lf_fails(FailingCall::fsync, EIO) ? -1 : __real_fsync(descriptor);
}
int __wrap_close(int descriptor)
{
    return __real_close(descriptor) == 0 && lf_fails(FailingCall::close, EIO) ? -1 : 0;
}
int __wrap_rename(const char* from, const char* to)
{
    return lf_fails(FailingCall::rename, EXDEV) ? -1 : __real_rename(from, to);
}
}

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::readWholeFile;
using test::writeWholeFile;
using Lines = std::vector<std::string>;

// Every entry below the folder with its contents (files) or kind.
std::map<std::string, std::string> lf_snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        entries[entry.path()] = entry.is_regular_file() ? readWholeFile(entry.path()) : entry.is_fifo() ? "|" : "/";
    }
    return entries;
}

class Files : public ::testing::Test {
  protected:
    void TearDown() override { gf_clearError(); }
    fs::path file(const std::string& bytes)
    {
        const fs::path path = dir / ("f" + std::to_string(++files) + ".txt");
        writeWholeFile(path, bytes);
        return path;
    }

    test::LogCapture log;
    const fs::path dir = log.folder();
    int files = 0;
};

// Lines end in one line feed; XML gets its declaration and two blanks of indentation, as UTF-8 without a mark.
// A replaced file keeps its permissions, and a link to it stays a link.
TEST_F(Files, WrittenTextAndXml)
{
    ASSERT_TRUE(gf_writeText("one line", dir / "a") && gf_writeLine(Lines{"x", "", "\xC3\xBC"}, dir / "b"));
    ASSERT_TRUE(gf_writeLine(std::list<std::string>{"l1", "l2"}, dir / "c") && gf_writeLine(Lines{}, dir / "d"));
    EXPECT_EQ(readWholeFile(dir / "a") + readWholeFile(dir / "b") + readWholeFile(dir / "c") + readWholeFile(dir / "d"),
              "one line\nx\n\n\xC3\xBC\nl1\nl2\n");
    const std::string body = "<r>\n  <p>\n    <A>Z\xC3\xBCrich &amp;</A>\n  </p>\n</r>\n";
    pugi::xml_document document;
    document.load_string(("<?xml version=\"1.1\" standalone=\"yes\"?>" + body).c_str(),
                         pugi::parse_default | pugi::parse_declaration);
    ASSERT_TRUE(gf_saveXml(document, dir / "p.xml"));
    EXPECT_EQ(readWholeFile(dir / "p.xml"), "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?>\n" + body);
    document.remove_child(document.first_child());
    ASSERT_TRUE(gf_saveXml(document, dir / "q.xml"));
    EXPECT_EQ(readWholeFile(dir / "q.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body);
    // A printout beyond the limit (a runaway document) is refused before anything is written.
    EXPECT_TRUE(gf_saveXml(document, dir / "q.xml", body.size() + 39));
    EXPECT_FALSE(gf_saveXml(document, dir / "q.xml", body.size() + 38));

    fs::permissions(dir / "a", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("a", dir / "link");
    ASSERT_TRUE(gf_writeText("new", dir / "link"));
    EXPECT_TRUE(fs::is_symlink(dir / "link") && readWholeFile(dir / "a") == "new\n");
    EXPECT_EQ(fs::status(dir / "a").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A writer of many files replaces each whole without syncing it and syncs the file system once at the end.
TEST_F(Files, ReplacementsSyncedLaterAreWholeAndOneSyncCoversThem)
{
    ASSERT_TRUE(gf_replaceFileContents(dir / "later.txt", "first", Durability::later));
    pugi::xml_document document;
    document.append_child("r");
    ASSERT_TRUE(gf_saveXml(document, dir / "later.xml", maxXmlFileBytes, Durability::later));
    ASSERT_TRUE(gf_replaceFileContents(dir / "later.txt", "second", Durability::later));
    EXPECT_EQ(readWholeFile(dir / "later.txt"), "second");
    EXPECT_EQ(readWholeFile(dir / "later.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r />\n");
    EXPECT_TRUE(gf_syncFileSystem(dir));
    EXPECT_FALSE(gf_replaceFileContents(dir / "missing" / "later.txt", "x", Durability::later));
    EXPECT_FALSE(gf_syncFileSystem(dir / "missing"));
    EXPECT_NE(log.text().find("==> Failed to sync " + (dir / "missing").string() + " ("), std::string::npos);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) {
        ++entries;
    }
    EXPECT_EQ(entries, 3U); // the log and the two files, no temporary file left
}

// Whatever fails, for every writer, the folder stays as it was (the old file byte for byte, no temporary file)
// and the failure is logged: a folder, a pipe or a path under a file in the way, a full disk, a failing fsync,
// close or rename.
TEST_F(Files, FailedWritesLeaveEverythingAsItWas)
{
    const std::string big(20000, 'n');
    const std::pair<const char*, std::function<bool(const fs::path&)>> writers[] = {
        {"text", [&](const fs::path& path) { return gf_writeText(big, path); }},
        {"vector", [&](const fs::path& path) { return gf_writeLine(Lines{big}, path); }},
        {"list", [&](const fs::path& path) { return gf_writeLine(std::list<std::string>{big}, path); }},
        {"xml", [&](const fs::path& path) {
             pugi::xml_document document;
             document.append_child("n").text().set(big.c_str());
             return gf_saveXml(document, path);
         }}};
    const std::pair<const char*, FailingCall> ways[] = {{"folder", FailingCall::none},  {"pipe", FailingCall::none},
                                                        {"under", FailingCall::none},   {"full", FailingCall::none},
                                                        {"fsync", FailingCall::fsync},  {"close", FailingCall::close},
                                                        {"rename", FailingCall::rename}};
    for (const auto& [name, write] : writers) {
        for (const auto& [way, call] : ways) {
            const fs::path folder = dir / (std::string(name) + "-" + way);
            fs::create_directories(folder / "target");
            writeWholeFile(folder / "target/old", "old\r\n\0\xff"s);
            ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
            const std::string_view kind = way;
            const fs::path target = kind == "folder"  ? folder / "target"
                                    : kind == "pipe"  ? folder / "pipe"
                                    : kind == "under" ? folder / "target/old/file"
                                                      : folder / "target/old";
            const auto before = lf_snapshot(folder);
            std::optional<test::FileSizeLimit> fullDisk;
            if (kind == "full") {
                fullDisk.emplace(4096);
            }
            failingCall = call;
            EXPECT_FALSE(write(target)) << name << " " << way;
            failingCall = FailingCall::none;
            fullDisk.reset();
            EXPECT_EQ(lf_snapshot(folder), before) << name << " " << way;
            EXPECT_EQ(log.count("==> Failed to write " + target.string()), 1U) << name << " " << way;
        }
    }
}

TEST_F(Files, ManyWritersOfOneFileEachLeaveAWholeFile)
{
    std::vector<std::thread> threads;
    for (char letter : {'a', 'b', 'c', 'd'}) {
        threads.emplace_back([this, letter] {
            for (int i = 0; i < 20; ++i) {
                EXPECT_TRUE(gf_writeText(std::string(10000, letter), dir / "shared.txt"));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const std::string result = readWholeFile(dir / "shared.txt");
    EXPECT_EQ(result, std::string(10000, result[0]) + "\n") << "one writer's text, not a mixture";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2) << "Log.txt and shared.txt";
}

// Temporary files of a writer killed inside a replacement go once it has ended; a running writer's files and
// every other name stay.
TEST_F(Files, TemporaryFilesOfEndedWritersAreRemoved)
{
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    waitpid(ended, nullptr, 0);
    const std::pair<std::string, bool> rows[] = {
        {fmt::format("p.xml.{}.0.tmp", ended), false},    {fmt::format("L.xml.{}.17.tmp", ended), false},
        {fmt::format("p.xml.{}.3.tmp", getpid()), true},  {fmt::format(".{}.0.tmp", ended), true},
        {fmt::format("p.xml.{}.x.tmp", ended), true},     {fmt::format("p.xml.{}.-1.tmp", ended), true},
        {fmt::format("p.xml.{}.0.tmp.txt", ended), true}, {fmt::format("p.{}.tmp", ended), true}};
    for (const auto& [name, kept] : rows) {
        writeWholeFile(dir / name, "x");
    }
    fs::create_directory(dir / fmt::format("folder.{}.1.tmp", ended));
    gf_removeOrphanTemporaryFiles(dir);
    gf_removeOrphanTemporaryFiles(dir / "missing");
    for (const auto& [name, kept] : rows) {
        EXPECT_EQ(fs::exists(dir / name), kept) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir / fmt::format("folder.{}.1.tmp", ended)));
    EXPECT_EQ(log.count("2 temporary files of ended runs removed from " + dir.string()), 1U);
}

// Byte order marks and zero bytes in the first four bytes, else a strict UTF-8 check of the first 4096 bytes;
// a character cut by the end of those still counts as UTF-8 when the file goes on.
TEST_F(Files, EncodingDetection)
{
    using E = TextEncoding;
    // clang-format off
    const std::pair<std::string, E> rows[] = {
        {"", E::utf8WithoutBom}, {"Z\xC3\xBC \xF0\x9F\x9B\xAB", E::utf8WithoutBom}, {"\xED\xA0\x80", E::utf8WithoutBom},
        {"\xEF\xBB\xBF", E::utf8WithBom}, {"\xFF\xFE\101\0"s, E::unicode}, {"\xFE\xFF\0A"s, E::unicodeBigEndian},
        {"A\0B"s, E::unicode}, {"\0A\0B"s, E::unicodeBigEndian}, {"Z\xFCrich", E::ansi}, {"\xC0\xAF", E::ansi},
        {"\xE0\x80\xAF", E::ansi}, {"\xF4\x90\x80\x80", E::ansi}, {"ab\xF5\x80\x80\x80", E::ansi}, {"ab\x80", E::ansi},
        {"\xC3(", E::ansi}, {"abc\xC3", E::ansi}, {std::string(4096, 'a') + "\xFC", E::utf8WithoutBom},
        {std::string(4095, 'a') + "\xFC", E::ansi}, {std::string(4094, 'a') + "\xE0\x80\x80z", E::ansi}};
    // clang-format on
    for (const auto& [bytes, encoding] : rows) {
        EXPECT_EQ(gf_detectTextEncoding(file(bytes)), encoding) << testing::PrintToString(bytes.substr(0, 20));
    }
    for (const std::string character : {"\xC3\xBC", "\xE2\x82\xAC", "\xF0\x9F\x9B\xAB"}) {
        for (std::size_t inside = 1; inside < character.size(); ++inside) {
            const std::string bytes = std::string(4096 - inside, 'a') + character + "tail";
            EXPECT_EQ(gf_detectTextEncoding(file(bytes)), E::utf8WithoutBom) << character << inside;
        }
    }
    EXPECT_EQ(gf_detectTextEncodingOfSample("ab\xF0\x9F", false), E::ansi);
    EXPECT_EQ(gf_detectTextEncodingOfSample("ab\xF4\x90", true), E::ansi);
    EXPECT_EQ(gf_detectTextEncoding(dir / "missing.txt"), E::noneFound);
    EXPECT_EQ(gf_detectTextEncoding(dir), E::noneFound);
    EXPECT_EQ(std::string(gf_textEncodingName(E::unicodeBigEndian)) + "|" + std::string(gf_textEncodingName(E{9})),
              "Unicode_big_endian|none_found");
}

// Lines come without their ends (one carriage return before a line feed goes too), converted to UTF-8; UTF-16
// needs its mark and an even length. An ANSI file whose first accent lies beyond the detection's sample is read
// as ANSI. One read gives what detection and reading give.
TEST_F(Files, TextFilesReadAsUtf8Lines)
{
    const std::string longAnsi(encodingSampleSize + 10, 'a');
    using E = TextEncoding;
    // clang-format off
    const std::tuple<std::string, Lines, E> rows[] = {
        {"", {}, E::utf8WithoutBom}, {"\xEF\xBB\xBF", {}, E::utf8WithBom}, {"\n", {""}, E::utf8WithoutBom},
        {"A\r\n\r\nB\n", {"A", "", "B"}, E::utf8WithoutBom}, {"a\n\nb\r\r\n", {"a", "", "b\r"}, E::utf8WithoutBom},
        {"\xEF\xBB\xBFt=\xC3\xBC\r\nx", {"t=\xC3\xBC", "x"}, E::utf8WithBom},
        {"t=Z\xFC \x80\r\nA\xE9ro\n", {"t=Z\xC3\xBC \xE2\x82\xAC", "A\xC3\xA9ro"}, E::ansi},
        {longAnsi + "\r\nA\xE9ro \xC3(\n", {longAnsi, "A\xC3\xA9ro \xC3\x83("}, E::ansi},
        {"\xFF\xFE\101\0\r\0\n\0\xFC\0\xAC\x20\n\0"s, {"A", "\xC3\xBC\xE2\x82\xAC"}, E::unicode},
        {"\xFE\xFF\0A\0\n\xD8\x3D\xDE\xEB"s, {"A", "\xF0\x9F\x9B\xAB"}, E::unicodeBigEndian},
        {"A\0B\0"s, {}, E::unicode}, {"\xFF\xFE\101\0B"s, {}, E::unicode}};
    // clang-format on
    for (const auto& [bytes, expected, encoding] : rows) {
        const fs::path path = file(bytes);
        Lines lines{"stale"};
        EXPECT_TRUE(gf_readTextFile(gf_detectTextEncoding(path), path, lines));
        EXPECT_EQ(lines, expected) << path;
        lines = {"stale"};
        const TextFileRead read = gf_readTextFileOnce(path, 1U << 20U, lines);
        EXPECT_TRUE(read.ok && read.encoding == encoding && lines == expected) << path;
    }
}

// A file above the cap is refused by its size before anything of it is read: a large sparse file allocates nothing
// worth counting.
TEST_F(Files, TextFilesAboveTheCapAreNotRead)
{
    const fs::path four = file("ab\r\n");
    Lines lines{"stale"};
    const TextFileRead whole = gf_readTextFileOnce(four, 4, lines);
    EXPECT_TRUE(whole.ok && !whole.tooLarge && lines == Lines{"ab"});
    const TextFileRead refused = gf_readTextFileOnce(four, 3, lines);
    EXPECT_TRUE(!refused.ok && refused.tooLarge && refused.encoding == TextEncoding::noneFound && lines.empty());

    const fs::path sparse = dir / "sparse.cfg";
    writeWholeFile(sparse, "[fltsim.0]\r\n");
    ASSERT_EQ(::truncate(sparse.c_str(), 64 << 20), 0);
    const test::AllocationWindow window;
    const TextFileRead large = gf_readTextFileOnce(sparse, 16U << 20U, lines);
    EXPECT_LT(window.counted().bytes, 64U << 10U);
    EXPECT_TRUE(!large.ok && large.tooLarge && lines.empty());
    EXPECT_EQ(log.count("Read failed"), 0U);
}

// A failed read is logged as an alert even while an error hides new messages, then shown on the message line.
TEST_F(Files, FailedReadsAreLoggedAndShown)
{
    gf_showError("earlier error");
    const fs::path bad16 = file("\xFF\xFE\x00\xD8"s);
    Lines lines{"stale"};
    EXPECT_FALSE(gf_readTextFile(TextEncoding::unicode, bad16, lines) || !lines.empty());
    EXPECT_FALSE(gf_readTextFile(TextEncoding::noneFound, dir / "missing", lines));
    const TextFileRead once = gf_readTextFileOnce(bad16, 1U << 20U, lines);
    EXPECT_TRUE(!once.ok && once.encoding == TextEncoding::unicode);
    EXPECT_EQ(gf_readTextFileOnce(dir, 1U << 20U, lines).encoding, TextEncoding::noneFound);
    EXPECT_EQ(log.count("==> Read failed for '" + bad16.string() + "': wide_to_utf8: invalid UTF-16\n"), 2U);
    EXPECT_EQ(log.count(fmt::format("==> Read failed for '{0}': file {0} has unknown charset: none_found",
                                    (dir / "missing").string())),
              1U);
    gf_clearError();
    EXPECT_FALSE(gf_readTextFile(TextEncoding::utf8WithoutBom, dir / "missing", lines));
    EXPECT_EQ(gf_messageLineTexts().message, "Read failed for '" + (dir / "missing").string() + "': cannot be opened");
}

// Streams are read from their start and appended; a list file is read again and again into its own buffer.
TEST_F(Files, StreamsListFilesAndWholeFiles)
{
    Lines lines{"kept"};
    std::istringstream empty("");
    std::istringstream failed("x\ny");
    failed.setstate(std::ios::failbit);
    std::istringstream text("x\r\ny");
    text.ignore(1);
    for (std::istream* stream : std::initializer_list<std::istream*>{&empty, &failed, &text}) {
        gf_readLines(*stream, lines);
    }
    EXPECT_EQ(lines, (Lines{"kept", "x", "y"}));
    EXPECT_TRUE(empty.good() && empty.tellg() == 0);

    LineFile list{dir / "list.txt", {}};
    EXPECT_EQ(gf_readFile(list, 32).error, "open_failed");
    for (const auto& [bytes, expected] :
         {std::pair<std::string, Lines>{"EHAM\r\nEGLL\n", {"EHAM", "EGLL"}}, {"LOWW", {"LOWW"}}}) {
        writeWholeFile(list.path, bytes);
        const LineFileRead read = gf_readFile(list, 32);
        EXPECT_TRUE(read.ok() && Lines(read.lines.begin(), read.lines.end()) == expected) << bytes;
    }
    writeWholeFile(dir / "four", "ab\0d"s);
    const WholeFile four = gf_readWholeFile(dir / "four", 4);
    const WholeFile tooLarge = gf_readWholeFile(dir / "four", 3);
    EXPECT_TRUE(four.status == WholeFileStatus::ok && four.bytes == "ab\0d"s);
    EXPECT_TRUE(tooLarge.status == WholeFileStatus::tooLarge && tooLarge.bytes.empty());
    EXPECT_EQ(gf_readWholeFile(dir / "missing", 10).status, WholeFileStatus::cannotOpen);
    EXPECT_EQ(gf_readWholeFile(dir, 10).status, WholeFileStatus::cannotOpen);
    EXPECT_EQ(gf_wholeFileProblem(WholeFileStatus::tooLarge, 3), "is larger than 3 bytes");
}

// Only regular files directly inside count. Airport files are "<code>.xml" in any case; a bad code or a second
// file of one airport is logged and skipped. Removing files leaves sub-folders.
TEST_F(Files, FilesOfOneFolder)
{
    fs::create_directories(dir / "tblo/sub.xml");
    for (const char* name : {"EHAM.xml", "LOWW.XML", "egll.Xml", "EHAM1.xml", "EHA.xml", "EH-M.xml", "eham.XML",
                             "notes.txt", "KJFK.xml.bak", "sub.xml/LFPG.xml"}) {
        writeWholeFile(dir / "tblo" / name, "<x/>");
    }
    fs::create_symlink("sub.xml", dir / "tblo/link");
    EXPECT_EQ(gf_countFilesInDirectory(dir / "tblo"), 9U);
    EXPECT_EQ(gf_countFilesInDirectory(dir / "missing"), 0U);
    EXPECT_THROW(gf_countFilesInDirectory(dir / "tblo/notes.txt"), fs::filesystem_error);
    std::vector<FixedCode<4>> codes = gf_xmlFilesInDirectory(dir / "tblo");
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<FixedCode<4>>{FixedCode<4>("EGLL"), FixedCode<4>("EHAM"), FixedCode<4>("LOWW")}));
    EXPECT_TRUE(gf_xmlFilesInDirectory(dir / "missing").empty() && gf_xmlFilesInDirectory(dir / "Log.txt").empty());
    EXPECT_EQ(log.count("Skipped " + (dir / "tblo/EH-M.xml").string() + ": no airport code"), 1U);
    EXPECT_EQ(log.count(": airport EHAM is listed already"), 1U);
    const test::ScopedCurrentPath here(dir);
    gf_removeXMLFilesFromDirectory();
    EXPECT_EQ(gf_countFilesInDirectory("tblo"), 2U);
    EXPECT_TRUE(fs::exists("tblo/notes.txt"));
    for (const char* folder : {"tblo", "missing", "Log.txt"}) {
        gf_removeFilesFromDirectory(folder);
    }
    EXPECT_TRUE(gf_countFilesInDirectory("tblo") == 0 && fs::exists("tblo/sub.xml/LFPG.xml") && fs::exists("Log.txt"));
}

// The per-user folders come from the os layer; a missing one is an alert and an empty path.
TEST_F(Files, PerUserFolders)
{
    test::ScopedEnvironment roaming(os::roamingFolderVariable, (dir / "roaming").c_str());
    test::ScopedEnvironment local(os::localFolderVariable, (dir / "local").c_str());
    EXPECT_TRUE(gf_roamingAppDataPath() == dir / "roaming" && gf_localAppDataPath() == dir / "local");
    test::ScopedEnvironment noRoaming(os::roamingFolderVariable, "");
    test::ScopedEnvironment noLocal(os::localFolderVariable, "");
    EXPECT_TRUE(gf_roamingAppDataPath().empty() && gf_localAppDataPath().empty());
    EXPECT_EQ(log.count("==> Could not find the AppData path\n==> Could not find the Local AppData path\n"), 1U);
}

// The file browser shows the folder that holds a file (recorded here instead of opened); what cannot be shown
// warns the user.
TEST_F(Files, ShellOpensTheFolderOfAFile)
{
    const test::ScopedEnvironment record(os::fileBrowserRecordVariable, (dir / "opened.txt").c_str());
    const test::ScopedCurrentPath here(dir);
    writeWholeFile(dir / "parameters.xml", "<parameters/>");
    fs::create_directory(dir / "docs");
    for (const fs::path& path : {dir / "parameters.xml", dir / "docs", dir / "docs" / "", fs::path("parameters.xml")}) {
        EXPECT_TRUE(gf_shellOpen(path)) << path;
    }
    EXPECT_TRUE(gf_openParametersFolder(dir / "parameters.xml"));
    for (const fs::path& path : {dir / "missing.xml", fs::path(), fs::path("/")}) {
        EXPECT_FALSE(gf_shellOpen(path)) << path;
    }
    EXPECT_EQ(readWholeFile(dir / "opened.txt"), fmt::format("{0}\n{0}\n{0}\n{0}\n{0}\n", dir.string()));
    EXPECT_FALSE(gf_openParametersFolder(dir / "missing" / "parameters.xml"));
    EXPECT_EQ(gf_messageLineTexts().message, "Could not open folder with parameters.xml");
    EXPECT_FALSE(gf_openManual());
    EXPECT_EQ(log.count("==> Could not open local folder with Manual"), 1U);
}

// The installer needs administrator rights only for a protected folder that a process without them cannot write.
// The probe file replaces a link planted at its name instead of writing through it.
TEST_F(Files, NewVersionWording)
{
    EXPECT_EQ(gf_newVersionWording(true, false, false), newVersionRunAsAdministrator);
    EXPECT_TRUE(gf_newVersionWording(true, false, true) == newVersionRunNormally &&
                gf_newVersionWording(true, true, false) == newVersionRunNormally &&
                gf_newVersionWording(false, false, false) == newVersionRunNormally);
    EXPECT_TRUE(gf_isProtectedInstallFolder("/usr/local/hlmr") && gf_isProtectedInstallFolder("/opt/hlmr"));
    EXPECT_FALSE(gf_isProtectedInstallFolder("/usrlocal/hlmr") || gf_isProtectedInstallFolder(dir));
    writeWholeFile(dir / "precious.txt", "keep me");
    fs::create_symlink(dir / "precious.txt", dir / ".write_test.tmp");
    EXPECT_TRUE(gf_folderIsWritable(dir) && readWholeFile(dir / "precious.txt") == "keep me");
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / ".write_test.tmp")) || gf_folderIsWritable(dir / "missing"));
    EXPECT_EQ(gf_newVersionMessage(dir), newVersionRunNormally);
    // A user without administrator rights (a child process that gave them up) is told to get them.
    const pid_t child = fork();
    if (child == 0) {
        _exit(geteuid() == 0 && setuid(65534) != 0 ? 2
                                                   : gf_newVersionMessage("/usr/hlmr") == newVersionRunAsAdministrator);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

} // namespace
} // namespace hlw
