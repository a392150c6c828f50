#include "host/message_box.h"

#include <windows.h>

#include <mutex>

namespace {
std::mutex handlerLock;
MessageBoxHandler handler;
}  // namespace

int ShowMessageBox(void* owner, const std::string& text, const std::string& caption, unsigned flags) {
    MessageBoxHandler current;
    {
        std::lock_guard<std::mutex> hold(handlerLock);
        current = handler;
    }
    if (current) return current(owner, text, caption, flags);
    return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

void SetMessageBoxHandler(MessageBoxHandler replacement) {
    std::lock_guard<std::mutex> hold(handlerLock);
    handler = std::move(replacement);
}
