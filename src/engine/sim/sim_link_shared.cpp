#include "engine/sim/sim_link_shared.h"

#include "core/message_line.h"
#include "engine/base/run_state.h"

namespace hlw {

void gf_onSimRequestError(SimLinkShared& shared) {
    gf_setMessage("SimConnect request error", true);
    simConnectError.exchange(true);
    shared.events.requestStop(SimLinkStop::SimConnectError);
}

} // namespace hlw
