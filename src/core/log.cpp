#include "core/log.h"

#include "core/product.h"
#include "core/run_state_port.h"
#include "core/time_text.h"

#include <fmt/format.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>

namespace hlw {
namespace {

// Constant-initialised, so writers called during static initialisation of other files are safe.
constinit std::atomic<bool> logOpen{false};
std::mutex logMutex;
// Created by gf_startLog; only touched under logMutex.
std::unique_ptr<std::ofstream> logStream;

void writeLine(std::string_view prefix, std::string_view text, bool flush) noexcept
{
    if (!logOpen.load(std::memory_order_acquire)) {
        return;
    }
    std::lock_guard lock(logMutex);
    if (!logStream) {
        return;
    }
    try {
        logStream->write(prefix.data(), static_cast<std::streamsize>(prefix.size()));
        logStream->write(text.data(), static_cast<std::streamsize>(text.size()));
        logStream->put('\n');
        if (flush) {
            logStream->flush();
        }
    } catch (...) {
        // Write errors of the log are ignored: there is no better place to report them.
    }
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
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        gf_logAlert(fmt::format("copy {} -> {} failed: {}", source.string(), target.string(), ec.message()));
        result = false;
    }
}

} // namespace

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
    auto stream = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!stream->is_open()) {
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
        logStream->flush();
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
