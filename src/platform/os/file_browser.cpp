#include "platform/os/file_browser.h"

#include "platform/os/detached_process.h"

#include <cstdlib>
#include <fstream>

namespace hlw::os {

bool openInFileBrowser(const std::filesystem::path& folder)
{
    if (const char* recordFile = std::getenv(fileBrowserRecordVariable); recordFile != nullptr && *recordFile != 0) {
        std::ofstream record(recordFile, std::ios::binary | std::ios::app);
        record << folder.string() << '\n';
        record.flush();
        return static_cast<bool>(record);
    }
    return startDetachedProgram("xdg-open", {folder.string()});
}

} // namespace hlw::os
