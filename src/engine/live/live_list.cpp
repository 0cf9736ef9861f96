#include "engine/live/live_list.h"

#include "core/atomic_file.h"
#include "core/count_text.h"
#include "engine/live/live_lifecycle.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

namespace hlw {

namespace {

bool lf_isActive(const LiveAircraft& aircraft) noexcept { return aircraft.state == SimObjectState::active; }

// A ';' would split the field.
std::string lf_field(std::string_view text)
{
    std::string field(text);
    std::ranges::replace(field, ';', '_');
    return field;
}

// The list, its first entry selected (the empty text when there is none), and the two controls.
void lf_showCallsignList(std::vector<std::string> choices, bool enabled)
{
    const std::string first = choices.empty() ? std::string() : choices.front();
    settings::callsign2ObjectId.choices()->assign(std::move(choices));
    settings::callsign2ObjectId.set(first);
    settings::callsign2ObjectId.fillCombo();
    gf_enableControl(settings::callsign2ObjectId, enabled);
    // "Unblock" is in use exactly while a callsign is blocked.
    gf_enableControl(settings::blockButton, enabled && settings::blockCallsign.empty());
}

} // namespace

bool gf_removeFarthestLiveAc(LiveContext& context, double distanceNm)
{
    const bool any = distanceNm < 0.0;
    double best = any ? -std::numeric_limits<double>::infinity() : distanceNm;
    const double margin = any ? 0.0 : farthestMarginNm;
    const UserAircraftFix user = context.state.user.value_or(UserAircraftFix{});
    const LatLon userAt{user.latitude, user.longitude};
    LiveAircraft* candidate = nullptr;
    for (LiveAircraft& aircraft : context.state.live) {
        if (!lf_isActive(aircraft)) {
            continue;
        }
        const double d = gf_distanceNm(userAt, {aircraft.latitude, aircraft.longitude});
        if (d > best + margin) {
            best = d;
            candidate = &aircraft;
        }
    }
    if (candidate == nullptr) {
        return true;
    }
    removeAircraftFromSim(context, *candidate);
    return false;
}

std::vector<std::string> gf_callsignChoices(const LiveEngineState& state)
{
    std::vector<std::string> callsigns;
    for (const LiveAircraft& aircraft : state.live) {
        if (lf_isActive(aircraft) && aircraft.phase != MovementPhase::parked) {
            callsigns.push_back(aircraft.flight.callsign);
        }
    }
    std::ranges::sort(callsigns);
    return callsigns;
}

bool gf_fillCallsignList(const LiveEngineState& state)
{
    std::vector<std::string> choices = gf_callsignChoices(state);
    const bool any = !choices.empty();
    lf_showCallsignList(std::move(choices), any);
    return any;
}

void gf_resetCallsignList(StatusBoard& status)
{
    status.update([](StatusValues& values) { values.callsignObjectIdText.clear(); });
    lf_showCallsignList({std::string()}, false);
}

std::string gf_liveAcListText(const LiveEngineState& state)
{
    std::string text;
    for (const LiveAircraft& aircraft : state.live) {
        if (!lf_isActive(aircraft)) {
            continue;
        }
        const FlightRecord& flight = aircraft.flight;
        fmt::format_to(std::back_inserter(text), "{};{};{};{};{};{};{}\n", gf_objectIdText(aircraft.objectId),
                       lf_field(flight.callsign), lf_field(flight.registration), gf_airlineText(flight.airline),
                       gf_modelText(flight.model), aircraft.groundMode != 0 ? "GND" : "AIR",
                       aircraft.phase == MovementPhase::parked ? "PARKED" : "");
    }
    return text;
}

bool gf_writeLiveAcList(const LiveEngineState& state, const std::filesystem::path& path)
{
    // A failure is logged there as "Failed to write {path} ({reason})".
    return gf_replaceFileContents(path, gf_liveAcListText(state));
}

} // namespace hlw
