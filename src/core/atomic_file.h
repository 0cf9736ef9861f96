#pragma once
// Replacing a whole file so that a crash or a full disk never leaves it half written: the bytes go to a
// temporary file in the same folder, which is flushed, synced, closed, checked and then renamed over the target.
#include <filesystem>
#include <string>
#include <string_view>

namespace hlw {

// When the new contents reach the disk: with each replacement, or later, for a writer that replaces many files in
// a row and then calls gf_syncFileSystem once (each replacement is still whole or not there at all).
enum class Durability { now, later };

// Replaces the file's contents by bytes. On any failure the alert "Failed to write {} ({})" is logged, the
// temporary file is removed, the old file stays untouched and the result is false. An existing target that is
// not a regular file (a folder, a device) is refused. A symbolic link keeps pointing at the file it names.
bool gf_replaceFileContents(const std::filesystem::path& path, std::string_view bytes,
                            Durability durability = Durability::now);

// Makes everything written to the file system that holds the folder reach the disk. False, with the alert
// "Failed to sync {} ({})", when it cannot.
bool gf_syncFileSystem(const std::filesystem::path& folder);

// Removes the temporary files ("<file>.<pid>.<n>.tmp") that writers killed inside a replacement left in the
// folder, as long as the process named in them no longer runs; files of a running process stay. Logs how many
// were removed and every removal that failed. A missing folder has nothing to remove.
void gf_removeOrphanTemporaryFiles(const std::filesystem::path& folder);

// Writes every byte to an open descriptor, then syncs it. On failure error receives the system's message.
bool gf_writeAllAndSync(int descriptor, std::string_view bytes, std::string& error);

} // namespace hlw
