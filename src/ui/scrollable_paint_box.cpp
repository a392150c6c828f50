#include "ui/scrollable_paint_box.h"

#include <windowsx.h>

#include <algorithm>

#include "host/object_window_procedure.h"
#include "host/own_module.h"
#include "host/window_class.h"

namespace {

// The key-state bit of WM_KEYDOWN that marks an auto-repeat of a held key.
constexpr LPARAM kKeyWasDownBit = 1 << 30;

}  // namespace

TScrollablePaintBox::TScrollablePaintBox(HWND parent, int left, int top, int width, int height, int controlId)
    : Color(GetSysColor(COLOR_BTNFACE)) {
    HINSTANCE module = ModuleOfControlWindowCode();
    // Exactly CS_DBLCLKS: no redraw on resize, the painter decides what is drawn. The
    // procedure is replaced per window once the object is bound.
    EnsureWindowClass(module, kScrollablePaintBoxClass, DefWindowProcA, CS_DBLCLKS, ClassBackground::None);
    window_ = CreateWindowExA(0, kScrollablePaintBoxClass, "", WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS, left, top,
                              width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                              module, nullptr);
    if (window_ == nullptr) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TScrollablePaintBox::Procedure));
}

TScrollablePaintBox::~TScrollablePaintBox() {
    if (window_ == nullptr || !IsWindow(window_)) return;
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

LRESULT CALLBACK TScrollablePaintBox::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchToOwner<TScrollablePaintBox, &TScrollablePaintBox::Handle, &TScrollablePaintBox::window_>(
        window, msg, wParam, lParam);
}

LRESULT TScrollablePaintBox::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            if (AutoEraseBackground) EraseBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (AutoHandleScroll) Scroll(msg == WM_HSCROLL ? SB_HORZ : SB_VERT, wParam);
            return 0;
        case WM_GETDLGCODE: {
            // Arrows and characters stay with the control; Enter too (it is a key of the
            // control, not the dialog's default button). Tab moves on to the next control.
            LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending != nullptr && (pending->message == WM_KEYDOWN || pending->message == WM_KEYUP) &&
                pending->wParam == VK_RETURN) {
                code |= DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN:
            if (OnKeyDown) OnKeyDown(*this, static_cast<int>(wParam), (lParam & kKeyWasDownBit) != 0);
            return 0;
        case WM_KEYUP:
            if (OnKeyUp) OnKeyUp(*this, static_cast<int>(wParam), false);
            return 0;
        case WM_SETFOCUS:
            if (OnEnter) OnEnter(*this);
            return 0;
        case WM_KILLFOCUS:
            if (OnExit) OnExit(*this);
            return 0;
        case WM_LBUTTONDOWN: MouseDown(MouseButton::Left, lParam, false); return 0;
        case WM_RBUTTONDOWN: MouseDown(MouseButton::Right, lParam, false); return 0;
        case WM_MBUTTONDOWN: MouseDown(MouseButton::Middle, lParam, false); return 0;
        case WM_LBUTTONDBLCLK: MouseDown(MouseButton::Left, lParam, true); return 0;
        case WM_RBUTTONDBLCLK: MouseDown(MouseButton::Right, lParam, true); return 0;
        case WM_MBUTTONDBLCLK: MouseDown(MouseButton::Middle, lParam, true); return 0;
        case WM_LBUTTONUP: MouseUp(MouseButton::Left, lParam); return 0;
        case WM_RBUTTONUP: MouseUp(MouseButton::Right, lParam); return 0;
        case WM_MBUTTONUP: MouseUp(MouseButton::Middle, lParam); return 0;
        case WM_MOUSEMOVE: TrackMouse(lParam); return 0;
        case WM_MOUSELEAVE:
            mouseInside_ = false;
            if (OnMouseLeave) OnMouseLeave(*this);
            return 0;
        default:
            return DefWindowProcA(window_, msg, wParam, lParam);
    }
}

