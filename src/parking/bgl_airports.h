#pragma once
// The airports of one BGL file, for the add-on airports scan when the simulator's facility data did not give
// them: every airport code of the file that the airports database knows becomes a link file (when the airport has
// an archived file) or a generated airport file with the stands read from the file. A code that several records
// of the file carry is decided and written once, with the stands of its last record that has any.
#include "parking/addon_scan_run.h"

#include <cstddef>
#include <filesystem>

namespace hlw {

// Airport scenery files are a few megabytes; a larger file is not read.
inline constexpr std::size_t bglFileMaxBytes = 256U << 20U;
// Scan log lines of one kind (unknown codes, skipped stands, parkings cut short...) that one file writes; the
// further ones are counted in one line at the end of the file.
inline constexpr std::size_t bglFileMaxRepeatedLines = 5;

// Never throws: a damaged file ends with an alert line, and the airports read from it before are still written.
// All walks over the file's records share one BglWalkBudget: once it is spent the rest of the file is not read
// (an airport read only in part is not written), and the file's walk messages beyond the first few end in one
// count line. A stop of the run ends the file before its next record or airport file, without writing more.
void gf_processBglFile(const std::filesystem::path& path, AddonScanRun& run);

} // namespace hlw
