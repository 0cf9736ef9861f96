#include "support/sample_flights.h"

#include "core/log.h"
#include "core/text_encoding.h"
#include "core/text_file_reader.h"
#include "liveries/livery_matching.h"
#include "liveries/matching_summary.h"
#include "records/flight_record.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t maxCallsignLength = 8;
constexpr std::size_t maxRegistrationLength = 12;

bool lf_upperAlnum(std::string_view text, std::string_view alsoAllowed = {})
{
    return std::ranges::all_of(text, [&](char c) {
        return std::isupper(static_cast<unsigned char>(c)) != 0 || std::isdigit(static_cast<unsigned char>(c)) != 0 ||
               alsoAllowed.find(c) != std::string_view::npos;
    });
}

std::string lf_field(const std::string& text)
{
    return text == "-" ? std::string() : text;
}

// The record of one line, or the reason it is not one.
std::optional<FlightRecord> lf_parseFlight(const std::string& line, std::string& reason)
{
    std::istringstream fields(line);
    std::string callsign, airline, secondAirline, model, cargo, registration, extra;
    if (!(fields >> callsign >> airline >> secondAirline >> model >> cargo >> registration) || (fields >> extra)) {
        reason = "six fields expected";
        return std::nullopt;
    }
    airline = lf_field(airline);
    secondAirline = lf_field(secondAirline);
    registration = lf_field(registration);
    if (callsign.size() > maxCallsignLength || !lf_upperAlnum(callsign)) {
        reason = "bad callsign";
    } else if (airline.size() > 3 || secondAirline.size() > 3 || !lf_upperAlnum(airline) ||
               !lf_upperAlnum(secondAirline)) {
        reason = "bad airline code";
    } else if (!gf_isPlausibleModelCode(model)) {
        reason = "bad model code";
    } else if (cargo != "0" && cargo != "1") {
        reason = "cargo must be 0 or 1";
    } else if (registration.size() > maxRegistrationLength || !lf_upperAlnum(registration, "-")) {
        reason = "bad registration";
    }
    if (!reason.empty()) {
        return std::nullopt;
    }
    FlightRecord record;
    record.callsign = callsign;
    record.airline = airline.empty() ? 0 : gf_airlineIndex(airline);
    record.secondAirline = secondAirline.empty() ? 0 : gf_airlineIndex(secondAirline);
    record.model = gf_modelIndex(model);
    record.cargo = cargo == "1" ? 1 : 0;
    record.registration = registration;
    record.category = gf_modelCategory(record.model);
    return record;
}

} // namespace

std::vector<std::string> gf_matchSampleFlights(const fs::path& file)
{
    std::vector<std::string> lines;
    std::vector<std::string> flightLines;
    const TextEncoding encoding = gf_detectTextEncoding(file);
    if (encoding == TextEncoding::noneFound || !gf_readTextFile(encoding, file, flightLines)) {
        return {fmt::format("Sample flights could not be read from {}", file.string())};
    }
    lines.push_back(fmt::format("Matching sample flights at depth {}, RANDOM {}", settings::matchingDepth.get(),
                                settings::random.get() ? "on" : "off"));
    for (const std::string& line : flightLines) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::string reason;
        std::optional<FlightRecord> record = lf_parseFlight(line, reason);
        if (!record) {
            gf_logAlert(fmt::format("Sample flight '{}' skipped: {}", line, reason));
            continue;
        }
        gf_matchLivery(*record);
        lines.push_back(fmt::format("{:8} {:14} {:8} -> {}", record->callsign, gf_flightLabel(record->codes()),
                                    record->registration,
                                    record->title.empty() ? std::string_view("(no livery)") : record->title));
    }
    const auto counts = gf_matchStepCounts();
    std::string countLine = "Matches at step:";
    for (std::size_t step = 0; step < counts.size(); ++step) {
        countLine += fmt::format(" {}: {}", step, counts[step]);
    }
    lines.push_back(countLine);
    gf_logMatchingSummary();
    return lines;
}

} // namespace hlw
