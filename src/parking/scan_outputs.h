#pragma once
// What the add-on airports scan leaves behind besides its scan log: link files and generated airport files in
// "airports/my_simaddon" and "airports/my_thirdparty", and in the folder "tblo" copies of the generated files of
// airports that have no archived file yet, packed into "tblo/tblo.zip" for the user to send in.
#include "core/fixed_code.h"
#include "parking/apf_data.h"
#include "parking/report_lines.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace hlw {

// Where the user sends "tblo.zip".
inline constexpr std::string_view supportMailAddress = "airports@hollowmere.example";
// A file larger than this is not packed into the archive.
inline constexpr std::size_t zipEntryMaxBytes = 64U << 20U;

// "<folder>/<CODE>.txt" holding the archive name and a line feed. False, with the scan log line
// "===> could not write {}", when the file cannot be written.
bool gf_writeLinkFile(const std::filesystem::path& folder, const AirportCode& code, std::string_view archiveName,
                      ReportLines& report);

// The generated airport file of the data, its stands sorted by id byte by byte, in "my_simaddon" for the
// publisher "simaddon" and in "my_thirdparty" otherwise; with the scan log line "Generated {}: {} position{}"
// and " of which {} helipad{}" when it has helipads. An airport without stands gets the line "{} has no stands"
// and no file; a file that cannot be written the line "===> Writing {} did not succeed". simulator is the
// airport file's simulator identifier.
void gf_writeGeneratedAirport(ApfData& data, int32_t helipads, int32_t simulator, ReportLines& report);

// Copies the generated files of the airports the airports database knows from "my_simaddon" to the folder;
// the generated file of an airport that also has a link file there is then removed. Logs
// "{} simaddon file{} copied to tblo folder" and returns the number of copies.
int32_t gf_copySimaddonFilesToTblo(const std::filesystem::path& tblo);
// The same from "my_thirdparty", except that a "KMCI.xml" of the publisher "TropicalSim" is removed instead.
void gf_copyThirdpartyFilesToTblo(const std::filesystem::path& tblo);

// Packs the regular files of the folder (by file name) into the archive at target, replacing an older one.
// True when at least one file went in and the archive was written; every step is logged with "[zip] ".
bool gf_zipFolder(const std::filesystem::path& folder, const std::filesystem::path& target);

struct TbloPacking {
    int32_t files = 0;   // files gathered in the folder
    bool packed = false; // "tblo.zip" was made of them
};

// The files gathered in the folder by a whole scan packed into "tblo.zip" there, and the packed XML files removed.
// A folder that holds none gets the log line that every airport is recognised. When the archive cannot be made
// the alert "Zippen TBLO folder failed" is logged and the files stay.
TbloPacking gf_zipTblo(const std::filesystem::path& tblo);

} // namespace hlw
