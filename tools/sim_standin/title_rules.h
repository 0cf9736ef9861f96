#pragma once
// Rules keyed by livery-title patterns: the static CG height and pitch of a created aircraft, and the
// titles whose creation the simulator refuses. Patterns are shell-style ('*', '?'), case-insensitive.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hlw::standin {

bool gf_titleMatches(std::string_view pattern, std::string_view title);

struct StaticCg {
    double heightFt = 8.0;
    double pitchRad = 0.012;
};

class TitleRules {
public:
    // The rule added last wins, so a test can override a broad rule with a narrower one.
    void addCg(std::string pattern, StaticCg cg) { cgRules_.push_back({std::move(pattern), cg}); }
    void addRefused(std::string pattern) { refused_.push_back(std::move(pattern)); }
    StaticCg cgFor(std::string_view title) const;
    bool isRefused(std::string_view title) const;
    void clear();

private:
    struct CgRule {
        std::string pattern;
        StaticCg cg;
    };
    std::vector<CgRule> cgRules_;
    std::vector<std::string> refused_;
};

} // namespace hlw::standin
