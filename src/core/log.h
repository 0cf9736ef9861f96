#pragma once
// "Log.txt": one text file written line by line from every thread under one mutex.
// The log mutex is the innermost lock of the program: no writer calls anything else while holding it.
// Every writer is a safe no-op before the log is opened, also during static initialisation.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace hlw {

// Rotates older logs into three generations, opens the log (truncating it) and writes the banner.
// Throws std::runtime_error "Failed to write file <path>" when the file cannot be opened.
void gf_startLog(const std::filesystem::path& path = "Log.txt");
// Flushes and closes the log; later writers are no-ops again. For the exit path and tests.
void gf_stopLog() noexcept;
bool gf_logIsOpen() noexcept;

void gf_log(std::string_view text) noexcept;
// "==> " + text, flushed.
void gf_logAlert(std::string_view text) noexcept;
// A plain line that reaches the disk now.
void gf_logFlush(std::string_view text) noexcept;
// Flushes what was written so far.
void gf_logFlushNow() noexcept;
// Ten blanks + text: further lines of a multi-line entry.
void gf_logContinuation(std::string_view text) noexcept;
// As gf_log, but nothing while a stop of the run is requested or the user is closing the program.
void gf_logUnlessStopping(const std::string& text) noexcept;

// Values (settings, paths from settings) are logged whole up to this many bytes; a longer one is cut, so that a
// setting pasted full of junk cannot flood the log.
inline constexpr std::size_t maxLoggedValueBytes = 1000;
// The text itself when it fits, else its first bytes (never half a UTF-8 character) and "... ({n} bytes)".
std::string gf_logExcerpt(std::string_view text, std::size_t maxBytes = maxLoggedValueBytes);

// Generation n of a file: n characters '0' inserted before the last '.' of the whole path text.
std::string gf_generationName(const std::string& pathText, int generation);
// Copies generation 2 onto 3, 1 onto 2 and the file onto 1; true when every step succeeded or had nothing to do.
bool gf_saveUpto3GenerationsOf(const std::filesystem::path& path);
// Copies the file onto its generation 1 before the caller removes or replaces it.
bool gf_save1GenerationOf(const std::filesystem::path& path);

} // namespace hlw
