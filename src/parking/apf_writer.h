#pragma once
// Writing airport files: the generated file of an add-on airport (every stand in full, no recorded use) and the
// learned file of the park airport (what was learned or changed, and the airport's own settings).
#include "core/atomic_file.h"
#include "parking/apf_data.h"
#include "parking/park_airport_state.h"
#include "records/stand_record.h"

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace hlw {

enum class ApfFileKind : int32_t { learned = 0, generated = 1 };

struct ApfWriteOptions {
    ApfFileKind kind = ApfFileKind::generated;
    int32_t simulator = 1; // the meta block's simulator identifier
    bool handmade = false; // the park airport's learned file is handmade: every stand in full
    // "parkpositions" whose "parkpos" children are written back unchanged after the stands (learned files).
    pugi::xml_node keptEntries;
    // When set, receives the "opt" element of every option learned since the load (StandOption::newlyLearned), in
    // the order written.
    std::vector<pugi::xml_node>* newlyLearned = nullptr;
    // Later: the caller writes many files and then syncs them at once (the add-on airports scan).
    Durability durability = Durability::now;
};

// The options of the park airport's learned file.
ApfWriteOptions gf_learnedWriteOptions(const ParkAirportState& state, int32_t simulator);

// "MAX_FIT" as the learned file stores it: twice the hours rounded, minus 1. Nothing when that is no 32-bit
// integer.
std::optional<int32_t> gf_maxFitHalfHours(float maxFitHours) noexcept;

// Builds the file's document from the data and the stands; changes neither. False, with a log line, when an
// element cannot be made or "MAX_FIT" does not convert.
bool gf_buildApfDocument(const ApfData& data, std::span<const StandRecord> stands, const ApfWriteOptions& options,
                         pugi::xml_document& document);

// Builds the document and replaces the file safely (temporary file, sync, rename), making its folder first.
// False, with a log line, when the folder cannot be made, the document cannot be built or the write fails; the
// old file then stays. Never throws.
bool gf_writeApf(const ApfData& data, std::span<const StandRecord> stands, const std::filesystem::path& path,
                 const ApfWriteOptions& options);

// Replaces the file by a printout of its document (gf_printXml) the same way, making its folder first.
bool gf_writeApfText(const std::filesystem::path& path, std::string_view text, Durability durability);

} // namespace hlw
