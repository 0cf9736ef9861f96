#include "parking/bgl_reader.h"

#include "core/capped_alerts.h"
#include "core/geodesy.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <unordered_set>

namespace hlw {
namespace {

constexpr double lonPerUnit = 4.470348358154297e-07;  // 360 / (3 * 2^28)
constexpr double latPerUnit = 3.3527612686157227e-07; // 180 / 2^29
constexpr double feetPerMetre = 3.2808399;
constexpr int32_t maxAltitudeFt = 10000;
constexpr int identBase = 38;
// Word indexes inside the structures.
constexpr uint64_t sectionCountWord = 5;
constexpr uint64_t sectionTableWord = 14;
constexpr uint64_t sectionWords = 5;
constexpr uint64_t altitudeWord = 5;
constexpr uint64_t identWord = 10;
constexpr uint64_t helipadLonWord = 3;
constexpr uint64_t helipadLatWord = 4;
constexpr uint64_t helipadWidthWord = 7;
constexpr uint64_t helipadWords = 8;
constexpr uint64_t parkingsHeadWords = 2;
constexpr uint64_t parkingRadiusWord = 1;
constexpr uint64_t parkingHeadingWord = 2;
constexpr uint64_t parkingLonWord = 7;
constexpr uint64_t parkingLatWord = 8;
// Parking types that are no stands.
constexpr uint32_t parkingTypeNone = 0;
constexpr uint32_t parkingTypeVehicles = 13;
constexpr std::string_view duplicateSuffixes = "abcdefghij";
constexpr std::string_view emDash = "\u2014";

constexpr std::array<std::string_view, 12> parkingNames{"",   "r",   "p",  "np",  "ep", "sep",
                                                        "sp", "swp", "wp", "nwp", "g",  ""};
constexpr uint32_t firstLetterName = 12;
constexpr uint32_t lastLetterName = 37;

std::string lf_parkingName(uint32_t code)
{
    if (code < parkingNames.size()) {
        return std::string(parkingNames[code]);
    }
    if (code >= firstLetterName && code <= lastLetterName) {
        return std::string(1, static_cast<char>('A' + (code - firstLetterName)));
    }
    return {};
}

LatLon lf_packedPosition(uint32_t packedLat, uint32_t packedLon)
{
    return {90.0 - packedLat * latPerUnit, packedLon * lonPerUnit - 180.0};
}

bool lf_positionValid(const LatLon& p)
{
    const bool inRange = p.lat >= -90.0 && p.lat <= 90.0 && p.lon >= -180.0 && p.lon <= 180.0;
    return inRange && !(std::abs(p.lat) <= 0.0001 && std::abs(p.lon) <= 0.0001);
}

std::string lf_positionText(const LatLon& p)
{
    return fmt::format("{:.6f},{:.6f}", p.lat, p.lon);
}

bool lf_radiusValid(double metres)
{
    return std::isfinite(metres) && metres > 0.0 && metres <= bglMaxRadiusMetres;
}

bool lf_headingValid(double degrees)
{
    return std::isfinite(degrees) && std::abs(degrees) <= 360.0;
}

// The walk of one airport section's records, from its first subsection's data to the end of the file. A record
// that an earlier section's walk met ends the walk; so each record of the file is walked at most once.
void lf_walkSection(const BglWords& words, uint64_t firstRecord, std::vector<bool>& walked, BglWalkBudget& budget,
                    std::vector<BglAirportRecord>& found)
{
    uint64_t index = firstRecord;
    int steps = 0;
    while (index + 1 < words.size() && !walked[index]) {
        if (++steps > bglMaxSteps) {
            budget.alert(fmt::format("Error: Maximum loop iterations reached (2) {} possible corrupt BGL or malformed "
                                     "input.",
                                     emDash));
            return;
        }
        if (!budget.step()) {
            return;
        }
        walked[index] = true;
        const uint64_t sizeWords = words.recordSize(index) / 4;
        if (words.recordId(index) == bglAirportRecordId) {
            if (sizeWords == 0) {
                budget.alert(fmt::format("   Warning: decodeSizeAtBoundary returned {} at o2 = {}", 0, index));
                return;
            }
            if (index + identWord < words.size()) {
                BglIdent ident = gf_decodeBglIdent(words.at(index + identWord));
                if (ident.valid) {
                    found.push_back({index, sizeWords, std::move(ident.text)});
                }
            }
        }
        if (sizeWords == 0) {
            return;
        }
        index += sizeWords;
    }
}

class StandReader {
  public:
    StandReader(const BglWords& words, std::string_view pathText, CappedAlerts& lines, BglWalkBudget& budget)
        : words_(words), pathText_(pathText), lines_(lines), budget_(budget)
    {
    }

