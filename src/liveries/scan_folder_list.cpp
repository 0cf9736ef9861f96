#include "liveries/scan_folder_list.h"

#include "core/log.h"
#include "core/user_error.h"
#include "refdata/sim_install.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace hlw {
namespace fs = std::filesystem;
namespace {

struct PackageDetector {
    AiPackage package;
    std::string_view choiceName; // the package's name in the choices of "AI_PACKAGE_SELECTOR"
    std::string_view logName;
    std::array<std::string_view, 2> patterns;
};

constexpr std::array<PackageDetector, 5> detectors{{
    {AiPackage::aig, "AIG", "AIG", {"aig-aitraffic-oci", ""}},
    {AiPackage::fsltl, "FSLTL", "FSLTL", {"fsltl-traffic-base", ""}},
    {AiPackage::justFlight, "JF", "JF", {"justflight-aircraft-traffic-fleet", "justflight-fstraffic-module"}},
    {AiPackage::ivaoMtl, "MTL", "IVAO_MTL", {"IVAO_MTL", ""}},
    {AiPackage::userAiTraffic, "", "user-aitraffic", {"user-aitraffic", ""}},
}};

const PackageDetector& lf_detector(AiPackage package)
{
    return *std::find_if(detectors.begin(), detectors.end(),
                         [package](const PackageDetector& detector) { return detector.package == package; });
}

bool lf_matches(const PackageDetector& detector, std::string_view name)
{
    if (name.find("_CVT_") != std::string_view::npos) {
        return false;
    }
    return std::any_of(detector.patterns.begin(), detector.patterns.end(), [name](std::string_view pattern) {
        return !pattern.empty() && name.find(pattern) != std::string_view::npos;
    });
}

} // namespace

std::vector<AiPackage> gf_aiPackageOrder(std::string_view choice)
{
    std::vector<AiPackage> order;
    std::size_t start = 0;
    while (start <= choice.size()) {
        const std::size_t end = std::min(choice.find(", ", start), choice.size());
        const std::string_view name = choice.substr(start, end - start);
        const auto detector = std::find_if(detectors.begin(), detectors.end(), [name](const PackageDetector& d) {
            return !d.choiceName.empty() && d.choiceName == name;
        });
        if (detector == detectors.end()) {
            throw std::runtime_error(fmt::format("unknown AI package '{}' in '{}'", name, choice));
        }
        order.push_back(detector->package);
        start = end + 2;
    }
    return order;
}

void gf_detectAiPackage(AiPackage package, const fs::path& community, std::vector<fs::path>& folders)
{
    const PackageDetector& detector = lf_detector(package);
    // Sorted by name: the file systems list a folder in different orders, the scan must not depend on it.
    std::vector<fs::path> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(community)) {
        entries.push_back(entry.path());
    }
    std::sort(entries.begin(), entries.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    for (const fs::path& entry : entries) {
        if (lf_matches(detector, entry.filename().string())) {
            gf_log(fmt::format("Automatic {} scan found folder: '{}'", detector.logName, entry.string()));
            gf_logFlushNow();
            folders.push_back(entry);
            return;
        }
    }
}

void gf_detectAiPackages(const fs::path& community, std::vector<fs::path>& folders)
{
    if (!settings::aiPackageSelector.findCurrent()) {
        throw std::runtime_error(fmt::format("{} not set", settings::aiPackageSelector.key()));
    }
    for (const AiPackage package : gf_aiPackageOrder(settings::aiPackageSelector.get())) {
        gf_detectAiPackage(package, community, folders);
    }
    gf_detectAiPackage(AiPackage::userAiTraffic, community, folders);
}

void gf_checkLfolderParameters(std::vector<fs::path>& folders)
{
    for (const StringParameter& setting : settings::liveryFolders) {
        const std::string text = setting.get();
        if (text.empty()) {
            continue;
        }
        const fs::path folder = gf_pathFromUtf8(text);
        std::error_code ec;
        if (!fs::exists(fs::status(folder, ec)) || ec) {
            gf_logAlert(fmt::format("{}: '{}' does not exist", setting.key(), gf_logExcerpt(text)));
            throw UserErrorException(
                243, fmt::format("the path pointed to by parameter '{}' does not exist, see Log.txt!", setting.key()));
        }
        folders.push_back(folder);
    }
}

} // namespace hlw