void TScrollablePaintBox::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    {
        PaintCanvas canvas(dc, Font, Color);
        if (OnPaint) OnPaint(*this, canvas);
    }
    EndPaint(window_, &ps);
}

void TScrollablePaintBox::EraseBackground(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    HBRUSH brush = CreateSolidBrush(Color);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

void TScrollablePaintBox::Scroll(int bar, WPARAM request) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(window_, bar, &info)) return;
    const int page = std::max<int>(1, info.nPage);
    const int last = std::max(info.nMin, info.nMax - page + 1);
    int position = info.nPos;
    switch (LOWORD(request)) {
        case SB_LINEUP: position -= ScrollIncrement; break;
        case SB_LINEDOWN: position += ScrollIncrement; break;
        case SB_PAGEUP: position -= page; break;
        case SB_PAGEDOWN: position += page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: position = info.nTrackPos; break;
        case SB_TOP: position = info.nMin; break;
        case SB_BOTTOM: position = last; break;
        default: return;
    }
    position = std::clamp(position, info.nMin, last);
    const int old = info.nPos;
    if (position == old) return;
    SetScrollPos(window_, bar, position, TRUE);
    const int delta = old - position;
    ScrollWindowEx(window_, bar == SB_HORZ ? delta : 0, bar == SB_VERT ? delta : 0, nullptr, nullptr, nullptr,
                   nullptr, SW_INVALIDATE | SW_SCROLLCHILDREN);
    const ScrollNotify& event = bar == SB_HORZ ? OnHorzScroll : OnVertScroll;
    if (event) event(*this, old, position);
}

void TScrollablePaintBox::MouseDown(MouseButton button, LPARAM where, bool doubleClick) {
    if (buttonsDown_++ == 0) SetCapture(window_);
    if (OnMouseDown) OnMouseDown(*this, button, GET_X_LPARAM(where), GET_Y_LPARAM(where));
    if (doubleClick && OnDblClick) OnDblClick(*this);
}

void TScrollablePaintBox::MouseUp(MouseButton button, LPARAM where) {
    const int x = GET_X_LPARAM(where);
    const int y = GET_Y_LPARAM(where);
    const bool wasHeld = buttonsDown_ > 0;
    if (wasHeld && --buttonsDown_ == 0 && GetCapture() == window_) ReleaseCapture();
    if (OnMouseUp) OnMouseUp(*this, button, x, y);
    RECT client;
    GetClientRect(window_, &client);
    const POINT point{x, y};
    if (wasHeld && button == MouseButton::Left && PtInRect(&client, point) && OnClick) OnClick(*this);
}

void TScrollablePaintBox::TrackMouse(LPARAM) {
    if (mouseInside_) return;
    mouseInside_ = true;
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
    TrackMouseEvent(&track);
    if (OnMouseEnter) OnMouseEnter(*this);
}

void TScrollablePaintBox::SetVisible(bool visible) { ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE); }

bool TScrollablePaintBox::Visible() const { return (GetWindowLongA(window_, GWL_STYLE) & WS_VISIBLE) != 0; }

bool TScrollablePaintBox::Focused() const { return GetFocus() == window_; }

bool TScrollablePaintBox::CanFocus() const { return IsWindowVisible(window_) && IsWindowEnabled(window_); }

void TScrollablePaintBox::TakeFocus() {
    if (CanFocus() && !Focused()) SetFocus(window_);
}

void TScrollablePaintBox::Invalidate() { InvalidateRect(window_, nullptr, FALSE); }

void TScrollablePaintBox::SetScrollRange(int bar, int maximum, int page) {
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE, 0, maximum, static_cast<UINT>(page), 0, 0};
    SetScrollInfo(window_, bar, &info, TRUE);
}

int TScrollablePaintBox::ScrollPosition(int bar) const { return GetScrollPos(window_, bar); }
