#include "refdata/reference_database.h"

#include "core/capped_alerts.h"
#include "core/log.h"
#include "core/string_helpers.h"
#include "core/user_error.h"
#include "refdata/code_table.h"
#include "refdata/dbase_records.h"
#include "refdata/reference_tables.h"
#include "refdata/remove_with_warning.h"
#include "refdata/sealed_file.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr double nauticalMilesPerMetre = 1.0 / 1852.0;
// Above any real aircraft; a larger "meters" value is a data error, not a wing.
constexpr double maxWingspanMetres = 200.0;

[[noreturn]] void lf_formatError(const std::string& message)
{
    throw UserErrorException(dbaseFormatErrorCode, message);
}

pugi::xml_node lf_root(const pugi::xml_document& document)
{
    const pugi::xml_node root = document.child("root");
    if (!root) {
        lf_formatError("XML root missing: root");
    }
    return root;
}

// A required comma-list section: every non-empty, trimmed code of the attribute over all its elements.
// Blanks around a code would otherwise become part of it and make it unknown.
std::set<std::string> lf_readXmlSection(const pugi::xml_node root, const char* section, const char* element,
                                        const char* attribute)
{
    const pugi::xml_node sectionNode = root.child(section);
    if (!sectionNode) {
        lf_formatError(fmt::format("Missing section: {}", section));
    }
    std::set<std::string> codes;
    for (const pugi::xml_node node : sectionNode.children(element)) {
        for (std::string& code : gf_split(node.attribute(attribute).as_string())) {
            codes.insert(std::move(code));
        }
    }
    if (codes.empty()) {
        lf_formatError(fmt::format("In XML file section [{}], element [{}], attribute [{}] is empty.", section, element,
                                   attribute));
    }
    return codes;
}

std::set<std::string> lf_readTypeList(const pugi::xml_node root, const char* section, const char* element)
{
    return lf_readXmlSection(root, section, element, "types");
}

std::set<std::string> lf_readCodeList(const pugi::xml_node root, const char* section, const char* element)
{
    return lf_readXmlSection(root, section, element, "codes");
}

std::set<uint16_t> lf_modelIndexSet(const std::set<std::string>& codes)
{
    std::set<uint16_t> indexes;
    for (const std::string& code : codes) {
        indexes.insert(gf_modelIndex(code));
    }
    return indexes;
}

// Groups of an optional section ("similar_types", "prefixes"): each sorted, without repeats or empty groups.
TextGroups lf_readGroups(const pugi::xml_node root, const char* section)
{
    TextGroups groups;
    for (const pugi::xml_node node : root.child(section).children("similar")) {
        std::vector<std::string> members = gf_split(node.attribute("types").as_string());
        std::sort(members.begin(), members.end());
        members.erase(std::unique(members.begin(), members.end()), members.end());
        if (!members.empty()) {
            groups.push_back(std::move(members));
        }
    }
    groups.shrink_to_fit();
    return groups;
}

// Every member of a group of two or more to the others of its group. A prefix in several groups keeps the
// partners of the group whose text ("member,partner,...") sorts first.
std::unordered_map<std::string, std::vector<std::string>> lf_buildPrefixMap(const TextGroups& groups)
{
    // Keyed by the joined text "member,partner,...", which is what decides between two groups of one prefix.
    std::map<std::string, std::vector<std::string>> byText;
    for (const auto& group : groups) {
        if (group.size() < 2) {
            continue;
        }
        for (std::size_t i = 0; i < group.size(); ++i) {
            std::vector<std::string> entry{group[i]};
            std::string text = group[i];
            for (std::size_t j = 0; j < group.size(); ++j) {
                if (j != i) {
                    entry.push_back(group[j]);
                    text += ',';
                    text += group[j];
                }
            }
            byText.emplace(std::move(text), std::move(entry));
        }
    }
    std::unordered_map<std::string, std::vector<std::string>> prefixMap;
    for (auto& [text, entry] : byText) {
        prefixMap.try_emplace(entry.front(), entry.begin() + 1, entry.end());
    }
    return prefixMap;
}

// The fields between commas, trimmed; empty fields stay (so a leading empty name can be seen).
std::vector<std::string> lf_splitComma(std::string_view text)
{
    std::vector<std::string> fields;
    if (text.empty()) {
        return fields;
    }
    for (const std::string_view field : gf_splitAt(text, ',')) {
        fields.emplace_back(gf_trimView(field));
    }
    return fields;
}

