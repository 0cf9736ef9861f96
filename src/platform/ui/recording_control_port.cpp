#include "platform/ui/recording_control_port.h"

#include <algorithm>
#include <cstdio>

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

std::string lf_hex(uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
    return buffer;
}

} // namespace

void RecordingControlPort::createControl(ControlId id, ControlKind kind, bool enabled)
{
    std::lock_guard lock(mutex_);
    ControlState state;
    state.kind = kind;
    state.enabled = enabled;
    controls_[id] = std::move(state);
}

std::optional<ControlState> RecordingControlPort::control(ControlId id) const
{
    std::lock_guard lock(mutex_);
    const auto found = controls_.find(id);
    if (found == controls_.end()) {
        return std::nullopt;
    }
    return found->second;
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
    return controls_.contains(id);
}

void RecordingControlPort::enable(ControlId id, bool enabled)
{
    std::lock_guard lock(mutex_);
    operations_.push_back("enable " + std::to_string(id) + " " + lf_onOff(enabled));
    if (ControlState* state = find(id)) {
        state->enabled = enabled;
    }
}

void RecordingControlPort::setChecked(ControlId id, bool checked)
{
    std::lock_guard lock(mutex_);
    operations_.push_back("check " + std::to_string(id) + " " + lf_onOff(checked));
    if (ControlState* state = find(id)) {
        state->checked = checked;
    }
}

void RecordingControlPort::setText(ControlId id, std::string text)
{
    std::lock_guard lock(mutex_);
    operations_.push_back("text " + std::to_string(id) + " " + text);
    ControlState* state = find(id);
    if (state == nullptr) {
        return;
    }
    if (state->kind != ControlKind::comboBox) {
        state->text = std::move(text);
        return;
    }
    const auto match = std::find(state->items.begin(), state->items.end(), text);
    select(*state, match == state->items.end()
                       ? std::nullopt
                       : std::optional<int32_t>(static_cast<int32_t>(match - state->items.begin())));
}

void RecordingControlPort::comboReset(ControlId id)
{
    std::lock_guard lock(mutex_);
    operations_.push_back("reset " + std::to_string(id));
    if (ControlState* state = find(id)) {
        state->items.clear();
        select(*state, std::nullopt);
    }
}

void RecordingControlPort::comboAddItem(ControlId id, std::string text)
{
    std::lock_guard lock(mutex_);
    operations_.push_back("add " + std::to_string(id) + " " + text);
    if (ControlState* state = find(id)) {
        state->items.push_back(std::move(text));
    }
}

void RecordingControlPort::comboSelect(ControlId id, std::optional<int32_t> index)
{
    std::lock_guard lock(mutex_);
    operations_.push_back("select " + std::to_string(id) + " " + lf_indexText(index));
    if (ControlState* state = find(id)) {
        select(*state, index);
    }
}

void RecordingControlPort::comboFill(ControlId id, std::vector<std::string> items, std::optional<int32_t> selection)
{
    std::lock_guard lock(mutex_);
    std::string line = "fill " + std::to_string(id) + " ";
    for (size_t i = 0; i < items.size(); ++i) {
        line += (i == 0 ? "" : "|") + items[i];
    }
    operations_.push_back(line + " select " + lf_indexText(selection));
    if (ControlState* state = find(id)) {
        state->items = std::move(items);
        select(*state, selection);
    }
}

std::optional<int32_t> RecordingControlPort::comboSelection(ControlId id) const
{
    std::lock_guard lock(mutex_);
    const auto found = controls_.find(id);
    return found == controls_.end() ? std::nullopt : found->second.selection;
}

void RecordingControlPort::invalidate(Rect rect, bool erase)
{
    std::lock_guard lock(mutex_);
    operations_.push_back("invalidate " + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                          std::to_string(rect.right) + "," + std::to_string(rect.bottom) + (erase ? " erase" : ""));
}

void RecordingControlPort::postMessage(uint32_t message)
{
    std::lock_guard lock(mutex_);
    operations_.push_back("post " + lf_hex(message));
}

ControlState* RecordingControlPort::find(ControlId id)
{
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

// As a drop-down list does: an index outside the entries leaves no entry selected.
void RecordingControlPort::select(ControlState& state, std::optional<int32_t> index)
{
    if (index && *index >= 0 && static_cast<size_t>(*index) < state.items.size()) {
        state.selection = index;
        state.text = state.items[static_cast<size_t>(*index)];
    } else {
        state.selection.reset();
        state.text.clear();
    }
}

} // namespace hlw::ui
