#pragma once
// The setting objects. Each user setting is one global object (settings/catalogue.h) with a key, a default and a
// current value; settings shown in the main window also carry a ControlBinding that names their control.
//
// Thread safety: any thread may read and write any value. Numbers and flags are atomics; a text value sits behind
// its own small mutex, which is held only to copy or assign the text (a leaf lock: nothing is called under it).
// Keys, bounds, choices and bindings never change after construction.
//
// Control updates (check marks, list contents, selections) go through the window layer's control port and are
// posted, never waited for, so they are safe while the settings-file mutex is held.
#include "platform/ui/control_port.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Ties a setting or a push button to its control in the main window.
class ControlBinding {
  public:
    ControlBinding(ui::ControlId controlId, int32_t rowY) : controlId_(controlId), rowY_(rowY) {}
    virtual ~ControlBinding() = default;
    ControlBinding(const ControlBinding&) = delete;
    ControlBinding& operator=(const ControlBinding&) = delete;

    // The command id of the control in the main window.
    ui::ControlId controlId() const noexcept { return controlId_; }
    // The top of the control's row; check boxes are placed at y + 2, edit boxes and buttons at y, lists at y - 5.
    int32_t rowY() const noexcept { return rowY_; }

  private:
    const ui::ControlId controlId_;
    const int32_t rowY_;
};

class Parameter {
  public:
    virtual ~Parameter() = default;
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    // The name under which "parameters.xml" stores the setting (for a button: its caption).
    const std::string& key() const noexcept { return key_; }

  protected:
    explicit Parameter(std::string key) : key_(std::move(key)) {}

  private:
    const std::string key_;
};

class BoolParameter : public Parameter {
  public:
    BoolParameter(std::string key, bool defaultValue)
        : Parameter(std::move(key)), default_(defaultValue), value_(defaultValue)
    {
    }

    bool defaultValue() const noexcept { return default_; }
    bool get() const noexcept { return value_.load(); }
    void set(bool value) noexcept { value_.store(value); }

    // "{}={}" with the value as "true" or "false"; nothing while the run stops or the user closes the program.
    void log() const;
    // Writes this one setting into "parameters.xml" (settings/parameter_save.h).
    void save() const;
    // Assigns and saves under the settings-file lock, so that a load running meanwhile cannot replace the new
    // value by the stored one between the two steps. Every change that is to be kept goes this way.
    void setAndSave(bool value);

  private:
    const bool default_;
    std::atomic<bool> value_;
};

// A number with bounds. The default is not compared with the bounds; clamp() and setClamped() apply them.
template <typename T> class NumberParameter : public Parameter {
  public:
    NumberParameter(std::string key, T defaultValue, T minimum, T maximum)
        : Parameter(std::move(key)), default_(defaultValue), minimum_(minimum), maximum_(maximum), value_(defaultValue)
    {
    }

    T defaultValue() const noexcept { return default_; }
    T minimum() const noexcept { return minimum_; }
    T maximum() const noexcept { return maximum_; }
    T get() const noexcept { return value_.load(); }
    void set(T value) noexcept { value_.store(value); }

    // Above the maximum gives the maximum, below the minimum the minimum.
    T clamp(T value) const noexcept { return std::min(std::max(value, minimum_), maximum_); }
    void setClamped(T value) noexcept { value_.store(clamp(value)); }

  private:
    const T default_;
    const T minimum_;
    const T maximum_;
    std::atomic<T> value_;
};

class IntParameter : public NumberParameter<int32_t> {
  public:
    IntParameter(std::string key, int32_t defaultValue, int32_t minimum, int32_t maximum)
        : NumberParameter(std::move(key), defaultValue, minimum, maximum)
    {
    }

    // "{}={}" in decimal; nothing while the run stops or the user closes the program.
    void log() const;
    // Writes this one setting into "parameters.xml" (settings/parameter_save.h).
    void save() const;
    // Assigns the value clamped to the bounds and saves it under the settings-file lock, so that a load running
    // meanwhile cannot replace the new value by the stored one between the two steps.
    void setClampedAndSave(int32_t value);
};

// Never stored: the one float setting is derived from another setting.
class FloatParameter : public NumberParameter<float> {
  public:
    FloatParameter(std::string key, float defaultValue, float minimum, float maximum)
        : NumberParameter(std::move(key), defaultValue, minimum, maximum)
    {
    }
};

class StringParameter : public Parameter {
  public:
    StringParameter(std::string key, std::string defaultValue)
        : Parameter(std::move(key)), default_(defaultValue), value_(std::move(defaultValue))
    {
    }

    std::string get() const;
    void set(std::string value);
    bool equals(std::string_view text) const;
    bool empty() const;

    std::string defaultValue() const;
    // Only "PROGRAM_VERSION" changes its default: a save of defaults stores the running version.
    void setDefaultValue(std::string value);

    // "{}=\"{}\"": the value in double quotes; nothing while the run stops or the user closes the program.
    void log() const;
    // Writes this one setting into "parameters.xml" (settings/parameter_save.h).
    void save() const;
    // Assigns and saves under the settings-file lock, so that a load running meanwhile cannot replace the new
    // value by the stored one between the two steps.
    void setAndSave(std::string value);

  private:
    mutable std::mutex mutex_;
    std::string default_;
    std::string value_;
};

