#pragma once
// Downloading an archived airport file ("archive/stock/EHAM.xml") from the maker's download folder of the chosen
// simulator: the download base address followed by "MSFS/" (MSFS 2020) or "MSFS2024/" (MSFS 2024).
#include <chrono>
#include <filesystem>
#include <stop_token>
#include <string>
#include <string_view>

namespace hlw {

// Airport files are a few megabytes: a transfer still running after this long is given up.
inline constexpr std::chrono::minutes apfDownloadTimeLimit{3};

// The address of the archived file for the chosen simulator.
std::string gf_apfUrl(std::string_view relativePath);

// Downloads the archived file into the destination: at most the size the airport file reader accepts
// (apfMaxBytes), within the time limit, ended early by the stop token. Empty text on success; otherwise the
// destination is removed (also an older file there) and the failure logged and returned as "failed to download:
// '{}'" with the address, or, for a transfer given up on purpose (gf_transferStopRequested), "download given up:
// '{}'" returned without a failure logged.
std::string gf_downloadApf(std::string_view relativePath, const std::filesystem::path& destination,
                           std::stop_token stop = {}, std::chrono::seconds timeLimit = apfDownloadTimeLimit);

} // namespace hlw
