#pragma once
// The per-user folders of the desktop: roaming settings and local data.
// Each can be pointed elsewhere by an environment variable, which tests use to stay in a temporary folder.
#include <filesystem>

namespace hlw::os {

inline constexpr const char* roamingFolderVariable = "HLMR_ROAMING_APPDATA";
inline constexpr const char* localFolderVariable = "HLMR_LOCAL_APPDATA";

// HLMR_ROAMING_APPDATA when set; else $XDG_CONFIG_HOME when absolute; else $HOME/.config.
// Empty when the variable is set but empty, or no absolute folder can be found.
std::filesystem::path roamingAppDataFolder();
// HLMR_LOCAL_APPDATA when set; else $XDG_DATA_HOME when absolute; else $HOME/.local/share. Empty as above.
std::filesystem::path localAppDataFolder();

} // namespace hlw::os
