#pragma once
// The walk of one root folder of a livery scan: every aircraft.cfg below it is handed to a reader task, and the
// liveries come back in the order in which the walk met the files.
#include "liveries/reader_tasks.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace hlw {

struct LiveryReaders {
    LiveryReader generic; // every package but the IVAO kind
    LiveryReader ivao;    // files under "IVAO_MTL" or "ivao_x-csl"
};

// Folders whose path holds one of these words (letter case as written, anywhere in the full path) are not
// entered: scenery and aircraft makers whose aircraft.cfg files are no AI liveries.
bool gf_pathHasLiverySkipWord(std::string_view pathText) noexcept;
// Folders whose path text reaches this many bytes are not entered either.
inline constexpr std::size_t liveryWalkPathLimit = 250;
// "aircraft.cfg" in any letter case, exactly.
bool gf_isAircraftCfgName(const std::filesystem::path& file);
// Files of IVAO packages, which their own reader reads.
bool gf_isIvaoPackagePath(std::string_view pathText) noexcept;

// Walks the root (directory links are not followed), reads every aircraft.cfg in a task of the pool and
// appends the liveries to out in walk order. A folder that cannot be listed is logged and passed over; a
// failure with one entry is logged and the walk goes on. A stop request ends the walk: then the tasks not yet
// collected are dropped. Never throws.
void gf_scanLiveryFolder(uint16_t sourceIndex, const std::filesystem::path& root, const LiveryReaders& readers,
                         ReaderTaskPool& tasks, ScannedLiveryList& out);

} // namespace hlw
