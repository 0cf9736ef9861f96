#pragma once
// Where the simulator keeps its packages: the folder that holds "Community" and the simulator's own packages
// ("Official", or "Official2024" for MSFS 2024). Found in the Steam edition's folder or through the
// "InstalledPackagesPath" line of the simulator's "UserCfg.opt", stored as UTF-8 in the chosen simulator's
// setting, and joined with package paths by gf_simPath. Runs on the worker during start-up.
#include <filesystem>
#include <string>
#include <string_view>

namespace hlw {

// Looks for the packages folder of the chosen simulator (run_state_port.h), the Steam edition's first. When one
// is found it is stored and saved in "MSFS_INSTALL_PATH" (MSFS 2020) or "MSFS_2024_INSTALL_PATH" (MSFS 2024),
// also shown in "ALL_INSTALL_PATH", and the result is true. False, after log lines naming every place tried,
// when none is found. A file-system error other than "not found" while testing one of the fixed places throws
// std::filesystem::filesystem_error; a folder named in "UserCfg.opt" that cannot be tested is logged and not used.
bool gf_detectSimInstall();

// The folder stored for the chosen simulator joined with the relative path (an absolute one replaces it).
std::filesystem::path gf_simPath(const std::filesystem::path& relative);

// The folder named by an "InstalledPackagesPath" line: the text between the first two double quotes (empty
// when there is no second quote), or, in a line without quotes, the text after the key without the blanks
// and "=" around it.
std::string gf_installedPackagesValue(std::string_view line);

// A path from UTF-8 text, the form in which settings keep paths.
std::filesystem::path gf_pathFromUtf8(std::string_view text);

// The install path without a last component "Community" (a trailing separator is ignored): users often type
// the Community folder itself. Components are compared, not text, so "MyCommunity" stays.
std::filesystem::path gf_withoutTrailingCommunity(const std::filesystem::path& installPath);

} // namespace hlw
