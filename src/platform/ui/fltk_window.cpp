#include "platform/ui/fltk_window.h"

#include "platform/ui/fltk_painter.h"
#include "platform/ui/fltk_widgets.h"
#include "platform/ui/fltk_x11.h"
#include "platform/ui/screens.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace hlw::ui {
namespace {

constexpr double closeSignalPollSeconds = 0.02;
// The height of a closed drop-down list; the table's list heights are those of the dropped-down box.
constexpr int closedListHeight = 21;
constexpr Fl_Fontsize controlTextSize = 12;

Fl_Color lf_flColour(Colour colour)
{
    const Rgb rgb = gf_rgbOf(colour);
    return fl_rgb_color(rgb.red, rgb.green, rgb.blue);
}

class MainFlWindow;

} // namespace

struct FltkWindow::Impl {
    // Shared with every calling thread, under the mutex.
    mutable std::mutex mutex;
    ControlModel model;
    std::set<ControlId> dirty;
    std::vector<std::function<void()>> windowCalls;
    std::deque<uint32_t> messages;
    Rect damage;
    Rect rect;
    bool minimised = false;
    bool topmost = false;
    std::vector<Screen> screens;
    std::atomic<bool> wakePending{false};
    std::atomic<uint64_t> wakeUps{0};

    // The window thread's own.
    std::thread::id windowThread;
    std::unique_ptr<MainFlWindow> window;
    std::map<ControlId, Fl_Widget*> widgets;
    std::map<ControlId, uint64_t> shownItems;
    WindowEvents* events = nullptr;
    const std::atomic<bool>* closeSignal = nullptr;
    bool closeSeen = false;
    bool quitting = false;
    int quitCode = 0;

    // Any thread: the window thread handles what is queued at its next wake-up.
    void wake()
    {
        if (!wakePending.exchange(true)) {
            Fl::awake(&Impl::onAwake, this);
        }
    }
    template <typename Change> void change(ControlId id, Change&& apply)
    {
        {
            std::lock_guard lock(mutex);
            if (!apply(model)) {
                return;
            }
            dirty.insert(id);
        }
        wake();
    }
    void call(std::function<void()> windowCall)
    {
        {
            std::lock_guard lock(mutex);
            windowCalls.push_back(std::move(windowCall));
        }
        wake();
    }

    static void onAwake(void* self) { static_cast<Impl*>(self)->drain(); }
    static void pollCloseSignal(void* self);
    void drain();
    void userAction(Fl_Widget& widget, ControlId id);
    void closeButton();
    void paint();
    void moved(Rect newRect);
    void shownChanged(bool minimisedNow);
};

namespace {

class MainFlWindow final : public Fl_Double_Window {
  public:
    MainFlWindow(FltkWindow::Impl& impl, const WindowSpec& spec)
        : Fl_Double_Window(spec.position.x, spec.position.y, spec.clientWidth, spec.clientHeight), impl_(impl)
    {
        copy_label(spec.title.c_str());
        color(FL_BLACK);
    }

    void resize(int x, int y, int w, int h) override
    {
        Fl_Double_Window::resize(x, y, w, h);
        impl_.moved(Rect{x, y, x + w, y + h});
    }

    int handle(int event) override
    {
        if (event == FL_HIDE && shown()) {
            impl_.shownChanged(true);
        } else if (event == FL_SHOW) {
            impl_.shownChanged(false);
        }
        return Fl_Double_Window::handle(event);
    }

  protected:
    void draw() override
    {
        if ((damage() & ~FL_DAMAGE_CHILD) != 0) {
            impl_.paint();
        }
        draw_children();
    }

  private:
    FltkWindow::Impl& impl_;
};

void lf_widgetCallback(Fl_Widget* widget, void* data)
{
    const auto id = static_cast<ControlId>(reinterpret_cast<uintptr_t>(data));
    auto* impl = static_cast<FltkWindow::Impl*>(widget->window()->user_data());
    impl->userAction(*widget, id);
}

void lf_closeCallback(Fl_Widget* window, void*)
{
    // The window's callback also runs for Escape, which does nothing here.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
        return;
    }
    static_cast<FltkWindow::Impl*>(window->user_data())->closeButton();
}

