#include "app/close_command.h"

#include "core/message_line.h"
#include "core/product.h"
#include "engine/base/run_state.h"

#include <fmt/format.h>

namespace hlw {

void gf_runCloseCommand(WorkerContext& context)
{
    gf_setMessage(fmt::format("Close window button clicked, closing {} ...", productName), false);
    userClosing.store(true);
    context.liveLink.close();
    gf_requestStop(ExitReason::userClosedSim, 0);
}

int gf_programExitCode(int codeSetByRun)
{
    return gf_stopDecision().reason == ExitReason::systemError ? 1 : codeSetByRun;
}

} // namespace hlw
