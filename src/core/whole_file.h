#pragma once
// Reading a whole file into memory with a cap on its size, for files of untrusted size (package manifests,
// link files, airport files).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace hlw {

enum class WholeFileStatus {
    ok,
    cannotOpen, // missing, no permission, or not a regular file (a folder, a FIFO, a device): never waited for
    tooLarge,   // more than the cap: nothing of it is returned
    readFailed,
};

struct WholeFile {
    WholeFileStatus status = WholeFileStatus::cannotOpen;
    std::string bytes; // the file's bytes when the status is ok, else empty
};

// The file's bytes, unchanged. A file larger than maxBytes is not read. Never throws for file-system reasons.
WholeFile gf_readWholeFile(const std::filesystem::path& path, std::size_t maxBytes);

// "cannot be opened", "is larger than {} bytes", "could not be read": for the caller's log or report line.
std::string gf_wholeFileProblem(WholeFileStatus status, std::size_t maxBytes);

} // namespace hlw
