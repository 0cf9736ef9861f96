#include "parking/airport_settings.h"

#include "core/log.h"
#include "core/string_helpers.h"
#include "parking/parking_window_port.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/xml_attributes.h"

#include <fmt/format.h>

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace hlw {
namespace {

constexpr int32_t defaultParkingPercentage = 30;
// A refused value is quoted up to this many bytes: a learned file may hold anything.
constexpr std::size_t refusedTextBytes = 40;

void lf_logApplied(const Parameter& setting, int32_t value)
{
    gf_logContinuation(fmt::format("{:24}: {}", setting.key(), value));
}

void lf_logApplied(const Parameter& setting, bool value)
{
    gf_logContinuation(fmt::format("{:24}: {}", setting.key(), value));
}

void lf_logRefused(const Parameter& setting, const std::string& text, std::string_view expected, std::string_view kept)
{
    gf_logAlert(fmt::format("learned file: {}=\"{}\" is not {}, refused: {} stays", setting.key(),
                            gf_logExcerpt(text, refusedTextBytes), expected, kept));
}

// The document's number for the setting when it is a whole number within the setting's bounds. Anything else the
// document holds is refused with an alert line, and the user's value stays.
std::optional<int32_t> lf_learnedNumber(pugi::xml_node document, const IntParameter& setting)
{
    const std::optional<std::string> text = gf_readStringParameter(document, setting.key());
    if (!text) {
        return std::nullopt;
    }
    int32_t value = 0;
    const char* const end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error == std::errc() && stop == end && value >= setting.minimum() && value <= setting.maximum()) {
        return value;
    }
    lf_logRefused(setting, *text, fmt::format("a whole number from {} to {}", setting.minimum(), setting.maximum()),
                  std::to_string(setting.get()));
    return std::nullopt;
}

// The document's truth value for the setting: "true" or "false" in any case, or "1" or "0"; anything else is
// refused as above.
std::optional<bool> lf_learnedFlag(pugi::xml_node document, const BoolParameter& setting)
{
    const std::optional<std::string> text = gf_readStringParameter(document, setting.key());
    if (!text) {
        return std::nullopt;
    }
    if (gf_equalNoCase(*text, "true") || *text == "1") {
        return true;
    }
    if (gf_equalNoCase(*text, "false") || *text == "0") {
        return false;
    }
    lf_logRefused(setting, *text, "true or false", setting.get() ? "true" : "false");
    return std::nullopt;
}

// A check-box setting from the document: set and shown; true when the document holds a value that was taken.
bool lf_applyCheckBox(pugi::xml_node document, BoolCheckBoxParameter& setting)
{
    const auto value = lf_learnedFlag(document, setting);
    if (value) {
        setting.set(*value);
        setting.showCheck();
        lf_logApplied(setting, *value);
    }
    return value.has_value();
}

} // namespace

OverriddenSettings OverriddenSettings::current()
{
    return {settings::maxLiveSel.get(),        settings::maxFit.get(),    settings::range.get(),
            settings::parkingPercentage.get(), settings::autoRange.get(), settings::initialLoadOnly.get(),
            settings::parkSoft.get(),          settings::week.get()};
}

void gf_applyLearnedSettings(pugi::xml_node document)
{
    if (const auto value = lf_learnedNumber(document, settings::maxLiveSel)) {
        settings::maxLiveSel.set(*value);
        settings::maxLiveSel.showSelection();
        lf_logApplied(settings::maxLiveSel, settings::maxLiveSel.get());
    }
    if (const auto value = lf_learnedNumber(document, settings::range)) {
        gf_setRange(*value);
        gf_enableControl(settings::range);
        lf_logApplied(settings::range, settings::range.get());
    }
    if (lf_applyCheckBox(document, settings::autoRange)) {
        gf_parkingWindow().applyAutoRange();
    }
    if (!gf_readStringParameter(document, settings::parkingPercentage.key())) {
        settings::parkingPercentage.set(defaultParkingPercentage);
    } else if (const auto value = lf_learnedNumber(document, settings::parkingPercentage)) {
        settings::parkingPercentage.set(*value);
        lf_logApplied(settings::parkingPercentage, settings::parkingPercentage.get());
    }
    settings::parkingPercentage.showSelection();
    lf_applyCheckBox(document, settings::week);
    lf_applyCheckBox(document, settings::parkSoft);
    if (const auto value = lf_learnedNumber(document, settings::maxFit)) {
        settings::maxFit.set(*value);
        gf_syncMaxFit();
        gf_logContinuation(fmt::format("{:24}: {} (max number of half hours, is {:.1F} hrs decimal)",
                                       settings::maxFit.key(), settings::maxFit.get(), settings::maxFitFl.get()));
    }
    if (lf_applyCheckBox(document, settings::initialLoadOnly)) {
        gf_parkingWindow().initialLoadOnlyChanged(settings::initialLoadOnly.get());
    }
}

void gf_restoreApfOverriddenSettings(const OverriddenSettings& kept)
{
    if (settings::maxLiveSel.get() != kept.maxLiveSel) {
        settings::maxLiveSel.setClampedAndSave(kept.maxLiveSel);
    }
    if (settings::maxFit.get() != kept.maxFit) {
        settings::maxFit.setClampedAndSave(kept.maxFit);
        gf_syncMaxFit();
    }
    if (settings::range.get() != kept.range) {
        settings::range.setClampedAndSave(kept.range);
        gf_setRange(kept.range);
    }
    if (settings::parkingPercentage.get() != kept.parkingPercentage) {
        settings::parkingPercentage.setClampedAndSave(kept.parkingPercentage);
        settings::parkingPercentage.showSelection();
    }
    if (settings::autoRange.get() != kept.autoRange) {
        settings::autoRange.setAndSave(kept.autoRange);
        settings::autoRange.showCheck();
        gf_enableControl(settings::range, !kept.autoRange);
        gf_enableControl(settings::arAboveHeight, kept.autoRange);
    }
    for (auto [setting, value] :
         {std::pair{&settings::initialLoadOnly, kept.initialLoadOnly}, std::pair{&settings::parkSoft, kept.parkSoft},
          std::pair{&settings::week, kept.week}}) {
        if (setting->get() != value) {
            setting->setAndSave(value);
            setting->showCheck();
        }
    }
}

} // namespace hlw
