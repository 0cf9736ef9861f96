#pragma once
// Operations over the whole list of live aircraft that the worker runs for the engine and the window: room for a
// new aircraft by removing the farthest one, the callsign choice list behind "CALLSIGN_2_OBJECTID", and
// "ObjectIdList.txt" with the active aircraft for the user.
#include "core/status_board.h"
#include "engine/live/live_context.h"

#include <filesystem>
#include <string>
#include <vector>

namespace hlw {

// A later aircraft must lie more than this much farther than the current candidate to replace it.
inline constexpr double farthestMarginNm = 0.1;

// Removes the active live aircraft farthest from the user aircraft when it lies more than 0.1 nm beyond
// distanceNm; a negative distance removes the farthest one whatever its distance. True when none was removed.
bool gf_removeFarthestLiveAc(LiveContext& context, double distanceNm);

// The callsigns of the active live aircraft that are not parked, sorted.
std::vector<std::string> gf_callsignChoices(const LiveEngineState& state);
// Fills the choice list, selects its first entry and enables the list and "Block" (while "Unblock" is not in
// use); true when it holds a callsign.
bool gf_fillCallsignList(const LiveEngineState& state);
// One empty entry, selected; the list and "Block" disabled; the object-id text emptied.
void gf_resetCallsignList(StatusBoard& status);

// One line per active live aircraft: object id, callsign, registration, airline, model, "GND"/"AIR", "PARKED".
std::string gf_liveAcListText(const LiveEngineState& state);
// Replaces the file with the list; a failure is logged as the alert "Failed to write {path} ({reason})".
bool gf_writeLiveAcList(const LiveEngineState& state, const std::filesystem::path& path);

} // namespace hlw
