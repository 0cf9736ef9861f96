#include "liveries/regcode_lists.h"

#include "core/capped_alerts.h"
#include "core/log.h"
#include "core/string_helpers.h"
#include "core/text_encoding.h"
#include "core/text_file_reader.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <exception>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Shorter lines cannot hold a title and a code worth reading.
constexpr std::size_t minLineLength = 6;
constexpr std::size_t linesReserved = 1024;

void lf_sortUnique(std::vector<std::string>& codes)
{
    std::ranges::sort(codes);
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
}

void lf_warnAboutBlanks(std::string_view code, const fs::path& file, CappedAlerts& alerts)
{
    if (!code.empty() && (code.front() == ' ' || code.back() == ' ')) {
        alerts.alert("regcode with a blank", "regcode '{}' in {} starts or ends with a blank", code, file.string());
    }
}

bool lf_validLength(std::string_view code)
{
    return code.size() >= minRegcodeLength && code.size() <= maxRegcodeLength;
}

const char* lf_liveryWord(std::size_t count)
{
    return count == 1 ? "livery" : "liveries";
}

bool lf_isTxtFile(const fs::directory_entry& entry)
{
    if (!entry.is_regular_file()) {
        return false;
    }
    return gf_equalNoCase(entry.path().extension().native(), ".TXT");
}

// One file through encoding detection; false when it could not be read.
bool lf_readListFile(const fs::path& file, std::vector<RegcodeEntry>& entries)
{
    std::vector<std::string> lines;
    lines.reserve(linesReserved);
    const TextEncoding encoding = gf_detectTextEncoding(file);
    if (encoding == TextEncoding::noneFound || !gf_readTextFile(encoding, file, lines)) {
        return false;
    }
    bool ok = true;
    CappedAlerts alerts(file.string());
    for (const std::string& line : lines) {
        ok = gf_parseRegcodeLine(line, file, entries, alerts) && ok;
    }
    return ok;
}

} // namespace

bool gf_parseRegcodeLine(std::string_view line, const fs::path& file, std::vector<RegcodeEntry>& entries,
                         CappedAlerts& alerts)
{
    if (line.size() < minLineLength) {
        return true;
    }
    const std::vector<std::string_view> fields = gf_splitAt(line, ';');
    if (fields.size() > 3) {
        return true;
    }
    if (fields.size() == 1 || fields[1].empty()) {
        entries.push_back({std::string(fields.size() == 1 ? line : fields[0]), {}, false});
        return true;
    }

    std::vector<std::string> codes;
    for (const std::string_view code : gf_splitAt(fields[1], ',')) {
        codes.emplace_back(code);
    }
    lf_sortUnique(codes);

    bool ok = true;
    std::vector<std::string> kept;
    kept.reserve(codes.size());
    for (std::string& code : codes) {
        if (lf_validLength(code)) {
            lf_warnAboutBlanks(code, file, alerts);
            kept.push_back(std::move(code));
        } else {
            alerts.alert("wrong regcode length", "wrong regcode length '{}' in {}", code, file.string());
            ok = false;
        }
    }

    if (codes.size() == 1) {
        // A single registration always belongs to one special livery.
        if (!kept.empty()) {
            entries.push_back({std::string(fields[0]), std::move(kept), true});
        }
    } else if (kept.empty()) {
        entries.push_back({std::string(fields[0]), {}, false});
    } else {
        const bool special = fields.size() == 3 && fields[2] == regcodeSpecialMarker;
        entries.push_back({std::string(fields[0]), std::move(kept), special});
    }
    return ok;
}

bool gf_readRegcodeTxtFiles(const fs::path& folder, std::vector<RegcodeEntry>& entries)
{
    try {
        bool ok = true;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (!lf_isTxtFile(entry)) {
                continue;
            }
            ok = lf_readListFile(entry.path(), entries) && ok;
            gf_log(fmt::format("{:5} {} read from {}", entries.size(), lf_liveryWord(entries.size()),
                               entry.path().string()));
        }
        return ok;
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("Error reading regcode files in {}, what: {}", folder.string(), error.what()));
        return false;
    }
}

bool gf_readAigRegcodeXml(const fs::path& file, std::vector<RegcodeEntry>& entries)
{
    pugi::xml_document document;
    if (!document.load_file(file.c_str())) {
        gf_logAlert(fmt::format("Failed to load {}", file.string()));
        return false;
    }
    if (!gf_readXmlMeta(document, false)) {
        return false;
    }
    const pugi::xml_node aig = document.child("root").child("aig");
    if (!aig) {
        gf_logAlert("No <aig> node found in XML.");
        return false;
    }

    bool ok = true;
    std::string previousTitle;
    CappedAlerts alerts(file.string());
    for (const pugi::xml_node element : aig.children("l")) {
        const std::string_view title = element.attribute("t").as_string();
        if (title.empty()) {
            continue;
        }
        if (title == previousTitle) {
            alerts.alert("duplicate title", "Duplicate title '{}' (same as previous)", title);
            ok = false;
            continue;
        }
        RegcodeEntry entry{std::string(title), {}, element.attribute("s").as_bool(false)};
        for (const std::string_view code : gf_splitAt(element.attribute("r").as_string(), ',')) {
            if (!code.empty()) {
                lf_warnAboutBlanks(code, file, alerts);
                entry.codes.emplace_back(code);
            }
        }
        lf_sortUnique(entry.codes);
        previousTitle = entry.title;
        entries.push_back(std::move(entry));
    }
    gf_log(fmt::format("{:5} {} read from {}", entries.size(), lf_liveryWord(entries.size()),
                       file.filename().string()));
    return ok;
}

} // namespace hlw
