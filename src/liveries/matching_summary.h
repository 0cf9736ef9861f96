#pragma once
// How often each matching step gave a live aircraft its livery, and the summary of those counts in the log.
// The counts start at zero with the program and are never reset during a program run.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hlw {

// The step at which a livery was found, from the most exact to the loosest.
enum class MatchStep : int32_t {
    SpecialRegistration = 0, // the registration of a special livery that has only this registration
    Registration = 1,        // any other registration match
    AirlineModel = 2,
    SimilarModel = 3,        // the airline (or its operator) with a similar model
    Generic = 4,             // the generic livery of the model (airline "ZZZ")
    ModelOnly = 5,           // the model, any airline
    AlternativeModel = 6,    // an alternative model, or a random model of the same category
};
inline constexpr std::size_t matchStepCount = 7;

// Worker thread (the matching); the counts are atomics, so other threads may read them.
void gf_countMatch(MatchStep step) noexcept;
std::array<int32_t, matchStepCount> gf_matchStepCounts() noexcept;
// For tests.
void gf_resetMatchStepCounts() noexcept;

// The star title "live traffic livery matching summary", the count of every step, the liveries the simulator
// could not create and a closing line of stars. Nothing while every count is 0.
void gf_logMatchingSummary();

} // namespace hlw
