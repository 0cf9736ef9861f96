// Downloads from a local HTTP server that injects failures by path.
#include "refdata/download.h"

#include "core/log.h"
#include "core/version_data.h"
#include "http_test_server.h"
#include "refdata/download_settings.h"
#include "refdata/sealed_file.h"
#include "seal_stream.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>

#include <chrono>
#include <memory>
#include <stop_token>
#include <thread>
#include <utility>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string oldContents = "the good file from the last download";

class Download : public ::testing::Test {
  protected:
    Download()
    {
        gf_startLog(dir / "Log.txt");
        fs::create_directories(www / major);
        fs::create_directories(dir / "input");
        writeWholeFile(www / "good.bin", goodBytes);
        writeWholeFile(www / major / "dbase.enc", sealer::sealText(gf_projectKey(), "<root/>"));
        writeWholeFile(target, oldContents);
        server = std::make_unique<test::HttpTestServer>(www);
        useBase("");
    }
    ~Download() override
    {
        server.reset();
        gf_setDownloadSettings({});
        gf_stopLog();
    }

    void useBase(const std::string& prefix, long lowSpeedSeconds = 2, bool plainHttp = true)
    {
        DownloadSettings settings;
        settings.baseAddress = server->url(prefix);
        settings.allowPlainHttp = plainHttp;
        settings.connectTimeoutSeconds = 5;
        settings.lowSpeedTimeSeconds = lowSpeedSeconds;
        gf_setDownloadSettings(settings);
    }
    std::string logText() const
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }
    void expectOldTargetKept() const
    {
        EXPECT_EQ(readWholeFile(target), oldContents);
        EXPECT_FALSE(fs::exists(target.string() + ".part"));
    }

    test::TempDir dir;
    fs::path www = dir / "www";
    fs::path target = dir / "input" / "dbase.enc";
    std::string major = fmt::format("{}", gf_programVersion().major);
    std::string goodBytes = std::string(50000, 'g') + "\r\n\x00\xff";
    std::unique_ptr<test::HttpTestServer> server;
};

TEST_F(Download, EveryFailureKeepsTheOldTargetAndLeavesNoPartFile)
{
    for (const char* path :
         {"404/good.bin", "missing.bin", "status/500/good.bin", "status/204/good.bin", "status/301/good.bin",
          "cut/good.bin", "redirect/redirect/redirect/redirect/redirect/redirect/good.bin"}) {
        EXPECT_FALSE(gf_download(server->url(path), target, true)) << path;
        expectOldTargetKept();
    }
    EXPECT_FALSE(gf_download(server->url("good.bin"), target, true, [](const fs::path&) { return false; }));
    expectOldTargetKept();
    useBase("", 2, false);
    EXPECT_FALSE(gf_download(server->url("good.bin"), target, true));
    expectOldTargetKept();
    const fs::path nowhere = dir / "no_folder" / "dbase.enc";
    EXPECT_FALSE(gf_download(server->url("good.bin"), nowhere, true));
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
    useBase("");
    // A target that cannot be replaced (a folder with content), and an address libcurl refuses.
    fs::create_directories(dir / "input" / "folder");
    writeWholeFile(dir / "input" / "folder" / "inside", "x");
    EXPECT_FALSE(gf_download(server->url("good.bin"), dir / "input" / "folder", true));
    EXPECT_TRUE(fs::exists(dir / "input" / "folder" / "inside") && !fs::exists(dir / "input" / "folder.part"));
    EXPECT_FALSE(gf_download(std::string(9'000'000, 'a'), target, true));
    // A file larger than the caller's bound is given up, whether the server announces its size or not.
    for (const char* path : {"good.bin", "nolength/good.bin"}) {
        EXPECT_FALSE(gf_download(server->url(path), target, true, {}, goodBytes.size() - 1)) << path;
        expectOldTargetKept();
        ASSERT_TRUE(gf_download(server->url(path), dir / "input" / "exact.bin", true, {}, goodBytes.size()));
        EXPECT_EQ(readWholeFile(dir / "input" / "exact.bin"), goodBytes);
    }

    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr("Download error: 'HTTP status 204' for " + server->url("status/204/good.bin")));
    EXPECT_THAT(log, HasSubstr("Download error: 'content check failed' for " + server->url("good.bin") + ", " +
                               target.string() + " kept"));
    EXPECT_THAT(log, HasSubstr(curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL)));
    EXPECT_THAT(log, HasSubstr("Could not replace " + (dir / "input" / "folder").string() + ": "));
    EXPECT_THAT(log, HasSubstr("Downloader exception: 'libcurl option 10002 refused: "));
    EXPECT_THAT(log, HasSubstr("Could not open output file: " + nowhere.string() + ".part"));
    EXPECT_THAT(log, HasSubstr(fmt::format("Download error: '{}' for {}", curl_easy_strerror(CURLE_FILESIZE_EXCEEDED),
                                           server->url("good.bin"))));
    EXPECT_THAT(log, HasSubstr(fmt::format("Download error: 'larger than {} bytes' for {}", goodBytes.size() - 1,
                                           server->url("nolength/good.bin"))));
}

