#include "liveries/scanned_liveries_file.h"

#include "core/log.h"
#include "core/user_error.h"
#include "core/xml_save.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"
#include "settings/xml_attributes.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <string_view>

namespace hlw {
namespace {

// A file that gives no liveries stops the start-up; scanning again at the next start is the way out.
[[noreturn]] void lf_failAndRescan(int code, const std::string& message)
{
    gf_logAlert(fmt::format("{}, \"{}\" switched on for the next start", message, settings::scanLiveries.key()));
    settings::scanLiveries.setAndSave(true);
    settings::scanLiveries.showCheck();
    throw UserErrorException(code, message);
}

void lf_loadDocument(pugi::xml_document& document, const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw UserErrorException(51, fmt::format("File {} not found", path.string()));
    }
    const pugi::xml_parse_result result = document.load_file(path.c_str());
    if (result.status == pugi::status_file_not_found) {
        throw UserErrorException(51, fmt::format("File {} not found", path.string()));
    }
    if (!result) {
        lf_failAndRescan(51, fmt::format("File {} is corrupt ({} at offset {})", path.string(), result.description(),
                                         result.offset));
    }
}

// A non-empty code that interns to 0 found its table full: the file holds far more codes than any scan makes.
uint16_t lf_checkedIndex(uint16_t index, std::string_view code, std::string_view table,
                         const std::filesystem::path& path)
{
    if (index == 0 && !code.empty()) {
        lf_failAndRescan(999, fmt::format("Too many {} codes in {}: '{}' does not fit into the code table", table,
                                          path.string(), code));
    }
    return index;
}

const char* lf_requiredAttribute(pugi::xml_node element, const char* name)
{
    const pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) {
        lf_failAndRescan(999, fmt::format("Missing required attribute '{}' in <{}>", name, element.name()));
    }
    return attribute.value();
}

LiveryData lf_readLivery(pugi::xml_node element, const std::filesystem::path& path)
{
    const std::string_view airline = lf_requiredAttribute(element, "a");
    const std::string_view model = lf_requiredAttribute(element, "m");
    LiveryData livery;
    livery.title = lf_requiredAttribute(element, "t");
    livery.atcId = element.attribute("r").value();
    const std::string_view secondAirline = element.attribute("o").value();
    livery.airline = lf_checkedIndex(gf_airlineIndex(airline), airline, "airline", path);
    livery.secondAirline = lf_checkedIndex(gf_airlineIndex(secondAirline), secondAirline, "airline", path);
    livery.model = lf_checkedIndex(gf_modelIndex(model), model, "model", path);
    livery.cargo = element.attribute("c").as_bool(false) ? 1 : 0;
    return livery;
}

} // namespace

bool gf_writeScannedLiveries(const ScannedLiveryList& liveries, const std::filesystem::path& path)
{
    if (liveries.empty()) {
        return false;
    }
    pugi::xml_document document;
    gf_writeXmlMeta(document, gf_currentXmlMetaInfo());
    pugi::xml_node root = document.child("root");
    if (!root) {
        return false;
    }
    pugi::xml_node list = root.append_child("liveries");
    for (const LiveryData& livery : liveries) {
        pugi::xml_node element = list.append_child("l");
        gf_xmlAppendAttribute(element, "a", gf_airlineText(livery.airline));
        if (livery.secondAirline != 0) {
            gf_xmlAppendAttribute(element, "o", gf_airlineText(livery.secondAirline));
        }
        gf_xmlAppendAttribute(element, "m", gf_modelText(livery.model));
        if (livery.cargo != 0) {
            gf_xmlAppendAttribute(element, "c", "true");
        }
        gf_xmlAppendAttributeString(element, "t", livery.title);
        if (!livery.atcId.empty()) {
            gf_xmlAppendAttributeString(element, "r", livery.atcId);
        }
    }
    if (!gf_saveXml(document, path)) {
        return false;
    }
    gf_log(fmt::format("{} liveries in {}", liveries.size(), path.string()));
    return true;
}

bool gf_writeScannedLiveries()
{
    return gf_writeScannedLiveries(gf_scannedLiveryList(), paths::liveriesScannedPath);
}

void gf_readScannedLiveries(ScannedLiveryList& liveries, const std::filesystem::path& path)
{
    liveries.clear();
    pugi::xml_document document;
    lf_loadDocument(document, path);
    gf_readXmlMeta(document, false);

    if (const pugi::xml_node root = document.child("root")) {
        const pugi::xml_node list = root.child("liveries");
        if (!list) {
            lf_failAndRescan(52, fmt::format("{} does not contain a <liveries> section", path.string()));
        }
        for (const pugi::xml_node element : list.children()) {
            if (element.type() == pugi::node_element) {
                liveries.push_back(lf_readLivery(element, path));
            }
        }
    }
    if (liveries.empty()) {
        lf_failAndRescan(533, fmt::format("{} does not contain liveries", path.string()));
    }
    std::stable_sort(liveries.begin(), liveries.end(), gf_liveryLess);
    gf_log(fmt::format("{:5} liveries read from {}", liveries.size(), path.string()));
}

void gf_readScannedLiveries()
{
    gf_readScannedLiveries(gf_scannedLiveryList(), paths::liveriesScannedPath);
}

} // namespace hlw
