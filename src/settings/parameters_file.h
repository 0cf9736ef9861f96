#pragma once
// "parameters.xml": the settings file in the per-user data folder (parametersFilePath()).
//   <root><parameters><parameter name="RANDOM" value="true"/> ... </parameters></root>
// The older layout has "parameters" as the document element; every reader accepts both.
//
// Every load-modify-save of this file (the load, the save of all, the one-setting saves of the setting objects,
// the layout conversion, the upgrade, the stored-value lookups) holds one process-wide lock, so that no update
// is lost and no two writers interleave. The lock is recursive: a step that already holds it may call the others.
// Lock order: this lock comes before the text-value locks of the settings, the message line and the log. While it
// is held only posting calls reach the window (the control port never waits), so the window thread cannot
// deadlock on it. The file is always replaced whole through a synced temporary file (gf_saveXml).
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

namespace hlw {

// Holds the settings-file lock for the caller's own load-modify-save of "parameters.xml".
[[nodiscard]] std::unique_lock<std::recursive_mutex> gf_lockParametersFile();

// Loads every setting of the six storage lists, clamps numbers to their bounds, appends absent settings with
// their defaults, shows the values in their controls and writes the file back. A missing, unreadable or
// "parameters"-less file is replaced by one holding the defaults (an existing one keeps one older generation
// first); the result is true exactly then. A folder or another non-file at the path is neither read nor replaced:
// one alert names it, the values stay and are logged and shown, the result is true, and the saves skip it.
bool gf_readParameters();

// Writes a new file from the six lists: each setting's default when writeDefaults is set (then "PROGRAM_VERSION"
// holds the running version), else its current value. Controls show the current values in both cases.
// False, with the alert "saving: {} failed", when the file could not be written; the old file then stays.
// False without a word while a folder or another non-file stands at the path.
bool gf_saveParameters(bool writeDefaults);

// Converts a file of the older layout in place: "root" is put around the stored "parameters", every stored
// value is kept. True when the file was converted and saved or needed nothing; false when it could not be read
// or written.
bool gf_wrapParametersRoot();

// A stored number looked up in the file without loading the settings (the window reads its position this way
// before the first load). None when the file does not load or does not hold the key.
std::optional<int32_t> gf_readStoredIntParameter(std::string_view key);

} // namespace hlw
