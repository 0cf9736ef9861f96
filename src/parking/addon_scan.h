#pragma once
// The add-on airports scan: at a traffic start with "SCAN_AIRPORTS" on it walks the simulator's package roots
// ("Official" and "Community" for MSFS 2020, "StreamedPackages" and "Community" for MSFS 2024), turns every
// airport of "input/ICAO_airports.txt" it finds into a link file or a generated airport file (stands from the
// simulator's facility data, else from the BGL file), writes the scan log "output/info/AirportsScanLog.txt",
// and gathers the generated files of airports without archived file in "tblo/tblo.zip". A stop of the run or the
// user closing the program ends the walks, also during a facility request, without reading further; the log and
// the scan log then say that the scan stopped, and neither that every airport is recognised nor that none was
// found; nothing is gathered or packed and "tblo" is removed. However it ends, the facility connection is closed
// and "SCAN_AIRPORTS" is switched off and saved, so a failing scan is not repeated by every start.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "parking/addon_scan_port.h"
#include "parking/addon_scan_run.h"

#include <filesystem>
#include <vector>

namespace hlw {

// The roots of the chosen simulator's packages folder that the scan walks, in order.
std::vector<std::filesystem::path> gf_scanRoots(bool msfs2020);

class AddonAirportsScan final : public AddonScanPort {
  public:
    AddonAirportsScan(StatusBoard& status, SteadyTimeSource& time) : status_(status), time_(time) {}

    // Throws UserErrorException 522 when "ICAO_airports.txt" cannot be read, and the file-system error when the
    // folder "tblo" cannot be made; errors of one package or file are logged and skipped.
    void scanAddonAirports() override;

  private:
    StatusBoard& status_;
    SteadyTimeSource& time_;
};

} // namespace hlw
