#include "support/recording_window.h"

#include "platform/ui/screens.h"
#include "support/recording_painter.h"

#include <chrono>

namespace hlw::ui {
namespace {

// How often run() looks at the close signal while nothing is queued.
constexpr auto closeSignalPoll = std::chrono::milliseconds(20);

// Where a minimised window lies, as the system reports it: far off every screen, the size of a title bar.
constexpr Rect minimisedRect{-32000, -32000, -31840, -31972};

} // namespace

std::vector<Screen> RecordingWindow::defaultScreens()
{
    return {Screen{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
}

RecordingWindow::RecordingWindow(std::vector<Screen> screens) : screens_(std::move(screens)) {}

bool RecordingWindow::create(const WindowSpec& spec, const std::vector<ControlSpec>& controls, WindowEvents& events)
{
    {
        std::lock_guard lock(mutex_);
        if (refuseCreation_) {
            refuseCreation_ = false;
            return false;
        }
        events_ = &events;
        spec_ = spec;
        controlSpecs_ = controls;
        rect_ = Rect{0, 0, spec.clientWidth, spec.clientHeight}.movedTo(spec.position);
        shown_ = true;
        paintPending_ = true;
    }
    for (const ControlSpec& control : controls) {
        controls_.createControl(control.id, control.kind, control.enabled, control.checked);
    }
    return true;
}

int RecordingWindow::run(const std::atomic<bool>& closeSignal)
{
    bool closeSeen = false;
    std::unique_lock lock(mutex_);
    while (!quitCode_) {
        if (!closeSeen && closeSignal.load()) {
            closeSeen = true;
            WindowEvents* events = events_;
            lock.unlock();
            events->onClose();
            lock.lock();
            continue;
        }
        if (!handleNext(lock)) {
            changed_.wait_for(lock, closeSignalPoll);
        }
    }
    return *quitCode_;
}

int RecordingWindow::pump()
{
    int handled = 0;
    std::unique_lock lock(mutex_);
    while (!quitCode_ && handleNext(lock)) {
        ++handled;
    }
    return handled;
}

bool RecordingWindow::handleNext(std::unique_lock<std::mutex>& lock)
{
    WindowEvents* events = events_;
    if (events == nullptr) {
        return false;
    }
    if (queue_.empty()) {
        if (!paintPending_) {
            return false;
        }
        paintPending_ = false;
        lock.unlock();
        RecordingPainter painter;
        events->onPaint(painter);
        lock.lock();
        lastPaint_ = painter.operations();
        ++paintCount_;
        return true;
    }
    const Event event = queue_.front();
    queue_.pop_front();
    lock.unlock();
    if (const auto* message = std::get_if<uint32_t>(&event)) {
        events->onMessage(*message);
    } else if (const auto* command = std::get_if<Command>(&event)) {
        events->onCommand(*command);
    } else {
        events->onClose();
    }
    lock.lock();
    return true;
}

void RecordingWindow::queue(Event event)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(event);
    }
    changed_.notify_all();
}

void RecordingWindow::quit(int code)
{
    {
        std::lock_guard lock(mutex_);
        quitCode_ = code;
        shown_ = false;
    }
    changed_.notify_all();
}

Rect RecordingWindow::windowRect() const
{
    std::lock_guard lock(mutex_);
    return minimised_ ? minimisedRect : rect_;
}

bool RecordingWindow::minimised() const
{
    std::lock_guard lock(mutex_);
    return minimised_;
}

Rect RecordingWindow::normalRect() const
{
    std::lock_guard lock(mutex_);
    return rect_;
}

void RecordingWindow::move(Point topLeft)
{
    std::lock_guard lock(mutex_);
    rect_ = rect_.movedTo(topLeft);
    programMoves_.push_back(topLeft);
}

void RecordingWindow::setTopmost(bool topmost)
{
    std::lock_guard lock(mutex_);
    topmost_ = topmost;
}

Rect RecordingWindow::workAreaNearest(Rect rect) const
{
    std::lock_guard lock(mutex_);
    return gf_nearestWorkArea(rect, screens_);
}

void RecordingWindow::messageBox(std::string text, std::string caption)
{
    std::lock_guard lock(mutex_);
    messageBoxes_.emplace_back(std::move(text), std::move(caption));
}

void RecordingWindow::invalidate(Rect rect, bool erase)
{
    controls_.invalidate(rect, erase);
    {
        std::lock_guard lock(mutex_);
        paintPending_ = true;
    }
    changed_.notify_all();
}

void RecordingWindow::postMessage(uint32_t message)
{
    controls_.postMessage(message);
    queue(message);
}

bool RecordingWindow::click(ControlId id)
{
    const std::optional<ControlState> state = controls_.control(id);
    if (!state || !state->enabled ||
        (state->kind != ControlKind::button && state->kind != ControlKind::checkBox)) {
        return false;
    }
    queue(Command{id, Notification::clicked});
    return true;
}

bool RecordingWindow::choose(ControlId id, int32_t index)
{
    if (!controls_.userSelect(id, index)) {
        return false;
    }
    queue(Command{id, Notification::selectionChanged});
    return true;
}

bool RecordingWindow::typeWithEnter(ControlId id, std::string text)
{
    if (!controls_.userType(id, std::move(text))) {
        return false;
    }
    queue(Command{id, Notification::enter});
    return true;
}

void RecordingWindow::close() { queue(CloseEvent{}); }

void RecordingWindow::setMinimisedByUser(bool minimised)
{
    std::lock_guard lock(mutex_);
    minimised_ = minimised;
}

void RecordingWindow::moveByUser(Point topLeft)
{
    std::lock_guard lock(mutex_);
    rect_ = rect_.movedTo(topLeft);
}

void RecordingWindow::setScreens(std::vector<Screen> screens)
{
    std::lock_guard lock(mutex_);
    screens_ = std::move(screens);
}

void RecordingWindow::refuseCreation()
{
    std::lock_guard lock(mutex_);
    refuseCreation_ = true;
}

std::optional<WindowSpec> RecordingWindow::createdSpec() const
{
    std::lock_guard lock(mutex_);
    return spec_;
}

std::vector<ControlSpec> RecordingWindow::createdControls() const
{
    std::lock_guard lock(mutex_);
    return controlSpecs_;
}

std::vector<std::string> RecordingWindow::lastPaint() const
{
    std::lock_guard lock(mutex_);
    return lastPaint_;
}

int32_t RecordingWindow::paintCount() const
{
    std::lock_guard lock(mutex_);
    return paintCount_;
}

bool RecordingWindow::topmost() const
{
    std::lock_guard lock(mutex_);
    return topmost_;
}

bool RecordingWindow::shown() const
{
    std::lock_guard lock(mutex_);
    return shown_;
}

std::vector<std::pair<std::string, std::string>> RecordingWindow::messageBoxes() const
{
    std::lock_guard lock(mutex_);
    return messageBoxes_;
}

std::vector<Point> RecordingWindow::programMoves() const
{
    std::lock_guard lock(mutex_);
    return programMoves_;
}

} // namespace hlw::ui
