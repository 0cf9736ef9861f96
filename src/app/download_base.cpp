#include "app/download_base.h"

#include "core/log.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace hlw {

std::optional<DownloadSettings> gf_downloadSettingsFor(std::string_view baseAddress)
{
    DownloadSettings settings;
    if (baseAddress.starts_with("http://127.0.0.1:") || baseAddress.starts_with("http://127.0.0.1/")) {
        settings.allowPlainHttp = true;
    } else if (!baseAddress.starts_with("https://") || baseAddress.size() <= std::string_view("https://").size()) {
        return std::nullopt;
    }
    // User information ("http://127.0.0.1:1@host/") would name another host; blanks and control characters have no
    // place in an address.
    if (std::ranges::any_of(baseAddress, [](char c) { return c == '@' || static_cast<unsigned char>(c) <= 0x20; })) {
        return std::nullopt;
    }
    settings.baseAddress = std::string(baseAddress);
    if (!settings.baseAddress.ends_with('/')) {
        settings.baseAddress += '/';
    }
    return settings;
}

void gf_applyDownloadBaseFromEnvironment()
{
    const char* value = std::getenv(downloadBaseVariable);
    if (value == nullptr || *value == '\0') {
        return;
    }
    if (const std::optional<DownloadSettings> settings = gf_downloadSettingsFor(value)) {
        gf_setDownloadSettings(*settings);
        gf_log(fmt::format("{}: downloads come from {}", downloadBaseVariable, settings->baseAddress));
    } else {
        gf_logAlert(fmt::format("{}: '{}' refused: only https, or plain http to 127.0.0.1", downloadBaseVariable,
                                value));
    }
}

} // namespace hlw
