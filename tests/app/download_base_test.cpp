#include "app/download_base.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {

TEST(DownloadBase, HttpsOrPlainHttpToThisPcOnly)
{
    struct Row {
        const char* address;
        const char* base; // nullptr: refused
        bool plainHttp;
    };
    const Row rows[] = {{"http://127.0.0.1:8123/", "http://127.0.0.1:8123/", true},
                        {"http://127.0.0.1:8123", "http://127.0.0.1:8123/", true},
                        {"https://downloads.example/x", "https://downloads.example/x/", false},
                        {"http://127.0.0.1.evil.example/", nullptr, false},
                        {"http://127.0.0.1:80@evil.example/", nullptr, false},
                        {"https://downloads.example/a b/", nullptr, false},
                        {"http://example.com/", nullptr, false},
                        {"http://localhost:80/", nullptr, false},
                        {"ftp://127.0.0.1/", nullptr, false},
                        {"https://", nullptr, false},
                        {"", nullptr, false}};
    for (const Row& row : rows) {
        const std::optional<DownloadSettings> settings = gf_downloadSettingsFor(row.address);
        ASSERT_EQ(settings.has_value(), row.base != nullptr) << row.address;
        if (settings) {
            EXPECT_EQ(settings->baseAddress, row.base);
            EXPECT_EQ(settings->allowPlainHttp, row.plainHttp) << row.address;
        }
    }
}

} // namespace
} // namespace hlw
