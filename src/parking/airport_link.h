#pragma once
// Whether an add-on airport found by the scan already has an archived airport file: a simulator airport in the
// reference database's simulator add-on list of the chosen simulator ("archive/simaddon/<CODE>.xml"), or an
// outside publisher's airport in that publisher's list ("archive/thirdparty/<publisher>/<CODE or versioned
// stem>.xml", blanks of the publisher written "%20"). Such an airport gets a link file naming the archived file
// instead of a generated airport file.
#include "parking/addon_scan_run.h"
#include "parking/apf_data.h"

#include <optional>
#include <string>

namespace hlw {

// "archive/simaddon/<CODE>.xml", or nothing with the scan log line "{} does not exist as simaddon".
std::optional<std::string> gf_existsAsSimaddon(const AirportCode& code, bool msfs2020, ReportLines& report);
// The publisher's archived file: with a manifest the versioned stem first, then the code; or nothing with the
// scan log line "thirdparty {} {} does not exist".
std::optional<std::string> gf_existsAsThirdparty(const ApfData& data, bool msfs2020, ReportLines& report);

// Writes the airport's link file when it has an archived file, after finding its publisher when it has none
// yet; true when the link file was written. False for an airport without publisher or archived file, and for a
// link file that could not be written (the caller then generates the airport's file).
bool gf_linkAirport(ApfData& data, AddonScanRun& run);

} // namespace hlw
