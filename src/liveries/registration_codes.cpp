#include "liveries/registration_codes.h"

#include "core/count_text.h"
#include "core/folder_files.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/text_file_writer.h"
#include "liveries/livery_catalogue.h"
#include "liveries/registration_tables.h"
#include "liveries/scan_lists.h"
#include "records/flight_record.h"
#include "refdata/remove_with_warning.h"
#include "refdata/sealed_file.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <exception>
#include <filesystem>
#include <unordered_set>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t aigEntriesReserved = 7000;
constexpr std::size_t userEntriesReserved = 1000;
const fs::path inlineRegcodesName = "InlineRegcodes.txt";
const fs::path offlineRegcodesName = "OfflineRegcodes.txt";

// The special titles as a set, so that the matching tests a candidate in constant time. It mirrors
// RegistrationTables::specialTitles, which only the merge fills: the merge empties it whenever that vector is
// empty (after a clear of the tables), and it is consulted only while the vector has entries.
std::unordered_set<std::string_view>& lf_specialTitleSet()
{
    static std::unordered_set<std::string_view> titles;
    return titles;
}

std::string lf_addedSummary(std::size_t added, std::size_t replaced, std::size_t special)
{
    std::string line = fmt::format("{} new regcode{} added", added, gf_plural(added));
    if (replaced != 0) {
        line += fmt::format(", {} regcode{} replaced", replaced, gf_plural(replaced));
    }
    if (special != 0) {
        line += fmt::format(", {} regcode{} defined as special", special, gf_plural(special));
    }
    return line;
}

// Reads the AIG file after decrypting it; its plain copy is removed on every way out. False when the sealed
// file could not be decrypted.
template <typename Reader> bool lf_withAigFile(Reader&& read)
{
    const RemoveOnExit plainCopy(paths::aigRegcodesXmlPath);
    if (!gf_streamDecrypt(paths::aigRegcodesEncPath, plainCopy.path())) {
        return false;
    }
    read(plainCopy.path());
    return true;
}

bool lf_userListsPresent()
{
    return fs::is_directory(paths::myRegcodesFolder) && gf_countFilesInDirectory(paths::myRegcodesFolder) > 0;
}

void lf_addRegisteredTitles(const TitleList& titles)
{
    RegistrationTables& tables = gf_registrationTables();
    std::vector<RegisteredTitle> registered;
    for (const std::string_view title : titles) {
        const auto hit = tables.inlineRegcodes.find(title);
        if (hit != tables.inlineRegcodes.end()) {
            registered.push_back({title, hit->second, gf_registrationHead(hit->second)});
        }
    }
    if (!registered.empty()) {
        registered.shrink_to_fit();
        tables.registeredTitleLists.insert_or_assign(&titles, std::move(registered));
    }
}

std::size_t lf_addDontUseTitles(const std::vector<RegcodeEntry>& entries)
{
    std::size_t added = 0;
    for (const RegcodeEntry& entry : entries) {
        if (entry.codes.empty()) {
            gf_dontUseTitles().add(entry.title);
            ++added;
        }
    }
    return added;
}

} // namespace

void gf_buildRegistrationCodes()
{
    gf_checkInlineRegcodes(gf_scannedLiveryList());
    gf_processOfflineRegcodes();
}

void gf_checkInlineRegcodes(const ScannedLiveryList& liveries)
{
    RegistrationTables& tables = gf_registrationTables();
    std::vector<std::string> clashes;
    for (const LiveryData& livery : liveries) {
        if (livery.atcId.empty()) {
            continue;
        }
        const std::string_view title = gf_findLiveryByTitle(livery.title);
        if (title.empty()) {
            clashes.push_back(fmt::format("==> [{}] {} '{}' not available, system error, should not happen?",
                                          gf_flightLabel(livery.codes()), livery.atcId, livery.title));
            continue;
        }
        const auto [byRegistration, newRegistration] = tables.regcodes.try_emplace(livery.atcId, title);
        if (!newRegistration && byRegistration->second != title) {
            clashes.push_back(
                fmt::format("{} '{}' => already in use by '{}'", livery.atcId, title, byRegistration->second));
        }
        const auto [byTitle, newTitle] = tables.inlineRegcodes.try_emplace(title, livery.atcId);
        if (!newTitle && byTitle->second != livery.atcId) {
            clashes.push_back(fmt::format("{} '{}' => already in use by '{}'", title, livery.atcId, byTitle->second));
        }
    }
    if (clashes.empty()) {
        return;
    }
    fs::create_directories(paths::errorsFolder);
    const fs::path report = paths::errorsFolder / inlineRegcodesName;
    gf_writeLine(clashes, report);
    gf_log(fmt::format("{:5} in-line regcode clashes, see '{}'", clashes.size(), report.string()));
}

