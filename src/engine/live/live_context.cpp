#include "engine/live/live_context.h"

#include "liveries/livery_matching.h"

namespace hlw {

void LiveServices::chooseLivery(FlightRecord& flight)
{
    gf_matchLivery(flight);
}

} // namespace hlw
