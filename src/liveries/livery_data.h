#pragma once
// One livery of an installed AI aircraft as the scan finds it and "LiveriesScanned.xml" keeps it, the factory
// that keeps titles unique within one scan, and the order of the scanned liveries.
#include "refdata/reference_tables.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

struct LiveryData {
    std::string title; // the name under which the simulator knows the livery; unique within one scan
    std::string atcId; // the livery's registration; empty when none
    uint16_t airline = 0;
    uint16_t secondAirline = 0; // the operator, 0 = none
    uint16_t model = 0;
    uint8_t cargo = 0;
    // 1 when the codes were taken over from the registration's reference record. Not kept in the file.
    uint8_t referenceFlag = 0;
    // The scanned folder (1 to 10, smaller = higher priority); 0 for records read back from the file.
    uint16_t sourceIndex = 0;

    RegistrationCodes codes() const noexcept { return {airline, secondAirline, model, cargo, referenceFlag}; }
    bool empty() const noexcept { return title.empty() && atcId.empty() && codes() == RegistrationCodes{}; }

    bool operator==(const LiveryData&) const = default;
};

// The liveries of one scan, or of "LiveriesScanned.xml" once read; worker thread only.
using ScannedLiveryList = std::vector<LiveryData>;
ScannedLiveryList& gf_scannedLiveryList();

// The record for a title not yet taken in this scan, else the empty record. The test and the insertion into
// the scan's title set are one step under its mutex, so of two reader tasks offering the same title exactly
// one gets the record.
LiveryData gf_makeLiveryData(uint16_t sourceIndex, const RegistrationCodes& codes, std::string title,
                             std::string registration);
// True when the airline or the model is missing: such a record is never kept.
bool gf_hasNoCodes(const LiveryData& livery) noexcept;
// Empties the scan's title set (under its mutex).
void gf_clearScannedTitles();
std::size_t gf_scannedTitleCount();

// The order of the scanned liveries: airline text, operator text, model text, title, each compared by bytes.
// An index the code tables do not hold reads as the empty text.
bool gf_liveryLess(const LiveryData& a, const LiveryData& b);

} // namespace hlw