Fl_Widget* lf_makeWidget(const ControlSpec& control, Fl_Color fieldBackground)
{
    const Rect& r = control.rect;
    switch (control.kind) {
    case ControlKind::checkBox: {
        auto* box = new FltkCheckBox(r.left, r.top, r.width(), r.height());
        box->setChecked(control.checked);
        return box;
    }
    case ControlKind::button: {
        auto* button = new Fl_Button(r.left, r.top, r.width(), r.height());
        button->copy_label(control.caption.c_str());
        button->labelsize(controlTextSize);
        return button;
    }
    case ControlKind::editBox: {
        auto* input = new Fl_Input(r.left, r.top, r.width(), r.height());
        input->when(FL_WHEN_CHANGED | FL_WHEN_ENTER_KEY_ALWAYS);
        input->textsize(controlTextSize);
        input->color(fieldBackground);
        return input;
    }
    case ControlKind::comboBox: {
        auto* list = new FltkList(r.left, r.top, r.width(), closedListHeight);
        list->textsize(controlTextSize);
        list->color(fieldBackground);
        return list;
    }
    }
    return nullptr;
}

bool lf_enterPressed()
{
    return Fl::event() == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter);
}

} // namespace

void FltkWindow::Impl::pollCloseSignal(void* self)
{
    auto* impl = static_cast<Impl*>(self);
    if (!impl->closeSeen && impl->closeSignal != nullptr && impl->closeSignal->load()) {
        impl->closeSeen = true;
        if (impl->events != nullptr && !impl->quitting) {
            impl->events->onClose();
        }
    }
    Fl::repeat_timeout(closeSignalPollSeconds, &Impl::pollCloseSignal, self);
}

void FltkWindow::Impl::drain()
{
    wakePending.store(false);
    wakeUps.fetch_add(1, std::memory_order_relaxed);
    std::vector<std::pair<ControlId, ControlState>> states;
    std::vector<std::function<void()>> calls;
    std::deque<uint32_t> posted;
    Rect damaged;
    {
        std::lock_guard lock(mutex);
        for (const ControlId id : dirty) {
            if (const ControlState* state = model.state(id)) {
                states.emplace_back(id, *state);
            }
        }
        dirty.clear();
        calls.swap(windowCalls);
        posted.swap(messages);
        damaged = damage;
        damage = Rect{};
    }
    for (const auto& [id, state] : states) {
        const auto widget = widgets.find(id);
        if (widget == widgets.end()) {
            continue;
        }
        uint64_t& shown = shownItems[id];
        const bool itemsChanged = shown != state.itemsVersion;
        shown = state.itemsVersion;
        gf_syncWidget(*widget->second, state, itemsChanged);
    }
    for (const std::function<void()>& windowCall : calls) {
        windowCall();
    }
    if (!damaged.empty() && window) {
        window->damage(FL_DAMAGE_ALL, damaged.left, damaged.top, damaged.width(), damaged.height());
    }
    for (const uint32_t message : posted) {
        if (events == nullptr || quitting) {
            break;
        }
        events->onMessage(message);
    }
}

void FltkWindow::Impl::userAction(Fl_Widget& widget, ControlId id)
{
    Command command{id, Notification::clicked};
    {
        std::lock_guard lock(mutex);
        const ControlState* state = model.state(id);
        if (state == nullptr) {
            return;
        }
        if (state->kind == ControlKind::comboBox) {
            // A pick from entries the program has replaced meanwhile is dropped; the list is shown anew.
            if (shownItems[id] != state->itemsVersion) {
                return;
            }
            const int picked = static_cast<FltkList&>(widget).value();
            model.comboSelect(id, picked >= 0 ? std::optional<int32_t>(picked) : std::nullopt);
            command.notification = Notification::selectionChanged;
        } else if (state->kind == ControlKind::editBox) {
            model.setText(id, static_cast<Fl_Input&>(widget).value());
            if (!lf_enterPressed()) {
                return;
            }
            command.notification = Notification::enter;
        }
    }
    if (events != nullptr && !quitting) {
        events->onCommand(command);
    }
}

void FltkWindow::Impl::closeButton()
{
    if (events != nullptr && !quitting) {
        events->onClose();
    }
}

void FltkWindow::Impl::paint()
{
    if (events == nullptr) {
        return;
    }
    FltkPainter painter;
    events->onPaint(painter);
}

void FltkWindow::Impl::moved(Rect newRect)
{
    std::lock_guard lock(mutex);
    rect = newRect;
}

void FltkWindow::Impl::shownChanged(bool minimisedNow)
{
    std::lock_guard lock(mutex);
    minimised = minimisedNow;
}

FltkWindow::FltkWindow() : impl_(std::make_unique<Impl>()) {}

