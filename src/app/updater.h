#pragma once
// The version check at the first start of a program run: "versions.json" from the downloads base tells the
// current versions of the program and of its five data sets. A newer data file is downloaded into "input", a
// newer livery or add-on version makes the next start scan, and a newer program is downloaded as a zip whose
// installer is unpacked into "new_version" beside "ReleaseNotes.pdf" and "README.txt"; the file browser is opened
// there and the run ends with "NEW VERSION". All files are relative to the current (program) folder.
#include "core/version_data.h"
#include "core/zip_reader.h"
#include "engine/base/stop_wait.h"
#include "refdata/download.h"

#include <cstdint>
#include <functional>
#include <string>

namespace hlw {

struct UpdaterOptions {
    // A modal note to the user (text, caption); nothing without a window.
    std::function<void(const std::string&, const std::string&)> messageBox;
    // The largest installer unpacked from the program's zip.
    std::uint64_t maxEntryBytes = maxZipEntryBytes;
    // The most that the program's zip may unpack to, all its entries together: twice the largest download, far
    // above any real installer. A zip that states more is a bad archive and nothing of it is unpacked.
    std::uint64_t maxTotalBytes = 2 * maxDownloadBytes;
    // True once the run ends (a stop request or the user closing): the unpacking then stops between two chunks.
    std::function<bool()> runEnding = gf_runEnding;
};

// False when a new program version was prepared (the stop request "NEW VERSION" is made), or when the run ended
// while the new program was downloaded or unpacked (nothing of it is kept); true otherwise, also after every
// failed download of "versions.json" or of a data file. Throws UserErrorException 112 when the new program could
// not be downloaded or unpacked, and a file-system error when a file's status cannot be read.
bool gf_checkVersions(const UpdaterOptions& options);

// Downloads and unpacks the program version into "new_version/install_new_version.exe"; true when it is there.
bool gf_updateProgram(const VersionData& version, const UpdaterOptions& options);

} // namespace hlw
