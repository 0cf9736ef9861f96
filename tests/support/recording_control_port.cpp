#include "support/recording_control_port.h"

#include <fmt/format.h>

namespace hlw::ui {
namespace {

std::string lf_onOff(bool value)
{
    return value ? "on" : "off";
}

std::string lf_indexText(std::optional<int32_t> index)
{
    return index ? std::to_string(*index) : "none";
}

} // namespace

void RecordingControlPort::createControl(ControlId id, ControlKind kind, bool enabled, bool checked)
{
    std::lock_guard lock(mutex_);
    model_.create(id, kind, enabled);
    model_.setChecked(id, checked);
}

std::optional<ControlState> RecordingControlPort::control(ControlId id) const
{
    std::lock_guard lock(mutex_);
    const ControlState* state = model_.state(id);
    return state == nullptr ? std::nullopt : std::optional<ControlState>(*state);
}

bool RecordingControlPort::userChange(ControlId id, ControlKind kind)
{
    const ControlState* state = model_.state(id);
    return state != nullptr && state->kind == kind && state->enabled;
}

bool RecordingControlPort::userSelect(ControlId id, int32_t index)
{
    std::lock_guard lock(mutex_);
    if (!userChange(id, ControlKind::comboBox) || !model_.itemText(id, index)) {
        return false;
    }
    return model_.comboSelect(id, index);
}

bool RecordingControlPort::userType(ControlId id, std::string text)
{
    std::lock_guard lock(mutex_);
    return userChange(id, ControlKind::editBox) && model_.setText(id, std::move(text));
}

std::vector<std::string> RecordingControlPort::operations() const
{
    std::lock_guard lock(mutex_);
    return operations_;
}

std::vector<std::string> RecordingControlPort::takeOperations()
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> taken;
    taken.swap(operations_);
    return taken;
}

bool RecordingControlPort::hasControl(ControlId id) const
{
    std::lock_guard lock(mutex_);
    return model_.state(id) != nullptr;
}

void RecordingControlPort::enable(ControlId id, bool enabled)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("enable {} {}", id, lf_onOff(enabled)));
    model_.enable(id, enabled);
}

void RecordingControlPort::setChecked(ControlId id, bool checked)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("check {} {}", id, lf_onOff(checked)));
    model_.setChecked(id, checked);
}

void RecordingControlPort::setText(ControlId id, std::string text)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("text {} {}", id, text));
    model_.setText(id, std::move(text));
}

void RecordingControlPort::comboReset(ControlId id)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("reset {}", id));
    model_.comboReset(id);
}

void RecordingControlPort::comboAddItem(ControlId id, std::string text)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("add {} {}", id, text));
    model_.comboAddItem(id, std::move(text));
}

void RecordingControlPort::comboSelect(ControlId id, std::optional<int32_t> index)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("select {} {}", id, lf_indexText(index)));
    model_.comboSelect(id, index);
}

void RecordingControlPort::comboFill(ControlId id, std::vector<std::string> items, std::optional<int32_t> selection)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("fill {} {} select {}", id, fmt::join(items, "|"), lf_indexText(selection)));
    model_.comboFill(id, std::move(items), selection);
}

std::optional<int32_t> RecordingControlPort::comboSelection(ControlId id) const
{
    std::lock_guard lock(mutex_);
    const ControlState* state = model_.state(id);
    return state == nullptr ? std::nullopt : state->selection;
}

std::optional<std::string> RecordingControlPort::comboItemText(ControlId id, int32_t index) const
{
    std::lock_guard lock(mutex_);
    return model_.itemText(id, index);
}

std::optional<std::string> RecordingControlPort::controlText(ControlId id) const
{
    std::lock_guard lock(mutex_);
    const ControlState* state = model_.state(id);
    return state == nullptr ? std::nullopt : std::optional<std::string>(state->text);
}

std::optional<bool> RecordingControlPort::controlEnabled(ControlId id) const
{
    std::lock_guard lock(mutex_);
    const ControlState* state = model_.state(id);
    return state == nullptr ? std::nullopt : std::optional<bool>(state->enabled);
}

std::optional<bool> RecordingControlPort::controlChecked(ControlId id) const
{
    std::lock_guard lock(mutex_);
    const ControlState* state = model_.state(id);
    return state == nullptr ? std::nullopt : std::optional<bool>(state->checked);
}

void RecordingControlPort::invalidate(Rect rect, bool erase)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("invalidate {},{},{},{}{}", rect.left, rect.top, rect.right, rect.bottom,
                                      erase ? " erase" : ""));
}

void RecordingControlPort::postMessage(uint32_t message)
{
    std::lock_guard lock(mutex_);
    operations_.push_back(fmt::format("post 0x{:X}", message));
}

} // namespace hlw::ui
