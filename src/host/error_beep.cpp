#include "host/error_beep.h"

#include <windows.h>

#include <mutex>

namespace {
std::mutex handlerLock;
std::function<void()> handler;
}  // namespace

void SoundErrorBeep() {
    std::function<void()> current;
    {
        std::lock_guard<std::mutex> hold(handlerLock);
        current = handler;
    }
    if (current) {
        current();
        return;
    }
    MessageBeep(0);
}

void SetErrorBeepHandler(std::function<void()> replacement) {
    std::lock_guard<std::mutex> hold(handlerLock);
    handler = std::move(replacement);
}