    void helipad(uint64_t at, uint64_t sizeWords, BglAirportStands& airport)
    {
        if (sizeWords < helipadWords) {
            lines_.alert("helipad too short", "===> helipad of {} bytes too short (skipped)", sizeWords * 4);
            return;
        }
        const LatLon position = lf_packedPosition(words_.at(at + helipadLatWord), words_.at(at + helipadLonWord));
        if (!lf_positionValid(position)) {
            lines_.alert("helipad position", "lat/lon helipad incorrect (skipped): {}", lf_positionText(position));
            return;
        }
        for (const LatLon& taken : helipads_) {
            if (std::abs(taken.lat - position.lat) < 1e-8 && std::abs(taken.lon - position.lon) < 1e-8) {
                lines_.alert("double helipad", "double helipad  (skipped) {}", lf_positionText(position));
                return;
            }
        }
        const double radiusMetres = static_cast<double>(words_.floatAt(at + helipadWidthWord)) * 0.5;
        if (!lf_radiusValid(radiusMetres)) {
            lines_.alert("helipad radius", "===> helipad {} radius {} m out of range (skipped)",
                         lf_positionText(position), radiusMetres);
            return;
        }
        helipads_.push_back(position);
        ++airport.helipads;
        airport.stands.push_back(StandRecord::fromFile(fmt::format("helipad{}", airport.helipads), {}, position.lat,
                                                       position.lon, 0.0, radiusMetres, 0, false, false, true));
    }

    // The entries end with the subrecord, and the subrecord with its airport record at recordEnd.
    void parkings(uint64_t at, uint64_t sizeWords, uint64_t recordEnd, BglAirportStands& airport)
    {
        const uint64_t end = std::min(at + sizeWords, recordEnd);
        const uint32_t count = words_.at(at + 1) >> 16U;
        uint64_t entry = at + parkingsHeadWords;
        for (uint32_t n = 0; n < count && budget_.step(); ++n) {
            const uint64_t length = entry + bglParkingEntryWords <= end
                                        ? bglParkingEntryWords + (words_.at(entry) >> 24U)
                                        : bglParkingEntryWords;
            if (entry + length > end) {
                lines_.alert("parkings cut short", "===> parkings of {} end at their subrecord after {} of {} entries",
                             pathText_, n, count);
                return;
            }
            parking(entry, airport);
            entry += length;
        }
    }

  private:
    void parking(uint64_t at, BglAirportStands& airport)
    {
        const uint32_t head = words_.at(at);
        const uint32_t type = (head >> 8U) & 0xFU;
        const uint32_t number = (head >> 12U) & 0xFFFU;
        const std::string id = fmt::format("{}{}", lf_parkingName(head & 0x3FU), number);
        if (type == parkingTypeNone || type == parkingTypeVehicles) {
            return;
        }
        const LatLon position = lf_packedPosition(words_.at(at + parkingLatWord), words_.at(at + parkingLonWord));
        if (!lf_positionValid(position)) {
            lines_.alert("parking position", "LatLon {} invalid (skipped)", lf_positionText(position));
            return;
        }
        const double radiusMetres = words_.floatAt(at + parkingRadiusWord);
        const double headingDeg = words_.floatAt(at + parkingHeadingWord);
        if (!lf_radiusValid(radiusMetres) || !lf_headingValid(headingDeg)) {
            lines_.alert("parking radius or heading", "===> parking {} radius {} m, heading {} out of range (skipped)",
                         id, radiusMetres, headingDeg);
            return;
        }
        const std::optional<std::string> unique = uniqueId(id);
        if (!unique) {
            return;
        }
        const double headingRad = headingDeg == 0.0 ? 2.0 * std::numbers::pi : headingDeg * radiansPerDegree;
        airport.stands.push_back(StandRecord::fromFile(*unique, {}, position.lat, position.lon, headingRad,
                                                       radiusMetres, static_cast<int32_t>(type), false, false, false));
    }

    // The id, or the id with the first of the letters a to j that gives an id not used yet.
    std::optional<std::string> uniqueId(const std::string& id)
    {
        if (usedIds_.insert(id).second) {
            return id;
        }
        for (const char suffix : duplicateSuffixes) {
            std::string candidate = id + suffix;
            if (usedIds_.insert(candidate).second) {
                return candidate;
            }
        }
        lines_.alert("duplicate IDs", "===> Warning: more than 10 duplicate IDs {} in {}", id, pathText_);
        return std::nullopt;
    }

