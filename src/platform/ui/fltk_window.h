#pragma once
// The window layer's FLTK 1.3 back end. Calls from other threads change the back end's own model at once (the
// queries read it) and are handed to the window thread through Fl::awake, with at most one wake-up pending:
// control changes are applied as the model's latest state of each changed control, repaint requests are united
// into one, posted messages keep their order. The window is double-buffered; WindowEvents::onPaint draws the
// client area and the controls are drawn over it.
//
// FLTK is process-wide: one FltkWindow at a time, opened, run and destroyed on the window thread, and destroyed
// only after every other thread has stopped calling it.
#include "platform/ui/window.h"

#include <memory>

namespace hlw::ui {

class FltkWindow final : public Window {
  public:
    // On the window thread: connects to the display named by DISPLAY. Nullptr when no display can be opened.
    static std::unique_ptr<FltkWindow> open();
    ~FltkWindow() override;
    FltkWindow(const FltkWindow&) = delete;
    FltkWindow& operator=(const FltkWindow&) = delete;

    bool create(const WindowSpec& spec, const std::vector<ControlSpec>& controls, WindowEvents& events) override;
    int run(const std::atomic<bool>& closeSignal) override;
    void quit(int code) override;
    Rect windowRect() const override;
    bool minimised() const override;
    Rect normalRect() const override;
    void move(Point topLeft) override;
    void setTopmost(bool topmost) override;
    Rect workAreaNearest(Rect rect) const override;
    void messageBox(std::string text, std::string caption) override;

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

    // How many times the window thread has woken up for queued calls (for the back end's tests and benchmarks).
    uint64_t wakeUps() const noexcept;
    // What the control's widget shows, read on the window thread once every call made before has been applied.
    // From another thread only (it waits for the window thread); none for an id without a widget.
    std::optional<ControlState> shownControl(ControlId id);

    struct Impl;

  private:
    FltkWindow();
    std::unique_ptr<Impl> impl_;
};

} // namespace hlw::ui
