#pragma once
// The window layer's main window: one fixed-size top-level window with child controls and a painted client area,
// and the loop of the thread that owns it (the window thread). Two back ends: FLTK for the real window
// (fltk_window.h) and a recording one for tests (tests/support/recording_window.h).
//
// Threads: create() and run() belong to the window thread; every other call may come from any thread and never
// waits for the window thread. Queries are answered from the back end's own model. The program's own changes to
// controls never report a command; what the user does reaches WindowEvents::onCommand on the window thread.
#include "platform/ui/control_model.h"
#include "platform/ui/control_port.h"
#include "platform/ui/geometry.h"
#include "platform/ui/painter.h"

#include <atomic>
#include <string>
#include <vector>

namespace hlw::ui {

// What the user did to a control.
enum class Notification { clicked, selectionChanged, enter };

struct Command {
    ControlId id = 0;
    Notification notification = Notification::clicked;

    friend bool operator==(const Command&, const Command&) = default;
};

// One child control. A list's height is the height of its dropped-down box; the back end chooses the height of
// the closed list.
struct ControlSpec {
    ControlKind kind = ControlKind::editBox;
    ControlId id = 0;
    Rect rect;
    // A push button's caption; empty for the other kinds.
    std::string caption;
    bool enabled = true;
    bool checked = false;
};

struct WindowSpec {
    std::string title;
    // The top-left corner of the client area on the screen. On Linux the window layer places and reports the
    // client origin: the window manager's frame is not known to it.
    Point position;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    // Edit boxes and lists are drawn on this background.
    Colour fieldBackground = 0xFFFFFF;
};

// What the window thread does for the program. Every call comes on the window thread.
class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    // A message posted with postMessage (in the order posted).
    virtual void onMessage(uint32_t message) = 0;
    virtual void onCommand(Command command) = 0;
    // The close button or the close signal; the window stays until the program quits. Escape does nothing.
    virtual void onClose() = 0;
    // Paints the whole client area; the controls are drawn over it.
    virtual void onPaint(Painter& painter) = 0;
};

class Window : public ControlPort {
  public:
    // Window thread: creates and shows the window with its controls. False when it cannot be created.
    virtual bool create(const WindowSpec& spec, const std::vector<ControlSpec>& controls, WindowEvents& events) = 0;
    // Window thread: delivers posted messages, commands, the close and paints to the events until quit(); while
    // it runs, closeSignal turning true counts as the close button (once). Returns the code given to quit().
    virtual int run(const std::atomic<bool>& closeSignal) = 0;
    // Ends run() with the code after the current event; the window is hidden.
    virtual void quit(int code) = 0;

    // The window's rectangle: on Linux the client area at its place on the screen.
    virtual Rect windowRect() const = 0;
    virtual bool minimised() const = 0;
    // The rectangle the window has when it is neither minimised nor maximised.
    virtual Rect normalRect() const = 0;
    // Moves the window's top-left corner (on Linux: the client origin) without resizing or activating it.
    virtual void move(Point topLeft) = 0;
    virtual void setTopmost(bool topmost) = 0;
    // The work area of the screen nearest to the rectangle.
    virtual Rect workAreaNearest(Rect rect) const = 0;
    // A modal note with an OK button, shown on the window thread.
    virtual void messageBox(std::string text, std::string caption) = 0;
};

} // namespace hlw::ui
