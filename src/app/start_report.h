#pragma once
// What the program found out about its surroundings when it started: version, time, per-user folders and
// rights. Written to the log and echoed to the console, one line each.
#include <cstdio>
#include <string>
#include <vector>

namespace hlw {

// The lines of the report, in order. Per-user folders that cannot be found are alerted in the log by the
// folder services and reported here as not found.
std::vector<std::string> gf_startReportLines();

// Logs every line and prints it to out.
void gf_writeStartReport(std::FILE* out);

} // namespace hlw
