#pragma once
// A control port without a window, for tests: it keeps a model of every created control and a log of every call.
// Safe to call from any thread.
#include "platform/ui/control_model.h"
#include "platform/ui/control_port.h"

#include <mutex>

namespace hlw::ui {

class RecordingControlPort : public ControlPort {
  public:
    // What the window does when it creates a control: the control exists from now on, empty, with the check
    // mark given.
    void createControl(ControlId id, ControlKind kind, bool enabled = true, bool checked = false);

    // A copy of the control's state; empty when no control has the id.
    std::optional<ControlState> control(ControlId id) const;

    // What the user does (never logged): picks a list's entry or types into an edit box. False, changing
    // nothing, when the id names no enabled control of that kind (or the index no entry).
    bool userSelect(ControlId id, int32_t index);
    bool userType(ControlId id, std::string text);

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
    std::optional<std::string> comboItemText(ControlId id, int32_t index) const override;
    std::optional<std::string> controlText(ControlId id) const override;
    std::optional<bool> controlEnabled(ControlId id) const override;
    std::optional<bool> controlChecked(ControlId id) const override;
    void invalidate(Rect rect, bool erase) override;
    void postMessage(uint32_t message) override;

  private:
    bool userChange(ControlId id, ControlKind kind);

    mutable std::mutex mutex_;
    ControlModel model_;
    std::vector<std::string> operations_;
};

} // namespace hlw::ui
