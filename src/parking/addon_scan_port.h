#pragma once
// The add-on airports scan as the traffic start asks for it. The engine calls this port; the parking code
// implements it (parking/addon_scan.h). The default scans nothing.
namespace hlw {

class AddonScanPort {
  public:
    virtual ~AddonScanPort() = default;

    // Traffic start with "SCAN_AIRPORTS" on: turns the simulator's add-on airports into airport files and link
    // files, and switches "SCAN_AIRPORTS" off however the scan ends.
    virtual void scanAddonAirports() {}
};

} // namespace hlw
