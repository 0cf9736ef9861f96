#pragma once
// The data of one airport file as the writer and the add-on airports scan handle it.
#include "core/fixed_code.h"
#include "records/stand_record.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hlw {

// The fields of a simulator package's "manifest.json" that name an add-on airport's maker.
struct PackageManifest {
    std::string title;
    std::string packageVersion; // "package_version", or "version" when that is empty
    std::string manufacturer;
    std::string creator;
    std::filesystem::path file{}; // where it was read; empty for one the scan makes up

    // What the manifest says; where it lies is no part of that.
    bool operator==(const PackageManifest& other) const
    {
        return title == other.title && packageVersion == other.packageVersion && manufacturer == other.manufacturer &&
               creator == other.creator;
    }
};

struct ApfData {
    AirportCode icao;
    bool facilities = false; // the stands came from the simulator's facility data
    std::string airportName;
    std::filesystem::path bglPath;
    std::string bglPathText;
    std::string publisher; // empty when no publisher was found
    std::optional<PackageManifest> manifest;
    int32_t qfReal = -1;
    int32_t qfSoft = -1;
    int32_t altitude = 0; // feet
    std::vector<StandRecord> stands;
};

} // namespace hlw