// Publisher groups in ascending order of their "names" texts. An empty name would occur in every text and
// attribute every package to one publisher, so empty names are dropped, and a group without its own (first)
// name is dropped whole.
TextGroups lf_readPublishers(const pugi::xml_node root, CappedAlerts& alerts)
{
    std::set<std::string> namesTexts;
    for (const pugi::xml_node node : root.child("publishers").children("pub")) {
        namesTexts.insert(node.attribute("names").as_string());
    }
    TextGroups groups;
    for (const std::string& text : namesTexts) {
        std::vector<std::string> names = lf_splitComma(text);
        if (names.empty() || names.front().empty()) {
            alerts.alert("publisher without a name", "publisher without a name '{}', skipped", text);
            continue;
        }
        std::erase(names, std::string());
        groups.push_back(std::move(names));
    }
    groups.shrink_to_fit();
    gf_log(fmt::format("{:5} publishers", groups.size()));
    return groups;
}

void lf_readWingspans(const pugi::xml_node root, ReferenceTables& tables, CappedAlerts& alerts)
{
    for (const pugi::xml_node node : root.child("wingspans").children("wingspan")) {
        const std::string type = node.attribute("type").as_string();
        if (type.empty() || !tables.validModels.contains(type)) {
            alerts.alert("wingspan model not valid", "wingspan model {} is not valid, skipped", type);
            continue;
        }
        const double metres = node.attribute("meters").as_double(0.0);
        if (!std::isfinite(metres) || metres < 0.0 || metres > maxWingspanMetres) {
            alerts.alert("wingspan out of range", "wingspan {} of model {} is out of range, skipped",
                         node.attribute("meters").as_string(), type);
            continue;
        }
        const double halfSpan = metres * 0.5 * nauticalMilesPerMetre;
        tables.halfWingspans.try_emplace(type, halfSpan);
        tables.maxHalfWingspanNm = std::max(tables.maxHalfWingspanNm, halfSpan);
    }
}

void lf_readFixes(const pugi::xml_node root, const ReferenceTables& tables, CappedAlerts& alerts)
{
    const pugi::xml_node section = root.child("fixes");
    if (!section) {
        return;
    }
    CodeTable& models = gf_modelCodes();
    for (const pugi::xml_node node : section.children("fx")) {
        const std::string wrong = node.attribute("wro").as_string();
        const std::string correct = node.attribute("cor").as_string();
        if (correct.empty() || !tables.validModels.contains(correct)) {
            alerts.alert("wrong fix", "wrong fix {} -> {}, the latter is not valid", wrong, correct);
        } else if (!models.addFix(wrong, correct)) {
            alerts.alert("wrong part of fix", "wrong part of fix: '{}', already exists, skipped", wrong);
        }
    }
    gf_log(fmt::format("{:5} fixes", models.fixes().size()));
}

// Optional: nothing when the section is missing; codes trimmed, empty ones dropped.
std::vector<ThirdPartyAirports> lf_readThirdParties(const pugi::xml_node root, const char* section, const char* element)
{
    std::vector<ThirdPartyAirports> entries;
    for (const pugi::xml_node node : root.child(section).children(element)) {
        entries.push_back({node.attribute("pub").as_string(), gf_split(node.attribute("arpts").as_string())});
    }
    return entries;
}

// The per-model-index tables cover every model interned so far; models interned later have no entry.
void lf_buildModelTables(ReferenceTables& tables)
{
    const std::size_t modelCount = gf_modelCodes().size();
    tables.halfWingspanByModel.assign(modelCount, 0.0);
    for (const auto& [code, halfSpan] : tables.halfWingspans) {
        const uint16_t index = gf_modelIndex(code);
        if (index >= tables.halfWingspanByModel.size()) {
            tables.halfWingspanByModel.resize(index + 1U, 0.0);
        }
        tables.halfWingspanByModel[index] = halfSpan;
    }
    tables.categoryByModel.assign(modelCount, AircraftCategory::Light);
    // From the weakest claim to the strongest: a model in several lists keeps the first of
    // large, heavy, buzjet, rotorcraft, high_performance.
    const std::pair<const std::set<uint16_t>*, AircraftCategory> claims[] = {
        {&tables.highPerformance, AircraftCategory::HighPerf},
        {&tables.rotorcraft, AircraftCategory::Rotorcraft},
        {&tables.buzjet, AircraftCategory::Buzjets},
        {&tables.heavy, AircraftCategory::Heavy},
        {&tables.large, AircraftCategory::Large},
    };
    for (const auto& [models, category] : claims) {
        for (const uint16_t model : *models) {
            if (model < tables.categoryByModel.size()) {
                tables.categoryByModel[model] = category;
            }
        }
    }
}

