#pragma once
// Shows a folder in the desktop's file browser.
#include <filesystem>

namespace hlw::os {

// When set, the folder is appended as one line to the file this variable names instead of opening a browser.
inline constexpr const char* fileBrowserRecordVariable = "HLMR_SHELL_OPEN_LOG";

// Starts "xdg-open <folder>" without a shell and without waiting for the browser; true when it was started
// (or recorded).
bool openInFileBrowser(const std::filesystem::path& folder);

} // namespace hlw::os
