#include "core/message_line.h"

#include "core/log.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace hlw {
namespace {

constexpr int32_t messageLifetimeSeconds = 25;

struct MessageLine {
    std::mutex mutex;
    std::string messageText;
    std::string errorText;
    // 0 exactly when no message is set, otherwise the second counter when it was set (at least 1).
    int32_t messageSetSecond = 0;
    int32_t windowSecondCounter = 0;
};

MessageLine& messageLine()
{
    static MessageLine line;
    return line;
}

constinit std::atomic<MessageRepaintHook> repaintHook{nullptr};

void requestRepaint()
{
    if (const MessageRepaintHook hook = repaintHook.load()) {
        hook();
    }
}

} // namespace

void gf_setMessageRepaintHook(MessageRepaintHook hook) noexcept { repaintHook.store(hook); }

void gf_setMessage(std::string_view text, bool log)
{
    MessageLine& line = messageLine();
    {
        std::lock_guard lock(line.mutex);
        if (!line.errorText.empty()) {
            return;
        }
        line.messageText = text;
        line.messageSetSecond = text.empty() ? 0 : std::max(line.windowSecondCounter, 1);
    }
    if (log && !text.empty()) {
        gf_log(text);
    }
    requestRepaint();
}

void gf_clearMessage() { gf_setMessage({}, false); }

void gf_showError(std::string_view text)
{
    MessageLine& line = messageLine();
    {
        std::lock_guard lock(line.mutex);
        line.messageText.clear();
        line.messageSetSecond = 0;
        line.errorText = text;
        gf_log(fmt::format("Error {}", text));
    }
    requestRepaint();
}

void gf_clearError()
{
    MessageLine& line = messageLine();
    {
        std::lock_guard lock(line.mutex);
        line.errorText.clear();
    }
    requestRepaint();
}

void gf_resetMessageLine()
{
    MessageLine& line = messageLine();
    {
        std::lock_guard lock(line.mutex);
        line.messageText.clear();
        line.errorText.clear();
        line.messageSetSecond = 0;
        line.windowSecondCounter = 0;
    }
    requestRepaint();
}

void gf_messageLineSecondStep()
{
    MessageLine& line = messageLine();
    bool expired = false;
    {
        std::lock_guard lock(line.mutex);
        ++line.windowSecondCounter;
        expired = line.messageSetSecond > 0 &&
                  line.windowSecondCounter - line.messageSetSecond >= messageLifetimeSeconds;
        // Cleared under the same lock as the test: a message set just after it must not be cleared as well.
        if (expired) {
            line.messageText.clear();
            line.messageSetSecond = 0;
        }
    }
    if (expired) {
        requestRepaint();
    }
}

MessageLineTexts gf_messageLineTexts()
{
    MessageLine& line = messageLine();
    std::lock_guard lock(line.mutex);
    return {line.messageText, line.errorText};
}

} // namespace hlw
