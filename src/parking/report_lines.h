#pragma once
// The lines the add-on airports scan reports: every decision and problem of the scan, written to its scan log.
#include <string>
#include <vector>

namespace hlw {

using ReportLines = std::vector<std::string>;

} // namespace hlw
