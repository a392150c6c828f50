// Dispatching every message waiting in the calling thread's queue, for code that must keep
// windows responsive while it runs inside a handler or waits for a reply. A WM_QUIT met on
// the way ends the pass and is posted again, so the thread's own message loop still ends.
#pragma once

#include <windows.h>

enum class PumpEnd {
    Drained,  // the queue is empty
    Quit,     // a WM_QUIT came (and is posted again)
    Stopped,  // `stop` said so after a dispatched message
};

// `stop()` is asked after each dispatched message: a handler run nested may have ended what
// the caller was doing (destroyed its object, finished its wait).
template <class Stop>
PumpEnd PumpWaitingMessages(Stop&& stop) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return PumpEnd::Quit;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (stop()) return PumpEnd::Stopped;
    }
    return PumpEnd::Drained;
}
