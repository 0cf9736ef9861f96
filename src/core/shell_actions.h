#pragma once
// Showing folders to the user and wording the message about a downloaded new program version.
#include <filesystem>
#include <string>
#include <string_view>

namespace hlw {

inline constexpr std::string_view newVersionRunAsAdministrator =
    "A new version is available. Run the installer as Administrator";
inline constexpr std::string_view newVersionRunNormally =
    "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";

// Shows the folder of the settings file in the file browser; on failure warns the user
// "Could not open folder with parameters.xml" and returns false.
bool gf_openParametersFolder(const std::filesystem::path& parametersFile);
// The same for "docs/Manual.pdf" under the current folder; "Could not open local folder with Manual".
bool gf_openManual();

// The installer needs administrator rights only for a protected folder that this process cannot write to
// while it runs without them.
std::string gf_newVersionMessage(const std::filesystem::path& installFolder);
std::string_view gf_newVersionWording(bool protectedFolder, bool writable, bool elevated) noexcept;

// Under a system-wide program folder (/usr, /opt), compared component by component.
bool gf_isProtectedInstallFolder(const std::filesystem::path& folder);
// Creates ".write_test.tmp" in the folder (replacing an old one or a link at that name, never writing through
// it), writes one zero byte and removes it again.
bool gf_folderIsWritable(const std::filesystem::path& folder);

} // namespace hlw
