#include "liveries/folder_walk.h"

#include "core/log.h"
#include "core/run_state_port.h"

#include <fmt/format.h>

#include <array>
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

// Only the letters a to z are upper-cased, as the name test of the files requires.
bool lf_equalsUpper(std::string_view text, std::string_view upper) noexcept
{
    if (text.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char u = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (u != upper[i]) {
            return false;
        }
    }
    return true;
}

fs::directory_iterator lf_openFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::directory_iterator listing(folder, ec);
    if (ec) {
        gf_logAlert(fmt::format("liveries walk of {} ended early: {}", folder.string(), ec.message()));
        return {};
    }
    return listing;
}

class FolderWalk {
public:
    FolderWalk(uint16_t sourceIndex, const LiveryReaders& readers, ReaderTaskPool& tasks, ScannedLiveryList& out)
        : sourceIndex_(sourceIndex), readers_(readers), tasks_(tasks), out_(out)
    {
    }

    // False when a stop request ended it.
    bool run(const fs::path& root)
    {
        // One listing per folder being walked, the innermost last: the walk visits a folder's content right
        // after the folder itself, as a recursive listing does.
        std::vector<std::pair<fs::path, fs::directory_iterator>> open;
        open.emplace_back(root, lf_openFolder(root));
        while (!open.empty()) {
            auto& [folder, listing] = open.back();
            if (listing == fs::directory_iterator()) {
                open.pop_back();
                continue;
            }
            if (lf_stopRequested()) {
                return false;
            }
            const fs::directory_entry entry = *listing;
            std::error_code ec;
            listing.increment(ec);
            if (ec) {
                gf_logAlert(fmt::format("liveries walk of {} ended early: {}", folder.string(), ec.message()));
                listing = fs::directory_iterator();
            }
            fs::path subfolder;
            if (!visit(entry, subfolder)) {
                return false;
            }
            if (!subfolder.empty()) {
                fs::directory_iterator sublisting = lf_openFolder(subfolder);
                open.emplace_back(std::move(subfolder), std::move(sublisting));
            }
        }
        return true;
    }

private:
    // Reads the entry when it is an aircraft.cfg, or names it in subfolder when the walk goes into it.
    // False when a stop request came while waiting for room.
    bool visit(const fs::directory_entry& entry, fs::path& subfolder)
    {
        try {
            // Paths are UTF-8 on this platform; the type comes from the listing where it can (no stat call).
            const std::string& pathText = entry.path().native();
            std::error_code ec;
            if (entry.is_directory(ec)) {
                if (!gf_pathHasLiverySkipWord(pathText) && pathText.size() < liveryWalkPathLimit &&
                    !entry.is_symlink(ec)) {
                    subfolder = entry.path();
                }
                return true;
            }
            if (!entry.is_regular_file(ec) || !gf_isAircraftCfgName(entry.path())) {
                return true;
            }
            const LiveryReader& reader = gf_isIvaoPackagePath(pathText) ? readers_.ivao : readers_.generic;
            if (!tasks_.waitForRoom(out_)) {
                return false;
            }
            tasks_.start(sourceIndex_, entry.path(), reader);
        } catch (const std::exception& error) {
            gf_logAlert(fmt::format("liveries search in {} aborted, cause: {}", entry.path().string(), error.what()));
        }
        return true;
    }

    const uint16_t sourceIndex_;
    const LiveryReaders& readers_;
    ReaderTaskPool& tasks_;
    ScannedLiveryList& out_;
};

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
    return lf_equalsUpper(file.extension().string(), ".CFG") && lf_equalsUpper(file.stem().string(), "AIRCRAFT");
}

bool gf_isIvaoPackagePath(std::string_view pathText) noexcept
{
    return pathText.find("ivao_x-csl") != std::string_view::npos || pathText.find("IVAO_MTL") != std::string_view::npos;
}

void gf_scanLiveryFolder(uint16_t sourceIndex, const fs::path& root, const LiveryReaders& readers,
                         ReaderTaskPool& tasks, ScannedLiveryList& out)
{
    try {
        FolderWalk walk(sourceIndex, readers, tasks, out);
        if (walk.run(root)) {
            tasks.drain(out);
        } else {
            tasks.abandon();
        }
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("liveries search in {} aborted, cause: {}", root.string(), error.what()));
        tasks.abandon();
    }
}

} // namespace hlw
