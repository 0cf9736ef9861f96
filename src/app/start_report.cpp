#include "app/start_report.h"

#include "core/known_folders.h"
#include "core/log.h"
#include "core/pc_clock.h"
#include "core/product.h"
#include "core/reference_time.h"
#include "core/time_text.h"
#include "core/version_data.h"
#include "core/wide_text.h"
#include "platform/os/elevation.h"

#include <fmt/format.h>

#include <exception>

namespace hlw {
namespace {

std::string lf_folderText(const std::filesystem::path& folder)
{
    if (folder.empty()) {
        return "not found";
    }
    try {
        return gf_pathToUtf8(folder);
    } catch (const std::exception& error) {
        return fmt::format("unprintable ({})", error.what());
    }
}

} // namespace

std::vector<std::string> gf_startReportLines()
{
    const WeekdaySlot now = gf_nowTime();
    return {
        fmt::format("{} version {}", productName, gf_programVersion()),
        fmt::format("UTC time {}", gf_timeToString(gf_pcClockSeconds())),
        fmt::format("Clock {}, date {}, reference clock {}", gf_clockText(), gf_dateText(), gf_nowClockText()),
        fmt::format("Weekday {}, half-hour slot {}", now.weekday, now.slot),
        fmt::format("Roaming AppData folder: {}", lf_folderText(gf_roamingAppDataPath())),
        fmt::format("Local AppData folder: {}", lf_folderText(gf_localAppDataPath())),
        fmt::format("Running with administrator rights: {}", os::isElevated() ? "yes" : "no"),
    };
}

void gf_writeStartReport(std::FILE* out)
{
    for (const std::string& line : gf_startReportLines()) {
        gf_log(line);
        fmt::print(out, "{}\n", line);
    }
    gf_logFlushNow();
}

} // namespace hlw
