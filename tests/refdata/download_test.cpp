#include "refdata/download.h"

#include "core/log.h"
#include "core/version_data.h"
#include "http_test_server.h"
#include "refdata/download_settings.h"
#include "refdata/sealed_file.h"
#include "seal_stream.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fmt/format.h>
#include <memory>
#include <string>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;

const std::string oldContents = "the good file from the last download";

std::string patternBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 13 + 7) & 0xff);
    }
    return bytes;
}

std::string sealed(const std::string& plain)
{
    return sealer::sealText(gf_projectKey(), plain);
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_startLog(dir / "Log.txt");
        fs::create_directories(www / majorFolder);
        fs::create_directories(input);
        writeWholeFile(www / "good.bin", goodBytes);
        writeWholeFile(www / majorFolder / "dbase.enc", sealed("<root/>"));
        writeWholeFile(target, oldContents);
        server = std::make_unique<test::HttpTestServer>(www);
        useBase("");
    }
    void TearDown() override
    {
        server.reset();
        gf_setDownloadSettings({});
        gf_stopLog();
    }

    void useBase(const std::string& prefix, long lowSpeedSeconds = 2)
    {
        DownloadSettings settings;
        settings.baseAddress = server->url(prefix);
        settings.allowPlainHttp = true;
        settings.connectTimeoutSeconds = 5;
        settings.lowSpeedTimeSeconds = lowSpeedSeconds;
        gf_setDownloadSettings(settings);
    }
    std::string logText()
    {
        gf_logFlushNow();
        return readWholeFile(dir / "Log.txt");
    }
    void expectOldTargetKept()
    {
        EXPECT_EQ(readWholeFile(target), oldContents);
        EXPECT_FALSE(fs::exists(fs::path(target.string() + ".part")));
    }

    test::TempDir dir;
    fs::path www = dir / "www";
    fs::path input = dir / "input";
    fs::path target = input / "dbase.enc";
    std::string majorFolder = fmt::format("{}", gf_programVersion().major);
    std::string goodBytes = patternBytes(50000);
    std::unique_ptr<test::HttpTestServer> server;
};

TEST_F(DownloadTest, CompleteTransferReplacesTheTarget)
{
    ASSERT_TRUE(gf_download(server->url("good.bin"), target, true));
    EXPECT_EQ(readWholeFile(target), goodBytes);
    EXPECT_FALSE(fs::exists(fs::path(target.string() + ".part")));
}

TEST_F(DownloadTest, RedirectsAreFollowedToTheRealFile)
{
    ASSERT_TRUE(gf_download(server->url("redirect/redirect/good.bin"), target, true));
    EXPECT_EQ(readWholeFile(target), goodBytes);
}

TEST_F(DownloadTest, TextModeDownloadsToo)
{
    writeWholeFile(www / "versions.json", "{\"major\": 12}\n");
    ASSERT_TRUE(gf_download(server->url("versions.json"), input / "versions.json", false));
    EXPECT_EQ(readWholeFile(input / "versions.json"), "{\"major\": 12}\n");
}

TEST_F(DownloadTest, SendsTheProgramsUserAgent)
{
    ASSERT_TRUE(gf_download(server->url("agent"), input / "agent.txt", true));
    EXPECT_EQ(readWholeFile(input / "agent.txt"), "HLMR");
}

// Every failed transfer keeps the old file whole and leaves no ".part" file behind.
TEST_F(DownloadTest, EveryFailureKeepsTheOldTarget)
{
    const char* const failures[] = {
        "404/good.bin",
        "missing.bin",
        "status/500/good.bin",
        "status/204/good.bin",
        "status/301/good.bin",
        "cut/good.bin",
        "redirect/redirect/redirect/redirect/redirect/redirect/good.bin",
    };
    for (const char* path : failures) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(gf_download(server->url(path), target, true));
        expectOldTargetKept();
    }
    const std::string log = logText();
    EXPECT_NE(log.find("Download error: 'HTTP status 204' for " + server->url("status/204/good.bin")),
              std::string::npos);
    EXPECT_NE(log.find("Download error: '" + std::string(curl_easy_strerror(CURLE_HTTP_RETURNED_ERROR)) +
                       "' for " + server->url("404/good.bin")),
              std::string::npos);
}

// A stalled server ends by the low-speed time-out (2 s here), before or after the first bytes.
TEST_F(DownloadTest, StalledServerEndsByTheTimeOut)
{
    for (const char* path : {"stall/60/good.bin", "stallbody/60/good.bin"}) {
        SCOPED_TRACE(path);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(gf_download(server->url(path), target, true));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
        expectOldTargetKept();
    }
    EXPECT_NE(logText().find(curl_easy_strerror(CURLE_OPERATION_TIMEDOUT)), std::string::npos);
}

