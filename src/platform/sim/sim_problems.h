#pragma once
// Problems the simulator client layer meets in what the simulator sends (a broken frame stream, an
// unknown control command, a record too short for its head). The layer skips the bad input and tells
// the sink installed here; the engine installs one that writes the log.
#include <functional>
#include <string_view>

namespace hlw {

using SimProblemSink = std::function<void(std::string_view)>;

// Installs the sink (an empty function removes it). Any thread may report.
void gf_setSimProblemSink(SimProblemSink sink);
void gf_reportSimProblem(std::string_view text);

}  // namespace hlw
