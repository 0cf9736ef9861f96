#pragma once
// The window layer's control port: what the program does to the main window's controls, addressed by control id.
// Every call may come from any thread and never waits for the window thread: a back end that drives a real
// window queues the call for the window thread and answers the queries from its own copy of the control state.
// Texts are UTF-8.
#include "platform/ui/geometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hlw::ui {

using ControlId = uint16_t;

// The message that asks the window to repaint its status band and message line.
inline constexpr uint32_t repaintMessage = 0x8060;

class ControlPort {
  public:
    virtual ~ControlPort() = default;

    // True once the window has created a control with this id.
    virtual bool hasControl(ControlId id) const = 0;
    // False for a port without a window (the console's, the discarding one): it never has controls, so a control
    // it does not have is nothing to report.
    virtual bool showsControls() const { return true; }

    virtual void enable(ControlId id, bool enabled) = 0;
    virtual void setChecked(ControlId id, bool checked) = 0;
    // On a drop-down list the text selects the entry equal to it (exact, case-sensitive), or none.
    virtual void setText(ControlId id, std::string text) = 0;

    virtual void comboReset(ControlId id) = 0;
    virtual void comboAddItem(ControlId id, std::string text) = 0;
    // An empty index leaves the list with no entry selected.
    virtual void comboSelect(ControlId id, std::optional<int32_t> index) = 0;
    // Replaces the entries and the selection in one step, so that no other caller's entries interleave.
    virtual void comboFill(ControlId id, std::vector<std::string> items, std::optional<int32_t> selection) = 0;
    // The selected entry's index; empty with no selection or no such list.
    virtual std::optional<int32_t> comboSelection(ControlId id) const = 0;
    // The text of a list's entry, whatever its length; empty for an index outside the entries. A port that
    // keeps no entries (the console's, the discarding one) has none.
    virtual std::optional<std::string> comboItemText(ControlId id, int32_t index) const
    {
        static_cast<void>(id);
        static_cast<void>(index);
        return std::nullopt;
    }
    // An edit box's text as the program or the user left it (a list's: its selected entry's); empty without
    // such a control.
    virtual std::optional<std::string> controlText(ControlId id) const
    {
        static_cast<void>(id);
        return std::nullopt;
    }

    // Whether the control takes input, and a check box's mark; empty without such a control.
    virtual std::optional<bool> controlEnabled(ControlId id) const
    {
        static_cast<void>(id);
        return std::nullopt;
    }
    virtual std::optional<bool> controlChecked(ControlId id) const
    {
        static_cast<void>(id);
        return std::nullopt;
    }

    // Marks a part of the client area for repainting, with the background erased first when asked.
    virtual void invalidate(Rect rect, bool erase) = 0;
    virtual void postMessage(uint32_t message) = 0;
};

// The port installed by the window layer; until then (and after nullptr) a port that discards every call,
// knows no control and has no selection. The installed port must outlive its use.
void gf_installControlPort(ControlPort* port) noexcept;
ControlPort& gf_controlPort() noexcept;

} // namespace hlw::ui
