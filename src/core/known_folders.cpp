#include "core/known_folders.h"

#include "core/log.h"
#include "platform/os/file_browser.h"
#include "platform/os/user_folders.h"

namespace hlw {

std::filesystem::path gf_roamingAppDataPath()
{
    std::filesystem::path folder = os::roamingAppDataFolder();
    if (folder.empty()) {
        gf_logAlert("Could not find the AppData path");
    }
    return folder;
}

std::filesystem::path gf_localAppDataPath()
{
    std::filesystem::path folder = os::localAppDataFolder();
    if (folder.empty()) {
        gf_logAlert("Could not find the Local AppData path");
    }
    return folder;
}

bool gf_shellOpen(const std::filesystem::path& path)
{
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec)) {
        return false;
    }
    // Made absolute first, so that a file of the current folder shows that folder instead of failing.
    std::filesystem::path full = std::filesystem::absolute(path, ec).lexically_normal();
    if (ec) {
        return false;
    }
    if (!full.has_filename()) {
        full = full.parent_path();
    }
    const std::filesystem::path folder = full.parent_path();
    if (folder.empty() || folder == full) {
        return false;
    }
    return os::openInFileBrowser(folder);
}

} // namespace hlw
