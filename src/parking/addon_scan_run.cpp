#include "parking/addon_scan_run.h"

#include "core/folder_files.h"
#include "core/log.h"
#include "core/run_state_port.h"
#include "core/text_file_writer.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

namespace hlw {
namespace {

// The scan log lines reserved at the start of a run.
constexpr std::size_t reportReserve = 2048;
constexpr std::chrono::seconds scanLogCheckpointInterval{1};

// The files in the folder; a folder that cannot be listed counts none (and is logged).
int32_t lf_files(const std::filesystem::path& folder)
{
    try {
        return static_cast<int32_t>(gf_countFilesInDirectory(folder));
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{} cannot be counted: {}", folder.generic_string(), error.what()));
        return 0;
    }
}

} // namespace

const std::filesystem::path& gf_scanLogPath()
{
    static const std::filesystem::path path = paths::infoFolder / "AirportsScanLog.txt";
    return path;
}

AddonScanRun::AddonScanRun(StatusBoard& status, SteadyTimeSource& time, AirportCodeSet supported,
                           ScanSimulator simulator)
    : status_(status), time_(time), supported_(std::move(supported)), simulator_(simulator), facilities_(time)
{
    report_.reserve(reportReserve);
}

void AddonScanRun::countSimAddons()
{
    const int32_t count = lf_files(paths::mySimaddonFolder);
    status_.update([count](StatusValues& values) { values.simAddonCount = count; });
}

void AddonScanRun::countThirdParty()
{
    const int32_t count = lf_files(paths::myThirdpartyFolder);
    status_.update([count](StatusValues& values) { values.thirdPartyCount = count; });
}

void AddonScanRun::countBoth()
{
    countSimAddons();
    countThirdParty();
}

bool AddonScanRun::writeScanLog()
{
    lastWrite_ = time_.now();
    return gf_writeLine(report_, gf_scanLogPath());
}

void AddonScanRun::checkpointScanLog()
{
    if (!lastWrite_ || time_.now() - *lastWrite_ >= scanLogCheckpointInterval) {
        writeScanLog();
    }
}

bool AddonScanRun::stopping() noexcept
{
    return gf_runState().stopRequested() || gf_runState().userClosing();
}

} // namespace hlw
