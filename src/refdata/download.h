#pragma once
// HTTP downloads with libcurl's easy interface (user agent "HLMR"). A download goes into "<target>.part" and is
// renamed over the target only after a complete transfer with final status 200, a checked close and, when the
// caller gives one, a passed content check. Any failure removes the ".part" file and leaves the old target as
// it was. Transfers follow at most DownloadSettings::maxRedirects redirects, give up on a connection or a
// stalled transfer after the set time-outs, and end early when a stop is requested or the user closes the
// program. Every function blocks its caller and writes its own log lines; none throws.
#include <curl/curl.h>

#include <filesystem>
#include <functional>
#include <string>

namespace hlw {

// Looks at the complete ".part" file before it replaces the target; false refuses it.
using DownloadCheck = std::function<bool(const std::filesystem::path& partFile)>;

// Downloads url into target with a handle the caller owns (one thread at a time per handle; all options are set
// anew for each call). binary false opens the file in text mode. True on success.
bool gf_download(CURL* handle, const std::string& url, const std::filesystem::path& target, bool binary,
                 const DownloadCheck& check = {});
// The same with a handle of its own.
bool gf_download(const std::string& url, const std::filesystem::path& target, bool binary,
                 const DownloadCheck& check = {});

// Downloads the data file "name" of the running major version ("{base}{major}/{name}") into target in binary
// mode, accepting it only when it is a complete sealed data file. Logs "Downloaded '{}' to '{}'" or the alert
// "Downloading '{}' failed !".
bool gf_downloadDataFile(const std::filesystem::path& name, const std::filesystem::path& target);

} // namespace hlw
