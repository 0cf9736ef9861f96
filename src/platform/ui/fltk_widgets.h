#pragma once
// The FLTK widgets of the window layer's controls. Window thread only.
#include "platform/ui/control_model.h"

#include <FL/Fl_Choice.H>
#include <FL/Fl_Widget.H>

#include <string>
#include <vector>

namespace hlw::ui {

// A check box that never changes its own mark: a click or the space bar only runs the callback, and the program
// sets the mark.
class FltkCheckBox final : public Fl_Widget {
  public:
    FltkCheckBox(int x, int y, int w, int h);

    void setChecked(bool checked);
    bool checked() const noexcept { return checked_; }

    int handle(int event) override;

  protected:
    void draw() override;

  private:
    bool checked_ = false;
};

// A drop-down list whose entries are shown exactly as given (no menu paths, no shortcuts), kept in its own
// storage.
class FltkList final : public Fl_Choice {
  public:
    FltkList(int x, int y, int w, int h);
    ~FltkList() override;
    FltkList(const FltkList&) = delete;
    FltkList& operator=(const FltkList&) = delete;

    void setItems(const std::vector<std::string>& items);
    const std::vector<std::string>& items() const noexcept { return labels_; }
    // -1 for no entry.
    void select(int index);

  private:
    std::vector<std::string> labels_;
    std::vector<Fl_Menu_Item> items_;
};

// Brings the widget in line with the model's state of its control.
void gf_syncWidget(Fl_Widget& widget, const ControlState& state, bool itemsChanged);
// What the widget shows, as a control's state.
ControlState gf_widgetState(const Fl_Widget& widget, ControlKind kind);

} // namespace hlw::ui
