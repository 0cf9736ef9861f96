#pragma once
// A learned file whose content is damaged (not XML, cut off, without its meta block, or failing part-way) is
// kept under a numbered name of its own beside it ("EHAM.damaged1.xml", "EHAM.damaged2.xml", ...), which no save
// and no older generation ever writes. The learned file's name is then free: learning goes on, the next save
// writes a whole new file, and the older generation ("EHAM0.xml") keeps the last good file. Worker thread only.
#include "parking/park_airport_state.h"

#include <filesystem>
#include <optional>

namespace hlw {

// The damaged names tried before giving up.
inline constexpr int damagedLearnedNames = 1000;

// True for the reads that found the learned file damaged.
bool gf_learnedFileDamaged(LearnedRead read) noexcept;

// The first damaged name beside the learned file that no file has; none when all are taken.
std::optional<std::filesystem::path> gf_freeDamagedLearnedPath(const std::filesystem::path& learned);

// Moves the damaged learned file to its damaged name and says so once on the message line and in the log; the
// read then counts as damagedKeptAside, so that the next save writes a new file. When the file cannot be moved
// (logged and shown as well) the read stays as it was and nothing is saved over the file.
void gf_keepDamagedLearnedFile(const std::filesystem::path& learned, ParkAirportState& state);

} // namespace hlw
