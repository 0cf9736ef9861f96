#include "app/window_placement.h"

#include "core/log.h"
#include "settings/catalogue.h"
#include "settings/parameters_document.h"
#include "settings/parameters_file.h"
#include "settings/xml_attributes.h"

#include <fmt/format.h>

#include <filesystem>

namespace hlw {
namespace {

// A coordinate stuck at a bound of its range falls back.
void lf_unstick(IntParameter& setting, int32_t fallback)
{
    if (setting.get() == setting.minimum() || setting.get() == setting.maximum()) {
        setting.setClampedAndSave(fallback);
    }
}

} // namespace

ui::Point gf_cornerOnWorkArea(ui::Rect window, ui::Rect workArea)
{
    ui::Rect r = window;
    if (r.width() > workArea.width()) {
        r = r.movedTo({workArea.left, r.top});
    }
    if (r.height() > workArea.height()) {
        r = r.movedTo({r.left, workArea.top});
    }
    if (r.right < workArea.left + visibleMargin) {
        r = r.movedTo({workArea.left + visibleMargin - r.width(), r.top});
    }
    if (r.left > workArea.right - visibleMargin) {
        r = r.movedTo({workArea.right - visibleMargin, r.top});
    }
    if (r.bottom < workArea.top + visibleMargin) {
        r = r.movedTo({r.left, workArea.top + visibleMargin - r.height()});
    }
    if (r.top > workArea.bottom - visibleMargin) {
        r = r.movedTo({r.left, workArea.bottom - visibleMargin});
    }
    return r.topLeft();
}

void gf_placeOnMonitor(ui::Window& window, bool windowExists, int32_t fallbackX, int32_t fallbackY)
{
    lf_unstick(settings::mainWindowX, fallbackX);
    lf_unstick(settings::mainWindowY, fallbackY);
    const ui::Point stored{settings::mainWindowX.get(), settings::mainWindowY.get()};
    // The normal rectangle: a minimised window's reported size is that of its title bar, not the window's.
    const ui::Rect rect = (windowExists ? window.normalRect() : ui::Rect{}).movedTo(stored);
    const ui::Point corner = gf_cornerOnWorkArea(rect, window.workAreaNearest(rect));
    if (corner == stored) {
        return;
    }
    settings::mainWindowX.setClampedAndSave(corner.x);
    settings::mainWindowY.setClampedAndSave(corner.y);
    if (windowExists) {
        window.move({settings::mainWindowX.get(), settings::mainWindowY.get()});
    }
}

void gf_readWindowPosition(ui::Window& window)
{
    IntParameter& x = settings::mainWindowX;
    IntParameter& y = settings::mainWindowY;
    {
        const auto lock = gf_lockParametersFile();
        if (!gf_parametersFileExists()) {
            return;
        }
        pugi::xml_document document;
        const pugi::xml_parse_result loaded = gf_loadParametersDocument(document);
        if (!loaded) {
            const std::filesystem::path path = parametersFilePath();
            gf_logAlert(fmt::format("{} failed to load ({}). Saved as 0.xml and removed.", path.string(),
                                    loaded.description()));
            gf_save1GenerationOf(path);
            std::error_code error;
            std::filesystem::remove(path, error);
            return;
        }
        x.setClamped(gf_readIntParameter(document, x.key()).value_or(x.defaultValue()));
        y.setClamped(gf_readIntParameter(document, y.key()).value_or(y.defaultValue()));
    }
    gf_placeOnMonitor(window, false, x.defaultValue(), y.defaultValue());
}

void gf_saveWindowPosition(ui::Window& window)
{
    const ui::Rect rect = window.minimised() ? window.normalRect() : window.windowRect();
    const int32_t oldX = settings::mainWindowX.get();
    const int32_t oldY = settings::mainWindowY.get();
    settings::mainWindowX.setClampedAndSave(rect.left);
    settings::mainWindowY.setClampedAndSave(rect.top);
    gf_placeOnMonitor(window, true, oldX, oldY);
}

} // namespace hlw
