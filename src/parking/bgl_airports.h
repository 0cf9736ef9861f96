#pragma once
// The airports of one BGL file, for the add-on airports scan when the simulator's facility data did not give
// them: every airport record whose ident is an airport the airports database knows becomes a link file (when the
// airport has an archived file) or a generated airport file with the stands read from the file.
#include "parking/addon_scan_run.h"

#include <cstddef>
#include <filesystem>

namespace hlw {

// Airport scenery files are a few megabytes; a larger file is not read.
inline constexpr std::size_t bglFileMaxBytes = 256U << 20U;

// Never throws: a damaged file ends with an alert line, and the airports written from it before stay. All walks
// over the file's records share one BglWalkBudget: once it is spent the rest of the file is not read (an airport
// read only in part is not written), and the file's walk messages beyond the first few end in one count line.
void gf_processBglFile(const std::filesystem::path& path, AddonScanRun& run);

} // namespace hlw
