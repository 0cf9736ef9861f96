#include "settings/parameter.h"

#include "core/log.h"
#include "settings/parameter_save.h"
#include "settings/parameters_file.h"

#include <fmt/format.h>

namespace hlw {
namespace {

template <typename Text>
std::optional<int32_t> lf_exactPosition(const std::vector<Text>& choices, std::string_view value)
{
    for (size_t i = 0; i < choices.size(); ++i) {
        if (std::string_view(choices[i]) == value) {
            return static_cast<int32_t>(i);
        }
    }
    return std::nullopt;
}

} // namespace

void BoolParameter::log() const
{
    gf_logUnlessStopping(fmt::format("{}={}", key(), get()));
}

void IntParameter::log() const
{
    gf_logUnlessStopping(fmt::format("{}={}", key(), get()));
}

std::string StringParameter::get() const
{
    std::lock_guard lock(mutex_);
    return value_;
}

void StringParameter::set(std::string value)
{
    std::lock_guard lock(mutex_);
    value_ = std::move(value);
}

bool StringParameter::equals(std::string_view text) const
{
    std::lock_guard lock(mutex_);
    return value_ == text;
}

bool StringParameter::empty() const
{
    std::lock_guard lock(mutex_);
    return value_.empty();
}

std::string StringParameter::defaultValue() const
{
    std::lock_guard lock(mutex_);
    return default_;
}

void StringParameter::setDefaultValue(std::string value)
{
    std::lock_guard lock(mutex_);
    default_ = std::move(value);
}

void StringParameter::log() const
{
    gf_logUnlessStopping(fmt::format("{}=\"{}\"", key(), gf_logExcerpt(get())));
}

void BoolCheckBoxParameter::showCheck() const
{
    ui::gf_controlPort().setChecked(controlId(), get());
}

std::optional<int32_t> StringComboParameter::findCurrent() const
{
    return lf_exactPosition(choices_, get());
}

// Selection by exact equality: a list selects by prefix when asked by text, and many entries here are prefixes
// of earlier ones ("AIG" of "AIG, FSLTL, JF, MTL").
void StringComboParameter::fillCombo() const
{
    ui::ControlPort& port = ui::gf_controlPort();
    if (!port.hasControl(controlId())) {
        return;
    }
    port.comboFill(controlId(), choices_, findCurrent());
}

void StringComboParameter::showSelection() const
{
    ui::gf_controlPort().comboSelect(controlId(), findCurrent());
}

std::vector<std::string> SharedTextList::snapshot() const
{
    std::lock_guard lock(mutex_);
    return items_;
}

void SharedTextList::assign(std::vector<std::string> items)
{
    std::lock_guard lock(mutex_);
    items_ = std::move(items);
}

size_t SharedTextList::size() const
{
    std::lock_guard lock(mutex_);
    return items_.size();
}

std::optional<int32_t> SharedStringComboParameter::findCurrent() const
{
    return lf_exactPosition(choices_->snapshot(), get());
}

void SharedStringComboParameter::fillCombo() const
{
    ui::ControlPort& port = ui::gf_controlPort();
    if (!port.hasControl(controlId())) {
        return;
    }
    std::vector<std::string> items = choices_->snapshot();
    const std::optional<int32_t> selection = lf_exactPosition(items, get());
    port.comboFill(controlId(), std::move(items), selection);
}

std::string IntChoiceFormat::text(int32_t value)
{
    return fmt::format("{}", value);
}

std::string FloatChoiceFormat::text(float value)
{
    return fmt::format("{:.1f}", value);
}

void BoolParameter::save() const
{
    gf_saveSettingValue(key(), [this] { return std::string(get() ? "true" : "false"); }, [this] { log(); });
}

void IntParameter::save() const
{
    gf_saveSettingValue(key(), [this] { return std::to_string(get()); }, [this] { log(); });
}

void StringParameter::save() const
{
    gf_saveSettingValue(key(), [this] { return get(); }, [this] { log(); });
}

void BoolParameter::setAndSave(bool value)
{
    const auto lock = gf_lockParametersFile();
    set(value);
    save();
}

void IntParameter::setClampedAndSave(int32_t value)
{
    const auto lock = gf_lockParametersFile();
    setClamped(value);
    save();
}

void StringParameter::setAndSave(std::string value)
{
    const auto lock = gf_lockParametersFile();
    set(std::move(value));
    save();
}

} // namespace hlw
