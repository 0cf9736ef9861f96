#pragma once
// A control port without a window: it keeps a model of every created control and a log of every call, for tests
// and for runs without a display. Safe to call from any thread.
#include "platform/ui/control_port.h"

#include <map>
#include <mutex>

namespace hlw::ui {

enum class ControlKind { checkBox, comboBox, editBox, button };

struct ControlState {
    ControlKind kind = ControlKind::editBox;
    bool enabled = true;
    bool checked = false;
    // For a drop-down list: the selected entry's text, empty without a selection.
    std::string text;
    std::vector<std::string> items;
    std::optional<int32_t> selection;
};

class RecordingControlPort final : public ControlPort {
  public:
    // What the window does when it creates a control: the control exists from now on, empty and unchecked.
    void createControl(ControlId id, ControlKind kind, bool enabled = true);

    // A copy of the control's state; empty when no control has the id.
    std::optional<ControlState> control(ControlId id) const;

    // Every call in order, as one line each:
    //   "enable <id> on|off", "check <id> on|off", "text <id> <text>", "reset <id>", "add <id> <text>",
    //   "select <id> <index>|none", "fill <id> <item>|<item>... select <index>|none",
    //   "invalidate <left>,<top>,<right>,<bottom>[ erase]", "post 0x<message in hex>".
    // Calls for ids without a control are logged too but change nothing.
    std::vector<std::string> operations() const;
    // The log so far, which is then emptied.
    std::vector<std::string> takeOperations();

    bool hasControl(ControlId id) const override;
    void enable(ControlId id, bool enabled) override;
    void setChecked(ControlId id, bool checked) override;
    void setText(ControlId id, std::string text) override;
    void comboReset(ControlId id) override;
    void comboAddItem(ControlId id, std::string text) override;
    void comboSelect(ControlId id, std::optional<int32_t> index) override;
    void comboFill(ControlId id, std::vector<std::string> items, std::optional<int32_t> selection) override;
    std::optional<int32_t> comboSelection(ControlId id) const override;
    void invalidate(Rect rect, bool erase) override;
    void postMessage(uint32_t message) override;

  private:
    // Both called with the mutex held.
    ControlState* find(ControlId id);
    static void select(ControlState& state, std::optional<int32_t> index);

    mutable std::mutex mutex_;
    std::map<ControlId, ControlState> controls_;
    std::vector<std::string> operations_;
};

} // namespace hlw::ui
