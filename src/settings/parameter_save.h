#pragma once
// The one-setting saves of the setting objects: a change made in the window or by the program is written
// into "parameters.xml" at once, under the settings-file lock.
#include <functional>
#include <string>

namespace hlw {

// Stores the value of the setting named key in "parameters.xml". The value text is taken under the settings-file
// lock, so that of two racing changes the file keeps the one memory keeps; logSaved writes the setting's log line
// once the value is stored. Without a file, a file holding this one setting is made (the next load adds the
// others); a file that holds no settings is kept as a generation and replaced by every current value. A folder or
// another non-file at the path is left alone: the setting's log line is written and nothing is stored.
void gf_saveSettingValue(const std::string& key, const std::function<std::string()>& valueText,
                         const std::function<void()>& logSaved);

} // namespace hlw
