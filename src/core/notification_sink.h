// Where the mixing engine's notifications go. The engine calls Post on the host's playback
// thread; an implementation must only queue the message and return (the DLL posts it to
// MixState.NotifyHWnd with PostMessageA; tests record it). Never waits, never throws.
#pragma once

#include <cstdint>

class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void Post(uint32_t message, intptr_t wParam) = 0;
};
