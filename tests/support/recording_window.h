#pragma once
// The window layer's back end for tests: a model of the window (place, minimised, topmost, screens), the
// recording control port's model and log of the controls, a log of each paint, the message boxes shown, and
// scripted user actions. Its loop runs on whichever thread calls run() or pump(), like a real window thread.
#include "platform/ui/screens.h"
#include "platform/ui/window.h"
#include "support/recording_control_port.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <variant>

namespace hlw::ui {

class RecordingWindow final : public Window {
  public:
    // One screen of 1920 × 1080 whose work area leaves out a 40-pixel task bar at the bottom.
    static std::vector<Screen> defaultScreens();

    explicit RecordingWindow(std::vector<Screen> screens = defaultScreens());

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

    bool hasControl(ControlId id) const override { return controls_.hasControl(id); }
    void enable(ControlId id, bool enabled) override { controls_.enable(id, enabled); }
    void setChecked(ControlId id, bool checked) override { controls_.setChecked(id, checked); }
    void setText(ControlId id, std::string text) override { controls_.setText(id, std::move(text)); }
    void comboReset(ControlId id) override { controls_.comboReset(id); }
    void comboAddItem(ControlId id, std::string text) override { controls_.comboAddItem(id, std::move(text)); }
    void comboSelect(ControlId id, std::optional<int32_t> index) override { controls_.comboSelect(id, index); }
    void comboFill(ControlId id, std::vector<std::string> items, std::optional<int32_t> selection) override
    {
        controls_.comboFill(id, std::move(items), selection);
    }
    std::optional<int32_t> comboSelection(ControlId id) const override { return controls_.comboSelection(id); }
    std::optional<std::string> comboItemText(ControlId id, int32_t index) const override
    {
        return controls_.comboItemText(id, index);
    }
    std::optional<std::string> controlText(ControlId id) const override { return controls_.controlText(id); }
    std::optional<bool> controlEnabled(ControlId id) const override { return controls_.controlEnabled(id); }
    std::optional<bool> controlChecked(ControlId id) const override { return controls_.controlChecked(id); }
    // Logged by the control port; a repaint follows once the queued events are handled.
    void invalidate(Rect rect, bool erase) override;
    // Logged by the control port and queued for the loop.
    void postMessage(uint32_t message) override;

    // The controls' model and the log of the program's calls.
    RecordingControlPort& controls() noexcept { return controls_; }
    const RecordingControlPort& controls() const noexcept { return controls_; }

    // Scripted user actions, from any thread; the loop delivers them. False, and nothing queued, when the id
    // names no enabled control of the right kind (a disabled control takes no input). A click on a check box
    // leaves its check mark alone.
    bool click(ControlId id);
    bool choose(ControlId id, int32_t index);
    bool typeWithEnter(ControlId id, std::string text);
    void close();
    // The user minimises or restores the window, or drags it.
    void setMinimisedByUser(bool minimised);
    void moveByUser(Point topLeft);
    void setScreens(std::vector<Screen> screens);
    // The next create() fails, as when the system refuses the window.
    void refuseCreation();

    // Handles everything queued, on the calling thread (the window thread of a single-threaded test), with the
    // repaint last. Returns how many events it handled.
    int pump();

    // What the window was created with; empty before.
    std::optional<WindowSpec> createdSpec() const;
    std::vector<ControlSpec> createdControls() const;
    // The operations of the last paint, and how many paints ran.
    std::vector<std::string> lastPaint() const;
    int32_t paintCount() const;
    bool topmost() const;
    bool shown() const;
    std::vector<std::pair<std::string, std::string>> messageBoxes() const;
    // Every move the program made, in order.
    std::vector<Point> programMoves() const;

  private:
    struct CloseEvent {};
    using Event = std::variant<uint32_t, Command, CloseEvent>;

    void queue(Event event);
    // Takes the next event, or the paint when nothing else waits; false when there is neither.
    bool handleNext(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    RecordingControlPort controls_;
    WindowEvents* events_ = nullptr;
    std::optional<WindowSpec> spec_;
    std::vector<ControlSpec> controlSpecs_;
    std::vector<Screen> screens_;
    std::deque<Event> queue_;
    bool paintPending_ = false;
    std::vector<std::string> lastPaint_;
    int32_t paintCount_ = 0;
    Rect rect_;
    bool minimised_ = false;
    bool topmost_ = false;
    bool shown_ = false;
    bool refuseCreation_ = false;
    std::optional<int> quitCode_;
    std::vector<std::pair<std::string, std::string>> messageBoxes_;
    std::vector<Point> programMoves_;
};

} // namespace hlw::ui
