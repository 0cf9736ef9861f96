#include "liveries/livery_scan.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/product.h"
#include "core/run_state_port.h"
#include "core/shell_actions.h"
#include "core/user_error.h"
#include "liveries/ivao_model_reader.h"
#include "liveries/livery_file_reader.h"
#include "liveries/livery_tables.h"
#include "liveries/livery_view_port.h"
#include "liveries/registration_codes.h"
#include "liveries/scan_folder_list.h"
#include "liveries/scan_reports.h"
#include "liveries/scanned_liveries_file.h"
#include "refdata/code_table.h"
#include "refdata/sim_install.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace hlw {
namespace fs = std::filesystem;
namespace {

constexpr uint16_t highestSourceIndex = 10;

bool lf_stopRequested() noexcept
{
    const RunStatePort& state = gf_runState();
    return state.stopRequested() || state.userClosing();
}

// Airline, operator and model of a livery in one number.
uint64_t lf_codesKey(uint64_t airline, uint64_t secondAirline, uint64_t model) noexcept
{
    return (airline << 32) | (secondAirline << 16) | model;
}

// Drops every livery for which an earlier source has the same airline, operator and model.
void lf_keepHighestPriority(ScannedLiveryList& liveries)
{
    std::unordered_map<uint64_t, uint16_t> bestSource;
    for (const LiveryData& livery : liveries) {
        const auto [slot, added] =
            bestSource.try_emplace(lf_codesKey(livery.airline, livery.secondAirline, livery.model), livery.sourceIndex);
        if (!added) {
            slot->second = std::min(slot->second, livery.sourceIndex);
        }
    }
    std::erase_if(liveries, [&](const LiveryData& livery) {
        return livery.sourceIndex > bestSource.at(lf_codesKey(livery.airline, livery.secondAirline, livery.model));
    });
}

// Per code index of the list, the place of its text among the texts of all its indexes (equal texts, equal
// places): comparing places orders as comparing the texts does.
template <typename Indexes, typename TextOf> std::unordered_map<uint16_t, uint16_t> lf_textRanks(Indexes indexes, TextOf textOf)
{
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    std::stable_sort(indexes.begin(), indexes.end(),
                     [&](uint16_t a, uint16_t b) { return textOf(a) < textOf(b); });
    std::unordered_map<uint16_t, uint16_t> ranks;
    uint16_t rank = 0;
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (i > 0 && textOf(indexes[i - 1]) != textOf(indexes[i])) {
            ++rank;
        }
        ranks.emplace(indexes[i], rank);
    }
    return ranks;
}

// The order of gf_liveryLess, with the texts of the codes compared once per code instead of once per
// comparison: the codes become their text ranks, and only titles are compared as texts.
void lf_sortLiveries(ScannedLiveryList& liveries)
{
    std::vector<uint16_t> airlines;
    std::vector<uint16_t> models;
    airlines.reserve(2 * liveries.size());
    models.reserve(liveries.size());
    for (const LiveryData& livery : liveries) {
        airlines.push_back(livery.airline);
        airlines.push_back(livery.secondAirline);
        models.push_back(livery.model);
    }
    const auto airlineRanks = lf_textRanks(std::move(airlines), [](uint16_t index) -> const std::string& {
        return gf_airlineText(index);
    });
    const auto modelRanks =
        lf_textRanks(std::move(models), [](uint16_t index) -> const std::string& { return gf_modelText(index); });

    struct Keyed {
        uint64_t codes;
        LiveryData* livery;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(liveries.size());
    for (LiveryData& livery : liveries) {
        keyed.push_back({lf_codesKey(airlineRanks.at(livery.airline), airlineRanks.at(livery.secondAirline),
                                     modelRanks.at(livery.model)),
                         &livery});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.codes != b.codes) {
            return a.codes < b.codes;
        }
        return a.livery->title < b.livery->title;
    });
    ScannedLiveryList sorted;
    sorted.reserve(liveries.size());
    for (const Keyed& entry : keyed) {
        sorted.push_back(std::move(*entry.livery));
    }
    liveries = std::move(sorted);
}

bool lf_sameLivery(const LiveryData& a, const LiveryData& b)
{
    return a.title == b.title && a.airline == b.airline && a.model == b.model && a.secondAirline == b.secondAirline &&
           a.atcId == b.atcId;
}

std::vector<fs::path> lf_foldersToScan(bool automatic)
{
    std::vector<fs::path> folders;
    folders.reserve(highestSourceIndex);
    if (automatic) {
        if (!gf_simPath({}).empty()) {
            gf_detectAiPackages(gf_simPath(paths::communityName), folders);
        }
        if (folders.empty()) {
            gf_enableControl(settings::aiPackageSelector);
            throw UserErrorException(43, "Automatic scan has not found any AI packages, choose a different selection "
                                         "(or go to Manual mode, see Manual 5.2)");
        }
    } else {
        gf_checkLfolderParameters(folders);
        if (folders.empty()) {
            gf_openManual();
            gf_openParametersFolder(parametersFilePath());
            throw UserErrorException(48, fmt::format("Exit {} first!   Then set one or more lfolder parameters to "
                                                     "your liveries, see Manual 5.2",
                                                     productName));
        }
    }
    return folders;
}

} // namespace

