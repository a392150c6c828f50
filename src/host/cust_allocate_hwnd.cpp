#include "host/cust_allocate_hwnd.h"

#include <mutex>

namespace {

// Registration and re-registration of classes may come from several threads at once.
std::mutex classLock;

HINSTANCE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&CustAllocateHWnd), &module);
    return module;
}

LRESULT CALLBACK ForwardToMethod(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* method = reinterpret_cast<WindowMethod*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (method == nullptr) return DefWindowProcA(window, msg, wParam, lParam);
    WindowMessage message{msg, wParam, lParam, 0, window};
    method->Handler(method->Object, message);
    return message.Result;
}

bool EnsureClass(WNDCLASSA description) {
    std::lock_guard<std::mutex> hold(classLock);
    WNDCLASSA registered{};
    const bool known = GetClassInfoA(description.hInstance, description.lpszClassName, &registered) != 0;
    if (known && registered.lpfnWndProc == description.lpfnWndProc) return true;
    if (known) UnregisterClassA(description.lpszClassName, description.hInstance);
    // A class whose windows still exist cannot be unregistered; the old one then stays and
    // windows are still made of it.
    return RegisterClassA(&description) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

extern "C" HWND CustAllocateHWnd(WindowMethod method, const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr) return nullptr;
    WNDCLASSA description = *windowClass;
    description.hInstance = OwnModule();
    if (!EnsureClass(description)) return nullptr;

    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, description.lpszClassName, "", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, description.hInstance, nullptr);
    if (window == nullptr || !method.IsSet()) return window;

    auto* bound = new WindowMethod(method);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bound));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForwardToMethod));
    return window;
}

void CustDeallocateHWnd(HWND window) {
    if (window == nullptr || !IsWindow(window)) return;
    auto* bound = reinterpret_cast<WindowMethod*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (bound != nullptr) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    DestroyWindow(window);
    delete bound;
}
