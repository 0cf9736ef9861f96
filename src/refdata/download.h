#pragma once
// HTTP downloads with libcurl's easy interface (user agent "HLMR"). A download goes into "<target>.part" and is
// renamed over the target only after a complete transfer with final status 200, a checked close and, when the
// caller gives one, a passed content check. Any failure removes the ".part" file and leaves the old target as
// it was. Transfers follow at most DownloadSettings::maxRedirects redirects, give up on a connection or a
// stalled transfer after the set time-outs, give up a file larger than the caller's bound (announced or while it
// arrives) before any byte beyond it is written, give up when the caller's time for the whole transfer is over,
// and end within about a second when a stop is requested, the user closes the program or the caller's stop token
// asks for it. Every function blocks its caller and writes its own log lines; none throws.
#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>

namespace hlw {

// The largest file a download accepts: a larger one comes from a wrong address or a misbehaving server and is
// given up before it fills the disk. The bound of any file, new program versions included:
inline constexpr std::uint64_t maxDownloadBytes = std::uint64_t{1} << 30;
// The bound of a sealed data file, many times the size of the largest one.
inline constexpr std::uint64_t maxDataFileBytes = std::uint64_t{256} << 20;

// What the finished file is for. A kept file is forced to disk before it replaces the target, so that a disk that
// cannot take it shows up at once. A scratch file is read back by the caller, which checks its content, and removed
// right away: forcing it to disk would write every byte to the disk for nothing (and its removal would then free
// allocated blocks instead of dropping cached pages).
enum class DownloadedFile { kept, scratch };

// Looks at the complete ".part" file before it replaces the target; false refuses it.
using DownloadCheck = std::function<bool(const std::filesystem::path& partFile)>;

// What ends a transfer early besides the settings' time-outs and the run's stop: a transfer that runs beside the
// program's work is bounded in time as a whole, and its owner can end it.
struct TransferLimits {
    // The time for the whole transfer; zero bounds only the connection and a stall (DownloadSettings).
    std::chrono::seconds wholeTransfer{0};
    std::stop_token stop;
};

// True when a transfer with the stop token is to end now: the run is stopped, the user closes the program or the
// token asks for it. A transfer ended so is given up on purpose, not failed: it is logged as given up.
bool gf_transferStopRequested(const std::stop_token& stop) noexcept;

// Downloads url into target with a handle the caller owns (one thread at a time per handle; all options are set
// anew for each call). binary false opens the file in text mode. maxBytes bounds the file's size. True on
// success.
bool gf_download(CURL* handle, const std::string& url, const std::filesystem::path& target, bool binary,
                 const DownloadCheck& check = {}, std::uint64_t maxBytes = maxDownloadBytes,
                 DownloadedFile kind = DownloadedFile::kept, const TransferLimits& limits = {});
// The same with a handle of its own.
bool gf_download(const std::string& url, const std::filesystem::path& target, bool binary,
                 const DownloadCheck& check = {}, std::uint64_t maxBytes = maxDownloadBytes,
                 DownloadedFile kind = DownloadedFile::kept, const TransferLimits& limits = {});

// Downloads the data file "name" of the running major version ("{base}{major}/{name}") into target in binary
// mode, accepting it only when it is a complete sealed data file of at most maxDataFileBytes. Logs "Downloaded '{}' to '{}'" or the alert
// "Downloading '{}' failed !".
bool gf_downloadDataFile(const std::filesystem::path& name, const std::filesystem::path& target);

} // namespace hlw
