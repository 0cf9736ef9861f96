#pragma once
// Sealing a plain file into the program's sealed data-file format (the reverse of gf_streamDecrypt).
#include "refdata/project_key.h"

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

namespace hlw::sealer {

struct SealOptions {
    // Plain bytes per chunk; the program reads only streams sealed with 4096.
    std::size_t plainChunkBytes = 4096;
    // Tag the last chunk FINAL; without it every chunk is tagged MESSAGE.
    bool finalTag = true;
};

// Writes the 24-byte header and the sealed chunks of everything the input holds. An empty input gives one
// empty chunk. Throws std::runtime_error on a read or write failure.
void sealStream(const ProjectKey& key, std::istream& in, std::ostream& out, const SealOptions& options = {});

// The sealed bytes of a plain text, and the same written to a file (created or truncated); for the tests and
// benchmarks that need sealed data of every shape. Throw std::runtime_error on failure.
std::string sealText(const ProjectKey& key, std::string_view plain, const SealOptions& options = {});
void sealTextToFile(const ProjectKey& key, std::string_view plain, const std::filesystem::path& output,
                    const SealOptions& options = {});

// Seals one file into another. The result is written beside the target and renamed over it only when
// complete, so a failed run never leaves a half-sealed file. Throws std::runtime_error on failure.
void sealFile(const ProjectKey& key, const std::filesystem::path& input, const std::filesystem::path& output,
              const SealOptions& options = {});

} // namespace hlw::sealer