    const BglWords& words_;
    std::string_view pathText_;
    CappedAlerts& lines_;
    BglWalkBudget& budget_;
    std::vector<LatLon> helipads_;
    std::unordered_set<std::string> usedIds_;
};

} // namespace

BglWords::BglWords(std::string bytes) : bytes_(std::move(bytes)) {}

uint32_t BglWords::at(uint64_t index) const
{
    if (index >= size()) {
        throw std::out_of_range(fmt::format("word {} beyond the {} words of the file", index, size()));
    }
    std::array<unsigned char, 4> raw{};
    const uint64_t offset = index * 4;
    std::memcpy(raw.data(), bytes_.data() + offset, std::min<uint64_t>(4, bytes_.size() - offset));
    return static_cast<uint32_t>(raw[0]) | (static_cast<uint32_t>(raw[1]) << 8U) |
           (static_cast<uint32_t>(raw[2]) << 16U) | (static_cast<uint32_t>(raw[3]) << 24U);
}

float BglWords::floatAt(uint64_t index) const
{
    const uint32_t bits = at(index);
    float value = 0.0F;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t BglWords::recordSize(uint64_t index) const
{
    return (at(index) >> 16U) | ((at(index + 1) & 0xFFFFU) << 16U);
}

bool gf_bglQuickCheck(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return false;
    }
    const std::streamoff length = file.tellg();
    if (length <= static_cast<std::streamoff>(bglHeaderBytes)) {
        return false;
    }
    std::array<unsigned char, bglHeaderBytes> header{};
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) {
        return false;
    }
    const uint32_t count = header[20] | (header[21] << 8U) | (header[22] << 16U) | (uint32_t{header[23]} << 24U);
    const auto fitting = static_cast<uint64_t>(length - bglHeaderBytes) / bglSectionBytes;
    if (count == 0 || count > fitting) {
        return false;
    }
    // Each section's type is the first word of its 20-byte entry.
    std::string table(static_cast<std::size_t>(count) * bglSectionBytes, '\0');
    if (!file.read(table.data(), static_cast<std::streamsize>(table.size()))) {
        return false;
    }
    for (std::size_t at = 0; at < table.size(); at += bglSectionBytes) {
        if (table[at] == static_cast<char>(bglAirportSectionType) && table[at + 1] == 0 && table[at + 2] == 0 &&
            table[at + 3] == 0) {
            return true;
        }
    }
    return false;
}

BglIdent gf_decodeBglIdent(uint32_t packed)
{
    // 27 bits hold at most six base-38 digits.
    BglIdent ident;
    ident.valid = (packed >> 5U) != 0;
    for (uint32_t value = packed >> 5U; value != 0; value /= identBase) {
        const uint32_t digit = value % identBase;
        if (digit < 2) {
            ident.valid = false;
        }
        ident.text.push_back(digit < 2 ? (digit == 0 ? ' ' : '?')
                                       : static_cast<char>(digit <= 11 ? digit + 46 : digit + 53));
    }
    std::reverse(ident.text.begin(), ident.text.end());
    return ident;
}

std::vector<BglAirportRecord> gf_findBglAirports(const BglWords& words, BglWalkBudget& budget)
{
    std::vector<BglAirportRecord> found;
    if (words.size() < sectionTableWord + 1 || words.at(1) != bglHeaderBytes) {
        return found;
    }
    const uint64_t sections = words.at(sectionCountWord);
    if (sections == 0 || words.size() < sectionWords * sections + sectionTableWord) {
        return found;
    }
    std::vector<bool> walked(words.size());
    for (uint64_t i = 0; i < sections && !budget.spent(); ++i) {
        const uint64_t entry = sectionTableWord + sectionWords * i;
        if (words.at(entry) != bglAirportSectionType || (words.at(entry + 1) & bglLongSubsectionFlag) != 0) {
            continue;
        }
        const uint64_t dataOffsetWord = words.at(entry + 3) / 4 + 2;
        if (dataOffsetWord >= words.size()) {
            continue;
        }
        lf_walkSection(words, words.at(dataOffsetWord) / 4, walked, budget, found);
    }
    return found;
}

BglAirportStands gf_readBglStands(const BglWords& words, const BglAirportRecord& record, std::string_view pathText,
                                  CappedAlerts& lines, BglWalkBudget& budget)
{
    BglAirportStands airport;
    const double feet = std::round(words.at(record.word + altitudeWord) * feetPerMetre / 1000.0);
    airport.altitudeFt = feet > maxAltitudeFt ? 0 : static_cast<int32_t>(feet);
    StandReader reader(words, pathText, lines, budget);
    const uint64_t end = record.word + record.sizeWords;
    uint64_t index = record.word + bglAirportHeadWords;
    int steps = 0;
    while (index < end) {
        if (++steps > bglMaxSteps) {
            budget.alert(fmt::format("Error: Maximum loop iterations reached (1) {} possible corrupt SIA or malformed "
                                     "input",
                                     emDash));
            break;
        }
        if (!budget.step()) {
            break;
        }
        if (index >= words.size()) {
            budget.note(fmt::format("   Error: o3={} exceeded data buffer size ({}), aborting.", index, words.size()));
            break;
        }
        const uint16_t id = words.recordId(index);
        const uint64_t sizeWords = words.recordSize(index) / 4;
        if (id == bglParkingsRecordId) {
            reader.parkings(index, sizeWords, end, airport);
            break;
        }
        if (id == bglHelipadRecordId) {
            reader.helipad(index, sizeWords, airport);
        }
        if (sizeWords == 0) {
            const std::string warning = fmt::format("   Warning: decodeSizeAtBoundary returned 0 at o3 = {}", index);
            id == bglHelipadRecordId ? budget.alert(warning) : budget.note(warning);
            break;
        }
        index += sizeWords;
    }
    return airport;
}

} // namespace hlw
