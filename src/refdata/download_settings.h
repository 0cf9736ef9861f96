#pragma once
// Where downloads come from and how long a transfer may hang. The defaults serve the program; tests point the
// base address at a local server (plain http, which only they allow) and shorten the time-outs.
#include <optional>
#include <string>
#include <string_view>

namespace hlw {

struct DownloadSettings {
    // The maker's download folder, ending in '/'; other folders ("docs/", "release/", "MSFS/", "MSFS2024/")
    // and the data-file folders of each major version lie below it.
    std::string baseAddress = "https://hollowmere.example/downloads/";
    // Only https unless this is set (local test servers).
    bool allowPlainHttp = false;
    long connectTimeoutSeconds = 15;
    // A transfer slower than this many bytes per second for lowSpeedTimeSeconds is given up.
    long lowSpeedLimitBytesPerSecond = 1024;
    long lowSpeedTimeSeconds = 30;
    long maxRedirects = 5;
};

// A copy of the settings in force; safe from any thread.
DownloadSettings gf_downloadSettings();
void gf_setDownloadSettings(DownloadSettings settings);
// Shorthand for gf_downloadSettings().baseAddress.
std::string gf_downloadsBaseAddress();

// The base address that the text sets for a program run: an https address, or plain http only on 127.0.0.1 (a
// local test server, for which plain http is then allowed). A missing final '/' is added. None for anything else.
struct DownloadBase {
    std::string address;
    bool plainHttp = false;
};
std::optional<DownloadBase> gf_parseDownloadBase(std::string_view text);
// Applies HLMR_DOWNLOAD_BASE when it is set: a usable address is logged as "Downloads from {}", another one is
// refused with the alert "HLMR_DOWNLOAD_BASE ignored: '{}'" and the default stays.
void gf_applyDownloadBaseFromEnvironment();

} // namespace hlw
