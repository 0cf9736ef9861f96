#pragma once
// Sealing a plain file into the program's sealed data-file format (the reverse of gf_streamDecrypt).
#include "refdata/project_key.h"

#include <cstddef>
#include <filesystem>
#include <iosfwd>

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

// Seals one file into another. The result is written beside the target and renamed over it only when
// complete, so a failed run never leaves a half-sealed file. Throws std::runtime_error on failure.
void sealFile(const ProjectKey& key, const std::filesystem::path& input, const std::filesystem::path& output,
              const SealOptions& options = {});

} // namespace hlw::sealer
