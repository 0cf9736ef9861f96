#pragma once
// The older generation of a file the program rewrites for the user ("EHAM.xml" -> "EHAM0.xml"), itself written
// safely, so that a crash during the copy leaves the previous generation whole.
#include <filesystem>

namespace hlw {

// The name with "0" before the last dot; empty for a name without dot.
std::filesystem::path gf_generationPath(const std::filesystem::path& path);

// Copies the file to its older generation (temporary file, sync, rename). Nothing to do for a missing file; a
// failure is logged and false.
bool gf_keepGeneration(const std::filesystem::path& path);

} // namespace hlw
