#include "core/folder_files.h"

#include "core/log.h"
#include "core/string_helpers.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t airportFilesReserve = 512;

bool lf_hasXmlExtension(const fs::path& path)
{
    return gf_equalNoCase(path.extension().native(), ".XML");
}

bool lf_isXmlFile(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.is_regular_file(ec) && lf_hasXmlExtension(entry.path());
}

bool lf_isRegularFile(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.is_regular_file(ec);
}

template <typename Selected> void lf_removeSelected(const fs::path& folder, std::string_view caller, Selected selected)
{
    try {
        if (!fs::is_directory(folder)) {
            return;
        }
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (!selected(entry)) {
                continue;
            }
            std::error_code ec;
            fs::remove(entry.path(), ec);
            if (ec) {
                gf_logAlert(fmt::format("Failed to remove {} ({})", entry.path().string(), ec.message()));
            }
        }
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{} exception: {}", caller, error.what()));
    }
}

} // namespace

std::size_t gf_countFilesInDirectory(const fs::path& path)
{
    if (!fs::exists(path)) {
        return 0;
    }
    return static_cast<std::size_t>(
        std::count_if(fs::directory_iterator(path), fs::directory_iterator(), lf_isRegularFile));
}

std::vector<FixedCode<4>> gf_xmlFilesInDirectory(const fs::path& path)
{
    std::vector<FixedCode<4>> codes;
    if (!fs::exists(path)) {
        return codes;
    }
    codes.reserve(airportFilesReserve);
    std::error_code ec;
    fs::directory_iterator listing(path, ec);
    if (ec) {
        return codes;
    }
    // On a file system that tells cases apart, "EHAM.xml" and "eham.xml" are two files of one airport.
    std::unordered_set<FixedCode<4>> listed;
    for (const auto& entry : listing) {
        const std::string stem = entry.path().stem().string();
        if (!lf_isXmlFile(entry) || stem.size() != 4) {
            continue;
        }
        if (!FixedCode<4>::isValid(stem)) {
            gf_log(fmt::format("Skipped {}: no airport code", entry.path().string()));
            continue;
        }
        const FixedCode<4> code(stem);
        if (!listed.insert(code).second) {
            gf_log(fmt::format("Skipped {}: airport {} is listed already", entry.path().string(), code.view()));
            continue;
        }
        codes.push_back(code);
    }
    return codes;
}

void gf_removeFilesFromDirectory(const fs::path& path)
{
    lf_removeSelected(path, "gf_removeFilesFromDirectory", lf_isRegularFile);
}

void gf_removeXMLFilesFromDirectory(const fs::path& folder)
{
    lf_removeSelected(folder, "gf_removeXMLFilesFromDirectory", lf_isXmlFile);
}

} // namespace hlw
