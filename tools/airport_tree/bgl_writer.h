#pragma once
// Writes scenery files (BGL) with airports, helipads and taxiway parkings in the record layout the program's
// reader reads (src/parking/bgl_reader.h), and, on request, with each of the faults a damaged or hostile file
// can have. Test suites, benchmarks, the fuzz corpus and the airport tree builder use it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlw::tree {

struct BglHelipad {
    double lat = 0.0;
    double lon = 0.0;
    float widthM = 20.0F;
};

struct BglParking {
    uint32_t nameCode = 0; // 0 to 63: 10 "g", 12 to 37 "A" to "Z"
    uint32_t number = 1;   // 12 bits
    uint32_t type = 8;     // 4 bits; 0 and 13 are no stands
    float radiusM = 20.0F;
    float headingDeg = 90.0F;
    double lat = 0.0;
    double lon = 0.0;
    uint32_t airlineCodes = 0; // 4-byte codes after the entry
};

struct BglAirport {
    std::string ident;                  // up to 5 letters and digits
    std::optional<uint32_t> rawIdent{}; // the packed ident word as given, in place of ident
    uint32_t altitudeMm = 0;
    std::vector<BglHelipad> helipads;
    std::vector<BglParking> parkings;
    bool withParkings = true; // a parkings subrecord, even with no entries

    // Faults of this airport's records.
    std::optional<uint32_t> recordSize{};   // the airport record's size in bytes (0, or far past the file)
    std::optional<uint32_t> parkingCount{}; // the parkings count (16 bits), more than the subrecord holds
    std::optional<uint32_t> parkingsSize{}; // the parkings subrecord's size in bytes, beyond the airport record
    bool zeroHelipadSize = false;           // the first helipad subrecord gives its size as 0
};

struct BglFile {
    std::vector<BglAirport> airports;
    uint32_t otherSections = 1; // sections of another type before the airport section

    // Faults of the whole file.
    std::optional<uint32_t> headerSize{};       // in place of 0x38
    std::optional<uint32_t> sectionCount{};     // in place of the true count (0, or more than the table holds)
    bool longSubsections = false;               // the airport section flags 20-byte subsection entries
    std::optional<uint32_t> subsectionOffset{}; // the airport section's first subsection entry (past the file)
    bool secondAirportSection = false;          // a second airport section whose data starts at the second airport
    bool sectionPerAirport = false;             // an airport section for each airport, its data starting there
    uint32_t repeatedAirportSections = 0;       // more airport sections, each one's data starting at the first airport
    uint32_t fillerRecords = 0;                 // 8-byte records of another id after the airports
    std::optional<std::size_t> cutTo{};         // the file ends after this many bytes
    uint32_t trailingBytes = 0;                 // 1 to 3 bytes after the last whole word
};

// The packed ident of up to 5 letters and digits (base 38 from bit 5).
uint32_t gf_packBglIdent(std::string_view ident);
// The packed latitude and longitude; out-of-range values wrap, so that bad positions can be written too.
uint32_t gf_packBglLatitude(double lat);
uint32_t gf_packBglLongitude(double lon);

std::string gf_bglFileBytes(const BglFile& file);
// A file with sections of another type only: no airport.
std::string gf_bglSceneryBytes(uint32_t sections);

} // namespace hlw::tree
