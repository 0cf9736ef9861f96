#include "records/flight_record.h"

#include "refdata/code_table.h"

#include <fmt/format.h>

namespace hlw {

std::string gf_flightLabel(const RegistrationCodes& codes)
{
    const std::string second = codes.secondAirline != 0 ? "," + gf_airlineText(codes.secondAirline) : std::string();
    return fmt::format("{:3}{:4} {:4}{}{:3}", gf_airlineText(codes.airline), second, gf_modelText(codes.model),
                       codes.valid != 0 ? "." : " ", codes.cargo != 0 ? "(C)" : "");
}

std::string gf_describeAc(const FlightRecord& record)
{
    return fmt::format("{} {}", record.callsign, gf_flightLabel(record.codes()));
}

std::string gf_describeAcWithReg(const FlightRecord& record)
{
    return fmt::format("{} {} {}", record.callsign, gf_flightLabel(record.codes()), record.registration);
}

} // namespace hlw
