#pragma once
// Where the program downloads from, as the environment may set it for a run against a local server (the demo and
// the end-to-end test): HLMR_DOWNLOAD_BASE holds the base address. An https address is taken as it is; a plain
// http address only when it names 127.0.0.1, so that nothing outside this PC is fetched without encryption.
#include "refdata/download_settings.h"

#include <optional>
#include <string_view>

namespace hlw {

inline constexpr const char* downloadBaseVariable = "HLMR_DOWNLOAD_BASE";

// The settings for the address (a '/' is added when it lacks one at the end), or none for an address refused.
std::optional<DownloadSettings> gf_downloadSettingsFor(std::string_view baseAddress);

// Applies HLMR_DOWNLOAD_BASE when it is set: taken or refused, with a log line either way.
void gf_applyDownloadBaseFromEnvironment();

} // namespace hlw
