#include "refdata/reference_database.h"

#include "core/log.h"
#include "core/string_helpers.h"
#include "core/user_error.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"
#include "refdata/remove_with_warning.h"
#include "refdata/sealed_file.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <ranges>
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
constexpr std::size_t maxShortRegistrationLength = 5;

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
        lf_formatError(fmt::format("In XML file section [{}], element [{}], attribute [{}] is empty.", section,
                                   element, attribute));
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

// The pieces between commas, trimmed; empty pieces stay (so a leading empty name can be seen).
std::vector<std::string> lf_splitComma(std::string_view text)
{
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    for (const auto piece : std::views::split(text, ',')) {
        pieces.push_back(gf_trim(std::string_view(piece.begin(), piece.end())));
    }
    return pieces;
}

// Publisher groups in ascending order of their "names" texts. An empty name would occur in every text and
// attribute every package to one publisher, so empty names are dropped, and a group without its own (first)
// name is dropped whole.
TextGroups lf_readPublishers(const pugi::xml_node root)
{
    std::set<std::string> namesTexts;
    for (const pugi::xml_node node : root.child("publishers").children("pub")) {
        namesTexts.insert(node.attribute("names").as_string());
    }
    TextGroups groups;
    for (const std::string& text : namesTexts) {
        std::vector<std::string> names = lf_splitComma(text);
        if (names.empty() || names.front().empty()) {
            gf_logAlert(fmt::format("publisher without a name '{}', skipped", text));
            continue;
        }
        std::erase(names, std::string());
        groups.push_back(std::move(names));
    }
    groups.shrink_to_fit();
    gf_log(fmt::format("{:5} publishers", groups.size()));
    return groups;
}

void lf_readWingspans(const pugi::xml_node root, ReferenceTables& tables)
{
    for (const pugi::xml_node node : root.child("wingspans").children("wingspan")) {
        const std::string type = node.attribute("type").as_string();
        if (type.empty() || !tables.validModels.contains(type)) {
            gf_logAlert(fmt::format("wingspan model {} is not valid, skipped", type));
            continue;
        }
        const double metres = node.attribute("meters").as_double(0.0);
        if (!std::isfinite(metres) || metres < 0.0 || metres > maxWingspanMetres) {
            gf_logAlert(fmt::format("wingspan {} of model {} is out of range, skipped",
                                    node.attribute("meters").as_string(), type));
            continue;
        }
        const double halfSpan = metres * 0.5 * nauticalMilesPerMetre;
        tables.halfWingspans.try_emplace(type, halfSpan);
        tables.maxHalfWingspanNm = std::max(tables.maxHalfWingspanNm, halfSpan);
    }
}

void lf_readFixes(const pugi::xml_node root, const ReferenceTables& tables)
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
            gf_logAlert(fmt::format("wrong fix {} -> {}, the latter is not valid", wrong, correct));
        } else if (!models.addFix(wrong, correct)) {
            gf_logAlert(fmt::format("wrong part of fix: '{}', already exists, skipped", wrong));
        }
    }
    gf_log(fmt::format("{:5} fixes", models.fixes().size()));
}

// Optional: nothing when the section is missing; codes trimmed, empty ones dropped.
std::vector<ThirdPartyAirports> lf_readThirdParties(const pugi::xml_node root, const char* section,
                                                    const char* element)
{
    std::vector<ThirdPartyAirports> entries;
    for (const pugi::xml_node node : root.child(section).children(element)) {
        entries.push_back({node.attribute("pub").as_string(), gf_split(node.attribute("arpts").as_string())});
    }
    return entries;
}

bool lf_isBlank(std::string_view text)
{
    return text.find_first_not_of(whiteSpace) == std::string_view::npos;
}

// The codes of the records repeat a few thousand codes a hundred thousand times. Interning a code always gives
// the same index during the read (no fixes change meanwhile), so each distinct code of at most 7 bytes is looked
// up in its table once and then found in a small open-addressing table by its bytes packed into a number.
class CodeCache {
public:
    explicit CodeCache(uint16_t (*intern)(std::string_view)) : intern_(intern), slots_(initialSlots) {}

