#pragma once
// The start-up step of the settings file: the load, and what a new file or a program-version change requires.

namespace hlw {

// The start-up step: the load, then either storing "SCAN_LIVERIES" and "SCAN_AIRPORTS" as true (new file) or
// the treatment of a program-version change. File-system errors of the removals it makes are thrown.
void gf_upgradeParameters();

} // namespace hlw
