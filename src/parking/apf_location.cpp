#include "parking/apf_location.h"

#include "core/log.h"
#include "core/string_helpers.h"
#include "core/whole_file.h"
#include "refdata/airports_database.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <ranges>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view addonBlanks = " \t";

bool lf_isSeparator(char c) noexcept
{
    return c == '/' || c == '\\';
}

bool lf_hasControlCharacter(std::string_view text) noexcept
{
    return std::ranges::any_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool lf_endsWithXml(std::string_view text)
{
    return text.size() >= 4 && gf_equalNoCase(text.substr(text.size() - 4), ".xml");
}

// A cleaned add-on name that can stand as one folder name, or nothing.
std::optional<std::string> lf_addonFolder(std::string name)
{
    name = gf_cleanAddonName(name);
    if (name.empty() || name == "." || name == ".." || lf_hasControlCharacter(name)) {
        return std::nullopt;
    }
    return name;
}

std::string lf_replaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

fs::path lf_joined(const fs::path& folder, std::span<const std::string_view> components)
{
    fs::path path = folder;
    for (const std::string_view component : components) {
        path /= component;
    }
    return path;
}

// True when the file exists; a failed test is logged and counts as absent.
bool lf_exists(const fs::path& path)
{
    std::error_code error;
    const bool exists = fs::exists(path, error);
    if (error) {
        gf_logAlert(fmt::format("exists({}): {}", path.generic_string(), error.message()));
        return false;
    }
    return exists;
}

} // namespace

std::string gf_icaoXmlName(const AirportCode& code)
{
    return fmt::format("{}.xml", code.view());
}

fs::path gf_icaoXmlPath(const AirportCode& code)
{
    return fs::path(gf_icaoXmlName(code));
}

fs::path gf_icaoTxtPath(const AirportCode& code)
{
    return fs::path(fmt::format("{}.txt", code.view()));
}

std::string gf_icaoVersionStem(const AirportCode& code, std::string_view version)
{
    std::string stem = code.empty() ? std::string(4, ' ') : code.str();
    std::ranges::copy_if(version, std::back_inserter(stem), [](char c) { return c != '.'; });
    return stem;
}

std::optional<std::vector<std::string_view>> gf_apfTextComponents(std::string_view text)
{
    if (text.empty() || lf_hasControlCharacter(text) || text.find(':') != std::string_view::npos) {
        return std::nullopt;
    }
    // Both separators count; the pieces are views of the text, so the split is made on a copy's positions.
    std::string forward(text);
    std::ranges::replace(forward, '\\', '/');
    std::vector<std::string_view> components;
    std::size_t start = 0;
    for (const std::string_view piece : gf_splitAt(forward, '/')) {
        if (piece.empty() || piece == "." || piece == "..") {
            return std::nullopt;
        }
        components.push_back(text.substr(start, piece.size()));
        start += piece.size() + 1;
    }
    return components;
}

std::optional<std::string> gf_readLinkFile(const fs::path& path)
{
    WholeFile file = gf_readWholeFile(path, linkFileMaxBytes);
    if (file.status == WholeFileStatus::tooLarge) {
        gf_logAlert(fmt::format("link file {} {}; ignored", path.generic_string(),
                                gf_wholeFileProblem(file.status, linkFileMaxBytes)));
    }
    if (file.status != WholeFileStatus::ok) {
        return std::nullopt;
    }
    std::string text = std::move(file.bytes);
    if (text.starts_with(utf8Bom)) {
        text.erase(0, utf8Bom.size());
    }
    std::erase(text, '\r');
    // Trailing white space goes; leading white space stays part of the text.
    text.erase(text.find_last_not_of(cSpace) + 1);
    if (!lf_endsWithXml(text)) {
        return std::nullopt;
    }
    if (!gf_apfTextComponents(text)) {
        gf_logAlert(fmt::format("link file {} names '{}', which is no relative path inside the program folder; "
                                "ignored",
                                path.generic_string(), text));
        return std::nullopt;
    }
    return text;
}

std::string gf_findApf(const AirportCode& code)
{
    for (const fs::path* folder : {&paths::myThirdpartyFolder, &paths::mySimaddonFolder}) {
        const fs::path link = *folder / gf_icaoTxtPath(code);
        if (lf_exists(link)) {
            if (auto text = gf_readLinkFile(link)) {
                return std::move(*text);
            }
        }
        const fs::path file = *folder / gf_icaoXmlPath(code);
        if (lf_exists(file)) {
            return file.generic_string();
        }
    }
    if (const AirportRecord* airport = gf_findAirport(code); airport != nullptr && airport->stands >= 1) {
        return "archive/stock/" + gf_icaoXmlName(code);
    }
    return {};
}

bool gf_apfAvailable(const AirportCode& code)
{
    return !gf_findApf(code).empty();
}

std::string gf_cleanAddonName(std::string_view name)
{
    return std::string(gf_trimView(name, addonBlanks));
}

fs::path gf_learnedApfPath(std::string_view fileText, std::string_view addonName)
{
    const auto components = gf_apfTextComponents(fileText);
    if (!components) {
        return {};
    }
    const std::span<const std::string_view> parts(*components);
    const std::string_view fileName = parts.back();
    if (!gf_equalNoCase(fs::path(fileName).extension().string(), ".xml")) {
        return {};
    }
    const auto startsWith = [&](std::initializer_list<std::string_view> prefix) {
        return parts.size() > prefix.size() && std::ranges::equal(parts.first(prefix.size()), prefix);
    };
    if (startsWith({"archive", "stock"})) {
        return paths::learnedStockFolder / fileName;
    }
    if (startsWith({"archive", "simaddon"})) {
        return paths::learnedSimaddonFolder / fileName;
    }
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] == "archive" && parts[i + 1] == "thirdparty") {
            // The add-on's folder name must be followed by at least the file name.
            if (i + 3 >= parts.size()) {
                return {};
            }
            const auto addon = lf_addonFolder(lf_replaceAll(std::string(parts[i + 2]), "%20", " "));
            return addon ? paths::learnedThirdpartyFolder / *addon / fileName : fs::path();
        }
    }
    if (!startsWith({"airports"})) {
        return {};
    }
    const std::span<const std::string_view> rest = parts.subspan(1);
    if (rest.size() > 1 && (rest.front() == "my_thirdparty2024" || rest.front() == "my_thirdparty")) {
        std::string addon(addonName);
        std::ranges::replace_if(addon, lf_isSeparator, ' ');
        const auto folder = lf_addonFolder(std::move(addon));
        return folder ? paths::learnedThirdpartyFolder / *folder / fileName : fs::path();
    }
    return lf_joined(paths::learnedFolder, rest);
}

} // namespace hlw
