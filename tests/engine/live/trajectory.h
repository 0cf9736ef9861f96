#pragma once
// Traffic of a scenario file without sockets: the feed's flight sources run in-process at feed time, and each
// line they send is parsed by the program's traffic-line parser, as the traffic reader would, into a record that
// reaches the engine at the tick of its feed time.
#include "engine/intake/intake_filter.h"
#include "headless_driver.h"
#include "traffic_feed/scenario.h"

#include <cstdint>
#include <vector>

namespace hlw::test {

struct Trajectory {
    std::vector<TimedRecord> records;
    // Lines the parser refused.
    int32_t refusedLines = 0;
};

// The scenario's flights, injections and recorded datagrams until its duration (or the last sample), the first sample arriving at
// startTick. The range filter is centred on the scenario's centre with a 100 nm range, and the park airport lies at
// the centre at 0 ft, so that ground positions are taken.
Trajectory gf_trajectoryOf(const feed::Scenario& scenario, int32_t startTick);
// The same with the traffic reader's filter given: its range centre and park airport.
Trajectory gf_trajectoryOf(const feed::Scenario& scenario, int32_t startTick, const IntakeFilter& filter);

} // namespace hlw::test
