#include "ui/keyboard_router.h"

namespace {
// Each window thread has at most one control window; the hook finds its router here.
thread_local KeyboardRouter* threadRouter = nullptr;

bool KeyIsDown(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

// Enter and Escape go to the focused control as they are. The dialog manager would turn
// them into default-button requests (DM_GETDEFID is WM_USER+0, which this window receives
// as a level notification) and IDOK/IDCANCEL commands; this window has no default button.
bool IsDialogButtonKey(const MSG& message) {
    if (message.message != WM_KEYDOWN) return false;
    switch (message.wParam) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_EXECUTE:
        case VK_CANCEL:
            return true;
        default:
            return false;
    }
}
}  // namespace

KeyboardRouter::KeyboardRouter(HWND window, std::function<bool(int)> shortcut)
    : window_(window), shortcut_(std::move(shortcut)) {
    threadRouter = this;
    hook_ = SetWindowsHookExA(WH_GETMESSAGE, &KeyboardRouter::Hook, nullptr, GetCurrentThreadId());
}

KeyboardRouter::~KeyboardRouter() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    if (threadRouter == this) threadRouter = nullptr;
}

LRESULT CALLBACK KeyboardRouter::Hook(int code, WPARAM removal, LPARAM message) {
    if (code == HC_ACTION && removal == PM_REMOVE && threadRouter != nullptr) {
        try {
            auto& msg = *reinterpret_cast<MSG*>(message);
            if (threadRouter->Route(msg)) {
                msg.message = WM_NULL;
                msg.wParam = 0;
                msg.lParam = 0;
            }
        } catch (...) {
            // A failing handler must not unwind through the host's message loop.
        }
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

bool KeyboardRouter::Route(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
    if (message.message == WM_KEYDOWN && KeyIsDown(VK_CONTROL) && !KeyIsDown(VK_MENU) && shortcut_ &&
        shortcut_(static_cast<int>(message.wParam))) {
        return true;
    }
    if (IsDialogButtonKey(message)) return false;
    return IsDialogMessageA(window_, &message) != FALSE;
}
