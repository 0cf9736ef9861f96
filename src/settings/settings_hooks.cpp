#include "settings/settings_hooks.h"

#include "core/random_choice.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

namespace hlw {
namespace {

bool lf_randomSetting() noexcept { return settings::random.get(); }

} // namespace

void gf_installSettingsHooks()
{
    gf_installRandomSettingReader(&lf_randomSetting);
    gf_routeMessageLineToControlPort();
}

} // namespace hlw