void gf_buildRegisteredTitleLists()
{
    RegistrationTables& tables = gf_registrationTables();
    tables.registeredTitleLists.clear();
    if (tables.inlineRegcodes.empty()) {
        return;
    }
    const LiveryCatalogue& catalogue = gf_liveryCatalogue();
    for (const ModelTitleLists& byModel : catalogue.byModel) {
        for (const auto& [model, titles] : byModel) {
            lf_addRegisteredTitles(titles);
        }
    }
    if (!catalogue.privateAirline) {
        return;
    }
    for (const AirlineModelTitleLists& paxOrCargo : catalogue.paxCargo) {
        const auto privateLists = paxOrCargo.find(*catalogue.privateAirline);
        if (privateLists == paxOrCargo.end()) {
            continue;
        }
        for (const auto& [model, titles] : privateLists->second) {
            lf_addRegisteredTitles(titles);
        }
    }
}

void gf_mergeRegcodes(const std::vector<RegcodeEntry>& entries, std::vector<std::string>& messages)
{
    RegistrationTables& tables = gf_registrationTables();
    auto& specialSet = lf_specialTitleSet();
    if (tables.specialTitles.empty()) {
        specialSet.clear();
    }
    std::size_t added = 0;
    std::size_t replaced = 0;
    std::size_t special = 0;
    for (const RegcodeEntry& entry : entries) {
        const std::string_view title = gf_findLiveryByTitle(entry.title);
        if (title.empty()) {
            continue;
        }
        for (const std::string& code : entry.codes) {
            const auto [mapping, inserted] = tables.regcodes.try_emplace(code, title);
            if (inserted) {
                ++added;
            } else if (mapping->second != title) {
                messages.push_back(fmt::format("   regcode {} for '{}', instead of the same for '{}'", code, title,
                                               mapping->second));
                mapping->second = title;
                ++replaced;
            }
            if (entry.special && entry.codes.size() == 1) {
                tables.uniqueRegcodes.insert(code);
            }
        }
        if (entry.special) {
            tables.specialTitles.push_back(title);
            specialSet.insert(title);
            ++special;
        }
    }
    messages.push_back(lf_addedSummary(added, replaced, special));
}

void gf_processOfflineRegcodes()
{
    try {
        std::vector<std::string> messages;
        const bool decrypted = lf_withAigFile([&](const fs::path& plainFile) {
            messages.push_back(fmt::format("Processing file {}", plainFile.string()));
            std::vector<RegcodeEntry> entries;
            entries.reserve(aigEntriesReserved);
            if (!gf_readAigRegcodeXml(plainFile, entries)) {
                messages.push_back(fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt",
                                               plainFile.string()));
            }
            gf_mergeRegcodes(entries, messages);
        });
        if (!decrypted) {
            return;
        }

        if (lf_userListsPresent()) {
            messages.push_back(fmt::format("Processing files in {}", paths::myRegcodesFolder.string()));
            std::vector<RegcodeEntry> entries;
            entries.reserve(userEntriesReserved);
            if (!gf_readRegcodeTxtFiles(paths::myRegcodesFolder, entries)) {
                gf_setMessage(fmt::format("There were errors processing the regcode files in folder '{}', see Log.txt",
                                          paths::myRegcodesFolder.string()),
                              true);
            }
            gf_mergeRegcodes(entries, messages);
        }

        // The report replaces the old one only once written completely.
        const fs::path report = paths::infoFolder / offlineRegcodesName;
        gf_writeLine(messages, report);
        gf_log(fmt::format("Offline regcode files processed, results can be found in '{}'", report.string()));
        const RegistrationTables& tables = gf_registrationTables();
        if (!tables.specialTitles.empty()) {
            gf_log(fmt::format("{:5} special liveries", tables.specialTitles.size()));
        }
        if (!tables.uniqueRegcodes.empty()) {
            gf_log(fmt::format("{:5} unique liveries", tables.uniqueRegcodes.size()));
        }
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("exception: {}", error.what()));
    }
}

void gf_readDontUseTitles()
{
    try {
        gf_dontUseTitles().clear();
        lf_withAigFile([](const fs::path& plainFile) {
            std::vector<RegcodeEntry> entries;
            entries.reserve(aigEntriesReserved);
            gf_readAigRegcodeXml(plainFile, entries);
            const std::size_t added = lf_addDontUseTitles(entries);
            gf_log(fmt::format("{:5} don't use title{} read", added, gf_plural(added)));
        });
        if (lf_userListsPresent()) {
            std::vector<RegcodeEntry> entries;
            entries.reserve(userEntriesReserved);
            gf_readRegcodeTxtFiles(paths::myRegcodesFolder, entries);
            const std::size_t added = lf_addDontUseTitles(entries);
            gf_log(fmt::format("{:5} don't use title{} read from files in {}", added, gf_plural(added),
                               paths::myRegcodesFolder.string()));
        }
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("exception: {}", error.what()));
    }
}

bool gf_isSpecialTitle(std::string_view title)
{
    return !gf_registrationTables().specialTitles.empty() && lf_specialTitleSet().contains(title);
}

} // namespace hlw
