#pragma once
// Sealed data files: libsodium's secret stream (XChaCha20-Poly1305) with the project key.
// Layout: a 24-byte stream header, then sealed chunks of 4096 plain bytes plus 17 bytes of tag and authenticator
// each (the last chunk may be shorter). The chunk boundaries are not stored, so the reader takes the stream in
// pieces of exactly 4113 bytes. The chunk tagged FINAL ends the stream; bytes behind it are ignored.
#include "refdata/project_key.h"

#include <cstddef>
#include <filesystem>

namespace hlw {

inline constexpr std::size_t sealedHeaderBytes = 24;
inline constexpr std::size_t sealedPlainChunkBytes = 4096;
inline constexpr std::size_t sealedChunkOverheadBytes = 17;
inline constexpr std::size_t sealedChunkBytes = sealedPlainChunkBytes + sealedChunkOverheadBytes;

// The plain copy of a sealed file: the same folder and base name with the extension ".xml".
std::filesystem::path gf_plainPathOf(const std::filesystem::path& sealedPath);

// Decrypts a sealed file into a plain file, created anew after a file or link at its name is removed
// (core/fresh_file.h); a folder or device at the name fails the call. True on success. On failure it logs
// "gf_streamDecrypt exception: {}" with the cause, removes the output file and returns false. Causes:
// "Could not open input file: {}", "Could not open output file: {}", "Invalid header or key" (also for a file
// shorter than its header), "Decryption failed" (a damaged or misaligned chunk, a wrong key, a cut file) and
// "Could not write output file: {}". A stream without a FINAL chunk is accepted as it stands (and logged).
bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output);
// The same with another key (tests, tools).
bool gf_streamDecrypt(const ProjectKey& key, const std::filesystem::path& input,
                      const std::filesystem::path& output);

// Authenticates a whole sealed file without writing anything: true when the header and every chunk pass and
// the stream ends in a FINAL chunk (a file cut behind a full chunk is refused). Used to check a downloaded data
// file before it replaces the old one.
bool gf_verifySealedFile(const std::filesystem::path& input);
bool gf_verifySealedFile(const ProjectKey& key, const std::filesystem::path& input);

} // namespace hlw
