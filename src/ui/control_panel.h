// TControlPanel: a plain child window that holds other controls, optionally framed as a
// group box with a caption.
//
// The control window builds its pages and group boxes from these, so every control sits
// at coordinates relative to its group as in the window's design. A panel hands the
// notifications of its children (commands, notifications, slider scrolls, owner drawing)
// up to its parent, so they all reach the control window whatever the nesting; it takes
// part in Tab navigation (WS_EX_CONTROLPARENT) and reports double-clicks on itself.
//
// Created, used and destroyed on the window thread; owns its window (class
// "TidewellControlPanel") and destroys it with itself.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

inline constexpr const char* kControlPanelClass = "TidewellControlPanel";

class TControlPanel {
public:
    // A visible child of `parent`; with a non-empty `groupCaption` it is drawn as a group box.
    TControlPanel(HWND parent, int left, int top, int width, int height, const std::string& groupCaption,
                  HFONT font);
    ~TControlPanel();
    TControlPanel(const TControlPanel&) = delete;
    TControlPanel& operator=(const TControlPanel&) = delete;

    HWND Handle() const { return window_; }
    // The group frame goes behind the children; call once they are all created.
    void PutFrameBehindChildren();

    std::function<void()> OnDblClick;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HWND frame_ = nullptr;
};
