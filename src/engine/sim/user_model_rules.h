#pragma once
// How the user aircraft's ATC model text becomes a model code with a half wing span: a few known spellings
// are rewritten, the span is looked up (find-only: this runs on the simulator client thread, which never adds
// codes to the tables), and a model the reference data does not know gets the largest span.
#include <functional>
#include <string>
#include <string_view>

namespace hlw {

// What the rules need of the reference data.
struct ModelFacts {
    std::function<double(std::string_view model)> halfSpanNm; // 0 for a model without a span or not known
    double maxHalfSpanNm = 0.0;
    std::function<std::string(std::string_view model)> categoryName;
};

// The reference data's own facts: find-only model lookups.
ModelFacts gf_referenceModelFacts();

struct UserModelOutcome {
    std::string model;
    double halfSpanNm = 0.0;
    bool wingSpanKnown = false;
    // The continuation line "SimConnect: User aircraft model...: " with what was found.
    std::string logLine;
    // The message to show: empty, the "no model" message or the "wing span unknown" message.
    std::string message;
};

// The model of an empty ATC model text: "CRJ7".
inline constexpr std::string_view kFallbackUserModel = "CRJ7";
inline constexpr std::string_view kUnknownUserAircraftText = "Unknown (encrypted?) aircraft";

// The rules for a non-empty model text; title is the stored user title (may be empty).
UserModelOutcome gf_resolveUserModel(std::string_view rawModel, std::string_view title, const ModelFacts& facts);
// The span for an empty model text: that of CRJ7, or the largest when it has none.
double gf_fallbackUserHalfSpan(const ModelFacts& facts);

// The first bytes of text, at most maxBytes, never ending inside a UTF-8 sequence.
std::string_view gf_cutUtf8(std::string_view text, size_t maxBytes);

} // namespace hlw
