#include "liveries/ivao_model_reader.h"

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
#include <array>
#include <optional>
#include <string_view>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Folders whose model code gets a "W" appended (winglet variants).
constexpr std::array<std::string_view, 5> wingletFolders = {"IVAO_B738WLfa", "IVAO_B739WLfa", "IVAO_A320wCFM",
                                                            "IVAO_A320wIAE", "IVAO_A319fIAEw"};

bool lf_isWordChar(char c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool lf_isWord(std::string_view text) noexcept
{
    return !text.empty() && std::ranges::all_of(text, lf_isWordChar);
}

// The folder name after "IVAO_" when the path ends in <something><sep><package><sep>SimObjects<sep>Airplanes
// <sep>IVAO_<word><sep>aircraft.cfg, every name compared without letter case.
std::optional<std::string_view> lf_ivaoFolderWord(std::string_view path)
{
    std::array<std::string_view, 5> names;
    std::size_t end = path.size();
    for (std::size_t i = names.size(); i-- > 0;) {
        const std::size_t separator = end == 0 ? std::string_view::npos : path.find_last_of("/\\", end - 1);
        if (separator == std::string_view::npos) {
            return std::nullopt;
        }
        names[i] = path.substr(separator + 1, end - separator - 1);
        end = separator;
    }
    // At least one character must come before the separator in front of the package folder.
    if (end == 0) {
        return std::nullopt;
    }
    const bool packageMatches = gf_equalNoCase(names[0], "IVAO_MTL") || gf_equalNoCase(names[0], "ivao_x-csl");
    constexpr std::string_view prefix = "IVAO_";
    if (!packageMatches || !gf_equalNoCase(names[1], "SimObjects") || !gf_equalNoCase(names[2], "Airplanes") ||
        !gf_equalNoCase(names[4], "aircraft.cfg") || !gf_startsWithNoCase(names[3], prefix)) {
        return std::nullopt;
    }
    const std::string_view word = names[3].substr(prefix.size());
    return lf_isWord(word) ? std::optional(word) : std::nullopt;
}

// A texture folder beside the file, its name compared without letter case as the target platform does.
bool lf_textureFolderExists(const fs::path& folder, const std::string& name)
{
    if (fs::is_directory(folder / name)) {
        return true;
    }
    if (!fs::is_directory(folder)) {
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (gf_equalNoCase(entry.path().filename().native(), name) && entry.is_directory()) {
            return true;
        }
    }
    return false;
}

// The three characters of an airline code at the start of the title (after blanks).
std::optional<std::string> lf_airlineOfTitle(std::string_view title)
{
    const std::string_view text = gf_trimLeftView(title, cSpace);
    if (text.size() < 3) {
        return std::nullopt;
    }
    const std::string_view code = text.substr(0, 3);
    return lf_isWord(code) ? std::optional(std::string(code)) : std::nullopt;
}

bool lf_isWingletFolder(const fs::path& folder)
{
    const std::string text = folder.string();
    return std::ranges::any_of(wingletFolders,
                               [&](std::string_view name) { return text.find(name) != std::string::npos; });
}

// A line holding '[' anywhere closes a section.
bool lf_holdsBracket(std::string_view line) noexcept
{
    return line.find('[') != std::string_view::npos;
}

} // namespace

std::string gf_ivaoModelFromPath(const fs::path& file)
{
    const std::optional<std::string_view> word = lf_ivaoFolderWord(file.native());
    if (!word) {
        gf_addInvalidModelCode("  ", file);
        return {};
    }
    return gf_resolveModelCode(word->substr(0, 4), file);
}

