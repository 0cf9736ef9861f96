#include "parking/apf_download.h"

#include "core/log.h"
#include "core/run_state_port.h"
#include "parking/apf_reader.h"
#include "refdata/download.h"
#include "refdata/download_settings.h"
#include "refdata/remove_with_warning.h"

#include <fmt/format.h>

#include <system_error>
#include <utility>

namespace hlw {

std::string gf_apfUrl(std::string_view relativePath)
{
    return fmt::format("{}{}{}", gf_downloadsBaseAddress(), gf_runState().simIsMsfs2020() ? "MSFS/" : "MSFS2024/",
                       relativePath);
}

std::string gf_downloadApf(std::string_view relativePath, const std::filesystem::path& destination,
                           std::stop_token stop, std::chrono::seconds timeLimit)
{
    const std::string url = gf_apfUrl(relativePath);
    std::error_code ignored; // a folder that cannot be made fails the download, which says so
    std::filesystem::create_directories(destination.parent_path(), ignored);
    const TransferLimits limits{timeLimit, std::move(stop)};
    if (gf_download(url, destination, true, {}, apfMaxBytes, DownloadedFile::kept, limits)) {
        return {};
    }
    gf_removeWithWarning(destination);
    if (gf_transferStopRequested(limits.stop)) {
        return fmt::format("download given up: '{}'", url);
    }
    std::string failure = fmt::format("failed to download: '{}'", url);
    gf_logAlert(failure);
    return failure;
}

} // namespace hlw
