#pragma once
// Where downloads come from and how long a transfer may hang. The defaults serve the program; tests point the
// base address at a local server (plain http, which only they allow) and shorten the time-outs.
#include <string>

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

} // namespace hlw
