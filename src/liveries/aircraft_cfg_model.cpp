#include "liveries/aircraft_cfg_model.h"

#include "core/log.h"
#include "core/text_encoding.h"
#include "core/text_file_reader.h"
#include "core/whole_file.h"
#include "liveries/lossy_path_text.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/scan_lists.h"
#include "refdata/code_table.h"

#include <fmt/format.h>

#include <charconv>
#include <cstdint>
#include <optional>

namespace hlw {
namespace {

enum class FltsimNumber { none, fits, tooLarge };

// The header's number; tooLarge when its digits do not fit a signed 32-bit number.
FltsimNumber lf_parseFltsimNumber(const std::string& digits, int32_t& number)
{
    if (digits.empty()) {
        return FltsimNumber::none;
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return (error == std::errc() && end == digits.data() + digits.size()) ? FltsimNumber::fits
                                                                           : FltsimNumber::tooLarge;
}

template <typename ReadCode>
std::optional<std::string> lf_firstCode(const std::vector<std::string>& lines, ReadCode readCode)
{
    for (const std::string& line : lines) {
        std::string code = readCode(line);
        if (!code.empty()) {
            return code;
        }
    }
    return std::nullopt;
}

} // namespace

bool gf_checkFltsimNumbers(const std::vector<std::string>& lines, const std::filesystem::path& file)
{
    bool anyHeader = false;
    bool outOfRange = false;
    for (const std::string& line : lines) {
        int32_t number = 0;
        switch (lf_parseFltsimNumber(gf_getFltsimNumber(line), number)) {
        case FltsimNumber::none:
            continue;
        case FltsimNumber::tooLarge:
            gf_logAlert(fmt::format("fltsim num {} incorrect", line));
            return false;
        case FltsimNumber::fits:
            anyHeader = true;
            outOfRange = outOfRange || number < 0 || number > highestFltsimNumber;
            break;
        }
    }
    if (!anyHeader) {
        gf_addNoFltsimSection(file.string());
        return true;
    }
    if (outOfRange) {
        gf_addInvalidAircraftCfg(fmt::format("{} contains a [fltsim.x] section with a number < 0 or > {}",
                                             file.string(), highestFltsimNumber));
        return false;
    }
    return true;
}

std::string gf_resolveModelCode(std::string_view code, const std::filesystem::path& file)
{
    if (gf_isKnownModel(code)) {
        return std::string(code);
    }
    if (std::optional<std::string> corrected = gf_findModelFix(code)) {
        gf_addFix(fmt::format("Model fix: {} found in {} changed into {}", code, file.string(), *corrected));
        return std::move(*corrected);
    }
    gf_addInvalidModelCode(code, file);
    return {};
}

std::string gf_modelFromIcaoTypeDesignator(const std::filesystem::path& file, const std::vector<std::string>& lines)
{
    if (const auto code = lf_firstCode(lines, [](const std::string& line) { return gf_getIcaoTypeDesignator(line); })) {
        return gf_resolveModelCode(*code, file);
    }
    return gf_modelFromBaseContainer(file, lines);
}

std::string gf_modelFromBaseContainer(const std::filesystem::path& file, const std::vector<std::string>& lines)
{
    if (const auto code = lf_firstCode(lines, [](const std::string& line) { return gf_getBaseContainer(line); })) {
        return gf_resolveModelCode(*code, file);
    }
    const std::string text = file.string();
    if (text.find("pmdg-aircraft-7") == std::string::npos && text.find("fnx-aircraft-3") == std::string::npos) {
        gf_addInvalidAircraftCfg(fmt::format("Line icao_type_designator= is missing in [General] section of {}", text));
    }
    return {};
}

std::optional<std::vector<std::string>> gf_readAircraftCfgLines(const std::filesystem::path& file,
                                                                CfgLogWriter reportNoEncoding)
{
    std::vector<std::string> lines;
    lines.reserve(4096);
    // One read of the file both detects its encoding and gives its lines.
    const TextFileRead read = gf_readTextFileOnce(file, aircraftCfgMaxBytes, lines);
    if (read.tooLarge) {
        gf_addInvalidAircraftCfg(fmt::format("{} {}, not read", file.string(),
                                             gf_wholeFileProblem(WholeFileStatus::tooLarge, aircraftCfgMaxBytes)));
        return std::nullopt;
    }
    if (read.encoding == TextEncoding::noneFound) {
        reportNoEncoding(fmt::format("! No text encoding detected for {}", gf_lossyPathText(file)));
        return std::nullopt;
    }
    if (!read.ok) {
        gf_log(fmt::format("! Failed reading {}", gf_lossyPathText(file)));
        return std::nullopt;
    }
    if (!gf_checkFltsimNumbers(lines, file)) {
        return std::nullopt;
    }
    return lines;
}

} // namespace hlw
