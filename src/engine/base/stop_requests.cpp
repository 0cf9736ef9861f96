#include "engine/base/stop_requests.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/time_text.h"
#include "engine/base/run_state.h"
#include "liveries/livery_tables.h"
#include "refdata/remove_with_warning.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <exception>

namespace hlw {
namespace {

void lf_switchOn(BoolCheckBoxParameter& scan)
{
    scan.setAndSave(true);
    scan.showCheck();
}

void lf_switchSimVersion()
{
    const bool wasMsfs2024 = !simIsMsfs2020.load();
    gf_removeWithWarning(paths::liveriesScannedPath);
    gf_requestLiveryRebuild();
    lf_switchOn(settings::scanAirports);
    lf_switchOn(settings::scanLiveries);
    gf_setMessage(fmt::format("Switching MSFS version in {}", productName), true);
    settings::allInstallPath.set("");
    gf_setStringControlText(settings::allInstallPath);
    if (wasMsfs2024) {
        settings::dudiduzavu24Version.setAndSave("");
    }
}

} // namespace

void gf_readerStopped(std::string_view readerName, const std::string& error)
{
    gf_setMessage(fmt::format("The {} has stopped with error: {}", readerName, error), true);
    gf_requestStop(ExitReason::readerError, 15);
}

void gf_switchSimVersion() noexcept
{
    try {
        lf_switchSimVersion();
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("gf_switchSimVersion exception: {}", error.what()));
    } catch (...) {
        gf_logAlert("gf_switchSimVersion exception: Unknown exception");
    }
    // The restart happens whatever failed above: the choice of simulator has changed.
    gf_requestStop(ExitReason::newSettings, 3);
}

void gf_simDisconnected(bool otherVersion) noexcept
{
    if (stopRequested.load()) {
        return;
    }
    if (!otherVersion) {
        gf_log(fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_clockText(), productName));
        gf_requestStop(ExitReason::simWasClosed, 0);
        return;
    }
    try {
        settings::simChoice.setAndSave(simIsMsfs2020.load() ? "MSFS 2024" : "MSFS 2020");
        settings::simChoice.showSelection();
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("gf_simDisconnected exception: {}", error.what()));
    }
    gf_switchSimVersion();
}

} // namespace hlw
