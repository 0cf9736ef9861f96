#pragma once
// "output/LiveriesScanned.xml": the result of a livery scan that later start-ups build the livery tables from.
//   <root><meta .../><liveries><l a="KLM" o="..." m="B738" c="true" t="title" r="PH-BXA"/>...</liveries></root>
// "o", "c" and "r" are written only when set. The file is always replaced whole (temporary file and rename).
#include "liveries/livery_data.h"

#include <filesystem>

namespace hlw {

// Writes the list in its order with the meta block of the running program and simulator; logs
// "{} liveries in {}". An empty list writes nothing. True when the file was saved; a failed save is logged and
// leaves the old file untouched.
bool gf_writeScannedLiveries(const ScannedLiveryList& liveries, const std::filesystem::path& path);
// The scan's list into the fixed path.
bool gf_writeScannedLiveries();

// Replaces the list's content with the file's liveries, sorted by gf_liveryLess; logs
// "{:5} liveries read from {}". Throws UserErrorException:
//   51  "File {} not found" (no file), or "File {} is corrupt ({}) ..." naming the parse error;
//   52  "{} does not contain a <liveries> section";
//   999 "Missing required attribute '{}' in <{}>", or a code table that is full;
//   533 "{} does not contain liveries".
// Every error but the missing file also switches "SCAN_LIVERIES" on and saves it, so that the next start-up
// scans again instead of failing the same way.
void gf_readScannedLiveries(ScannedLiveryList& liveries, const std::filesystem::path& path);
// The fixed path into the scan's list.
void gf_readScannedLiveries();

} // namespace hlw
