// TScrollablePaintBox: a windowed drawing surface whose whole look comes from OnPaint.
//
// Unlike a plain paint box it has a window of its own, so it takes the keyboard focus, is
// reached by Tab and receives key events. It can skip background erasing (flicker-free
// owner drawing: with AutoEraseBackground off and no OnPaint nothing is drawn at all) and
// swallow its own scroll messages (AutoHandleScroll off). Scroll events are raised only
// when a scroll really moved the position.
//
// Created and used on one window thread; the object owns its window (class
// "TScrollablePaintBox", class style exactly CS_DBLCLKS) and destroys it with itself. The
// handlers run on that thread inside the window's message handling.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/paint_canvas.h"

inline constexpr const char* kScrollablePaintBoxClass = "TScrollablePaintBox";
inline constexpr int kPaintBoxDefaultSize = 100;

enum class MouseButton { Left, Right, Middle };

class TScrollablePaintBox {
public:
    using Notify = std::function<void(TScrollablePaintBox& sender)>;
    using ScrollNotify = std::function<void(TScrollablePaintBox& sender, int oldPosition, int newPosition)>;
    using MouseNotify = std::function<void(TScrollablePaintBox& sender, MouseButton button, int x, int y)>;
    // `key` is the virtual-key code; `repeat` is set for the auto-repeats of a held key.
    using KeyNotify = std::function<void(TScrollablePaintBox& sender, int key, bool repeat)>;
    using PaintNotify = std::function<void(TScrollablePaintBox& sender, PaintCanvas& canvas)>;

    // A child of `parent` at (left, top), `width` x `height`, hidden until Show.
    TScrollablePaintBox(HWND parent, int left, int top, int width = kPaintBoxDefaultSize,
                        int height = kPaintBoxDefaultSize, int controlId = 0);
    ~TScrollablePaintBox();
    TScrollablePaintBox(const TScrollablePaintBox&) = delete;
    TScrollablePaintBox& operator=(const TScrollablePaintBox&) = delete;

    HWND Handle() const { return window_; }

    bool AutoEraseBackground = true;
    bool AutoHandleScroll = true;
    COLORREF Color;          // background and starting brush colour; the button face by default
    HFONT Font = nullptr;    // selected into the canvas for OnPaint (null: the system font)
    int ScrollIncrement = 8; // pixels per scroll-bar arrow click

    PaintNotify OnPaint;
    ScrollNotify OnHorzScroll, OnVertScroll;
    Notify OnMouseEnter, OnMouseLeave;
    Notify OnClick, OnDblClick;
    Notify OnEnter, OnExit;  // focus gained and lost
    MouseNotify OnMouseDown, OnMouseUp;
    KeyNotify OnKeyDown, OnKeyUp;

    void SetVisible(bool visible);
    bool Visible() const;
    bool Focused() const;
    // Visible and enabled, on a visible parent chain.
    bool CanFocus() const;
    void TakeFocus();
    // Asks for a repaint (without erasing: the painter draws everything).
    void Invalidate();
    // Gives a scroll bar (SB_HORZ or SB_VERT) a range 0..`maximum` with `page` visible.
    void SetScrollRange(int bar, int maximum, int page);
    int ScrollPosition(int bar) const;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint();
    void EraseBackground(HDC dc);
    void Scroll(int bar, WPARAM request);
    void MouseDown(MouseButton button, LPARAM where, bool doubleClick);
    void MouseUp(MouseButton button, LPARAM where);
    void TrackMouse(LPARAM where);

    HWND window_ = nullptr;
    bool mouseInside_ = false;
    int buttonsDown_ = 0;
};
