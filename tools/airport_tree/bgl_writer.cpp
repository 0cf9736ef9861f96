#include "bgl_writer.h"

#include <gsl/narrow>

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace hlw::tree {
namespace {

constexpr uint32_t headerBytes = 0x38;
constexpr uint32_t sectionBytes = 20;
constexpr uint32_t subsectionBytes = 16;
constexpr uint32_t airportHeadBytes = 68;
constexpr uint32_t helipadBytes = 36;
constexpr uint32_t parkingsHeadBytes = 8;
constexpr uint32_t parkingEntryBytes = 56;
constexpr uint32_t fillerBytes = 8;
constexpr uint32_t magic = 0x19920201;
constexpr uint32_t sceneryType = 0x65;
constexpr uint32_t airportType = 3;
constexpr uint32_t longSubsectionFlag = 0x10000;
constexpr uint16_t airportId = 0x56;
constexpr uint16_t helipadId = 0x26;
constexpr uint16_t parkingsId = 0xE7;
constexpr uint16_t fillerId = 0x99;
constexpr double lonPerUnit = 4.470348358154297e-07;
constexpr double latPerUnit = 3.3527612686157227e-07;

class Bytes {
  public:
    std::size_t size() const { return bytes_.size(); }
    // Appends count zero bytes and returns where they start.
    std::size_t grow(std::size_t count)
    {
        const std::size_t at = bytes_.size();
        bytes_.resize(at + count, '\0');
        return at;
    }
    template <typename T> void put(std::size_t at, T value)
    {
        static_assert(sizeof(T) <= 4);
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof(T));
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            bytes_.at(at + i) = static_cast<char>((bits >> (8U * i)) & 0xFFU);
        }
    }
    std::string& text() { return bytes_; }

  private:
    std::string bytes_;
};

// Head of a record or subrecord: its id and its size in bytes.
void lf_head(Bytes& out, std::size_t at, uint16_t id, uint32_t size)
{
    out.put(at, id);
    out.put(at + 2, size);
}

void lf_helipad(Bytes& out, const BglHelipad& helipad, bool zeroSize)
{
    const std::size_t at = out.grow(helipadBytes);
    lf_head(out, at, helipadId, zeroSize ? 0 : helipadBytes);
    out.put(at + 12, gf_packBglLongitude(helipad.lon));
    out.put(at + 16, gf_packBglLatitude(helipad.lat));
    out.put(at + 28, helipad.widthM);
}

void lf_parkings(Bytes& out, const BglAirport& airport)
{
    const std::size_t at = out.grow(parkingsHeadBytes);
    for (const BglParking& p : airport.parkings) {
        const std::size_t entry = out.grow(parkingEntryBytes + 4 * p.airlineCodes);
        out.put(entry, (p.nameCode & 0x3FU) | ((p.type & 0xFU) << 8U) | ((p.number & 0xFFFU) << 12U) |
                           ((p.airlineCodes & 0xFFU) << 24U));
        out.put(entry + 4, p.radiusM);
        out.put(entry + 8, p.headingDeg);
        out.put(entry + 28, gf_packBglLongitude(p.lon));
        out.put(entry + 32, gf_packBglLatitude(p.lat));
    }
    lf_head(out, at, parkingsId, airport.parkingsSize.value_or(static_cast<uint32_t>(out.size() - at)));
    out.put(at + 6,
            static_cast<uint16_t>(airport.parkingCount.value_or(static_cast<uint32_t>(airport.parkings.size()))));
}

// Appends the airport record and returns where it starts.
std::size_t lf_airport(Bytes& out, const BglAirport& airport)
{
    const std::size_t at = out.grow(airportHeadBytes);
    out.put(at + 20, airport.altitudeMm);
    out.put(at + 40, airport.rawIdent.value_or(gf_packBglIdent(airport.ident)));
    bool first = true;
    for (const BglHelipad& helipad : airport.helipads) {
        lf_helipad(out, helipad, first && airport.zeroHelipadSize);
        first = false;
    }
    if (airport.withParkings) {
        lf_parkings(out, airport);
    }
    lf_head(out, at, airportId, airport.recordSize.value_or(static_cast<uint32_t>(out.size() - at)));
    return at;
}

