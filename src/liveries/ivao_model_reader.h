#pragma once
// The reader task for aircraft.cfg files of IVAO packages ("IVAO_MTL", "ivao_x-csl"): one model per folder
// named "IVAO_<model>", the airline taken from the first three characters of each livery title, and every
// livery's "texture" naming a texture folder beside the file. Rejections go to the scan's report lists
// (scan_lists.h); several tasks may run at once.
#include "liveries/livery_data.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace hlw {

// The liveries of one file in section order. Logs and passes on an exception that ends the reading (the
// liveries of that file made so far are lost; their titles stay taken for this scan).
ScannedLiveryList gf_searchLiveriesinIVAOFile(int32_t sourceIndex, const std::filesystem::path& file);

// The model code from ".../IVAO_MTL/SimObjects/Airplanes/IVAO_<model>/aircraft.cfg" (or "ivao_x-csl"; letter
// case ignored, '/' and '\' both separate) cut to 4 characters and checked against the reference data. A path
// of another shape is reported with the code "  "; the result is then "".
std::string gf_ivaoModelFromPath(const std::filesystem::path& file);

} // namespace hlw
