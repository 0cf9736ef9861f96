#pragma once
// One run of the add-on airports scan: the airport codes it looks for (read from "ICAO_airports.txt"), the lines
// of its scan log, its own facility connection and the simulator it scans for. The scan makes one at its start,
// hands it to every step and drops it at its end, which also closes the facility connection. Everything runs
// on the worker thread.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "parking/facility_reader.h"
#include "parking/report_lines.h"
#include "refdata/airports_database.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace hlw {

// "output/info/AirportsScanLog.txt"
const std::filesystem::path& gf_scanLogPath();

struct ScanSimulator {
    bool msfs2020 = true;
    int32_t code = 1; // the airport files' simulator identifier: 1 MSFS 2020, 2 MSFS 2024
};

class AddonScanRun {
  public:
    AddonScanRun(StatusBoard& status, SteadyTimeSource& time, AirportCodeSet supported, ScanSimulator simulator);
    AddonScanRun(const AddonScanRun&) = delete;
    AddonScanRun& operator=(const AddonScanRun&) = delete;

    const AirportCodeSet& supported() const noexcept { return supported_; }
    ReportLines& report() noexcept { return report_; }
    FacilityReader& facilities() noexcept { return facilities_; }
    const ScanSimulator& simulator() const noexcept { return simulator_; }
    StatusBoard& status() noexcept { return status_; }

    // The status counters from the files in "airports/my_simaddon" and "airports/my_thirdparty".
    void countSimAddons();
    void countThirdParty();
    void countBoth();

    // The scan log lines written to the scan log file, replacing it; false (logged) when it cannot be written.
    bool writeScanLog();
    // The same along the way, so that the file shows how far a scan came: at most once a second, as every write
    // replaces the whole file.
    void checkpointScanLog();

    // A stop of the run is requested or the user is closing the program: the walks end.
    static bool stopping() noexcept;

  private:
    StatusBoard& status_;
    SteadyTimeSource& time_;
    std::optional<SteadyTimeSource::TimePoint> lastWrite_;
    const AirportCodeSet supported_;
    const ScanSimulator simulator_;
    ReportLines report_;
    FacilityReader facilities_;
};

} // namespace hlw
