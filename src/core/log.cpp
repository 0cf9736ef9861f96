#include "core/log.h"

#include "core/fresh_file.h"
#include "core/product.h"
#include "core/run_state_port.h"
#include "core/time_text.h"

#include <fmt/format.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace hlw {
namespace {

// Constant-initialised, so writers called during static initialisation of other files are safe.
constinit std::atomic<bool> logOpen{false};
std::mutex logMutex;
struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
// Created by gf_startLog; only touched under logMutex.
std::unique_ptr<std::FILE, FileCloser> logStream;

void writeLine(std::string_view prefix, std::string_view text, bool flush) noexcept
{
    if (!logOpen.load(std::memory_order_acquire)) {
        return;
    }
    std::lock_guard lock(logMutex);
    if (!logStream) {
        return;
    }
    // Write errors of the log are ignored: there is no better place to report them.
    // fwrite must not be given the null data of an empty view.
    if (!prefix.empty()) {
        std::fwrite(prefix.data(), 1, prefix.size(), logStream.get());
    }
    if (!text.empty()) {
        std::fwrite(text.data(), 1, text.size(), logStream.get());
    }
    std::fputc('\n', logStream.get());
    if (flush) {
        std::fflush(logStream.get());
    }
}

// Copies source into a file created anew at target (core/fresh_file.h). Returns 0, or the errno of the step that
// failed; then no partial target is left.
int lf_copyToFreshFile(const std::filesystem::path& source, const std::filesystem::path& target)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return errno;
    }
    const int out = gf_createFreshFile(target);
    int error = out < 0 ? errno : 0;
    std::array<char, 65536> buffer{};
    while (error == 0) {
        const ssize_t count = ::read(in, buffer.data(), buffer.size());
        if (count == 0) {
            break;
        }
        if (count < 0) {
            error = errno == EINTR ? 0 : errno;
        } else if (!gf_writeAll(out, {buffer.data(), static_cast<std::size_t>(count)})) {
            error = errno;
        }
    }
    ::close(in);
    if (out >= 0) {
        if (::close(out) != 0 && error == 0) {
            error = errno;
        }
        if (error != 0) {
            ::unlink(target.c_str());
        }
    }
    return error;
}

void copyGeneration(bool& result, const std::filesystem::path& source, const std::filesystem::path& target)
{
    std::error_code ec;
    const bool exists = std::filesystem::exists(source, ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
        gf_logAlert(fmt::format("exists({}): {}", source.string(), ec.message()));
        result = false;
        return;
    }
    if (!exists) {
        return;
    }
    // Generations of "Log.txt" lie in the program folder: a link planted at a generation's name is replaced,
    // never written through.
    if (const int error = lf_copyToFreshFile(source, target); error != 0) {
        gf_logAlert(fmt::format("copy {} -> {} failed: {}", source.string(), target.string(),
                                std::generic_category().message(error)));
        result = false;
    }
}

} // namespace

std::string gf_logExcerpt(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return fmt::format("{}... ({} bytes)", text.substr(0, cut), text.size());
}

std::string gf_generationName(const std::string& pathText, int generation)
{
    const auto dot = pathText.rfind('.');
    if (dot == std::string::npos || generation < 0) {
        return {};
    }
    std::string name = pathText;
    name.insert(dot, static_cast<std::size_t>(generation), '0');
    return name;
}

bool gf_saveUpto3GenerationsOf(const std::filesystem::path& path)
{
    const std::string text = path.string();
    if (text.rfind('.') == std::string::npos) {
        gf_logAlert(fmt::format("gf_saveUpto3GenerationsOf: no dot in filename: {}", text));
        return false;
    }
    bool result = true;
    copyGeneration(result, gf_generationName(text, 2), gf_generationName(text, 3));
    copyGeneration(result, gf_generationName(text, 1), gf_generationName(text, 2));
    copyGeneration(result, path, gf_generationName(text, 1));
    return result;
}

bool gf_save1GenerationOf(const std::filesystem::path& path)
{
    const std::string text = path.string();
    if (text.rfind('.') == std::string::npos) {
        gf_logAlert(fmt::format("gf_save1GenerationOf: no dot in filename: {}", text));
        return false;
    }
    bool result = true;
    copyGeneration(result, path, gf_generationName(text, 1));
    return result;
}

void gf_startLog(const std::filesystem::path& path)
{
    gf_saveUpto3GenerationsOf(path);
    // Created anew, so that a link planted at the name in the program folder is replaced, not written through.
    const int descriptor = gf_createFreshFile(path);
    std::unique_ptr<std::FILE, FileCloser> stream(descriptor < 0 ? nullptr : ::fdopen(descriptor, "wb"));
    if (!stream) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        throw std::runtime_error("Failed to write file " + path.string());
    }
    {
        std::lock_guard lock(logMutex);
        logStream = std::move(stream);
    }
    logOpen.store(true, std::memory_order_release);
    gf_log(fmt::format("{} (utc) {} version {} for {}", gf_timeToString(std::time(nullptr)), productName,
                       programVersionText, simulatorsText));
}

void gf_stopLog() noexcept
{
    logOpen.store(false, std::memory_order_release);
    std::lock_guard lock(logMutex);
    logStream.reset();
}

bool gf_logIsOpen() noexcept { return logOpen.load(std::memory_order_acquire); }

void gf_log(std::string_view text) noexcept { writeLine({}, text, false); }

void gf_logAlert(std::string_view text) noexcept { writeLine("==> ", text, true); }

void gf_logFlush(std::string_view text) noexcept { writeLine({}, text, true); }

void gf_logFlushNow() noexcept
{
    if (!logOpen.load(std::memory_order_acquire)) {
        return;
    }
    std::lock_guard lock(logMutex);
    if (logStream) {
        std::fflush(logStream.get());
    }
}

void gf_logContinuation(std::string_view text) noexcept { writeLine("          ", text, false); }

void gf_logUnlessStopping(const std::string& text) noexcept
{
    const RunStatePort& state = gf_runState();
    if (state.stopRequested() || state.userClosing()) {
        return;
    }
    gf_log(text);
}

} // namespace hlw
