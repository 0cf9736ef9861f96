#include "parking/icao_airports_file.h"

#include "core/capped_alerts.h"
#include "core/log.h"
#include "core/string_helpers.h"
#include "core/user_error.h"
#include "core/whole_file.h"

#include <fmt/format.h>

namespace hlw {
namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view tokenBlanks = " \t\r";

} // namespace

AirportCodeSet gf_readIcaoAirports(const std::filesystem::path& path)
{
    WholeFile file = gf_readWholeFile(path, icaoAirportsMaxBytes);
    if (file.status == WholeFileStatus::cannotOpen) {
        throw UserErrorException(icaoAirportsErrorCode, fmt::format("File '{}' is missing?", path.generic_string()));
    }
    if (file.status != WholeFileStatus::ok) {
        throw UserErrorException(
            icaoAirportsErrorCode,
            fmt::format("File '{}' {}", path.generic_string(), gf_wholeFileProblem(file.status, icaoAirportsMaxBytes)));
    }
    std::string_view text = file.bytes;
    if (text.starts_with(utf8Bom)) {
        text.remove_prefix(utf8Bom.size());
    }
    AirportCodeSet codes;
    CappedAlerts alerts(path.filename().string());
    for (const std::string_view line : gf_splitAt(text, '\n')) {
        for (const std::string_view raw : gf_splitAt(line, ',')) {
            const std::string_view token = gf_trimView(raw, tokenBlanks);
            if (token.empty()) {
                continue;
            }
            if (!AirportCode::isValid(token)) {
                alerts.alert("invalid code", "{}: '{}' is no airport code, skipped", path.filename().string(),
                             gf_logExcerpt(token, 40));
                continue;
            }
            codes.insert(AirportCode(token));
        }
    }
    gf_log(fmt::format("{} ICAO codes of airports read", codes.size()));
    return codes;
}

} // namespace hlw
