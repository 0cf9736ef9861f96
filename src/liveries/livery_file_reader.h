#pragma once
// The reader task for aircraft.cfg files of generic AI-traffic packages (every package not of the IVAO kind):
// the file's model from its [General] keys, then one livery per usable [fltsim.N] section with its airline,
// operator, cargo flag and registration, completed through the reference database. Rejections go to the
// scan's report lists (scan_lists.h); several tasks may run at once.
#include "liveries/livery_data.h"

#include <cstdint>
#include <filesystem>

namespace hlw {

// The liveries of one file in section order; nothing for a missing file. Logs and passes on an exception that
// ends the reading (the liveries of that file made so far are lost; their titles stay taken for this scan).
ScannedLiveryList gf_searchLiveriesinFile(int32_t sourceIndex, const std::filesystem::path& file);

} // namespace hlw
