#pragma once
// The walks of the add-on airports scan over one package root. A BGL root ("Official", "Community") is walked
// recursively for ".bgl" files that hold an airport; each is first asked of the simulator's facility data and
// else read as a BGL file. "StreamedPackages" (MSFS 2024) holds one folder per package, whose name gives the
// airport; its stands come from the facility data only. Exclusion words are tested on the path relative to the
// root, so that a user's own folder names never exclude a whole root; the 250-character rule on the full path.
// Folder links are not followed, an unreadable folder is reported and skipped, and an error of one file or
// package ends only that file or package. A stop of the run ends a walk at once.
#include "parking/addon_scan_run.h"

#include <filesystem>
#include <string_view>

namespace hlw {

// A path of this many characters or more is not walked.
inline constexpr std::size_t scanMaxPathLength = 250;

// A missing root or one that is no folder is reported on the message line and skipped.
void gf_scanRoot(const std::filesystem::path& root, AddonScanRun& run);

// The BGL walk's exclusion: the full path's length, and the words in the lower-cased path relative to the root.
bool gf_excludedFromBglWalk(std::string_view fullPath, std::string_view relativePath);
// A ".bgl" file of a path relative to the root that holds one of the words of scenery that is no airport.
bool gf_notAnAirportFile(std::string_view relativePath);
// A streamed package excluded by its folder name.
bool gf_excludedStreamedPackage(std::string_view folderName);

} // namespace hlw
