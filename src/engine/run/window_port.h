#pragma once
// What the worker asks of the main window: its two posted messages, its place on top, and the program's exit
// code. The window implements it on its own thread; the worker never waits for it.
namespace hlw {

class WindowPort {
public:
    virtual ~WindowPort() = default;

    // WM_APP+1: start a new worker (after joining this one).
    virtual void postStartWorker() = 0;
    // WM_APP+2: save the window position and end the program.
    virtual void postQuit() = 0;
    virtual void setTopmost(bool topmost) = 0;
    // The code the program ends with (the production end sets it).
    virtual void setExitCode(int code) = 0;
    // True when a user sees the error line and can close the program after reading it; a run without a window
    // has no one to wait for.
    virtual bool userCanClose() const { return true; }
};

} // namespace hlw
