#include "refdata/download_settings.h"

#include "core/log.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace hlw {

namespace {

std::mutex lf_settingsMutex;

DownloadSettings& lf_settings()
{
    static DownloadSettings settings;
    return settings;
}

} // namespace

DownloadSettings gf_downloadSettings()
{
    const std::lock_guard lock(lf_settingsMutex);
    return lf_settings();
}

void gf_setDownloadSettings(DownloadSettings settings)
{
    const std::lock_guard lock(lf_settingsMutex);
    lf_settings() = std::move(settings);
}

std::string gf_downloadsBaseAddress()
{
    return gf_downloadSettings().baseAddress;
}

std::optional<DownloadBase> gf_parseDownloadBase(std::string_view text)
{
    constexpr std::string_view https = "https://";
    constexpr std::string_view localHttp = "http://127.0.0.1";
    DownloadBase base;
    if (text.starts_with(https) && text.size() > https.size()) {
        base.plainHttp = false;
    } else if (text.starts_with(localHttp) &&
               (text.size() == localHttp.size() || text[localHttp.size()] == ':' || text[localHttp.size()] == '/')) {
        base.plainHttp = true;
    } else {
        return std::nullopt;
    }
    // Blanks and control characters have no place in an address, and user information ("127.0.0.1:1@host")
    // would name another host.
    if (std::ranges::any_of(text, [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == '@'; })) {
        return std::nullopt;
    }
    base.address = std::string(text);
    if (!base.address.ends_with('/')) {
        base.address += '/';
    }
    return base;
}

void gf_applyDownloadBaseFromEnvironment()
{
    const char* text = std::getenv("HLMR_DOWNLOAD_BASE");
    if (text == nullptr || *text == '\0') {
        return;
    }
    const std::optional<DownloadBase> base = gf_parseDownloadBase(text);
    if (!base) {
        gf_logAlert(fmt::format("HLMR_DOWNLOAD_BASE ignored: '{}'", text));
        return;
    }
    DownloadSettings settings = gf_downloadSettings();
    settings.baseAddress = base->address;
    settings.allowPlainHttp = base->plainHttp;
    gf_setDownloadSettings(settings);
    gf_log(fmt::format("Downloads from {}", base->address));
}

} // namespace hlw
