#pragma once
// The parts of the simulator's binary scenery files (BGL) that carry airports, helipads and taxiway parkings.
// A file is a header, a table of sections and the sections' records; airport sections (type 3) lead to airport
// records (id 0x56), whose subrecords hold helipads (0x26) and parkings (0xE7). Everything is read through
// bounds-checked 32-bit little-endian words: a field outside the file throws std::out_of_range, a count or size
// that does not fit its record is logged and cut off there, and numbers that are not finite or out of range
// skip their stand with a scan log line. All walks over one file's records draw on the file's BglWalkBudget, and
// its scan log lines about skipped stands go through one CappedAlerts, so that a crafted file that repeats a
// fault for every stand gets a few lines of each kind and a count.
#include "core/capped_alerts.h"
#include "parking/bgl_walk_budget.h"
#include "records/stand_record.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

inline constexpr uint32_t bglHeaderBytes = 0x38;
inline constexpr uint32_t bglSectionBytes = 20;
inline constexpr uint32_t bglAirportSectionType = 3;
// Set in an airport section's flag word when its subsection entries are 20 bytes long; such sections are not read.
inline constexpr uint32_t bglLongSubsectionFlag = 0x10000;
inline constexpr uint16_t bglAirportRecordId = 0x56;
inline constexpr uint16_t bglHelipadRecordId = 0x26;
inline constexpr uint16_t bglParkingsRecordId = 0xE7;
// The airport record's fixed part; its subrecords follow.
inline constexpr uint32_t bglAirportHeadWords = 17;
inline constexpr uint32_t bglParkingEntryWords = 14;
// Records walked per section and subrecords per airport before a file counts as corrupt.
inline constexpr int bglMaxSteps = 9000;
// A stand radius above this many metres is no stand.
inline constexpr double bglMaxRadiusMetres = 500.0;

// The file's bytes as 32-bit little-endian words; a last partial word is filled up with zero bytes.
class BglWords {
  public:
    explicit BglWords(std::string bytes);

    uint64_t size() const noexcept { return (bytes_.size() + 3) / 4; }
    // Throws std::out_of_range for an index at or beyond size().
    uint32_t at(uint64_t index) const;
    float floatAt(uint64_t index) const;
    // The 16-bit id of the record that starts at the word.
    uint16_t recordId(uint64_t index) const { return static_cast<uint16_t>(at(index) & 0xFFFFU); }
    // The record's size in bytes (bytes 2-5 of its head, across the word boundary).
    uint32_t recordSize(uint64_t index) const;

  private:
    std::string bytes_;
};

// True when the file holds at least one airport section: only the header and the section table are read.
// False for a file that cannot be read, is 56 bytes or shorter, or whose section count does not fit the file.
bool gf_bglQuickCheck(const std::filesystem::path& path);

struct BglIdent {
    std::string text;
    bool valid = false; // not empty, and no character is a blank or '?'
};
// An airport ident packed in base 38 into bits 5-31.
BglIdent gf_decodeBglIdent(uint32_t packed);

struct BglAirportRecord {
    uint64_t word = 0;      // where the record starts
    uint64_t sizeWords = 0; // its size, head and subrecords included
    std::string ident;      // a valid ident
};

// The airport records with a valid ident, each once, in the order the walk of the airport sections meets them.
// Nothing, without a message, for a header or section table that does not fit the file; the walk of one section
// stops at a record of size 0 and after bglMaxSteps records, with an alert line, and at a record that the walk of
// an earlier section met: from there on it would repeat that walk.
std::vector<BglAirportRecord> gf_findBglAirports(const BglWords& words, BglWalkBudget& budget);

struct BglAirportStands {
    int32_t altitudeFt = 0;
    std::vector<StandRecord> stands;
    int32_t helipads = 0;
};

// The helipads and the first parkings subrecord of one airport record. Parkings entries end at the end of their
// subrecord or of the airport record, whichever comes first, however many the count promises ("===> " line);
// skipped stands get lines. pathText names the file in the lines. Throws std::out_of_range when a field lies
// beyond the file. When the budget is spent on the way the airport has not been read whole.
BglAirportStands gf_readBglStands(const BglWords& words, const BglAirportRecord& record, std::string_view pathText,
                                  CappedAlerts& lines, BglWalkBudget& budget);

} // namespace hlw
