#include "ui/modal_window.h"

INT_PTR ModalLoop::Run(HWND window, HWND owner) {
    running_ = true;
    ended_ = false;
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG msg;
    while (!ended_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (IsDialogMessageA(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    ShowWindow(window, SW_HIDE);
    running_ = false;
    return result_;
}

void ModalLoop::End(INT_PTR result) {
    result_ = result;
    ended_ = true;
    PostMessageA(nullptr, WM_NULL, 0, 0);  // wake the loop
}

HFONT DialogFont() {
    static HFONT font = [] {
        HDC screen = GetDC(nullptr);
        const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    }();
    return font;
}

namespace {
BOOL CALLBACK SetChildFont(HWND child, LPARAM) {
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), TRUE);
    return TRUE;
}
}  // namespace

void ApplyDialogFont(HWND window) {
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), TRUE);
    EnumChildWindows(window, SetChildFont, 0);
}