std::unique_ptr<FltkWindow> FltkWindow::open()
{
    if (!gf_openFltkDisplay()) {
        return nullptr;
    }
    // Makes Fl::awake() usable from other threads.
    Fl::lock();
    Fl::scheme("gtk+");
    gf_useDejaVuFonts();
    std::unique_ptr<FltkWindow> window(new FltkWindow());
    window->impl_->windowThread = std::this_thread::get_id();
    for (int n = 0; n < Fl::screen_count(); ++n) {
        Screen screen;
        int x = 0;
        int y = 0;
        int w = 0;
        int h = 0;
        Fl::screen_xywh(x, y, w, h, n);
        screen.bounds = Rect{x, y, x + w, y + h};
        Fl::screen_work_area(x, y, w, h, n);
        screen.workArea = Rect{x, y, x + w, y + h};
        window->impl_->screens.push_back(screen);
    }
    return window;
}

FltkWindow::~FltkWindow()
{
    Fl::remove_timeout(&Impl::pollCloseSignal, impl_.get());
    impl_->events = nullptr;
    impl_->quitting = true;
    // A wake-up still queued in FLTK points at this window: let it run before the window goes.
    for (int round = 0; round < 100 && impl_->wakePending.load(); ++round) {
        Fl::wait(0.01);
    }
    if (impl_->window) {
        impl_->window->hide();
        impl_->window.reset();
    }
}

bool FltkWindow::create(const WindowSpec& spec, const std::vector<ControlSpec>& controls, WindowEvents& events)
{
    Impl& impl = *impl_;
    impl.events = &events;
    impl.window = std::make_unique<MainFlWindow>(impl, spec);
    impl.window->user_data(&impl);
    impl.window->callback(&lf_closeCallback, &impl);
    const Fl_Color fieldBackground = lf_flColour(spec.fieldBackground);
    impl.window->begin();
    for (const ControlSpec& control : controls) {
        Fl_Widget* widget = lf_makeWidget(control, fieldBackground);
        widget->callback(&lf_widgetCallback, reinterpret_cast<void*>(static_cast<uintptr_t>(control.id)));
        if (!control.enabled) {
            widget->deactivate();
        }
        impl.widgets[control.id] = widget;
        impl.shownItems[control.id] = 0;
    }
    impl.window->end();
    impl.window->size_range(spec.clientWidth, spec.clientHeight, spec.clientWidth, spec.clientHeight);
    {
        std::lock_guard lock(impl.mutex);
        for (const ControlSpec& control : controls) {
            impl.model.create(control.id, control.kind, control.enabled);
            impl.model.setChecked(control.id, control.checked);
        }
        impl.rect = Rect{0, 0, spec.clientWidth, spec.clientHeight}.movedTo(spec.position);
    }
    impl.window->show();
    bool topmost = false;
    {
        std::lock_guard lock(impl.mutex);
        topmost = impl.topmost;
    }
    if (topmost) {
        gf_keepAbove(*impl.window, true);
    }
    return impl.window->shown() != 0;
}

int FltkWindow::run(const std::atomic<bool>& closeSignal)
{
    Impl& impl = *impl_;
    impl.closeSignal = &closeSignal;
    Fl::add_timeout(closeSignalPollSeconds, &Impl::pollCloseSignal, &impl);
    impl.drain();
    while (!impl.quitting) {
        Fl::wait();
    }
    Fl::remove_timeout(&Impl::pollCloseSignal, &impl);
    if (impl.window) {
        impl.window->hide();
    }
    return impl.quitCode;
}

void FltkWindow::quit(int code)
{
    Impl& impl = *impl_;
    auto apply = [&impl, code] {
        impl.quitting = true;
        impl.quitCode = code;
    };
    if (std::this_thread::get_id() == impl.windowThread) {
        apply();
    } else {
        impl.call(apply);
    }
}

Rect FltkWindow::windowRect() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->rect;
}

bool FltkWindow::minimised() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->minimised;
}

// FLTK keeps a minimised window's place, so its normal rectangle is the one it has.
Rect FltkWindow::normalRect() const { return windowRect(); }

void FltkWindow::move(Point topLeft)
{
    {
        std::lock_guard lock(impl_->mutex);
        impl_->rect = impl_->rect.movedTo(topLeft);
    }
    Impl& impl = *impl_;
    impl.call([&impl, topLeft] {
        if (impl.window) {
            impl.window->position(topLeft.x, topLeft.y);
        }
    });
}

