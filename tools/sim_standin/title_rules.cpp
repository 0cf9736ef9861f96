#include "title_rules.h"

#include <fnmatch.h>

namespace hlw::standin {

bool gf_titleMatches(std::string_view pattern, std::string_view title) {
    const std::string patternText(pattern);
    const std::string titleText(title);
    return fnmatch(patternText.c_str(), titleText.c_str(), FNM_CASEFOLD) == 0;
}

StaticCg TitleRules::cgFor(std::string_view title) const {
    for (auto rule = cgRules_.rbegin(); rule != cgRules_.rend(); ++rule) {
        if (gf_titleMatches(rule->pattern, title)) {
            return rule->cg;
        }
    }
    return StaticCg{};
}

bool TitleRules::isRefused(std::string_view title) const {
    for (const std::string& pattern : refused_) {
        if (gf_titleMatches(pattern, title)) {
            return true;
        }
    }
    return false;
}

void TitleRules::clear() {
    cgRules_.clear();
    refused_.clear();
}

} // namespace hlw::standin