ReferenceTables lf_readTables(const pugi::xml_document& document)
{
    const pugi::xml_node root = lf_root(document);
    ReferenceTables tables;
    CodeTable& models = gf_modelCodes();
    CodeTable& airlines = gf_airlineCodes();

    tables.validModels = lf_readTypeList(root, "aircrafts", "aircraft");
    gf_log(fmt::format("\n{:5} ICAO model codes", tables.validModels.size()));
    tables.cargoModels = lf_readTypeList(root, "cargo_types", "cargo_type");

    gf_modelIndex("");
    for (const std::string& code : tables.validModels) {
        gf_modelIndex(code);
    }
    models.setKnownCodes(tables.validModels);
    models.activateFixes();
    for (const std::string& code : tables.cargoModels) {
        gf_modelIndex(code);
    }

    const auto heavy = lf_readTypeList(root, "heavy", "hvy");
    const auto large = lf_readTypeList(root, "large", "lar");
    const auto buzjet = lf_readTypeList(root, "buzjet", "bzj");
    const auto highPerformance = lf_readTypeList(root, "high_performance", "hpf");
    const auto rotorcraft = lf_readTypeList(root, "rotorcraft", "rot");
    tables.heavy = lf_modelIndexSet(heavy);
    tables.large = lf_modelIndexSet(large);
    tables.buzjet = lf_modelIndexSet(buzjet);
    tables.highPerformance = lf_modelIndexSet(highPerformance);
    tables.rotorcraft = lf_modelIndexSet(rotorcraft);

    tables.similarModelGroups = lf_readGroups(root, "similar_types");
    tables.prefixGroups = lf_readGroups(root, "prefixes");
    gf_logFlush(fmt::format("{:5} prefixes", tables.prefixGroups.size()));
    tables.similarPrefixes = lf_buildPrefixMap(tables.prefixGroups);

    tables.validAirlines = lf_readCodeList(root, "ICAO_airlines", "ICAO");
    gf_log(fmt::format("{:5} ICAO airline codes", tables.validAirlines.size()));
    tables.cargoOperators = lf_readCodeList(root, "cargo_operators", "ICAO");
    gf_log(fmt::format("{:5} cargo operators", tables.cargoOperators.size()));
    gf_airlineIndex("");
    for (const std::string& code : tables.validAirlines) {
        gf_airlineIndex(code);
    }
    airlines.setKnownCodes(tables.validAirlines);
    for (const std::string& code : tables.cargoOperators) {
        gf_airlineIndex(code);
    }

    CappedAlerts alerts("the reference database");
    tables.publisherGroups = lf_readPublishers(root, alerts);
    lf_readWingspans(root, tables, alerts);
    lf_readFixes(root, tables, alerts);

    tables.simAddons2020 = lf_readXmlSection(root, "simaddons20", "simaddon20", "arpts");
    tables.simAddons2024 = lf_readXmlSection(root, "simaddons24", "simaddon24", "arpts");
    gf_log(fmt::format("{} simaddons24", tables.simAddons2024.size()));
    tables.thirdParties2020 = lf_readThirdParties(root, "thirdparties20", "thirdpartie20");
    tables.thirdParties2024 = lf_readThirdParties(root, "thirdparties24", "thirdpartie24");

    gf_readDbaseRecords(root, tables);
    lf_buildModelTables(tables);
    return tables;
}

} // namespace

bool gf_readDbase(const fs::path& sealedPath)
{
    // A restart of the worker keeps what the first start read; reading again would re-seed the code tables.
    if (gf_referenceTablesRead()) {
        return true;
    }
    std::error_code error;
    if (!fs::exists(sealedPath, error)) {
        throw std::runtime_error(fmt::format("{} not available", sealedPath.string()));
    }
    // The plain copy goes on every way out of here, also when reading the tables throws.
    const RemoveOnExit plainCopy(gf_plainPathOf(sealedPath));
    if (!gf_streamDecrypt(sealedPath, plainCopy.path())) {
        throw std::runtime_error(fmt::format("{} stream decrypt failed", sealedPath.string()));
    }
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(plainCopy.path().c_str());
    // The document holds everything now; the plain text need not wait on disk for the tables.
    gf_removeWithWarning(plainCopy.path());
    if (!parsed) {
        gf_logAlert(fmt::format("'{}' not read because of {}", plainCopy.path().string(), parsed.description()));
        return false;
    }
    ReferenceTables tables = lf_readTables(document);
    gf_logFlush(fmt::format("{:5} dbase records read", tables.records.size()));
    gf_installReferenceTables(std::move(tables));
    return true;
}

bool gf_readDbase()
{
    return gf_readDbase(paths::dbaseEncPath);
}

} // namespace hlw