class BoolCheckBoxParameter : public BoolParameter, public ControlBinding {
  public:
    BoolCheckBoxParameter(std::string key, bool defaultValue, ui::ControlId controlId, int32_t rowY)
        : BoolParameter(std::move(key), defaultValue), ControlBinding(controlId, rowY)
    {
    }

    // Sets the check mark from the value.
    void showCheck() const;
};

class StringEditParameter : public StringParameter, public ControlBinding {
  public:
    StringEditParameter(std::string key, std::string defaultValue, ui::ControlId controlId, int32_t rowY)
        : StringParameter(std::move(key), std::move(defaultValue)), ControlBinding(controlId, rowY)
    {
    }
};

// A drop-down list of fixed texts.
class StringComboParameter : public StringEditParameter {
  public:
    StringComboParameter(std::string key, std::string defaultValue, std::vector<std::string> choices,
                         ui::ControlId controlId, int32_t rowY)
        : StringEditParameter(std::move(key), std::move(defaultValue), controlId, rowY), choices_(std::move(choices))
    {
    }

    const std::vector<std::string>& choices() const noexcept { return choices_; }
    // The position of the first choice equal to the value (same length, same bytes); none when nothing matches.
    std::optional<int32_t> findCurrent() const;
    // Fills the list with the choices and selects the entry equal to the value, or none. Nothing before the
    // window has created the list.
    void fillCombo() const;
    // Selects the entry equal to the value, or none.
    void showSelection() const;

  private:
    const std::vector<std::string> choices_;
};

// A list of texts shared between threads: one side replaces it, another fills a list box from a copy.
class SharedTextList {
  public:
    explicit SharedTextList(std::vector<std::string> items) : items_(std::move(items)) {}

    std::vector<std::string> snapshot() const;
    void assign(std::vector<std::string> items);
    size_t size() const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> items_;
};

// A drop-down list whose entries are filled at run time ("CALLSIGN_2_OBJECTID").
class SharedStringComboParameter : public StringEditParameter {
  public:
    SharedStringComboParameter(std::string key, std::string defaultValue, std::shared_ptr<SharedTextList> choices,
                               ui::ControlId controlId, int32_t rowY)
        : StringEditParameter(std::move(key), std::move(defaultValue), controlId, rowY), choices_(std::move(choices))
    {
    }

    // The list shared with the code that fills it.
    const std::shared_ptr<SharedTextList>& choices() const noexcept { return choices_; }
    std::optional<int32_t> findCurrent() const;
    void fillCombo() const;

  private:
    const std::shared_ptr<SharedTextList> choices_;
};

// How a number list shows its entries.
struct IntChoiceFormat {
    static std::string text(int32_t value); // "{}"
};
struct FloatChoiceFormat {
    static std::string text(float value); // "{:.1f}"
};

template <typename T> struct NumberParameterOf;
template <> struct NumberParameterOf<int32_t> {
    using type = IntParameter;
};
template <> struct NumberParameterOf<float> {
    using type = FloatParameter;
};

// A drop-down list of numbers in ascending order; the minimum is the first choice and the maximum the last.
template <typename T, typename Format> class ComboParameter : public NumberParameterOf<T>::type, public ControlBinding {
  public:
    ComboParameter(std::string key, T defaultValue, std::vector<T> choices, ui::ControlId controlId, int32_t rowY)
        : NumberParameterOf<T>::type(std::move(key), defaultValue, choices.empty() ? defaultValue : choices.front(),
                                     choices.empty() ? defaultValue : choices.back()),
          ControlBinding(controlId, rowY), choices_(std::move(choices))
    {
    }

    const std::vector<T>& choices() const noexcept { return choices_; }

    // The position of the first choice equal to the value (exact comparison); none when the value lies between.
    std::optional<int32_t> findCurrent() const
    {
        const auto match = std::find(choices_.begin(), choices_.end(), this->get());
        if (match == choices_.end()) {
            return std::nullopt;
        }
        return static_cast<int32_t>(match - choices_.begin());
    }

    // Fills the list with every choice as text and selects the value's entry, or none. Nothing before the
    // window has created the list.
    void fillCombo() const
    {
        ui::ControlPort& port = ui::gf_controlPort();
        if (!port.hasControl(controlId())) {
            return;
        }
        std::vector<std::string> items;
        items.reserve(choices_.size());
        for (const T choice : choices_) {
            items.push_back(Format::text(choice));
        }
        port.comboFill(controlId(), std::move(items), findCurrent());
    }

    // Selects the value's entry, or none when the value is no choice.
    void showSelection() const { ui::gf_controlPort().comboSelect(controlId(), findCurrent()); }

  private:
    const std::vector<T> choices_;
};

using IntComboParameter = ComboParameter<int32_t, IntChoiceFormat>;
using FloatComboParameter = ComboParameter<float, FloatChoiceFormat>;

// A push button of the main window; the key holds its caption. Stores nothing.
class ButtonControl : public Parameter, public ControlBinding {
  public:
    ButtonControl(std::string caption, ui::ControlId controlId, int32_t rowY)
        : Parameter(std::move(caption)), ControlBinding(controlId, rowY)
    {
    }

    const std::string& caption() const noexcept { return key(); }
};

} // namespace hlw
