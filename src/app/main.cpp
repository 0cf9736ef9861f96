// The program's entry: one running copy per user, the log in the program's folder, the shared run flags, then
// the report of what the program found at start-up.
#include "app/start_report.h"
#include "core/log.h"
#include "core/product.h"
#include "engine/run_state.h"
#include "platform/os/single_instance.h"

#include <fmt/format.h>

#include <cstdio>
#include <exception>

int main()
{
    using namespace hlw;
    const auto instanceLock = os::SingleInstanceLock::acquire("Local\\$HLMR$");
    if (!instanceLock) {
        fmt::print(stderr, "{} is already running\n", productName);
        return 1;
    }
    try {
        gf_startLog();
    } catch (const std::exception& error) {
        fmt::print(stderr, "{}\n", error.what());
        return 1;
    }
    gf_installEngineRunState();
    gf_writeStartReport(stdout);
    gf_stopLog();
    return 0;
}
