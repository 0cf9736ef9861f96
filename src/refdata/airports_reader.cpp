#include "refdata/airports_reader.h"

#include "core/capped_alerts.h"
#include "core/log.h"
#include "core/string_helpers.h"
#include "core/user_error.h"
#include "refdata/airports_database.h"
#include "refdata/remove_with_warning.h"
#include "refdata/sealed_file.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace hlw {
namespace {

constexpr std::size_t reservedAirports = 15000;

// The whole attribute text as a number, or an invalid_argument naming the attribute. The data files are
// sealed, but a damaged or hand-made one must not put an airport at a made-up position.
template <typename Number> Number lf_number(const pugi::xml_attribute& attribute)
{
    const std::string_view text = gf_trimView(attribute.value());
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw std::invalid_argument(fmt::format("'{}' is no number for \"{}\"", text, attribute.name()));
    }
    return value;
}

double lf_degrees(const pugi::xml_attribute& attribute, double limit)
{
    const auto value = lf_number<double>(attribute);
    if (!std::isfinite(value) || std::abs(value) > limit) {
        throw std::invalid_argument(fmt::format("\"{}\" {} is out of range", attribute.name(), value));
    }
    return value;
}

float lf_elevation(const pugi::xml_attribute& attribute)
{
    const auto value = lf_number<double>(attribute);
    if (!std::isfinite(value) || std::abs(value) > std::numeric_limits<float>::max()) {
        throw std::invalid_argument(fmt::format("\"{}\" {} is out of range", attribute.name(), value));
    }
    return static_cast<float>(value);
}

int32_t lf_stands(const pugi::xml_attribute& attribute)
{
    const auto value = lf_number<int32_t>(attribute);
    if (value < 0) {
        throw std::invalid_argument(fmt::format("\"{}\" {} is negative", attribute.name(), value));
    }
    return value;
}

void lf_readAirport(const pugi::xml_node& element, const AirportCode& icao, std::vector<AirportRecord>& table,
                    CappedAlerts& alerts)
{
    const pugi::xml_attribute iata = element.attribute("i");
    const pugi::xml_attribute lat = element.attribute("la");
    const pugi::xml_attribute lon = element.attribute("lo");
    const pugi::xml_attribute elevation = element.attribute("a");
    const pugi::xml_attribute stands = element.attribute("s");
    if (!lat || !lon) {
        alerts.alert("missing latLons", "Missing latLons for airport '{:4}'", icao);
        return;
    }
    if (!elevation) {
        alerts.alert("missing alt", "Missing alt for airport '{:4}'", icao);
        return;
    }
    if (!stands) {
        alerts.alert("missing stands", "Missing stands for airport '{:4}'", icao);
    }
    try {
        AirportRecord record;
        record.icao = icao;
        record.stands = stands ? lf_stands(stands) : 0;
        record.elevation = lf_elevation(elevation);
        record.lat = lf_degrees(lat, 90.0);
        record.lon = lf_degrees(lon, 180.0);
        if (iata) {
            record.iata = FixedCode<3>(iata.value());
        }
        table.push_back(record);
    } catch (const std::exception& error) {
        gf_log(fmt::format("Error storing airport '{:4}' '{}': {}", icao, iata.value(), error.what()));
    }
}

std::vector<AirportRecord> lf_readPlainFile(const std::filesystem::path& plainPath)
{
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(plainPath.native().c_str());
    if (!parsed) {
        throw std::runtime_error(fmt::format("{} not loaded: {}", plainPath.string(), parsed.description()));
    }
    const pugi::xml_node airports = document.child("root").child("airports");
    if (!airports) {
        throw std::runtime_error(fmt::format("Missing <airports> root in: {}", plainPath.string()));
    }
    std::vector<AirportRecord> table;
    table.reserve(reservedAirports);
    CappedAlerts alerts(plainPath.string());
    for (const pugi::xml_node& element : airports.children("ap")) {
        lf_readAirport(element, AirportCode(element.attribute("c").value()), table, alerts);
    }
    return table;
}

} // namespace

bool gf_readAirports()
{
    return gf_readAirports(paths::airportsEncPath);
}

bool gf_readAirports(const std::filesystem::path& sealedPath)
{
    if (gf_airportsRead()) {
        return !gf_airports().empty();
    }
    const RemoveOnExit plainCopy(gf_plainPathOf(sealedPath));
    bool decrypted = false;
    try {
        decrypted = gf_streamDecrypt(sealedPath, plainCopy.path());
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{} exception : {}", "gf_readAirports", error.what()));
        throw;
    }
    if (!decrypted) {
        throw UserErrorException(airportsReadErrorCode, fmt::format("{} stream decrypt failed", sealedPath.string()));
    }
    std::vector<AirportRecord> table;
    try {
        table = lf_readPlainFile(plainCopy.path());
    } catch (const std::exception& error) {
        throw UserErrorException(airportsReadErrorCode, error.what());
    }
    gf_log(fmt::format("{:5} airports read", table.size()));
    gf_installAirports(std::move(table));
    return !gf_airports().empty();
}

} // namespace hlw
