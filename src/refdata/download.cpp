#include "refdata/download.h"

#include "core/fresh_file.h"
#include "core/log.h"
#include "core/run_state_port.h"
#include "core/version_data.h"
#include "refdata/download_settings.h"
#include "refdata/remove_with_warning.h"
#include "refdata/sealed_file.h"

#include <cstdint>
#include <cstdio>
#include <fmt/format.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <stop_token>
#include <system_error>
#include <unistd.h>

namespace hlw {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

struct CurlCleanup {
    void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};

// libcurl's global set-up is not safe to race with other threads' first use; done once for the program.
void lf_initCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string lf_utf8(const std::filesystem::path& path)
{
    const std::u8string text = path.generic_u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::filesystem::path lf_partPathOf(const std::filesystem::path& target)
{
    std::filesystem::path part = target;
    part += ".part";
    return part;
}

std::FILE* lf_openFresh(const std::filesystem::path& part, bool binary)
{
    const int descriptor = gf_createFreshFile(part);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(descriptor, binary ? "wb" : "w");
    if (file == nullptr) {
        ::close(descriptor);
    }
    return file;
}

// Where the body goes, and how much of it may come: a server need not announce the size.
struct BodySink {
    std::FILE* file = nullptr;
    std::uint64_t written = 0;
    std::uint64_t maxBytes = 0;
    bool tooLarge = false;
};

// A short count makes libcurl fail the transfer with a write error.
std::size_t lf_writeToFile(char* data, std::size_t size, std::size_t count, void* sinkPointer)
{
    BodySink& sink = *static_cast<BodySink*>(sinkPointer);
    const std::uint64_t bytes = std::uint64_t{size} * count;
    if (bytes > sink.maxBytes - sink.written) {
        sink.tooLarge = true;
        return 0;
    }
    sink.written += bytes;
    return std::fwrite(data, size, count, sink.file);
}

// Ends a transfer when gf_transferStopRequested says so. libcurl calls it about once a second while nothing
// arrives.
int lf_abortWhenStopping(void* stopPointer, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return gf_transferStopRequested(*static_cast<const std::stop_token*>(stopPointer)) ? 1 : 0;
}

template <typename Value>
void lf_set(CURL* handle, CURLoption option, Value value)
{
    const CURLcode result = curl_easy_setopt(handle, option, value);
    if (result != CURLE_OK) {
        throw std::runtime_error(fmt::format("libcurl option {} refused: {}", static_cast<int>(option),
                                             curl_easy_strerror(result)));
    }
}

void lf_setOptions(CURL* handle, const std::string& url, BodySink& sink, const DownloadSettings& settings,
                   const TransferLimits& limits)
{
    curl_easy_reset(handle);
    const char* protocols = settings.allowPlainHttp ? "https,http" : "https";
    lf_set(handle, CURLOPT_URL, url.c_str());
    lf_set(handle, CURLOPT_USERAGENT, "HLMR");
    lf_set(handle, CURLOPT_WRITEFUNCTION, &lf_writeToFile);
    lf_set(handle, CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    // Refuses an announced size at once; the sink checks the bytes that actually arrive.
    lf_set(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink.maxBytes));
    lf_set(handle, CURLOPT_FAILONERROR, 1L);
    lf_set(handle, CURLOPT_FOLLOWLOCATION, 1L);
    lf_set(handle, CURLOPT_MAXREDIRS, settings.maxRedirects);
    lf_set(handle, CURLOPT_PROTOCOLS_STR, protocols);
    lf_set(handle, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    lf_set(handle, CURLOPT_CONNECTTIMEOUT, settings.connectTimeoutSeconds);
    lf_set(handle, CURLOPT_LOW_SPEED_LIMIT, settings.lowSpeedLimitBytesPerSecond);
    lf_set(handle, CURLOPT_LOW_SPEED_TIME, settings.lowSpeedTimeSeconds);
    lf_set(handle, CURLOPT_TIMEOUT, static_cast<long>(limits.wholeTransfer.count()));
    // Signals would reach other threads of the program.
    lf_set(handle, CURLOPT_NOSIGNAL, 1L);
    lf_set(handle, CURLOPT_NOPROGRESS, 0L);
    lf_set(handle, CURLOPT_XFERINFOFUNCTION, &lf_abortWhenStopping);
    lf_set(handle, CURLOPT_XFERINFODATA, static_cast<const void*>(&limits.stop));
}

// Flushes, syncs a kept file and closes; false when any of them fails (a full disk shows up here at the latest).
bool lf_finishFile(FileHandle file, DownloadedFile kind)
{
    std::FILE* raw = file.release();
    const bool flushed = std::fflush(raw) == 0;
    const bool synced = flushed && (kind == DownloadedFile::scratch || ::fsync(::fileno(raw)) == 0);
    const bool closed = std::fclose(raw) == 0;
    return flushed && synced && closed;
}

bool lf_download(CURL* handle, const std::string& url, const std::filesystem::path& target, bool binary,
                 const DownloadCheck& check, std::uint64_t maxBytes, DownloadedFile kind, const TransferLimits& limits)
{
    const std::filesystem::path part = lf_partPathOf(target);
    // The ".part" file goes on every path; after the rename it no longer exists and nothing happens.
    const RemoveOnExit removePart(part);
    // Created anew, so that a link planted at the ".part" name cannot send the body elsewhere.
    FileHandle file(lf_openFresh(part, binary));
    if (!file) {
        gf_log(fmt::format("Could not open output file: {}", part.string()));
        return false;
    }
    BodySink sink{file.get(), 0, maxBytes, false};
    lf_setOptions(handle, url, sink, gf_downloadSettings(), limits);
    const CURLcode result = curl_easy_perform(handle);
    if (sink.tooLarge) {
        gf_log(fmt::format("Download error: 'larger than {} bytes' for {}", maxBytes, url));
        return false;
    }
    if (result == CURLE_ABORTED_BY_CALLBACK) {
        gf_log(fmt::format("Download given up: {}", url));
        return false;
    }
    if (result != CURLE_OK) {
        gf_log(fmt::format("Download error: '{}' for {}", curl_easy_strerror(result), url));
        return false;
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        gf_log(fmt::format("Download error: 'HTTP status {}' for {}", status, url));
        return false;
    }
    if (!lf_finishFile(std::move(file), kind)) {
        gf_log(fmt::format("Could not write output file: {}", part.string()));
        return false;
    }
    if (check && !check(part)) {
        gf_log(fmt::format("Download error: 'content check failed' for {}, {} kept", url, target.string()));
        return false;
    }
    std::error_code error;
    std::filesystem::rename(part, target, error);
    if (error) {
        gf_log(fmt::format("Could not replace {}: {}", target.string(), error.message()));
        return false;
    }
    return true;
}

} // namespace

bool gf_transferStopRequested(const std::stop_token& stop) noexcept
{
    const RunStatePort& run = gf_runState();
    return run.stopRequested() || run.userClosing() || stop.stop_requested();
}

bool gf_download(CURL* handle, const std::string& url, const std::filesystem::path& target, bool binary,
                 const DownloadCheck& check, std::uint64_t maxBytes, DownloadedFile kind, const TransferLimits& limits)
{
    if (handle == nullptr) {
        gf_log(fmt::format("Download error: 'no libcurl handle' for {}", url));
        return false;
    }
    try {
        return lf_download(handle, url, target, binary, check, maxBytes, kind, limits);
    } catch (const std::exception& error) {
        gf_log(fmt::format("Downloader exception: '{}', {} => {}", error.what(), url, target.string()));
        return false;
    }
}

bool gf_download(const std::string& url, const std::filesystem::path& target, bool binary,
                 const DownloadCheck& check, std::uint64_t maxBytes, DownloadedFile kind, const TransferLimits& limits)
{
    lf_initCurl();
    const std::unique_ptr<CURL, CurlCleanup> handle(curl_easy_init());
    return gf_download(handle.get(), url, target, binary, check, maxBytes, kind, limits);
}

bool gf_downloadDataFile(const std::filesystem::path& name, const std::filesystem::path& target)
{
    std::string url;
    try {
        url = fmt::format("{}{}/{}", gf_downloadsBaseAddress(), gf_programVersion().major, lf_utf8(name));
    } catch (const std::exception& error) {
        gf_log(fmt::format("Downloader exception: '{}', {} => {}", error.what(), lf_utf8(name), target.string()));
        return false;
    }
    // A data file that does not open with the program's key would stop the next start; keep the old one.
    const bool done = gf_download(
        url, target, true, [](const std::filesystem::path& part) { return gf_verifySealedFile(part); },
        maxDataFileBytes);
    if (done) {
        gf_log(fmt::format("Downloaded '{}' to '{}'", url, target.string()));
    } else {
        gf_logAlert(fmt::format("Downloading '{}' failed !", url));
    }
    return done;
}

} // namespace hlw
