#include "platform/sim/sim_problems.h"

#include <mutex>
#include <utility>

namespace hlw {
namespace {

std::mutex lf_sinkMutex;
SimProblemSink lf_sink;

}  // namespace

void gf_setSimProblemSink(SimProblemSink sink) {
    const std::lock_guard lock(lf_sinkMutex);
    lf_sink = std::move(sink);
}

void gf_reportSimProblem(std::string_view text) {
    SimProblemSink sink;
    {
        const std::lock_guard lock(lf_sinkMutex);
        sink = lf_sink;
    }
    // Called outside the lock, so a sink may itself report or replace the sink.
    if (sink) {
        sink(text);
    }
}

}  // namespace hlw
