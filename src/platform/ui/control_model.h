#pragma once
// The state of a window's controls as the program and the user leave them. Both back ends keep one and answer
// the control port's queries from it. Not locked: its owner holds its own lock around every call.
#include "platform/ui/control_port.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hlw::ui {

enum class ControlKind { checkBox, comboBox, editBox, button };

struct ControlState {
    ControlKind kind = ControlKind::editBox;
    bool enabled = true;
    bool checked = false;
    // An edit box's text; for a drop-down list the selected entry's text, empty without a selection.
    std::string text;
    std::vector<std::string> items;
    std::optional<int32_t> selection;
    // Counts the changes of items, so that a back end rebuilds a list's entries only when they changed.
    uint64_t itemsVersion = 0;
};

class ControlModel {
  public:
    // The control exists from now on, empty and unchecked.
    void create(ControlId id, ControlKind kind, bool enabled);

    // Each returns false and changes nothing when no control has the id.
    bool enable(ControlId id, bool enabled);
    bool setChecked(ControlId id, bool checked);
    // On a drop-down list the text selects the entry equal to it (exact, case-sensitive), or none.
    bool setText(ControlId id, std::string text);
    bool comboReset(ControlId id);
    bool comboAddItem(ControlId id, std::string text);
    // An index outside the entries leaves no entry selected, as a drop-down list does.
    bool comboSelect(ControlId id, std::optional<int32_t> index);
    bool comboFill(ControlId id, std::vector<std::string> items, std::optional<int32_t> selection);

    // Nullptr when no control has the id.
    const ControlState* state(ControlId id) const;
    std::optional<std::string> itemText(ControlId id, int32_t index) const;

  private:
    ControlState* find(ControlId id);

    std::map<ControlId, ControlState> controls_;
};

} // namespace hlw::ui