    uint16_t indexOf(const char* code)
    {
        uint64_t packed = 0;
        std::size_t length = 0;
        for (; code[length] != '\0'; ++length) {
            if (length == 7) {
                return intern_(code);
            }
            packed = (packed << 8) | static_cast<unsigned char>(code[length]);
        }
        if (length == 0) {
            return 0;  // the empty code is always index 0
        }
        packed |= uint64_t{length} << 56;
        for (std::size_t slot = lf_hash(packed) & (slots_.size() - 1);; slot = (slot + 1) & (slots_.size() - 1)) {
            if (slots_[slot].packed == packed) {
                return slots_[slot].index;
            }
            if (slots_[slot].packed == 0) {
                const uint16_t index = intern_(std::string_view(code, length));
                slots_[slot] = {packed, index};
                if (++used_ * 2 > slots_.size()) {
                    grow();
                }
                return index;
            }
        }
    }

private:
    struct Slot {
        uint64_t packed = 0;  // 0: free (a packed code always holds its length)
        uint16_t index = 0;
    };
    static constexpr std::size_t initialSlots = 4096;

    static std::size_t lf_hash(uint64_t packed) { return static_cast<std::size_t>((packed * 0x9E3779B97F4A7C15ULL) >> 40); }

    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& entry : old) {
            if (entry.packed != 0) {
                std::size_t slot = lf_hash(entry.packed) & (slots_.size() - 1);
                while (slots_[slot].packed != 0) {
                    slot = (slot + 1) & (slots_.size() - 1);
                }
                slots_[slot] = entry;
            }
        }
    }

    uint16_t (*intern_)(std::string_view);
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

// A record as read, before sorting: its registration still points into the parsed document.
struct StagedRecord {
    const char* registration;
    RegistrationCodes codes;
};

struct SortEntry {
    uint64_t key;
    uint32_t position;
};

// The first 8 bytes of a text as a big-endian number: comparing two keys compares those bytes as text does.
uint64_t lf_sortKey(const char* text)
{
    uint64_t key = 0;
    bool ended = false;
    for (std::size_t i = 0; i < 8; ++i) {
        ended = ended || text[i] == '\0';
        key = (key << 8) | (ended ? 0U : static_cast<unsigned char>(text[i]));
    }
    return key;
}

// The records in file order. A record without a registration would occur in every text and hide every real
// short registration, so it is skipped and counted.
std::vector<StagedRecord> lf_readRecords(const pugi::xml_node root)
{
    const pugi::xml_node section = root.child("dbase");
    std::size_t elementCount = 0;
    for (pugi::xml_node node = section.child("d"); node; node = node.next_sibling("d")) {
        ++elementCount;
    }
    std::vector<StagedRecord> staged;
    staged.reserve(elementCount);
    std::size_t withoutRegistration = 0;
    CodeCache airlines(&gf_airlineIndex);
    CodeCache models(&gf_modelIndex);
    for (pugi::xml_node node = section.child("d"); node; node = node.next_sibling("d")) {
        // One walk over the attributes instead of a search by name for each of the five.
        const char* registration = "";
        const char* airline = "";
        const char* secondAirline = "";
        const char* model = "";
        bool cargo = false;
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute; attribute = attribute.next_attribute()) {
            const char* name = attribute.name();
            if (name[0] == '\0' || name[1] != '\0') {
                continue;
            }
            switch (name[0]) {
            case 'r': registration = attribute.value(); break;
            case 'a': airline = attribute.value(); break;
            case 'o': secondAirline = attribute.value(); break;
            case 'm': model = attribute.value(); break;
            case 'c': cargo = attribute.as_bool(); break;
            default: break;
            }
        }
        if (lf_isBlank(registration)) {
            ++withoutRegistration;
            continue;
        }
        RegistrationCodes codes;
        codes.airline = airlines.indexOf(airline);
        codes.secondAirline = airlines.indexOf(secondAirline);
        codes.model = models.indexOf(model);
        codes.cargo = cargo ? 1 : 0;
        codes.valid = 1;
        staged.push_back({registration, codes});
    }
    if (withoutRegistration > 0) {
        gf_log(fmt::format("{:5} dbase records without registration skipped", withoutRegistration));
    }
    return staged;
}

