#include "refdata/download_settings.h"

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

} // namespace hlw
