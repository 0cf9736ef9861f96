#include "platform/ui/fltk_widgets.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>

namespace hlw::ui {

FltkCheckBox::FltkCheckBox(int x, int y, int w, int h) : Fl_Widget(x, y, w, h)
{
    box(FL_BORDER_BOX);
    color(FL_WHITE);
}

void FltkCheckBox::setChecked(bool checked)
{
    if (checked_ != checked) {
        checked_ = checked;
        redraw();
    }
}

int FltkCheckBox::handle(int event)
{
    switch (event) {
    case FL_PUSH:
        if (Fl::visible_focus()) {
            take_focus();
        }
        return 1;
    case FL_DRAG:
        return 1;
    case FL_RELEASE:
        if (Fl::event_inside(this)) {
            do_callback();
        }
        return 1;
    case FL_FOCUS:
    case FL_UNFOCUS:
        redraw();
        return Fl::visible_focus() ? 1 : 0;
    case FL_KEYBOARD:
        if (Fl::focus() == this && Fl::event_key() == ' ') {
            do_callback();
            return 1;
        }
        return 0;
    default:
        return Fl_Widget::handle(event);
    }
}

void FltkCheckBox::draw()
{
    draw_box(box(), active_r() ? color() : fl_inactive(color()));
    if (checked_) {
        const int inset = 3;
        fl_color(active_r() ? FL_BLACK : fl_inactive(FL_BLACK));
        fl_line_style(FL_SOLID, 2);
        const int left = x() + inset;
        const int bottom = y() + h() - inset - 1;
        const int middle = x() + w() / 2 - 1;
        fl_line(left, y() + h() / 2, middle, bottom, x() + w() - inset - 1, y() + inset);
        fl_line_style(0);
    }
    // draw_focus() draws whenever it is called: only the box with the keyboard focus shows it.
    if (Fl::focus() == this) {
        draw_focus();
    }
}

FltkList::FltkList(int x, int y, int w, int h) : Fl_Choice(x, y, w, h)
{
    when(FL_WHEN_CHANGED);
}

FltkList::~FltkList()
{
    menu(nullptr);
}

void FltkList::setItems(const std::vector<std::string>& items)
{
    menu(nullptr);
    labels_ = items;
    items_.assign(labels_.size() + 1, Fl_Menu_Item{});
    for (size_t i = 0; i < labels_.size(); ++i) {
        items_[i].text = labels_[i].c_str();
        items_[i].labelsize_ = textsize();
        items_[i].labelfont_ = textfont();
    }
    menu(items_.data());
    value(-1);
}

void FltkList::select(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= labels_.size()) {
        value(static_cast<const Fl_Menu_Item*>(nullptr));
    } else {
        value(index);
    }
    redraw();
}

void gf_syncWidget(Fl_Widget& widget, const ControlState& state, bool itemsChanged)
{
    if (state.enabled != (widget.active() != 0)) {
        if (state.enabled) {
            widget.activate();
        } else {
            widget.deactivate();
        }
    }
    switch (state.kind) {
    case ControlKind::checkBox:
        static_cast<FltkCheckBox&>(widget).setChecked(state.checked);
        break;
    case ControlKind::comboBox: {
        auto& list = static_cast<FltkList&>(widget);
        if (itemsChanged) {
            list.setItems(state.items);
        }
        list.select(state.selection.value_or(-1));
        break;
    }
    case ControlKind::editBox: {
        auto& input = static_cast<Fl_Input&>(widget);
        if (state.text != input.value()) {
            input.value(state.text.c_str(), static_cast<int>(state.text.size()));
        }
        break;
    }
    case ControlKind::button:
        break;
    }
}

} // namespace hlw::ui

namespace hlw::ui {

ControlState gf_widgetState(const Fl_Widget& widget, ControlKind kind)
{
    ControlState state;
    state.kind = kind;
    state.enabled = widget.active() != 0;
    switch (kind) {
    case ControlKind::checkBox:
        state.checked = static_cast<const FltkCheckBox&>(widget).checked();
        break;
    case ControlKind::comboBox: {
        const auto& list = static_cast<const FltkList&>(widget);
        state.items = list.items();
        const int index = list.value();
        if (index >= 0 && static_cast<size_t>(index) < state.items.size()) {
            state.selection = index;
            state.text = state.items[static_cast<size_t>(index)];
        }
        break;
    }
    case ControlKind::editBox:
        state.text = static_cast<const Fl_Input&>(widget).value();
        break;
    case ControlKind::button:
        state.text = widget.label() == nullptr ? "" : widget.label();
        break;
    }
    return state;
}

} // namespace hlw::ui