// Stable LSD radix sort by key, one byte per pass; a pass in which every key has the same byte is skipped.
void lf_radixSortByKey(std::vector<SortEntry>& entries)
{
    std::vector<SortEntry> buffer(entries.size());
    for (int shift = 0; shift < 64; shift += 8) {
        std::array<std::size_t, 257> starts{};
        for (const SortEntry& entry : entries) {
            ++starts[((entry.key >> shift) & 0xFFU) + 1];
        }
        if (std::any_of(starts.begin() + 1, starts.end(), [&](std::size_t n) { return n == entries.size(); })) {
            continue;
        }
        for (std::size_t i = 1; i < starts.size(); ++i) {
            starts[i] += starts[i - 1];
        }
        for (const SortEntry& entry : entries) {
            buffer[starts[(entry.key >> shift) & 0xFFU]++] = entry;
        }
        entries.swap(buffer);
    }
}

// The records sorted by registration; of a repeated registration the first record in file order stays.
void lf_sortDbaseRecords(const std::vector<StagedRecord>& staged, ReferenceTables& tables)
{
    // Small keys are sorted instead of the records; the stable sort keeps file order among equal keys.
    std::vector<SortEntry> order(staged.size());
    for (std::size_t i = 0; i < staged.size(); ++i) {
        order[i] = {lf_sortKey(staged[i].registration), static_cast<uint32_t>(i)};
    }
    lf_radixSortByKey(order);
    // Registrations that agree in their first 8 bytes are put in order by their whole text.
    for (auto run = order.begin(); run != order.end();) {
        const auto runEnd = std::find_if(run, order.end(), [&](const SortEntry& e) { return e.key != run->key; });
        if (runEnd - run > 1) {
            std::stable_sort(run, runEnd, [&](const SortEntry& a, const SortEntry& b) {
                return std::strcmp(staged[a.position].registration, staged[b.position].registration) < 0;
            });
        }
        run = runEnd;
    }
    auto& records = tables.records;
    records.reserve(staged.size());
    std::size_t dropped = 0;
    for (const SortEntry& entry : order) {
        const StagedRecord& record = staged[entry.position];
        if (!records.empty() && records.back().registration == record.registration) {
            ++dropped;
            continue;
        }
        records.push_back({record.registration, record.codes});
    }
    if (dropped > 0) {
        records.shrink_to_fit();
        gf_log(fmt::format("{:5} duplicate dbase records dropped", dropped));
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].registration.size() <= maxShortRegistrationLength) {
            tables.shortRecords.push_back(static_cast<uint32_t>(i));
        }
    }
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
        {&tables.highPerformance, AircraftCategory::HighPerf}, {&tables.rotorcraft, AircraftCategory::Rotorcraft},
        {&tables.buzjet, AircraftCategory::Buzjets},           {&tables.heavy, AircraftCategory::Heavy},
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

    tables.publisherGroups = lf_readPublishers(root);
    lf_readWingspans(root, tables);
    lf_readFixes(root, tables);

    tables.simAddons2020 = lf_readXmlSection(root, "simaddons20", "simaddon20", "arpts");
    tables.simAddons2024 = lf_readXmlSection(root, "simaddons24", "simaddon24", "arpts");
    gf_log(fmt::format("{} simaddons24", tables.simAddons2024.size()));
    tables.thirdParties2020 = lf_readThirdParties(root, "thirdparties20", "thirdpartie20");
    tables.thirdParties2024 = lf_readThirdParties(root, "thirdparties24", "thirdpartie24");

    lf_sortDbaseRecords(lf_readRecords(root), tables);
    lf_buildModelTables(tables);
    return tables;
}

} // namespace

bool gf_readDbase(const fs::path& sealedPath)
{
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
