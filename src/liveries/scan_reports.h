#pragma once
// The report files of a livery scan: one per kind of finding of the reader tasks (scan_lists.h), written after
// the scan with a summary in the log, and removed, with the previous "LiveriesScanned.xml", before a scan.
// Worker thread only, while no reader task of the scan runs.
#include "liveries/scan_lists.h"

#include <filesystem>

namespace hlw {

// "output/errors/..." for every report but the empty aircraft.cfg files ("output/info/...").
const std::filesystem::path& gf_scanReportPath(ScanReport report);

// Removes, in order, the empty-files report, "LiveriesScanned.xml", "InlineRegcodes.txt", the five error
// reports and then the errors folder itself when it is empty. A missing item counts as removed. The first
// failure ends the removal with the log line "problems with removing previous files: {}". Never throws.
void gf_removeScanResultFiles() noexcept;

// Logs "\nErrors:" or "\nNo errors", writes each non-empty report (sorted, the fixes in the order found, the
// incomplete sections also without repeated lines) with its count line, then "\nInformation:" and the
// empty-files report. The errors folder is created when needed (a failure throws
// std::filesystem::filesystem_error); the info folder must exist. A report that cannot be written is logged by
// the writer and the summary goes on.
void gf_writeScanSummary();

} // namespace hlw
