#include "app/client_area_paint.h"

#include "app/message_band.h"
#include "app/window_layout.h"
#include "settings/control_services.h"

namespace hlw {

void gf_paintClientArea(ui::Painter& painter, StatusPainter* statusPainter, const StatusValues& values,
                        const MessageLineTexts& message)
{
    painter.fillRect(headerBandRect, black);
    painter.fillRect(statusBandRect, black);
    painter.fillRect(settingsPanelRect, lightBlue);
    painter.fillRect(parkingBandRect, black);
    if (statusPainter != nullptr) {
        statusPainter->paint(painter, values);
    }
    gf_paintMessageBand(painter, message);
}

} // namespace hlw
