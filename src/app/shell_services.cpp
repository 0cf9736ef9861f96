#include "app/shell_services.h"

#include "app/auto_range.h"
#include "app/commands.h"
#include "app/updater.h"
#include "core/geodesy.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"

namespace hlw {

bool ShellServices::checkVersions()
{
    UpdaterOptions options;
    options.messageBox = messageBox_;
    return gf_checkVersions(options);
}

void ShellServices::applyDestination(const FixedCode<4>& airport)
{
    const AirportRecord* record = gf_findAirport(airport);
    if (record == nullptr) {
        return;
    }
    gf_setDestination(airport.str(), record->position(),
                      [this](const FixedCode<4>& code, const LatLon& position) {
                          parking_.addParkAirport(code, position);
                      });
}

void ShellServices::computeAutoRange()
{
    const UserAircraftFix user = simLink_.userAircraft();
    const std::optional<ParkAirportEntry> first = parking_.firstParkAirport();
    const double distance =
        first ? gf_distanceNm({user.latitude, user.longitude}, first->position()) : noParkAirportDistanceNm;
    gf_setRange(gf_autoRangeNm(user.onGround, user.heightAboveGroundFt, settings::arAboveHeight.get(),
                               settings::airpHeight.get(), distance));
}

} // namespace hlw
