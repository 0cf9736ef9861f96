#include "platform/os/user_folders.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace hlw::os {
namespace {

std::optional<std::string> lf_environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string{value};
}

// The desktop's rule: a relative or empty XDG folder is ignored in favour of the default below $HOME.
std::filesystem::path lf_userFolder(const char* overrideName, const char* xdgName, const char* homeDefault)
{
    if (const auto overridden = lf_environment(overrideName)) {
        return std::filesystem::path{*overridden};
    }
    if (const auto xdg = lf_environment(xdgName)) {
        const std::filesystem::path folder{*xdg};
        if (folder.is_absolute()) {
            return folder;
        }
    }
    if (const auto home = lf_environment("HOME")) {
        const std::filesystem::path folder{*home};
        if (folder.is_absolute()) {
            return folder / homeDefault;
        }
    }
    return {};
}

} // namespace

std::filesystem::path roamingAppDataFolder()
{
    return lf_userFolder(roamingFolderVariable, "XDG_CONFIG_HOME", ".config");
}

std::filesystem::path localAppDataFolder()
{
    return lf_userFolder(localFolderVariable, "XDG_DATA_HOME", ".local/share");
}

} // namespace hlw::os