TEST_F(DownloadTest, StopRequestAbortsARunningTransfer)
{
    useBase("", 60);
    for (const bool closing : {false, true}) {
        SCOPED_TRACE(closing);
        test::FakeRunState run;
        run.stop = !closing;
        run.closing = closing;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(gf_download(server->url("stall/60/good.bin"), target, true));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        expectOldTargetKept();
    }
    EXPECT_NE(logText().find(curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK)), std::string::npos);
}

TEST_F(DownloadTest, PlainHttpOnlyWhenAllowed)
{
    DownloadSettings settings = gf_downloadSettings();
    settings.allowPlainHttp = false;
    gf_setDownloadSettings(settings);
    EXPECT_FALSE(gf_download(server->url("good.bin"), target, true));
    expectOldTargetKept();
    EXPECT_NE(logText().find(curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL)), std::string::npos);
}

TEST_F(DownloadTest, MissingTargetFolderFailsBeforeAnyTransfer)
{
    const fs::path nowhere = dir / "no_folder" / "dbase.enc";
    EXPECT_FALSE(gf_download(server->url("good.bin"), nowhere, true));
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
    EXPECT_NE(logText().find("Could not open output file: " + nowhere.string() + ".part"), std::string::npos);
}

TEST_F(DownloadTest, CallersHandleServesSeveralDownloadsInARow)
{
    CURL* handle = curl_easy_init();
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(gf_download(handle, server->url("404/good.bin"), target, true));
    EXPECT_TRUE(gf_download(handle, server->url("good.bin"), target, true));
    EXPECT_EQ(readWholeFile(target), goodBytes);
    curl_easy_cleanup(handle);
    EXPECT_FALSE(gf_download(nullptr, server->url("good.bin"), target, true));
}

// A file larger than the caller's bound is given up, whether the server announces its size or not.
TEST_F(DownloadTest, FileLargerThanItsBoundIsRefused)
{
    for (const char* path : {"good.bin", "nolength/good.bin"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(gf_download(server->url(path), target, true, {}, goodBytes.size() - 1));
        expectOldTargetKept();
        ASSERT_TRUE(gf_download(server->url(path), input / "exact.bin", true, {}, goodBytes.size()));
        EXPECT_EQ(readWholeFile(input / "exact.bin"), goodBytes);
    }
    const std::string log = logText();
    EXPECT_NE(log.find(fmt::format("Download error: '{}' for {}", curl_easy_strerror(CURLE_FILESIZE_EXCEEDED),
                                   server->url("good.bin"))),
              std::string::npos);
    EXPECT_NE(log.find(fmt::format("Download error: 'larger than {} bytes' for {}", goodBytes.size() - 1,
                                   server->url("nolength/good.bin"))),
              std::string::npos);
}

TEST_F(DownloadTest, RefusedContentCheckKeepsTheOldTarget)
{
    EXPECT_FALSE(gf_download(server->url("good.bin"), target, true, [](const fs::path&) { return false; }));
    expectOldTargetKept();
}

TEST_F(DownloadTest, DataFileComesFromTheMajorVersionFolder)
{
    ASSERT_TRUE(gf_downloadDataFile("dbase.enc", target));
    EXPECT_TRUE(gf_verifySealedFile(target));
    EXPECT_NE(logText().find(fmt::format("Downloaded '{}' to '{}'", server->url(majorFolder + "/dbase.enc"),
                                         target.string())),
              std::string::npos);
}

// Junk with status 200 passes a plain download but never replaces a data file.
TEST_F(DownloadTest, DataFileThatIsNotSealedIsRefused)
{
    for (const char* prefix : {"junk/", "404/", "cut/"}) {
        SCOPED_TRACE(prefix);
        useBase(prefix);
        EXPECT_FALSE(gf_downloadDataFile("dbase.enc", target));
        expectOldTargetKept();
        EXPECT_NE(logText().find(fmt::format("==> Downloading '{}' failed !",
                                             server->url(prefix + majorFolder + "/dbase.enc"))),
                  std::string::npos);
    }
    EXPECT_TRUE(gf_download(server->url("junk/good.bin"), input / "junk.bin", true));
}

// A server that ends the body right behind a full chunk sends a shorter but well-formed transfer.
TEST_F(DownloadTest, DataFileCutAtAChunkBoundaryIsRefused)
{
    const std::string whole = sealed(patternBytes(3 * 4096));
    writeWholeFile(www / majorFolder / "dbase.enc", whole.substr(0, sealedHeaderBytes + sealedChunkBytes));
    EXPECT_FALSE(gf_downloadDataFile("dbase.enc", target));
    expectOldTargetKept();
}

} // namespace
} // namespace hlw
