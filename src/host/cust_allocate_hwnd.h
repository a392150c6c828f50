// Hidden utility windows whose messages go to an object's handler.
//
// The capture thread and the comms endpoints make their message windows with
// CustAllocateHWnd. The window belongs to the calling thread (its messages are handled by
// that thread's message loop) and must be released on that thread with CustDeallocateHWnd.
#pragma once

#include <windows.h>

// A window message as the handler receives it; the handler sets Result.
struct WindowMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
    HWND Window;  // the utility window the message came to
};

// An object and the member function that handles its window's messages.
struct WindowMethod {
    void* Object = nullptr;
    void (*Handler)(void* object, WindowMessage& message) = nullptr;

    bool IsSet() const { return Handler != nullptr; }

    // WindowMethod::Of<&TFoo::WndProc>(foo) binds foo->WndProc(WindowMessage&).
    template <auto MemberFunction, class T>
    static WindowMethod Of(T* object) {
        return WindowMethod{object, [](void* self, WindowMessage& message) {
                                (static_cast<T*>(self)->*MemberFunction)(message);
                            }};
    }
};

// Registers `windowClass` (the platform's default window procedure, its class name, zero
// elsewhere) in the plug-in's own module when it is not registered yet or is registered with
// another window procedure, creates a hidden WS_POPUP tool window of it, and, when `method`
// is set, forwards every message of that window to it. Returns null when creation failed.
extern "C" HWND CustAllocateHWnd(WindowMethod method, const WNDCLASSA* windowClass);

// Destroys a window made by CustAllocateHWnd and frees its forwarding. The handler sees no
// message from the destruction itself: its object may already be on its way out.
void CustDeallocateHWnd(HWND window);

// Default processing for a message the handler does not take.
inline void DefaultWindowMessage(WindowMessage& message) {
    message.Result = DefWindowProcA(message.Window, message.Msg, message.WParam, message.LParam);
}
