#include "engine/live/flight_plans.h"

#include "core/fresh_file.h"

#include <fmt/format.h>
#include <unistd.h>

#include <system_error>

namespace hlw {

namespace {

std::string_view lf_code(const RouteCode& code) noexcept { return code.empty() ? std::string_view("   ") : code.view(); }

} // namespace

std::string_view gf_flightType(AircraftCategory category) noexcept
{
    switch (category) {
    case AircraftCategory::Buzjets:
    case AircraftCategory::Large:
    case AircraftCategory::Heavy: return "IFR";
    default: return "VFR";
    }
}

std::string gf_flightPlanText(const FlightRecord& flight)
{
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                       "<FlightPlan.FlightPlan>\n"
                       "<FPType>{}</FPType>\n"
                       "<DepartureID>{}</DepartureID>\n"
                       "<DestinationID>{}</DestinationID>\n"
                       "</FlightPlan.FlightPlan>\n"
                       "</SimBase.Document>\n\n",
                       gf_flightType(flight.category), lf_code(flight.origin), lf_code(flight.destination));
}

std::filesystem::path gf_flightPlanPath(const std::filesystem::path& folder, uint32_t objectId)
{
    return folder / fmt::format("{}.pln", objectId);
}

bool gf_writeFlightPlan(const std::filesystem::path& path, const FlightRecord& flight)
{
    // The process id keeps two programs' temporary files apart; one worker writes one plan at a time.
    std::filesystem::path temporary = path;
    temporary += fmt::format(".{}.tmp", ::getpid());
    // Created anew, so that a link planted at the temporary name cannot take the write elsewhere.
    const int descriptor = gf_createFreshFile(temporary);
    if (descriptor < 0) {
        return false;
    }
    const bool written = gf_writeAll(descriptor, gf_flightPlanText(flight));
    const bool closed = ::close(descriptor) == 0;
    std::error_code error;
    if (!written || !closed) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace hlw
