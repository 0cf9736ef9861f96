#pragma once
// The window's one line of feedback: a message (cleared 25 per-second steps after it was set) or a sticky error.
// Any thread may set it. The window installs a repaint hook that posts its repaint message; the hook is called
// after the message mutex is released, so a setter never waits for the window thread.
// Lock order: message mutex, then log mutex.
#include <string>
#include <string_view>

namespace hlw {

using MessageRepaintHook = void (*)();
// Installed by the window layer; nullptr removes it.
void gf_setMessageRepaintHook(MessageRepaintHook hook) noexcept;

// Sets the message unless an error is shown (then nothing at all happens: no log line, no repaint).
// An empty text clears the message. With log set, a non-empty text is also written as a plain log line.
void gf_setMessage(std::string_view text, bool log);
void gf_clearMessage();
// Replaces message and error by the error text and logs "Error {}".
void gf_showError(std::string_view text);
// Empties the error text (closing down before a restart, end of a parking adjustment, install-path command).
void gf_clearError();
// The run reset before a restart: no message, no error, the window's second counter back to 0.
void gf_resetMessageLine();
// The per-second step: advances the window's second counter and clears a message that is 25 steps old.
void gf_messageLineSecondStep();

struct MessageLineTexts {
    std::string message;
    std::string error;
};
// A consistent copy for the painter.
MessageLineTexts gf_messageLineTexts();

} // namespace hlw
