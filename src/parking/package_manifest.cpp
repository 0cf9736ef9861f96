#include "parking/package_manifest.h"

#include "core/whole_file.h"
#include "refdata/airport_code_in_text.h"
#include "refdata/reference_lookups.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <stdexcept>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Manifests are flat; deeper nesting is refused before it can cost memory or stack.
constexpr int manifestMaxDepth = 32;

std::optional<AirportCode> lf_knownOrRefused(const AirportCode& code, std::string_view where, bool& refused,
                                             ReportLines& report)
{
    if (gf_isKnownAirport(code)) {
        return code;
    }
    report.push_back(fmt::format("no supported airport '{}' in {}", code, where));
    refused = true;
    return std::nullopt;
}

std::optional<AirportCode> lf_detectAirportCode(ApfData& data, const AirportCodeSet& supported, bool& refused,
                                                ReportLines& report)
{
    const AirportInText inPath = gf_airportCodeInText(data.bglPathText, supported);
    if (inPath.found) {
        report.push_back(fmt::format("airport has code '{}' in BGL path", inPath.code));
        return lf_knownOrRefused(inPath.code, "BGL path", refused, report);
    }
    report.push_back("no airport code found in BGL path");
    const std::string stem = data.bglPath.stem().string();
    if (stem.size() == 4) {
        const AirportCode code(stem);
        if (gf_isKnownAirport(code)) {
            report.push_back(fmt::format("code '{}' as stem", code));
            return code;
        }
        report.push_back(fmt::format("no supported airport code '{}' as stem", code));
        refused = true;
        return std::nullopt;
    }
    if (!data.manifest) {
        data.manifest = gf_searchManifest(data.bglPath, report);
    }
    if (!data.manifest) {
        return std::nullopt;
    }
    const AirportInText inTitle = gf_airportCodeInText(data.manifest->title, supported);
    if (!inTitle.found) {
        return std::nullopt;
    }
    report.push_back(fmt::format("airport has code '{}' in title of manifest", inTitle.code));
    return lf_knownOrRefused(inTitle.code, "title of manifest", refused, report);
}

} // namespace

fs::path gf_findManifest(const fs::path& folder)
{
    if (!fs::is_directory(folder)) {
        return {};
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const fs::path& path = entry.path();
        if (path.stem() == "manifest" && path.extension() == ".json" && entry.is_regular_file()) {
            return path;
        }
    }
    return {};
}

std::optional<PackageManifest> gf_readManifest(const fs::path& path, ReportLines& report)
{
    const WholeFile file = gf_readWholeFile(path, manifestMaxBytes);
    if (file.status == WholeFileStatus::tooLarge) {
        report.push_back(fmt::format("manifest {} {}; not read", path.generic_string(),
                                     gf_wholeFileProblem(file.status, manifestMaxBytes)));
    }
    if (file.status != WholeFileStatus::ok || file.bytes.empty()) {
        return std::nullopt;
    }
    const nlohmann::json::parser_callback_t limitDepth = [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
        if (depth > manifestMaxDepth) {
            throw std::runtime_error(fmt::format("manifest nested deeper than {} levels", manifestMaxDepth));
        }
        return true;
    };
    const nlohmann::json document = nlohmann::json::parse(file.bytes, limitDepth);
    if (!document.is_object()) {
        return std::nullopt;
    }
    PackageManifest manifest;
    manifest.file = path;
    manifest.title = gf_jsonString(document, "title");
    manifest.packageVersion = gf_jsonString(document, "package_version");
    if (manifest.packageVersion.empty()) {
        manifest.packageVersion = gf_jsonString(document, "version");
    }
    manifest.manufacturer = gf_jsonString(document, "manufacturer");
    manifest.creator = gf_jsonString(document, "creator");
    return manifest;
}

std::string gf_jsonString(const nlohmann::json& object, std::string_view key)
{
    const auto member = object.find(key);
    if (member == object.end() || member->is_null() ||
        ((member->is_object() || member->is_array()) && member->empty())) {
        return {};
    }
    return member->get<std::string>();
}

bool gf_manifestNamesNoMaker(const std::optional<PackageManifest>& manifest)
{
    constexpr std::size_t makerMinLength = 4;
    return manifest && manifest->manufacturer.size() < makerMinLength && manifest->creator.size() < makerMinLength;
}

std::string gf_noMakerLine(const AirportCode& code, const PackageManifest& manifest)
{
    return fmt::format("{} gets no airport file: the manifest {} names no maker (manufacturer '{}', creator '{}')",
                       code, manifest.file.generic_string(), manifest.manufacturer, manifest.creator);
}

std::optional<PackageManifest> gf_searchManifest(const fs::path& path, ReportLines& report)
{
    try {
        fs::path folder = path.parent_path();
        for (int tried = 0; tried < manifestSearchDepth; ++tried) {
            if (const fs::path manifest = gf_findManifest(folder); !manifest.empty()) {
                if (auto result = gf_readManifest(manifest, report)) {
                    return result;
                }
            }
            const fs::path parent = folder.parent_path();
            if (parent == folder) {
                break;
            }
            folder = parent;
        }
    } catch (const std::exception& error) {
        report.push_back(fmt::format("exception in gf_searchManifest: {}", error.what()));
    }
    return std::nullopt;
}

void gf_detectPublisher(ApfData& data, ReportLines& report)
{
    if (gf_containsNoCase(data.bglPath, "microsoft-airport") || gf_containsNoCase(data.bglPath, "asobo-airport")) {
        data.publisher = "simaddon";
        report.push_back(fmt::format("publisher: {}", data.publisher));
        return;
    }
    if (auto publisher = gf_findPublisher(data.bglPathText)) {
        data.publisher = std::move(*publisher);
        report.push_back(fmt::format("publisher: {}", data.publisher));
        return;
    }
    if (!data.manifest) {
        data.manifest = gf_searchManifest(data.bglPath, report);
    }
    if (!data.manifest) {
        return;
    }
    for (const std::string* text : {&data.manifest->manufacturer, &data.manifest->creator}) {
        if (auto publisher = gf_findPublisher(*text)) {
            data.publisher = std::move(*publisher);
            report.push_back(fmt::format("publisher '{}'", data.publisher));
            return;
        }
    }
}

std::optional<AirportCode> gf_detectAirportCode(ApfData& data, const AirportCodeSet& supported, bool& refused,
                                                ReportLines& report)
{
    refused = false;
    try {
        return lf_detectAirportCode(data, supported, refused, report);
    } catch (const std::exception& error) {
        report.push_back(fmt::format("Exception {}", error.what()));
        return std::nullopt;
    }
}

} // namespace hlw