namespace {

// One section: the empty record when it gives no livery.
LiveryData lf_processIvaoFltSimSection(int32_t sourceIndex, FltsimSection section, const std::string& model,
                                       const fs::path& file, const fs::path& folder)
{
    const std::string& header = section.front();
    const std::string folderText = folder.string();
    const auto incomplete = [&](std::string_view text) {
        gf_addIncompleteSection(fmt::format("{} {}{}", folderText, header, text));
    };

    std::string title;
    std::string parkingTypes;
    std::string registration;
    std::string texture;
    for (const std::string& line : section) {
        std::string value;
        if (title.empty()) {
            if (gf_getTitle(line, value)) {
                title = gf_trim(value);
                if (const std::string problem = gf_titleProblem(title); !problem.empty()) {
                    incomplete(" " + problem);
                    return {};
                }
                if (title != value) {
                    gf_log(fmt::format("removed spaces around title '{}' --> '{}'", value, title));
                }
                continue;
            }
        } else if (gf_getTitle(line, value)) {
            incomplete(" has more than one title key");
            return {};
        }
        if (parkingTypes.empty()) {
            if (gf_getAtcParkingTypes(line, value)) {
                gf_trimCommaList(value);
                gf_makeUpperAscii(value);
                parkingTypes = std::move(value);
                continue;
            }
        } else if (gf_lineHasAtcParkingTypes(line)) {
            incomplete(" has more than one atc_parking_types key");
            return {};
        }
        if (registration.empty()) {
            if (gf_getAtcId(line, value)) {
                const std::string_view atcId = gf_atcIdWithoutComment(value);
                const AtcIdValue kind = gf_checkAtcIdValue(atcId);
                if (kind == AtcIdValue::invalid) {
                    incomplete(fmt::format("invalid atc_id={} in {}", atcId, title));
                } else if (kind == AtcIdValue::single) {
                    registration = atcId;
                }
                continue;
            }
        } else if (gf_lineHasAtcId(line)) {
            gf_addIncompleteSection(fmt::format("{}, {}, has more than one atc_id key", folderText, header));
            return {};
        }
        if (texture.empty() && gf_getTexture(line, value)) {
            texture = std::move(value);
        }
    }

    const std::string textureName = "texture." + texture;
    if (!lf_textureFolderExists(folder, textureName)) {
        gf_addIncompleteSection(fmt::format("{} {} does not exist", (folder / textureName).string(), header));
        return {};
    }
    if (title.empty()) {
        incomplete(" misses title");
        return {};
    }
    if (gf_dontUseTitles().contains(title)) {
        return {};
    }
    const std::string modelText = lf_isWingletFolder(folder) ? model + "W" : model;

    RegistrationCodes codes;
    if (const std::optional<std::string> airline = lf_airlineOfTitle(title)) {
        if (!gf_isKnownAirline(*airline)) {
            gf_addInvalidAirlineCode(*airline, file, header);
            return {};
        }
        if (*airline == "ZZZ") {
            registration.clear();
        }
        codes = {gf_airlineIndex(*airline), 0, gf_modelIndex(modelText), 0, 0};
    } else if (registration.empty()) {
        incomplete(fmt::format(" misses airlinecode in title: {}, and no regcode", title));
        return {};
    } else {
        // A record gives its codes only when it names both an airline and a model.
        const std::optional<RegistrationCodes> record = gf_findDbaseRecord(registration);
        if (!record || record->airline == 0 || record->model == 0) {
            incomplete(fmt::format(" misses airlinecode in title: {}, and regcode unknown {}", title, registration));
            return {};
        }
        codes = *record;
        codes.valid = 1;
    }
    LiveryData livery = gf_makeLiveryData(static_cast<uint16_t>(sourceIndex), codes, title, std::move(registration));
    if (gf_hasNoCodes(livery)) {
        incomplete(fmt::format(" title already exists: {}", title));
        return {};
    }
    return livery;
}

} // namespace

ScannedLiveryList gf_searchLiveriesinIVAOFile(int32_t sourceIndex, const fs::path& file)
{
    try {
        const std::string model = gf_ivaoModelFromPath(file);
        if (model.empty()) {
            return {};
        }
        const std::optional<std::vector<std::string>> lines = gf_readAircraftCfgLines(file, &gf_logAlert);
        if (!lines) {
            return {};
        }
        ScannedLiveryList liveries;
        gf_forEachFltsimSection(*lines, &lf_holdsBracket, [&](FltsimSection section) {
            LiveryData livery = lf_processIvaoFltSimSection(sourceIndex, section, model, file, file.parent_path());
            if (!gf_hasNoCodes(livery)) {
                liveries.push_back(std::move(livery));
            }
        });
        return liveries;
    } catch (const std::exception& error) {
        gf_log(fmt::format("! Exception in lf_searchLiveriesinIVAOFile {}: {}", gf_lossyPathText(file), error.what()));
        throw;
    } catch (...) {
        gf_log(fmt::format("! Unknown exception in lf_searchLiveriesinIVAOFile {}", gf_lossyPathText(file)));
        throw;
    }
}

} // namespace hlw
