#include "liveries/livery_file_reader.h"

#include "core/log.h"
#include "core/string_helpers.h"
#include "core/text_file_reader.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/aircraft_cfg_model.h"
#include "liveries/atc_id_value.h"
#include "liveries/fltsim_sections.h"
#include "liveries/lossy_path_text.h"
#include "liveries/scan_lists.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <string_view>

namespace hlw {
namespace {

namespace fs = std::filesystem;

bool lf_contains(std::string_view text, std::string_view part) noexcept
{
    return text.find(part) != std::string_view::npos;
}

// The working texts of one section while its lines are read.
struct SectionKeys {
    std::string title;
    std::string airline;
    std::string parkingTypes;
    std::string registration;
    bool rejected = false;
};

// Reads the section's keys line by line; each key is taken from its first usable line, and a second line of
// the same key rejects the section.
class SectionReader {
public:
    SectionReader(const fs::path& file, const std::string& folderText, const std::string& header)
        : file_(file), folderText_(folderText), header_(header)
    {
    }

    SectionKeys read(FltsimSection section)
    {
        for (const std::string& line : section) {
            if (readTitle(line) || readAirline(line) || readParkingTypes(line) || readRegistration(line)) {
                if (keys_.rejected) {
                    break;
                }
            }
        }
        return std::move(keys_);
    }

private:
    // Each step returns true when the line was taken (its turn ends), also when it rejected the section.
    bool reject(std::string line = {})
    {
        if (!line.empty()) {
            gf_addIncompleteSection(std::move(line));
        }
        keys_.rejected = true;
        return true;
    }

    bool readTitle(const std::string& line)
    {
        std::string value;
        if (!keys_.title.empty()) {
            return gf_getTitle(line, value) &&
                   reject(fmt::format("{} {} has more than one title key", folderText_, header_));
        }
        if (!gf_getTitle(line, value)) {
            return false;
        }
        keys_.title = gf_trim(value);
        if (const std::string problem = gf_titleProblem(keys_.title); !problem.empty()) {
            return reject(fmt::format("{} {} {}", folderText_, header_, problem));
        }
        if (lf_contains(keys_.title, "FenixA320") || lf_contains(keys_.title, "PMDG 737")) {
            return reject();
        }
        return true;
    }

    bool readAirline(const std::string& line)
    {
        if (!keys_.airline.empty()) {
            return lf_contains(line, "icao_airline") &&
                   reject(fmt::format("{} {} has more than one icao_airline key", folderText_, header_));
        }
        std::string code;
        if (!gf_getIcaoAirline(line, code)) {
            return false;
        }
        gf_trimCommaList(code);
        if (code.size() == 4 && (code[3] == 'X' || code[3] == 'C')) {
            code.resize(3);
        }
        if (gf_isKnownAirline(code)) {
            keys_.airline = std::move(code);
        } else if (code == "RFO") {
            return reject();
        } else {
            gf_addInvalidAirlineCode(code, file_, header_);
        }
        return true;
    }

    bool readParkingTypes(const std::string& line)
    {
        if (!keys_.parkingTypes.empty()) {
            return gf_lineHasAtcParkingTypes(line) &&
                   reject(fmt::format("{} {} has more than one atc_parking_types key", folderText_, header_));
        }
        std::string value;
        if (!gf_getAtcParkingTypes(line, value)) {
            return false;
        }
        gf_trimCommaList(value);
        gf_makeUpperAscii(value);
        keys_.parkingTypes = std::move(value);
        return true;
    }

    bool readRegistration(const std::string& line)
    {
        if (!keys_.registration.empty()) {
            return gf_lineHasAtcId(line) &&
                   reject(fmt::format("{}, {}, has more than one atc_id key", folderText_, header_));
        }
        std::string value;
        if (!gf_getAtcId(line, value)) {
            return false;
        }
        const std::string_view cut = gf_atcIdWithoutComment(value);
        switch (gf_checkAtcIdValue(cut)) {
        case AtcIdValue::invalid:
            gf_addIncompleteSection(fmt::format("invalid atc_id={} in: {}", cut, keys_.title));
            break;
        case AtcIdValue::single:
            keys_.registration = cut;
            break;
        case AtcIdValue::several:
            break;
        }
        return true;
    }

