#pragma once
// Operations on the files directly inside one folder; sub-folders are never entered.
#include "core/fixed_code.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace hlw {

// The number of regular files in the folder; 0 when the path does not exist. Other filesystem errors (the
// path is no folder, it cannot be listed) throw std::filesystem::filesystem_error.
std::size_t gf_countFilesInDirectory(const std::filesystem::path& path);

// The codes of the airport files in a folder: regular files with the extension ".XML" in any case whose stem
// has exactly 4 characters, upper-cased, in listing order. Empty when the path does not exist or is no folder.
// A 4-character stem that is no valid code is logged and skipped, and so is a second file of one code (the
// same stem in other letter cases): the first in listing order is kept.
std::vector<FixedCode<4>> gf_xmlFilesInDirectory(const std::filesystem::path& path);

// Removes every regular file in the folder. Nothing happens for a missing path or one that is no folder;
// a failed removal is logged ("Failed to remove {} ({})") and the walk goes on; nothing is thrown.
void gf_removeFilesFromDirectory(const std::filesystem::path& path);
// The same for the files with the extension ".XML" in any case, in the airport-file folder "tblo" by default.
void gf_removeXMLFilesFromDirectory(const std::filesystem::path& folder = "tblo");

} // namespace hlw