void lf_section(Bytes& out, uint32_t index, uint32_t type, uint32_t flags, uint32_t subsectionOffset)
{
    const std::size_t at = headerBytes + sectionBytes * index;
    out.put(at, type);
    out.put(at + 4, flags);
    out.put(at + 8, uint32_t{1});
    out.put(at + 12, subsectionOffset);
    out.put(at + 16, subsectionBytes);
}

// Header, section table and one subsection entry per section; the entries' data offsets are filled in later.
std::size_t lf_frame(Bytes& out, uint32_t sections, uint32_t headerSize, uint32_t sectionCount)
{
    out.grow(headerBytes + sectionBytes * sections);
    out.put(0, magic);
    out.put(4, headerSize);
    out.put(20, sectionCount);
    return out.grow(subsectionBytes * sections);
}

} // namespace

uint32_t gf_packBglIdent(std::string_view ident)
{
    if (ident.size() > 5) {
        throw std::invalid_argument("a packed ident holds at most 5 characters");
    }
    uint32_t value = 0;
    for (const char c : ident) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - 46);
        } else if (c >= 'A' && c <= 'Z') {
            digit = static_cast<uint32_t>(c - 53);
        } else {
            throw std::invalid_argument("idents hold upper-case letters and digits");
        }
        value = value * 38 + digit;
    }
    return value << 5U;
}

uint32_t gf_packBglLatitude(double lat)
{
    return static_cast<uint32_t>(std::llround((90.0 - lat) / latPerUnit));
}

uint32_t gf_packBglLongitude(double lon)
{
    return static_cast<uint32_t>(std::llround((lon + 180.0) / lonPerUnit));
}

std::string gf_bglFileBytes(const BglFile& file)
{
    uint32_t airportSections = file.secondAirportSection ? 2 : 1;
    if (file.sectionPerAirport && file.airports.size() > 1) {
        airportSections = gsl::narrow<uint32_t>(file.airports.size());
    }
    const uint32_t sections = file.otherSections + airportSections + file.repeatedAirportSections;
    Bytes out;
    const std::size_t subsections =
        lf_frame(out, sections, file.headerSize.value_or(headerBytes), file.sectionCount.value_or(sections));
    const std::size_t sceneryData = out.grow(fillerBytes);
    lf_head(out, sceneryData, fillerId, fillerBytes);
    std::vector<std::size_t> records;
    for (const BglAirport& airport : file.airports) {
        records.push_back(lf_airport(out, airport));
    }
    for (uint32_t i = 0; i < file.fillerRecords; ++i) {
        lf_head(out, out.grow(fillerBytes), fillerId, fillerBytes);
    }
    for (uint32_t i = 0; i < sections; ++i) {
        const std::size_t entry = subsections + subsectionBytes * i;
        const bool airport = i >= file.otherSections;
        const std::size_t section = i - (airport ? file.otherSections : i);
        const std::size_t k = section < airportSections ? section : 0;
        const std::size_t data = airport && k < records.size() ? records[k] : sceneryData;
        out.put(entry + 8, static_cast<uint32_t>(data));
        uint32_t offset = static_cast<uint32_t>(entry);
        if (airport && i == file.otherSections && file.subsectionOffset) {
            offset = *file.subsectionOffset;
        }
        lf_section(out, i, airport ? airportType : sceneryType,
                   airport && file.longSubsections ? longSubsectionFlag : 0, offset);
    }
    out.grow(file.trailingBytes);
    std::string bytes = std::move(out.text());
    if (file.cutTo && *file.cutTo < bytes.size()) {
        bytes.resize(*file.cutTo);
    }
    return bytes;
}

std::string gf_bglSceneryBytes(uint32_t sections)
{
    Bytes out;
    const std::size_t subsections = lf_frame(out, sections, headerBytes, sections);
    const std::size_t data = out.grow(fillerBytes);
    lf_head(out, data, fillerId, fillerBytes);
    for (uint32_t i = 0; i < sections; ++i) {
        out.put(subsections + subsectionBytes * i + 8, static_cast<uint32_t>(data));
        lf_section(out, i, sceneryType, 0, static_cast<uint32_t>(subsections + subsectionBytes * i));
    }
    return std::move(out.text());
}

} // namespace hlw::tree