    const fs::path& file_;
    const std::string& folderText_;
    const std::string& header_;
    SectionKeys keys_;
};

// A registration record gives its codes to a livery only when it names both an airline and a model.
std::optional<RegistrationCodes> lf_usableRecord(const std::string& registration)
{
    std::optional<RegistrationCodes> record = gf_findDbaseRecord(registration);
    if (record && (record->airline == 0 || record->model == 0)) {
        record.reset();
    }
    return record;
}

ScannedLiveryList lf_processSection(int32_t sourceIndex, FltsimSection section, const std::string& model,
                                    const fs::path& file, const fs::path& folder)
{
    const std::string& header = section.front();
    const std::string folderText = folder.string();
    SectionKeys keys = SectionReader(file, folderText, header).read(section);

    if (keys.airline.empty()) {
        gf_addIncompleteSection(
            fmt::format("{} {} icao_airline is missing, or it has invalid info ", file.string(), header));
    }
    if (keys.rejected) {
        return {};
    }
    if (keys.title.empty()) {
        gf_addIncompleteSection(fmt::format("{} {} misses title", folderText, header));
        return {};
    }
    if (lf_contains(keys.title, "Fictional")) {
        return {};
    }
    if (keys.title.ends_with("-STUB")) {
        keys.airline = "ZZZ";
    }
    if (gf_dontUseTitles().contains(keys.title)) {
        return {};
    }
    if (keys.airline == "ZZZ") {
        keys.registration.clear();
    }
    std::optional<RegistrationCodes> record;
    if (!keys.registration.empty()) {
        record = lf_usableRecord(keys.registration);
    }
    if (keys.airline.empty() && !record) {
        const bool heavy = gf_modelCategoryByName(model) == AircraftCategory::Heavy;
        if (!keys.registration.empty()) {
            if (heavy) {
                gf_addIncompleteSection(
                    fmt::format("'{}' '{}' has no airline and regcode not in dbase", folderText, header));
                return {};
            }
            keys.airline = "PVT";
        } else {
            if (heavy) {
                gf_addIncompleteSection(fmt::format("'{}' '{}' has no airline and no regcode info", folderText, header));
                return {};
            }
            keys.airline = "PVT";
            keys.registration = gf_findShortRegistration(keys.title).value_or("");
            if (!keys.registration.empty()) {
                record = lf_usableRecord(keys.registration);
            }
        }
    }

    RegistrationCodes codes;
    if (record) {
        codes = *record;
        codes.valid = 1;
    } else {
        const bool cargo = lf_contains(keys.parkingTypes, "CARGO") && !lf_contains(keys.parkingTypes, "GATE");
        codes = {gf_airlineIndex(keys.airline), 0, gf_modelIndex(model), static_cast<uint8_t>(cargo), 0};
    }
    LiveryData livery = gf_makeLiveryData(static_cast<uint16_t>(sourceIndex), codes, keys.title,
                                          std::move(keys.registration));
    if (gf_hasNoCodes(livery)) {
        gf_addIncompleteSection(fmt::format("{} {} title '{}' already exists", folderText, header, keys.title));
        return {};
    }
    return {std::move(livery)};
}

ScannedLiveryList lf_procesFltSimSection(int32_t sourceIndex, FltsimSection section, const std::string& model,
                                         const fs::path& file, const fs::path& folder)
{
    try {
        return lf_processSection(sourceIndex, section, model, file, folder);
    } catch (const std::exception& error) {
        gf_log(fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", error.what(), gf_lossyPathText(file)));
        throw;
    }
}

// Any other block ("[General]", "[fltsim.x]" behind blanks ...) closes a section when its '[' stands among the
// first six characters of the line.
bool lf_opensOtherBlock(std::string_view line) noexcept
{
    return line.substr(0, 6).find('[') != std::string_view::npos;
}

} // namespace

ScannedLiveryList gf_searchLiveriesinFile(int32_t sourceIndex, const fs::path& file)
{
    try {
        std::error_code error;
        if (!fs::exists(fs::status(file, error)) || error) {
            return {};
        }
        const std::optional<std::vector<std::string>> lines = gf_readAircraftCfgLines(file, &gf_log);
        if (!lines) {
            return {};
        }
        const std::string model = gf_modelFromIcaoTypeDesignator(file, *lines);
        if (model.empty()) {
            return {};
        }
        ScannedLiveryList liveries;
        gf_forEachFltsimSection(*lines, &lf_opensOtherBlock, [&](FltsimSection section) {
            for (LiveryData& livery : lf_procesFltSimSection(sourceIndex, section, model, file, file.parent_path())) {
                liveries.push_back(std::move(livery));
            }
        });
        return liveries;
    } catch (const std::exception& error) {
        gf_log(fmt::format("! Exception in lf_searchLiveriesinFile {}: {}", gf_lossyPathText(file), error.what()));
        throw;
    }
}

} // namespace hlw
