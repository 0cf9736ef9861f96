#pragma once
// The livery tables at start-up: once per program run the worker turns "LiveriesScanned.xml" into every table
// the livery matching searches (catalogue, registration codes, similar models).
//
// Threads: the tables are built, cleared and read on the worker thread only. The window (the "SCAN_LIVERIES"
// box) and the simulator switch never clear them: they call gf_requestLiveryRebuild, and the next start-up of
// the worker, after every aircraft of the previous run is gone, clears and rebuilds.
#include "liveries/livery_data.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace hlw {

// Set when the tables have been built in this program run.
extern std::atomic<bool> liveriesDone;
// The number of liveries read, shown in the status band as "# liveries: {}" (0 while unknown).
extern std::atomic<int32_t> liveryCount;

// Any thread: asks the next start-up to clear and rebuild every livery table.
void gf_requestLiveryRebuild() noexcept;
bool gf_liveryRebuildRequested() noexcept;

// Fills the registration-code tables (registration_tables.h) from the scanned list once the catalogue exists.
using RegistrationCodeBuilder = void (*)();

// Builds every table from the list into empty tables, in order: catalogue, pax/cargo lists, the registration
// codes (the builder, when given), model lists, the registered titles searched by registration prefix and the
// similar models; logs the counts and the categories. gf_processScannedLiveries builds through it; tests and
// benchmarks build tables from their own lists through it too.
void gf_buildLiveryTables(const ScannedLiveryList& liveries, const std::function<void()>& buildRegistrationCodes);

// Worker thread, once per start-up after the livery scan step. Skipped (with the log line "Processing scanned
// liveries skipped; already done in previous start-up") when the tables are built and no rebuild is requested;
// otherwise every table is cleared first and then built in order. Errors of the file reader pass through and
// leave the tables empty. The scanned list is empty afterwards in every case.
void gf_processScannedLiveries(RegistrationCodeBuilder buildRegistrationCodes);

// Worker thread only, while no aircraft holds a title: empties every livery table (similar models and
// registration codes included, the title strings last) and clears liveriesDone.
void gf_clearLiveryCatalogue();

} // namespace hlw
