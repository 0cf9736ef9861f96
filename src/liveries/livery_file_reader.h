#pragma once
// The reader task for aircraft.cfg files of generic AI-traffic packages (every package not of the IVAO kind):
// the file's model from its [General] keys, then one livery per usable [fltsim.N] section with its airline,
// operator, cargo flag and registration, completed through the reference database. Rejections go to the
// scan's report lists (scan_lists.h); several tasks may run at once.
#include "liveries/livery_data.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hlw {

// The liveries of one file in section order; nothing for a missing file. Logs and passes on an exception that
// ends the reading (the liveries of that file made so far are lost; their titles stay taken for this scan).
ScannedLiveryList gf_searchLiveriesinFile(int32_t sourceIndex, const std::filesystem::path& file);

ScannedLiveryList gf_collectFltsimSections(int32_t sourceIndex, const std::vector<std::string>& lines,
                                           const std::string& model, const std::filesystem::path& file,
                                           const std::filesystem::path& folder);

// One section, its header line first (trailing empty and "//" lines are dropped from it): no livery or one.
ScannedLiveryList gf_procesFltSimSection(int32_t sourceIndex, std::vector<std::string>& section,
                                         const std::string& model, const std::filesystem::path& file,
                                         const std::filesystem::path& folder);

} // namespace hlw
