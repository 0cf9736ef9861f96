#pragma once
// The main window's 43 controls as data, in the order of their creation: 21 check boxes, 12 drop-down lists,
// 3 edit boxes and 7 push buttons. Each row names the setting (or button) it shows, whose binding carries the id
// and the row y, and gives the left edge and the size; a list's height is that of its dropped-down box.
#include "platform/ui/window.h"
#include "settings/parameter.h"

#include <vector>

namespace hlw {

struct ControlRow {
    ui::ControlKind kind = ui::ControlKind::checkBox;
    const ControlBinding* binding = nullptr;
    int32_t x = 0;
    int32_t width = 0;
    int32_t height = 0;
};

const std::vector<ControlRow>& gf_controlTable();

// Where a row's control lies: a check box at (x, y + 2), an edit box and a push button at (x, y), a list at
// (x, y - 5); y is the row of the binding.
ui::Rect gf_controlRect(const ControlRow& row);

// The controls as the window creates them: check boxes enabled with the setting's mark, lists enabled and
// empty, edit boxes and push buttons disabled (edit boxes empty; the worker's start-up writes their values).
std::vector<ui::ControlSpec> gf_controlsAtCreation();

} // namespace hlw
