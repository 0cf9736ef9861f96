#pragma once
// Received bytes made fit for a log line: a datagram may hold anything, and a log line should stay one readable
// line of moderate length.
#include <cstddef>
#include <string>
#include <string_view>

namespace hlw {

inline constexpr std::size_t maxLoggedDatagramBytes = 240;

// Every byte outside printable ASCII becomes '?', and a long text is cut as core/log.h's gf_logExcerpt does.
std::string gf_datagramLogText(std::string_view bytes);

} // namespace hlw
