#include "ui/control_panel.h"

#include <exception>

#include "host/error_display.h"
#include "host/own_module.h"
#include "host/window_class.h"

namespace {

bool IsChildNotification(UINT msg) {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_DRAWITEM:
            return true;
        default:
            return false;
    }
}

}  // namespace

TControlPanel::TControlPanel(HWND parent, int left, int top, int width, int height,
                             const std::string& groupCaption, HFONT font) {
    HINSTANCE module = ModuleOfControlWindowCode();
    EnsureWindowClass(module, kControlPanelClass, DefWindowProcA, CS_DBLCLKS);
    window_ = CreateWindowExA(WS_EX_CONTROLPARENT, kControlPanelClass, "",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, left, top, width, height, parent,
                              nullptr, module, nullptr);
    if (window_ == nullptr) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TControlPanel::Procedure));
    if (!groupCaption.empty()) {
        frame_ = CreateWindowExA(0, "BUTTON", groupCaption.c_str(), WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0,
                                 width, height, window_, nullptr, module, nullptr);
        SendMessageA(frame_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

TControlPanel::~TControlPanel() {
    if (window_ == nullptr || !IsWindow(window_)) return;
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

void TControlPanel::PutFrameBehindChildren() {
    if (frame_ != nullptr) SetWindowPos(frame_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK TControlPanel::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TControlPanel*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, msg, wParam, lParam);
    if (IsChildNotification(msg)) return SendMessageA(GetParent(window), msg, wParam, lParam);
    if (msg == WM_LBUTTONDBLCLK) {
        try {
            if (self->OnDblClick) self->OnDblClick();
        } catch (const std::exception& error) {
            ShowErrorMessage(error.what());
        } catch (...) {
        }
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}
