#pragma once
// The livery scan: the aircraft.cfg files of the installed AI-traffic packages into "output/LiveriesScanned.xml"
// and the scan's report files. Run on the worker during its start-up when "SCAN_LIVERIES" is on or the file is
// missing; the livery tables are then built from the file (livery_tables.h), never from the scan's memory.
#include "liveries/folder_walk.h"

#include <filesystem>
#include <vector>

namespace hlw {

struct LiveryScanSetup {
    LiveryReaders readers;
    ReaderTaskSettings tasks;
};

// The program's two aircraft.cfg readers with the default task limit and time-outs.
LiveryScanSetup gf_programLiveryScanSetup();

enum class LiveryScanResult {
    done,    // the file and the reports are written
    stopped, // a stop request ended the scan: nothing is written, and the tables must not be built
    empty,   // the folders hold no livery
};

// Error code and text of a "LiveriesScanned.xml" that could not be written.
inline constexpr int scannedLiveriesWriteError = 54;

// Scans the folders in order (the existing folders are source 1 to 10, later ones share 10), then, unless
// stopped or empty: keeps with "LIG_PRIORITIZE" only the liveries of the first folder that has their airline,
// operator and model; sorts (gf_liveryLess, stable); drops a livery equal to the one before it in title, codes
// and registration; writes the file and the report summary and empties the scan's lists. A file that cannot be
// written throws UserErrorException scannedLiveriesWriteError "could not write {}" after the reports are done.
LiveryScanResult gf_scanLiveryFolders(const std::vector<std::filesystem::path>& folders, const LiveryScanSetup& setup);

// The whole scan with its folder list, its messages and the "SCAN_LIVERIES" switch. "SCAN_LIVERIES" is switched
// off (and saved) only when the file was written; after a stop it stays as it was. Throws UserErrorException:
//   43  automatic mode found no AI package;       143  automatic mode found packages without liveries;
//   48  manual mode has no "lfolder" set;          53  manual mode found no liveries;
//   243 a "lfolder" path does not exist;           54  "LiveriesScanned.xml" could not be written;
// and std::runtime_error "AI_PACKAGE_SELECTOR not set" for a selection that is none of its choices.
LiveryScanResult gf_scanLiveries(const LiveryScanSetup& setup);
LiveryScanResult gf_scanLiveries();

// The scanned list in the file's order: with prioritize set only the liveries of the highest-priority source of
// each airline, operator and model; sorted as gf_liveryLess orders them (stable); neighbours equal in title,
// codes and registration dropped. Exposed for tests.
void gf_orderScannedLiveries(ScannedLiveryList& liveries, bool prioritize);

} // namespace hlw
