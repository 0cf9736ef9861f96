#include "parking/airport_settings.h"

#include "core/log.h"
#include "parking/parking_window_port.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"
#include "settings/xml_attributes.h"

#include <fmt/format.h>

namespace hlw {
namespace {

constexpr int32_t defaultParkingPercentage = 30;

void lf_logApplied(const Parameter& setting, int32_t value)
{
    gf_logContinuation(fmt::format("{:24}: {}", setting.key(), value));
}

void lf_logApplied(const Parameter& setting, bool value)
{
    gf_logContinuation(fmt::format("{:24}: {}", setting.key(), value));
}

// A check-box setting from the document: set and shown; true when the document holds it.
bool lf_applyCheckBox(pugi::xml_node document, BoolCheckBoxParameter& setting)
{
    const auto value = gf_readBoolParameter(document, setting.key());
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
    if (const auto value = gf_readIntParameter(document, settings::maxLiveSel.key())) {
        settings::maxLiveSel.setClamped(*value);
        settings::maxLiveSel.showSelection();
        lf_logApplied(settings::maxLiveSel, settings::maxLiveSel.get());
    }
    if (const auto value = gf_readIntParameter(document, settings::range.key())) {
        gf_setRange(*value);
        gf_enableControl(settings::range);
        lf_logApplied(settings::range, settings::range.get());
    }
    if (lf_applyCheckBox(document, settings::autoRange)) {
        gf_parkingWindow().applyAutoRange();
    }
    if (const auto value = gf_readIntParameter(document, settings::parkingPercentage.key())) {
        settings::parkingPercentage.setClamped(*value);
        lf_logApplied(settings::parkingPercentage, settings::parkingPercentage.get());
    } else {
        settings::parkingPercentage.setClamped(defaultParkingPercentage);
    }
    settings::parkingPercentage.showSelection();
    lf_applyCheckBox(document, settings::week);
    lf_applyCheckBox(document, settings::parkSoft);
    if (const auto value = gf_readIntParameter(document, settings::maxFit.key())) {
        settings::maxFit.setClamped(*value);
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