// A stall ends by the low-speed time-out (2 s here); a stop, the user closing the program or the caller's stop ends
// it at once, and the caller's time limit ends a transfer that goes on too slowly.
TEST_F(Download, StalledOrStoppedTransfersEndEarly)
{
    for (const char* path : {"stall/60/good.bin", "stallbody/60/good.bin"}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(gf_download(server->url(path), target, true));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15)) << path;
        expectOldTargetKept();
    }
    EXPECT_THAT(logText(), HasSubstr(curl_easy_strerror(CURLE_OPERATION_TIMEDOUT)));
    useBase("", 60);
    for (const bool closing : {false, true}) {
        test::FakeRunState run;
        run.stop = !closing;
        run.closing = closing;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(gf_download(server->url("stall/60/good.bin"), target, true));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << closing;
        expectOldTargetKept();
    }
    // Ended on purpose: given up, not failed.
    EXPECT_THAT(logText(), HasSubstr("Download given up: " + server->url("stall/60/good.bin")));
    EXPECT_THAT(logText(), Not(HasSubstr(curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK))));
    // The caller's stop ends a stall as well, and the caller's time for the whole transfer ends one that goes on
    // too slowly (good.bin at 10 kB/s takes 5 s).
    std::stop_source stop;
    const std::jthread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        stop.request_stop();
    });
    const std::pair<const char*, TransferLimits> limited[] = {
        {"stall/60/good.bin", {std::chrono::seconds(0), stop.get_token()}},
        {"slow/10000/good.bin", {std::chrono::seconds(1), {}}}};
    for (const auto& [path, limits] : limited) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(gf_download(server->url(path), target, true, {}, maxDownloadBytes, DownloadedFile::kept, limits));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << path;
        expectOldTargetKept();
    }
    EXPECT_THAT(logText(),
                HasSubstr(fmt::format("Download error: '{}' for {}", curl_easy_strerror(CURLE_OPERATION_TIMEDOUT),
                                      server->url("slow/10000/good.bin"))));
}

// A scratch file is not forced to disk, but its writes are checked as a kept file's are: a disk that fills during
// the transfer fails both and keeps the old target; a complete transfer replaces it either way.
TEST_F(Download, ADiskThatFillsFailsAKeptOrAScratchFileAlike)
{
    for (const DownloadedFile kind : {DownloadedFile::kept, DownloadedFile::scratch}) {
        SCOPED_TRACE(static_cast<int>(kind));
        bool done = true;
        {
            const test::FileSizeLimit fullDisk(goodBytes.size() / 2);
            done = gf_download(server->url("good.bin"), target, true, {}, maxDownloadBytes, kind);
        }
        EXPECT_FALSE(done);
        expectOldTargetKept();
        const std::string failure = curl_easy_strerror(CURLE_WRITE_ERROR);
        EXPECT_THAT(logText(), HasSubstr(fmt::format("Download error: '{}' for {}", failure, server->url("good.bin"))));
        ASSERT_TRUE(gf_download(server->url("good.bin"), target, true, {}, maxDownloadBytes, kind));
        EXPECT_EQ(readWholeFile(target), goodBytes);
        writeWholeFile(target, oldContents);
    }
}

// Junk, or a sealed file cut behind a full chunk, passes a plain download but never replaces a data file.
TEST_F(Download, CompleteTransfersAndDataFilesFromTheMajorVersionFolderReplaceTheTarget)
{
    ASSERT_TRUE(gf_download(server->url("redirect/redirect/good.bin"), target, true));
    EXPECT_EQ(readWholeFile(target), goodBytes);
    EXPECT_FALSE(fs::exists(target.string() + ".part"));
    ASSERT_TRUE(gf_download(server->url("agent"), dir / "input" / "agent.txt", true));
    EXPECT_EQ(readWholeFile(dir / "input" / "agent.txt"), "HLMR");

    CURL* handle = curl_easy_init();
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(gf_download(handle, server->url("404/good.bin"), target, true));
    writeWholeFile(target, oldContents);
    EXPECT_TRUE(gf_download(handle, server->url("good.bin"), target, true));
    EXPECT_EQ(readWholeFile(target), goodBytes);
    curl_easy_cleanup(handle);
    EXPECT_FALSE(gf_download(nullptr, server->url("good.bin"), target, true));
    EXPECT_THAT(logText(), HasSubstr("Download error: 'no libcurl handle' for " + server->url("good.bin")));
    writeWholeFile(target, oldContents);
    ASSERT_TRUE(gf_downloadDataFile("dbase.enc", target));
    EXPECT_TRUE(gf_verifySealedFile(target));
    EXPECT_THAT(logText(),
                HasSubstr(fmt::format("Downloaded '{}' to '{}'", server->url(major + "/dbase.enc"), target.string())));
    writeWholeFile(target, oldContents);
    for (const char* prefix : {"junk/", "404/", "cut/"}) {
        useBase(prefix);
        EXPECT_FALSE(gf_downloadDataFile("dbase.enc", target));
        expectOldTargetKept();
        EXPECT_THAT(logText(), HasSubstr(fmt::format("==> Downloading '{}' failed !",
                                                     server->url(prefix + major + "/dbase.enc"))));
    }
    EXPECT_TRUE(gf_download(server->url("junk/good.bin"), dir / "input" / "junk.bin", true));
    useBase("");
    const std::string whole = sealer::sealText(gf_projectKey(), std::string(3 * 4096, 'x'));
    writeWholeFile(www / major / "dbase.enc", whole.substr(0, sealedHeaderBytes + sealedChunkBytes));
    EXPECT_FALSE(gf_downloadDataFile("dbase.enc", target));
    expectOldTargetKept();
}

// A link planted at the ".part" name (the data folder is open to other programs) takes no write elsewhere.
TEST_F(Download, ALinkAtThePartNameIsReplacedNotFollowed)
{
    const fs::path victim = dir / "victim.txt";
    writeWholeFile(victim, oldContents);
    fs::create_symlink(victim, target.string() + ".part");
    ASSERT_TRUE(gf_download(server->url("good.bin"), target, true));
    EXPECT_EQ(readWholeFile(victim), oldContents);
    EXPECT_EQ(readWholeFile(target), goodBytes);
    EXPECT_FALSE(fs::exists(fs::symlink_status(target.string() + ".part")));
}

} // namespace
} // namespace hlw
