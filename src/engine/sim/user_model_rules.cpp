#include "engine/sim/user_model_rules.h"

#include "refdata/category_name.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"

#include <fmt/format.h>

#include <array>
#include <utility>

namespace hlw {
namespace {

struct Rename {
    std::string_view from;
    std::string_view to;
};

constexpr std::array<Rename, 4> exactRenames = {{
    {"A350-900", "A359"},
    {"N738B", "B38M"},
    {"777", "772"},
    {"A330-200 (RR)", "A332"},
}};

// A "737" model is told apart by the title of the DG package.
constexpr std::array<Rename, 4> dg737Titles = {{
    {"DG 737-800", "B738"},
    {"DG 737-700", "B737"},
    {"DG 737-600", "B736"},
    {"DG 737-900", "B739"},
}};

constexpr std::array<std::string_view, 3> aerosoftTitles = {"Aerosoft A319", "Aerosoft A320", "Aerosoft A321"};

constexpr std::string_view textMarker = ".0.text";

std::string rewriteModel(std::string_view model, std::string_view title, const ModelFacts& facts) {
    for (const Rename& rename : exactRenames) {
        if (model == rename.from) {
            return std::string(rename.to);
        }
    }
    const size_t marker = model.find(textMarker);
    if (model.size() >= 7 && marker != std::string_view::npos) {
        // The code stands just before the marker; only lengths that fit before it are tried.
        for (const size_t length : {size_t{4}, size_t{3}, size_t{2}}) {
            if (length <= marker) {
                const std::string_view code = model.substr(marker - length, length);
                if (facts.halfSpanNm(code) != 0.0) {
                    return std::string(code);
                }
            }
        }
        return std::string(model);
    }
    if (model.size() >= 5 && model.starts_with("$$:")) {
        return std::string(model.substr(3));
    }
    if (model == "737") {
        for (const Rename& rename : dg737Titles) {
            if (title.find(rename.from) != std::string_view::npos) {
                return std::string(rename.to);
            }
        }
    }
    return std::string(model);
}

double spanOrMax(double span, const ModelFacts& facts) { return span == 0.0 ? facts.maxHalfSpanNm : span; }

} // namespace

ModelFacts gf_referenceModelFacts() {
    ModelFacts facts;
    facts.halfSpanNm = [](std::string_view model) {
        const std::optional<uint16_t> index = gf_findModelIndex(model);
        return index ? gf_halfWingspanNm(*index) : 0.0;
    };
    facts.maxHalfSpanNm = gf_maxHalfWingspanNm();
    facts.categoryName = [](std::string_view model) {
        const std::optional<uint16_t> index = gf_findModelIndex(model);
        return gf_categoryName(index ? gf_modelCategory(*index) : AircraftCategory::Light);
    };
    return facts;
}

double gf_fallbackUserHalfSpan(const ModelFacts& facts) {
    return spanOrMax(facts.halfSpanNm(kFallbackUserModel), facts);
}

UserModelOutcome gf_resolveUserModel(std::string_view rawModel, std::string_view title, const ModelFacts& facts) {
    UserModelOutcome outcome;
    outcome.model = rewriteModel(rawModel, title, facts);
    std::string_view prefix = "SimConnect: User aircraft model: ";
    if (outcome.model.find("camerapod") != std::string::npos || outcome.model.find("Crew Vessel") != std::string::npos) {
        outcome.wingSpanKnown = true;
        outcome.halfSpanNm = facts.halfSpanNm("E190");
        outcome.logLine = fmt::format("{}{}", prefix, outcome.model);
        return outcome;
    }
    outcome.halfSpanNm = outcome.model.size() < 5 ? spanOrMax(facts.halfSpanNm(outcome.model), facts)
                                                  : facts.maxHalfSpanNm;
    if (outcome.halfSpanNm == facts.maxHalfSpanNm && !title.empty()) {
        for (const std::string_view aerosoft : aerosoftTitles) {
            if (title.starts_with(aerosoft)) {
                outcome.model = std::string(aerosoft.substr(aerosoft.size() - 4));
                prefix = "SimConnect: User aircraft model deduced from title: ";
                outcome.halfSpanNm = spanOrMax(facts.halfSpanNm(outcome.model), facts);
                break;
            }
        }
    }
    std::string details;
    if (outcome.halfSpanNm != facts.maxHalfSpanNm) {
        outcome.wingSpanKnown = true;
        details = fmt::format(", half wing span: {:.1F} meter", outcome.halfSpanNm * 1852.0);
    } else {
        outcome.message = "User aircraft wing span unknown, max is taken instead, please report in my Forum!";
    }
    details += fmt::format(", category: {}", facts.categoryName(outcome.model));
    outcome.logLine = fmt::format("{}{}{}", prefix, outcome.model, details);
    return outcome;
}

std::string_view gf_cutUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t end = maxBytes;
    // Back off over continuation bytes (10xxxxxx) to the start of the sequence that would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) {
        --end;
    }
    return text.substr(0, end);
}

} // namespace hlw
