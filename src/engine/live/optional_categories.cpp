#include "engine/live/optional_categories.h"

#include "settings/catalogue.h"

namespace hlw {

bool gf_categoryShown(AircraftCategory category)
{
    switch (category) {
    case AircraftCategory::Light: return settings::lightAircraft.get();
    case AircraftCategory::HighPerf: return settings::highPerfAircraft.get();
    case AircraftCategory::Rotorcraft: return settings::helicopters.get();
    case AircraftCategory::Buzjets:
    case AircraftCategory::Large:
    case AircraftCategory::Heavy: return true;
    }
    return false;
}

} // namespace hlw
