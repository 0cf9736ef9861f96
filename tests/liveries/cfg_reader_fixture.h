#pragma once
// The aircraft.cfg reader tests: the small reference database of the test suites and the "min" profile of the
// package generator written into the same temporary program folder.
#include "support/dbase_fixture.h"
#include "package_generator.h"

#include "liveries/livery_data.h"
#include "liveries/scan_lists.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace hlw::test {

// A livery as the manifest writes it: codes as texts.
nlohmann::json liveryAsJson(const LiveryData& livery);

// Runs the reader that the manifest names ("generic" or "ivao") with source index 1.
ScannedLiveryList readWithManifestReader(const std::string& reader, const std::filesystem::path& file);

// Empties every report list (the scan's titles stay).
void clearReportLists();

// The report lists by the names the manifest uses.
const std::vector<std::pair<std::string, ScanReport>>& reportNames();

class MinPackages {
public:
    MinPackages();
    ~MinPackages();
    MinPackages(const MinPackages&) = delete;
    MinPackages& operator=(const MinPackages&) = delete;

    std::filesystem::path root() const { return database.dir / "packages"; }
    std::filesystem::path operator/(const std::string& relative) const { return root() / relative; }

    DbaseFolder database;
    nlohmann::json manifest;
};

} // namespace hlw::test
