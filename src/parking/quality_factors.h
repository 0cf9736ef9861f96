#pragma once
// The two quality factors of a park airport: how much real and how much soft stand use its stands record.
#include "parking/park_airport_state.h"
#include "records/stand_record.h"

#include <span>
#include <string>

namespace hlw {

// Each counted stand (not a helipad, not parking type 12) scores, for its real and its soft options separately,
// (min(20 n, 4000) + 10000 + 100 d + 2 min(b, 600)) with n options on d weekdays holding b slots, weighted by its
// radius in nautical miles (up to 7: 0.3, up to 10: 1.5, else 1.0). A factor is the weighted mean x 0.00625,
// rounded and kept within 0 to 100. (-1, -1) when no stand has an option; (0, 0) when no stand counts.
QualityPair gf_qualityFactors(std::span<const StandRecord> stands);

// Two blanks when both are negative; "{:2}/{:2}" (real, soft) while the real factor is below 45; else "{:2}".
std::string gf_qualityFactorText(QualityPair quality);

} // namespace hlw
