#pragma once
// The "manifest.json" of a simulator package and what the add-on airports scan decides with it and with the
// path of the BGL file it found: the publisher of an add-on airport and its ICAO code. Every decision also
// becomes a line of the scan's report. Nothing here throws: a failure is a report line and no result.
#include "parking/apf_data.h"
#include "parking/report_lines.h"
#include "refdata/airports_database.h"

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Manifests are small; a larger file is not read.
inline constexpr std::size_t manifestMaxBytes = 1U << 20U;
// The BGL file's own folder and the folders above it that are searched for a manifest.
inline constexpr int manifestSearchDepth = 7;

// The first regular file named exactly "manifest.json" in the folder (in listing order); the empty path when
// there is none or the folder is none.
std::filesystem::path gf_findManifest(const std::filesystem::path& folder);

// The manifest's fields. Nothing for an unreadable, empty or too large file (with a report line for the last)
// or a document that is no JSON object. Throws the JSON library's errors on bad syntax or a field that is no
// text (gf_searchManifest catches them).
std::optional<PackageManifest> gf_readManifest(const std::filesystem::path& path, ReportLines& report);

// A member as text: the empty text when it is missing, null, an empty object or an empty array; any other
// value that is no text throws the JSON library's type error.
std::string gf_jsonString(const nlohmann::json& object, std::string_view key);

// True for a manifest whose manufacturer and creator are both shorter than 4 characters: it names no maker, and
// the add-on airports scan writes no airport file for its package. False without a manifest.
bool gf_manifestNamesNoMaker(const std::optional<PackageManifest>& manifest);
// The scan log line that says why the airport gets no airport file: the manifest found for it (which may lie
// above the airport's own package) names no maker.
std::string gf_noMakerLine(const AirportCode& code, const PackageManifest& manifest);

// The manifest of the package that holds the file: searched in the file's folder and up to 6 folders above it.
std::optional<PackageManifest> gf_searchManifest(const std::filesystem::path& path, ReportLines& report);

// Sets the data's publisher (and its manifest when one is read on the way).
void gf_detectPublisher(ApfData& data, ReportLines& report);

// The airport code of the data: from its BGL path text, else from the BGL file's stem, else from the title of
// its package manifest. refused becomes true when a code was found there that the airports database does not
// know (and false otherwise).
std::optional<AirportCode> gf_detectAirportCode(ApfData& data, const AirportCodeSet& supported, bool& refused,
                                                ReportLines& report);

} // namespace hlw
