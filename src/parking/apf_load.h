#pragma once
// Loading the park airport's file: a local file is read in place, an archived one is downloaded into
// "airports/park_airport.xml" first. The stands are read with their learned file laid over them (a damaged learned
// file is moved to a name of its own, damaged_learned.h), the settings the learned file may override are kept aside
// first, the stands are numbered and linked, and what was read is logged and shown. A load succeeds only with at
// least one stand, only when the file is within the reader's bounds of bytes, elements and stands (apf_reader.h)
// and the stands overlap within the stand index's bound (stand_index.h); only then is the park airport's file
// loaded.
#include "core/status_board.h"
#include "parking/park_airport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hlw {

// The error of an airport file without the parameter "altitude".
inline constexpr int missingParameterErrorCode = 65;

// Where an archived park-airport file is downloaded to.
std::filesystem::path gf_parkAirportDownloadPath();

// The path below the simulator's download folder of the archived file that the text (gf_findApf) names; none for
// a local file and for a text that names no file.
std::optional<std::string> gf_archivedApfPath(std::string_view fileText);

// Loads the file named by the text (gf_findApf) for the chosen park airport into the park airport's state. Empty
// text on success (park.apfLoaded is then set); otherwise the reason, and then the kept settings are back, nothing
// counts as loaded and the learned file is not to be saved for this load. An archived file is downloaded here
// unless `downloaded` holds the result of its download into gf_parkAirportDownloadPath() made beforehand (empty
// on success, else the failure, which is the result). Never throws.
std::string gf_readApf(std::string_view fileText, ParkAirport& park, StatusBoard& status,
                       const std::optional<std::string>& downloaded = std::nullopt);

} // namespace hlw
