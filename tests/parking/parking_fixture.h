#pragma once
// A program folder for the parking tests: a temporary folder made the current folder with the log open in it,
// a small reference database and airports database installed, the per-user data folder inside it and the
// settings that airport files override at their defaults.
#include "core/run_state_port.h"
#include "parking/apf_data.h"
#include "parking/park_airport_state.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <string>
#include <vector>

namespace hlw::test {

// Registrations of the reference database: D-AINA (DLH A20N), PH-BXA (KLM B738), N700FX (FDX B77F, cargo);
// publishers "Northwind Scenery" (also "Northwind", "NWS") and "Blue Delta Design" ("BlueDelta"); airports
// EHAM (208 stands) and EHRD (none).
class ParkingFolder {
  public:
    ParkingFolder();
    ~ParkingFolder();
    ParkingFolder(const ParkingFolder&) = delete;
    ParkingFolder& operator=(const ParkingFolder&) = delete;

    // The log so far.
    std::string logText() const;
    // Writes the bytes to the path below the folder, making its folders.
    void write(const std::filesystem::path& relative, const std::string& bytes) const;

    TempDir dir;

  private:
    ScopedCurrentPath current_{dir.path()};
};

// The run state of the simulator given, with a stop of the run once the file exists, for the object's lifetime.
class StopOnceWritten final : public RunStatePort {
  public:
    explicit StopOnceWritten(std::filesystem::path file, bool msfs2020 = true);
    ~StopOnceWritten() override;
    StopOnceWritten(const StopOnceWritten&) = delete;
    StopOnceWritten& operator=(const StopOnceWritten&) = delete;

    bool stopRequested() const noexcept override;
    bool userClosing() const noexcept override { return false; }
    bool simIsMsfs2020() const noexcept override { return msfs2020_; }
    int32_t simCode() const noexcept override { return msfs2020_ ? 1 : 2; }
    bool simTimeInUse() const noexcept override { return false; }
    int64_t simUtcSeconds() const noexcept override { return 0; }

  private:
    const std::filesystem::path file_;
    const bool msfs2020_;
};

// Puts the eight settings that learned files override back to their defaults.
void resetAirportSettings();

// The bytes of a written file with the date of its meta block replaced by "DATE".
std::string withoutDate(std::string text);

// An airport file text: the meta block of the version, the parameters and the "parkpos" elements given.
std::string apfText(const std::string& parkpositions, const std::string& parameters = "",
                    const std::string& version = "12.5.1");

// The stands and options in a form that compares as a whole and prints readably when a test fails: one line
// per stand and per option with every field the files keep (the options' origin mark only when asked for).
std::vector<std::string> describeStands(const std::vector<StandRecord>& stands, bool withOrigin = true);

} // namespace hlw::test
