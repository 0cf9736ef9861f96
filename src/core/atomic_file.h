#pragma once
// Replacing a whole file so that a crash or a full disk never leaves it half written: the bytes go to a
// temporary file in the same folder, which is flushed, synced, closed, checked and then renamed over the target.
#include <filesystem>
#include <string>
#include <string_view>

namespace hlw {

// Replaces the file's contents by bytes. On any failure the alert "Failed to write {} ({})" is logged, the
// temporary file is removed, the old file stays untouched and the result is false. An existing target that is
// not a regular file (a folder, a device) is refused. A symbolic link keeps pointing at the file it names.
bool gf_replaceFileContents(const std::filesystem::path& path, std::string_view bytes);

// Removes the temporary files ("<file>.<pid>.<n>.tmp") that writers killed inside a replacement left in the
// folder, as long as the process named in them no longer runs; files of a running process stay. Logs how many
// were removed and every removal that failed. A missing folder has nothing to remove.
void gf_removeOrphanTemporaryFiles(const std::filesystem::path& folder);

// Writes every byte to an open descriptor, then syncs it. On failure error receives the system's message.
bool gf_writeAllAndSync(int descriptor, std::string_view bytes, std::string& error);

} // namespace hlw
