// The window procedure of a window that one object owns: the object comes with the
// creation parameters (CreateWindowEx's last argument), is kept in GWLP_USERDATA, and every
// message of that window goes to the object's handler. An exception never crosses into the
// platform's message dispatch: it is shown to the user and the message answers 0.
#pragma once

#include <windows.h>

#include <exception>

#include "host/error_display.h"

template <class T, LRESULT (T::*Handler)(UINT, WPARAM, LPARAM), HWND T::*Window>
LRESULT DispatchToOwner(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* owner = reinterpret_cast<T*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // Until the owner has stored its handle (and after it let go) the default handling runs.
    if (owner == nullptr || owner->*Window != window) return DefWindowProcA(window, msg, wParam, lParam);
    try {
        return (owner->*Handler)(msg, wParam, lParam);
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
    } catch (...) {
    }
    return 0;
}
