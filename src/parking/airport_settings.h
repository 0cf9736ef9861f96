#pragma once
// The eight settings that an airport's learned file may override while that airport is the park airport:
// applying the file's values, keeping the user's own values before, and putting them back afterwards.
#include <cstdint>

#include <pugixml.hpp>

namespace hlw {

// The user's values of the settings a learned file may change.
struct OverriddenSettings {
    int32_t maxLiveSel = 0;
    int32_t maxFit = 0;
    int32_t range = 0;
    int32_t parkingPercentage = 0;
    bool autoRange = false;
    bool initialLoadOnly = false;
    bool parkSoft = false;
    bool week = false;

    // The current values.
    static OverriddenSettings current();
    bool operator==(const OverriddenSettings&) const = default;
};

// Applies the settings a learned document holds and logs each value applied as a continuation line. A number
// that is not a whole number within its setting's bounds, or a check box's value that is not true or false, is
// refused with one alert line and the setting keeps the user's value. "parking_percentage" becomes 30 when the
// document lacks it. Nothing is saved to "parameters.xml".
void gf_applyLearnedSettings(pugi::xml_node document);

// Puts every kept value back that differs from the current one, within its bounds, and saves it.
void gf_restoreApfOverriddenSettings(const OverriddenSettings& kept);

} // namespace hlw