LiveryScanSetup gf_programLiveryScanSetup()
{
    return {LiveryReaders{gf_searchLiveriesinFile, gf_searchLiveriesinIVAOFile}, ReaderTaskSettings{}};
}

void gf_orderScannedLiveries(ScannedLiveryList& liveries, bool prioritize)
{
    if (prioritize) {
        lf_keepHighestPriority(liveries);
    }
    lf_sortLiveries(liveries);
    liveries.erase(std::unique(liveries.begin(), liveries.end(), lf_sameLivery), liveries.end());
}

LiveryScanResult gf_scanLiveryFolders(const std::vector<fs::path>& folders, const LiveryScanSetup& setup)
{
    ScannedLiveryList& liveries = gf_scannedLiveryList();
    liveries.clear();
    gf_removeScanResultFiles();
    // A scan that ended early left its lists and titles behind; this scan starts from empty ones.
    gf_clearScanLists();
    gf_readDontUseTitles();

    uint16_t sourceIndex = 0;
    std::size_t total = 0;
    {
        ReaderTaskPool tasks(setup.tasks);
        for (const fs::path& folder : folders) {
            if (folder.empty()) {
                continue;
            }
            const fs::file_status status = fs::status(folder);
            if (!fs::exists(status)) {
                gf_log(fmt::format("{} does not exist, skipped!", folder.string()));
                continue;
            }
            if (!fs::is_directory(status)) {
                gf_log(fmt::format("{} is not a folder name, skipped!", folder.string()));
                continue;
            }
            sourceIndex = std::min<uint16_t>(sourceIndex + 1, highestSourceIndex);
            if (lf_stopRequested()) {
                return LiveryScanResult::stopped;
            }
            const std::size_t before = liveries.size();
            gf_scanLiveryFolder(sourceIndex, folder, setup.readers, tasks, liveries);
            if (lf_stopRequested()) {
                return LiveryScanResult::stopped;
            }
            const std::size_t count = liveries.size() - before;
            const std::string where = fmt::format("found in {}", folder.string());
            if (count == 0) {
                gf_log(fmt::format("No liveries {}", where));
            } else {
                gf_log(fmt::format("{} liverie{} {}", count, gf_plural(count), where));
                total += count;
            }
        }
        // Every task has ended (or been left behind, and may no longer add anything) before the summary.
        tasks.finish();
    }
    if (lf_stopRequested()) {
        return LiveryScanResult::stopped;
    }
    if (liveries.empty()) {
        liveryCount.store(0);
        gf_liveryView().liveryStatusChanged();
        return LiveryScanResult::empty;
    }
    if (folders.size() > 1) {
        gf_log(fmt::format("{} in total", total));
    }
    gf_orderScannedLiveries(liveries, settings::ligPrioritize.get());

    const bool written = gf_writeScannedLiveries(liveries, paths::liveriesScannedPath);
    liveries.clear();
    liveries.shrink_to_fit();
    gf_writeScanSummary();
    gf_clearScanLists();
    gf_clearMessage();
    if (!written) {
        throw UserErrorException(scannedLiveriesWriteError,
                                 fmt::format("could not write {}", paths::liveriesScannedPath.string()));
    }
    return LiveryScanResult::done;
}

LiveryScanResult gf_scanLiveries(const LiveryScanSetup& setup)
{
    const bool automatic = settings::ligAutomatic.get();
    gf_enableControl(settings::aiPackageSelector, false);
    gf_setMessage(fmt::format("Scanning {}for liveries ...", settings::ligPrioritize.get() ? "prioritized " : ""),
                  false);
    gf_log(fmt::format("\n++++++++++++++++++++++++ liveries scan {} starts ++++++++++++++++++++++++++++++++",
                       automatic ? "automatic" : "manual"));
    liveryCount.store(0);
    gf_liveryView().liveryStatusChanged();

    const std::vector<fs::path> folders = lf_foldersToScan(automatic);
    const LiveryScanResult result = gf_scanLiveryFolders(folders, setup);
    if (result == LiveryScanResult::empty) {
        if (!automatic) {
            throw UserErrorException(53, "no liveries found");
        }
        gf_enableControl(settings::aiPackageSelector);
        throw UserErrorException(143, "Automatic scan has not found any liveries, choose a different selection, or "
                                      "switch off automatic and set lfolder parameter(-s)");
    }
    if (result == LiveryScanResult::stopped) {
        gf_enableControl(settings::aiPackageSelector);
        gf_log("liveries scan stopped; nothing written");
        return result;
    }
    settings::scanLiveries.setAndSave(false);
    settings::scanLiveries.showCheck();
    gf_liveryView().scanSwitchShown();
    gf_enableControl(settings::aiPackageSelector);
    gf_liveryView().liveryStatusChanged();
    gf_log("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
    gf_logFlushNow();
    return result;
}

LiveryScanResult gf_scanLiveries()
{
    return gf_scanLiveries(gf_programLiveryScanSetup());
}

} // namespace hlw
