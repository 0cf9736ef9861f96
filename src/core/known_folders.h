#pragma once
// The per-user application-data folders and the showing of a file's folder in the file browser.
#include <filesystem>

namespace hlw {

// The per-user roaming folder; empty after the alert "Could not find the AppData path" when there is none.
std::filesystem::path gf_roamingAppDataPath();
// The per-user local folder; empty after the alert "Could not find the Local AppData path" when there is none.
std::filesystem::path gf_localAppDataPath();

// Shows the folder that holds an existing file (or folder). False when the path does not exist, has no parent
// folder or the file browser could not be started.
bool gf_shellOpen(const std::filesystem::path& path);

} // namespace hlw
