#pragma once
// Random flights around the traffic centre with speeds that suit their altitude, some straight, some turning.
#include "traffic_feed/flight_path.h"
#include "traffic_feed/scenario.h"

#include <random>
#include <vector>

namespace hlw::feed {

// count flights of spec, with hex ids from firstHexId on (one apart), starting relative to the centre.
std::vector<FlightSpec> gf_generateFlights(const GenerateSpec& spec, std::uint32_t firstHexId, std::mt19937& random);

} // namespace hlw::feed
