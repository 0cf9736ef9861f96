#include "platform/ui/control_model.h"

#include <algorithm>

namespace hlw::ui {
namespace {

void lf_select(ControlState& state, std::optional<int32_t> index)
{
    if (index && *index >= 0 && static_cast<size_t>(*index) < state.items.size()) {
        state.selection = index;
        state.text = state.items[static_cast<size_t>(*index)];
    } else {
        state.selection.reset();
        state.text.clear();
    }
}

} // namespace

void ControlModel::create(ControlId id, ControlKind kind, bool enabled)
{
    ControlState state;
    state.kind = kind;
    state.enabled = enabled;
    controls_[id] = std::move(state);
}

bool ControlModel::enable(ControlId id, bool enabled)
{
    ControlState* state = find(id);
    if (state != nullptr) {
        state->enabled = enabled;
    }
    return state != nullptr;
}

bool ControlModel::setChecked(ControlId id, bool checked)
{
    ControlState* state = find(id);
    if (state != nullptr) {
        state->checked = checked;
    }
    return state != nullptr;
}

bool ControlModel::setText(ControlId id, std::string text)
{
    ControlState* state = find(id);
    if (state == nullptr) {
        return false;
    }
    if (state->kind != ControlKind::comboBox) {
        state->text = std::move(text);
        return true;
    }
    const auto match = std::find(state->items.begin(), state->items.end(), text);
    lf_select(*state, match == state->items.end()
                          ? std::nullopt
                          : std::optional<int32_t>(static_cast<int32_t>(match - state->items.begin())));
    return true;
}

bool ControlModel::comboReset(ControlId id)
{
    return comboFill(id, {}, std::nullopt);
}

bool ControlModel::comboAddItem(ControlId id, std::string text)
{
    ControlState* state = find(id);
    if (state != nullptr) {
        state->items.push_back(std::move(text));
        ++state->itemsVersion;
    }
    return state != nullptr;
}

bool ControlModel::comboSelect(ControlId id, std::optional<int32_t> index)
{
    ControlState* state = find(id);
    if (state != nullptr) {
        lf_select(*state, index);
    }
    return state != nullptr;
}

bool ControlModel::comboFill(ControlId id, std::vector<std::string> items, std::optional<int32_t> selection)
{
    ControlState* state = find(id);
    if (state == nullptr) {
        return false;
    }
    state->items = std::move(items);
    ++state->itemsVersion;
    lf_select(*state, selection);
    return true;
}

const ControlState* ControlModel::state(ControlId id) const
{
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

ControlState* ControlModel::find(ControlId id)
{
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

std::optional<std::string> ControlModel::itemText(ControlId id, int32_t index) const
{
    const ControlState* found = state(id);
    if (found == nullptr || index < 0 || static_cast<size_t>(index) >= found->items.size()) {
        return std::nullopt;
    }
    return found->items[static_cast<size_t>(index)];
}

} // namespace hlw::ui
