#include "platform/sim/sim_open_handler.h"

#include <atomic>

namespace hlw {
namespace {

std::atomic<SimOpenHandler> lf_openHandler{nullptr};

}  // namespace

void gf_simSetOpenHandler(SimOpenHandler handler) noexcept { lf_openHandler.store(handler); }

SimOpenHandler gf_simOpenHandler() noexcept { return lf_openHandler.load(); }

}  // namespace hlw
