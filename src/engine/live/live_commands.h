#pragma once
// The client events of one aircraft record: the throttle and flaps indexes it last sent are kept in the record,
// so that an unchanged setting is not sent again.
#include "engine/sim/sim_ai_commands.h"
#include "records/aircraft_records.h"

#include <cstdint>

namespace hlw {

void gf_setAcThrottle(SimCommandQueues& queues, StaticAircraft& aircraft, int32_t throttleIndex);
void gf_setAcFlaps(SimCommandQueues& queues, StaticAircraft& aircraft, int32_t flapsIndex);
void gf_setAcSpoilers(SimCommandQueues& queues, const StaticAircraft& aircraft, int32_t on);
void gf_setAcGear(SimCommandQueues& queues, const StaticAircraft& aircraft, uint32_t down);

} // namespace hlw