void FltkWindow::setTopmost(bool topmost)
{
    {
        std::lock_guard lock(impl_->mutex);
        impl_->topmost = topmost;
    }
    Impl& impl = *impl_;
    impl.call([&impl, topmost] {
        if (impl.window) {
            gf_keepAbove(*impl.window, topmost);
        }
    });
}

Rect FltkWindow::workAreaNearest(Rect rect) const
{
    std::lock_guard lock(impl_->mutex);
    return gf_nearestWorkArea(rect, impl_->screens);
}

void FltkWindow::messageBox(std::string text, std::string caption)
{
    impl_->call([text = std::move(text), caption = std::move(caption)] {
        fl_message_title(caption.c_str());
        fl_message("%s", text.c_str());
    });
}

bool FltkWindow::hasControl(ControlId id) const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->model.state(id) != nullptr;
}

void FltkWindow::enable(ControlId id, bool enabled)
{
    impl_->change(id, [&](ControlModel& model) { return model.enable(id, enabled); });
}

void FltkWindow::setChecked(ControlId id, bool checked)
{
    impl_->change(id, [&](ControlModel& model) { return model.setChecked(id, checked); });
}

void FltkWindow::setText(ControlId id, std::string text)
{
    impl_->change(id, [&](ControlModel& model) { return model.setText(id, std::move(text)); });
}

void FltkWindow::comboReset(ControlId id)
{
    impl_->change(id, [&](ControlModel& model) { return model.comboReset(id); });
}

void FltkWindow::comboAddItem(ControlId id, std::string text)
{
    impl_->change(id, [&](ControlModel& model) { return model.comboAddItem(id, std::move(text)); });
}

void FltkWindow::comboSelect(ControlId id, std::optional<int32_t> index)
{
    impl_->change(id, [&](ControlModel& model) { return model.comboSelect(id, index); });
}

void FltkWindow::comboFill(ControlId id, std::vector<std::string> items, std::optional<int32_t> selection)
{
    impl_->change(id, [&](ControlModel& model) { return model.comboFill(id, std::move(items), selection); });
}

std::optional<int32_t> FltkWindow::comboSelection(ControlId id) const
{
    std::lock_guard lock(impl_->mutex);
    const ControlState* state = impl_->model.state(id);
    return state == nullptr ? std::nullopt : state->selection;
}

std::optional<std::string> FltkWindow::comboItemText(ControlId id, int32_t index) const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->model.itemText(id, index);
}

std::optional<std::string> FltkWindow::controlText(ControlId id) const
{
    std::lock_guard lock(impl_->mutex);
    const ControlState* state = impl_->model.state(id);
    return state == nullptr ? std::nullopt : std::optional<std::string>(state->text);
}

std::optional<bool> FltkWindow::controlEnabled(ControlId id) const
{
    std::lock_guard lock(impl_->mutex);
    const ControlState* state = impl_->model.state(id);
    return state == nullptr ? std::nullopt : std::optional<bool>(state->enabled);
}

std::optional<bool> FltkWindow::controlChecked(ControlId id) const
{
    std::lock_guard lock(impl_->mutex);
    const ControlState* state = impl_->model.state(id);
    return state == nullptr ? std::nullopt : std::optional<bool>(state->checked);
}

void FltkWindow::invalidate(Rect rect, bool)
{
    {
        std::lock_guard lock(impl_->mutex);
        impl_->damage = gf_unite(impl_->damage, rect);
    }
    impl_->wake();
}

void FltkWindow::postMessage(uint32_t message)
{
    {
        std::lock_guard lock(impl_->mutex);
        impl_->messages.push_back(message);
    }
    impl_->wake();
}

uint64_t FltkWindow::wakeUps() const noexcept { return impl_->wakeUps.load(); }

std::optional<ControlState> FltkWindow::shownControl(ControlId id)
{
    Impl& impl = *impl_;
    std::promise<std::optional<ControlState>> shown;
    std::future<std::optional<ControlState>> answer = shown.get_future();
    // Queued after every change made so far, which the wake-up applies first.
    impl.call([&impl, &shown, id] {
        const auto widget = impl.widgets.find(id);
        std::optional<ControlKind> kind;
        {
            std::lock_guard lock(impl.mutex);
            if (const ControlState* modelled = impl.model.state(id)) {
                kind = modelled->kind;
            }
        }
        if (widget == impl.widgets.end() || !kind) {
            shown.set_value(std::nullopt);
            return;
        }
        shown.set_value(gf_widgetState(*widget->second, *kind));
    });
    return answer.get();
}

} // namespace hlw::ui
