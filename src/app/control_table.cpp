#include "app/control_table.h"

#include "settings/catalogue.h"

namespace hlw {
namespace {

using ui::ControlKind;
constexpr ControlKind check = ControlKind::checkBox;
constexpr ControlKind list = ControlKind::comboBox;
constexpr ControlKind edit = ControlKind::editBox;
constexpr ControlKind button = ControlKind::button;

// Check boxes are 12 × 12, edit boxes 16 high, buttons 20 high.
std::vector<ControlRow> lf_buildTable()
{
    using namespace settings;
    return {
        {list, &simChoice, 5, 105, 80},
        {edit, &allInstallPath, 111, 1200, 16},
        {check, &scanLiveries, 5, 12, 12},
        {check, &ligAutomatic, 217, 12, 12},
        {list, &aiPackageSelector, 323, 175, 300},
        {check, &ligPrioritize, 536, 12, 12},
        {check, &alwaysOnTop, 748, 12, 12},
        {check, &scanAirports, 5, 12, 12},
        {button, &tbloZipButton, 217, 80, 20},
        {check, &objectIdList, 652, 12, 12},
        {check, &navLightsWhileParked, 748, 12, 12},
        {list, &matchingDepth, 217, 40, 120},
        {check, &lightAircraft, 323, 12, 12},
        {check, &helicopters, 430, 12, 12},
        {check, &highPerfAircraft, 536, 12, 12},
        {check, &aerowinx, 652, 12, 12},
        {check, &guidChanges, 748, 12, 12},
        {list, &range, 217, 50, 200},
        {check, &autoRange, 323, 12, 12},
        {list, &arAboveHeight, 455, 70, 230},
        {check, &airborneOnly, 572, 12, 12},
        {check, &collisionUserGnd, 217, 12, 12},
        {check, &collisionUserAir, 323, 12, 12},
        {check, &collisionLiveParkedGnd, 430, 12, 12},
        {edit, &blockCallsign, 107, 100, 16},
        {button, &unblockButton, 223, 60, 20},
        {button, &csToOidButton, 305, 60, 20},
        {list, &callsign2ObjectId, 375, 100, 300},
        {button, &blockButton, 576, 60, 20},
        {button, &nowButton, 111, 45, 20},
        {list, &maxParkSel, 323, 55, 144},
        {list, &maxLiveSel, 536, 55, 144},
        {edit, &destination, 217, 50, 16},
        {list, &airpRange, 353, 45, 144},
        {list, &airpHeight, 566, 70, 230},
        {check, &straightPbsOnly, 652, 12, 12},
        {check, &initialLoadOnly, 5, 12, 12},
        {check, &week, 71, 12, 12},
        {check, &parkSoft, 151, 12, 12},
        {list, &parkingPercentage, 323, 50, 200},
        {list, &maxFitFl, 566, 60, 300},
        {button, &reReadButton, 758, 90, 20},
        {button, &flushStaticButton, 758, 90, 20},
    };
}

} // namespace

const std::vector<ControlRow>& gf_controlTable()
{
    static const std::vector<ControlRow> table = lf_buildTable();
    return table;
}

ui::Rect gf_controlRect(const ControlRow& row)
{
    int32_t top = row.binding->rowY();
    if (row.kind == check) {
        top += 2;
    } else if (row.kind == list) {
        top -= 5;
    }
    return {row.x, top, row.x + row.width, top + row.height};
}

std::vector<ui::ControlSpec> gf_controlsAtCreation()
{
    std::vector<ui::ControlSpec> controls;
    for (const ControlRow& row : gf_controlTable()) {
        ui::ControlSpec control;
        control.kind = row.kind;
        control.id = row.binding->controlId();
        control.rect = gf_controlRect(row);
        control.enabled = row.kind == check || row.kind == list;
        if (const auto* box = dynamic_cast<const BoolCheckBoxParameter*>(row.binding)) {
            control.checked = box->get();
        }
        if (const auto* pushButton = dynamic_cast<const ButtonControl*>(row.binding)) {
            control.caption = pushButton->caption();
        }
        controls.push_back(std::move(control));
    }
    return controls;
}

} // namespace hlw
