#include "host/window_class.h"

bool EnsureWindowClass(HINSTANCE module, const char* name, WNDPROC procedure, UINT style,
                       ClassBackground background) {
    WNDCLASSA existing{};
    if (GetClassInfoA(module, name, &existing)) return true;
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    if (background == ClassBackground::ButtonFace) wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
