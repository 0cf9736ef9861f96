#pragma once
// What both aircraft.cfg readers decide for a whole file before they look at its [fltsim.N] sections: whether
// its section numbering may be read at all, and (for generic packages) the one model code of the file.
// Rejections go to the scan's report lists (scan_lists.h). Safe to call from several reader tasks at once.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Section numbers above this reject the whole file.
inline constexpr int highestFltsimNumber = 10000;
// An aircraft.cfg is some kilobytes, a large one a few hundred; a larger file is reported as invalid, not read.
inline constexpr std::size_t aircraftCfgMaxBytes = 16U << 20U;

// False when a header number does not fit a signed 32-bit number (alert "fltsim num {} incorrect") or lies
// outside 0 to 10000 (a line in the invalid aircraft.cfg report). A file without any header is listed in the
// no-section report and may still be read (it simply yields nothing).
bool gf_checkFltsimNumbers(const std::vector<std::string>& lines, const std::filesystem::path& file);

using CfgLogWriter = void (*)(std::string_view) noexcept;
// The lines of an aircraft.cfg file, read once through encoding detection, when they can be read and their
// [fltsim.N] numbering holds; otherwise nothing. A file of no detectable encoding is reported through the given
// writer, a failed read with a plain log line, a file above aircraftCfgMaxBytes in the invalid aircraft.cfg report.
std::optional<std::vector<std::string>> gf_readAircraftCfgLines(const std::filesystem::path& file,
                                                                CfgLogWriter reportNoEncoding);

// A model code checked against the reference data: a known code as it is; a code the fixes correct becomes the
// corrected code (reported as a fix); anything else is reported as an invalid model code and gives "".
std::string gf_resolveModelCode(std::string_view code, const std::filesystem::path& file);

// The model of a generic aircraft.cfg: its first "icao_type_designator", else (gf_modelFromBaseContainer) its
// first "base_container" that names a default aircraft; each resolved by gf_resolveModelCode. "" when none.
std::string gf_modelFromIcaoTypeDesignator(const std::filesystem::path& file, const std::vector<std::string>& lines);
// A file without either key is reported as invalid, except the two airliner add-ons that never carry one.
std::string gf_modelFromBaseContainer(const std::filesystem::path& file, const std::vector<std::string>& lines);

} // namespace hlw
