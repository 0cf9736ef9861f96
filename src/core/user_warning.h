#pragma once
// Warnings the user must see, shown in a message box with the caption "HLMR" once the window layer routes them.
#include <string_view>

namespace hlw {

inline constexpr std::string_view userWarningCaption = "HLMR";

using UserWarningHook = void (*)(std::string_view text);
// Installed by the window layer; nullptr restores the default: a plain message on the message line, which a
// later message replaces (a sticky error would hide everything after it while no window shows warnings).
void gf_installUserWarningHook(UserWarningHook hook) noexcept;

// Writes the text as an alert line, then shows it through the installed hook or as the message line's message.
void gf_warnUser(std::string_view text);

} // namespace hlw
