#include "liveries/folder_walk.h"

#include "core/log.h"
#include "core/run_state_port.h"
#include "core/string_helpers.h"

#include <fmt/format.h>

#include <array>
#include <chrono>
#include <memory>
#include <exception>
#include <system_error>
#include <vector>

namespace hlw {
namespace fs = std::filesystem;
namespace {

constexpr std::array<std::string_view, 9> skipWords{"airport", "lvfr",      "mkstudios", "simwings", "fsdreamteam",
                                                    "navigraph", "flytampa", "inibuilds", "_CVT_"};

bool lf_stopRequested() noexcept
{
    const RunStatePort& state = gf_runState();
    return state.stopRequested() || state.userClosing();
}

struct FolderListing;

// One entry of a folder as the walk treats it, in listing order.
struct WalkEntry {
    enum class Kind { read, enter, alert };
    Kind kind;
    std::string path; // the file to read or the folder to enter
    std::string alert;
    bool ivao = false;
    // The reader task of a file, or the job that lists a folder into sublisting.
    ReaderTaskPool::TaskHandle task;
    std::shared_ptr<FolderListing> sublisting;
};

struct FolderListing {
    std::vector<WalkEntry> entries;
};

// What every walk job of one root needs; shared by the jobs, which may outlive the scan.
struct WalkSetup {
    uint16_t sourceIndex;
    LiveryReaders readers;
};

// Adds the entry when the walk reads it (an aircraft.cfg) or goes into it (a folder it may enter).
void lf_classify(const fs::directory_entry& entry, std::vector<WalkEntry>& entries)
{
    try {
        // Paths are UTF-8 on this platform; the type comes from the listing where it can (no stat call).
        const std::string& pathText = entry.path().native();
        std::error_code ec;
        if (entry.is_directory(ec)) {
            if (!gf_pathHasLiverySkipWord(pathText) && pathText.size() < liveryWalkPathLimit &&
                !entry.is_symlink(ec)) {
                entries.push_back({WalkEntry::Kind::enter, pathText, {}, false, {}, {}});
            }
            return;
        }
        if (entry.is_regular_file(ec) && gf_isAircraftCfgName(entry.path())) {
            entries.push_back({WalkEntry::Kind::read, pathText, {}, gf_isIvaoPackagePath(pathText), {}, {}});
        }
    } catch (const std::exception& error) {
        entries.push_back({WalkEntry::Kind::alert, {},
                           fmt::format("liveries search in {} aborted, cause: {}", entry.path().string(), error.what()),
                           false, {}, {}});
    }
}

void lf_listFolder(const fs::path& folder, std::vector<WalkEntry>& entries)
{
    const auto endedEarly = [&](const std::string& cause) {
        entries.push_back({WalkEntry::Kind::alert, {},
                           fmt::format("liveries walk of {} ended early: {}", folder.string(), cause), false, {}, {}});
    };
    try {
        std::error_code ec;
        fs::directory_iterator next(folder, ec);
        if (ec) {
            endedEarly(ec.message());
            return;
        }
        while (next != fs::directory_iterator()) {
            const fs::directory_entry entry = *next;
            next.increment(ec);
            if (ec) {
                endedEarly(ec.message());
                next = fs::directory_iterator();
            }
            lf_classify(entry, entries);
        }
    } catch (const std::exception& error) {
        endedEarly(error.what());
    }
}

// The walk job of one folder: lists it whole and starts a reader task for each aircraft.cfg and a walk job for
// each folder to enter. Its alerts are logged by the walk's driver when it reaches them, in walk order.
ReaderTaskPool::WalkWork lf_folderJob(std::shared_ptr<const WalkSetup> setup, std::string folder,
                                      std::shared_ptr<FolderListing> listing)
{
    return [setup = std::move(setup), folder = std::move(folder), listing = std::move(listing)](
               ReaderTaskPool::Queue& queue) {
        lf_listFolder(fs::path(folder), listing->entries);
        for (WalkEntry& entry : listing->entries) {
            if (entry.kind == WalkEntry::Kind::read) {
                entry.task = queue.startReader(setup->sourceIndex, std::move(entry.path),
                                               entry.ivao ? setup->readers.ivao : setup->readers.generic);
            } else if (entry.kind == WalkEntry::Kind::enter) {
                entry.sublisting = std::make_shared<FolderListing>();
                entry.task = queue.startJob(entry.path, lf_folderJob(setup, entry.path, entry.sublisting));
            }
        }
    };
}

// Waits for the walk's tasks in walk order: a folder's content right after the folder itself, as a recursive
// listing meets them. False when a stop request ended it.
bool lf_collectWalk(ReaderTaskPool& tasks, const std::shared_ptr<FolderListing>& root, ScannedLiveryList& out)
{
    // Each task and listing is released once collected, so memory follows the walk instead of the package.
    std::vector<std::pair<std::shared_ptr<FolderListing>, std::size_t>> open{{root, 0}};
    while (!open.empty()) {
        auto& [listing, next] = open.back();
        if (next == listing->entries.size()) {
            open.pop_back();
            continue;
        }
        if (lf_stopRequested()) {
            return false;
        }
        WalkEntry& entry = listing->entries[next++];
        if (entry.kind == WalkEntry::Kind::alert) {
            gf_logAlert(entry.alert);
            continue;
        }
        const ReaderTaskPool::TaskHandle task = std::move(entry.task);
        if (!task) {
            continue;
        }
        switch (tasks.waitFor(task)) {
        case ReaderTaskPool::Wait::ended:
            if (entry.kind == WalkEntry::Kind::read) {
                tasks.collect(task, out);
            } else {
                open.emplace_back(std::move(entry.sublisting), 0);
            }
            break;
        case ReaderTaskPool::Wait::timedOut:
            if (entry.kind == WalkEntry::Kind::read) {
                tasks.logGivenUp(task);
            } else {
                gf_logAlert(fmt::format("liveries walk of {} ended early: listing timed out after {:g} seconds",
                                        entry.path,
                                        std::chrono::duration<double>(tasks.settings().waitTimeout).count()));
            }
            break;
        case ReaderTaskPool::Wait::stopped:
            return false;
        }
    }
    return true;
}

} // namespace

bool gf_pathHasLiverySkipWord(std::string_view pathText) noexcept
{
    for (const std::string_view word : skipWords) {
        if (pathText.find(word) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

bool gf_isAircraftCfgName(const fs::path& file)
{
    return gf_equalNoCase(file.extension().native(), ".CFG") && gf_equalNoCase(file.stem().native(), "AIRCRAFT");
}

bool gf_isIvaoPackagePath(std::string_view pathText) noexcept
{
    return pathText.find("ivao_x-csl") != std::string_view::npos || pathText.find("IVAO_MTL") != std::string_view::npos;
}

void gf_scanLiveryFolder(uint16_t sourceIndex, const fs::path& root, const LiveryReaders& readers,
                         ReaderTaskPool& tasks, ScannedLiveryList& out)
{
    try {
        auto listing = std::make_shared<FolderListing>();
        const ReaderTaskPool::TaskHandle rootJob = tasks.startWalk(
            root.native(),
            lf_folderJob(std::make_shared<const WalkSetup>(WalkSetup{sourceIndex, readers}), root.native(), listing));
        bool finished = false;
        switch (tasks.waitFor(rootJob)) {
        case ReaderTaskPool::Wait::ended:
            finished = lf_collectWalk(tasks, listing, out);
            break;
        case ReaderTaskPool::Wait::timedOut:
            gf_logAlert(fmt::format("liveries walk of {} ended early: listing timed out", root.string()));
            finished = true;
            break;
        case ReaderTaskPool::Wait::stopped:
            break;
        }
        if (!finished) {
            tasks.abandon();
        }
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("liveries search in {} aborted, cause: {}", root.string(), error.what()));
        tasks.abandon();
    }
}

} // namespace hlw
