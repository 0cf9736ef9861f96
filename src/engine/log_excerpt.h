#pragma once
// Received bytes made fit for a log line: a datagram may hold anything, and a log line should stay one readable
// line of moderate length.
#include <cstddef>
#include <string>
#include <string_view>

namespace hlw {

inline constexpr std::size_t defaultExcerptBytes = 240;

// Every byte outside printable ASCII becomes '?'; beyond maxBytes the text is cut and ends in "...".
std::string gf_logExcerpt(std::string_view bytes, std::size_t maxBytes = defaultExcerptBytes);

} // namespace hlw
