#include "http_test_server.h"

#include "support/temp_dir.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <string>

namespace hlw::test {
namespace {

struct Fetched {
    CURLcode result = CURLE_OK;
    long status = 0;
    std::string body;
};

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* body)
{
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

// A plain fetch without following redirects, so the server's own answers are seen.
Fetched fetch(const std::string& url, long timeoutSeconds = 10)
{
    Fetched fetched;
    CURL* handle = curl_easy_init();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "probe/1");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &fetched.body);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, timeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    fetched.result = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &fetched.status);
    curl_easy_cleanup(handle);
    return fetched;
}

class HttpTestServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir / "www" / "sub");
        writeWholeFile(dir / "www" / "sub" / "file.txt", std::string(1000, 'x'));
        writeWholeFile(dir / "secret.txt", "outside");
    }
    TempDir dir;
};

TEST_F(HttpTestServerTest, ServesTheFolderAndEachFailureMode)
{
    HttpTestServer server(dir / "www");
    ASSERT_GT(server.port(), 0);

    const Fetched good = fetch(server.url("sub/file.txt"));
    EXPECT_EQ(good.result, CURLE_OK);
    EXPECT_EQ(good.status, 200);
    EXPECT_EQ(good.body, std::string(1000, 'x'));

    EXPECT_EQ(fetch(server.url("sub/missing.txt")).status, 404);
    EXPECT_EQ(fetch(server.url("%2E%2E/secret.txt")).status, 404);
    EXPECT_EQ(fetch(server.url("404/sub/file.txt")).status, 404);
    EXPECT_EQ(fetch(server.url("status/503/sub/file.txt")).status, 503);
    EXPECT_EQ(fetch(server.url("redirect/sub/file.txt")).status, 302);
    EXPECT_EQ(fetch(server.url("junk/sub/file.txt")).body.size(), 5000U);
    EXPECT_EQ(fetch(server.url("agent")).body, "probe/1");

    const Fetched cut = fetch(server.url("cut/sub/file.txt"));
    EXPECT_EQ(cut.result, CURLE_PARTIAL_FILE);
    EXPECT_EQ(cut.body.size(), 500U);

    EXPECT_EQ(fetch(server.url("stall/30/sub/file.txt"), 1).result, CURLE_OPERATION_TIMEDOUT);
    const Fetched stalledBody = fetch(server.url("stallbody/30/sub/file.txt"), 1);
    EXPECT_EQ(stalledBody.result, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(stalledBody.body.size(), 500U);
}

// The named file still comes whole; every connection after it is refused, as by a stopped server.
TEST_F(HttpTestServerTest, StopsListeningWhenTheNamedFileIsAskedFor)
{
    HttpTestServer server(dir / "www");
    EXPECT_EQ(fetch(server.url("stopafter/file.txt/sub/missing.txt")).status, 404);
    const Fetched last = fetch(server.url("stopafter/file.txt/sub/file.txt"));
    EXPECT_EQ(last.result, CURLE_OK);
    EXPECT_EQ(last.body, std::string(1000, 'x'));
    EXPECT_EQ(fetch(server.url("sub/file.txt")).result, CURLE_COULDNT_CONNECT);
}

TEST_F(HttpTestServerTest, NoServerProcessOutlivesItsObject)
{
    pid_t first = -1;
    {
        HttpTestServer server(dir / "www");
        HttpTestServer second(dir / "www");
        EXPECT_NE(server.port(), second.port());
        first = server.processId();
        EXPECT_EQ(::kill(first, 0), 0);
    }
    EXPECT_EQ(::kill(first, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

} // namespace
} // namespace hlw::test
