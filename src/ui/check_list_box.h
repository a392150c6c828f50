// CheckListBox: a single-selection list box whose lines each carry a check box, with fixed
// line height and owner-drawn text.
//
// The list draws each line's check box itself, at the left of the line; the rest of the
// line (its text and background) is drawn by the owner, which receives the usual
// WM_DRAWITEM through the parent chain and asks TextRect for the part left to it. A click
// on a check box (or the space bar on the selected line) flips it and calls OnClickCheck
// unless the owner has detached it; selection and double-click notifications (LBN_SELCHANGE,
// LBN_DBLCLK) reach the parent as from any list box. A double-click on a check box only
// flips it again.
//
// Created, used and destroyed on the window thread; owns its window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

inline constexpr int kCheckListItemHeight = 13;

class CheckListBox {
public:
    CheckListBox(HWND parent, int left, int top, int width, int height, int id, HFONT font);
    ~CheckListBox();
    CheckListBox(const CheckListBox&) = delete;
    CheckListBox& operator=(const CheckListBox&) = delete;

    HWND Handle() const { return window_; }

    int Count() const;
    void Clear();
    // Sets line `index`'s text: replaces the line when it exists (keeping the selection),
    // appends one otherwise.
    void SetLine(int index, const std::string& text);
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);  // no OnClickCheck
    int Selected() const;                      // -1 when no line is selected
    void Select(int index);
    int SelectedCount() const { return Selected() >= 0 ? 1 : 0; }

    // Draws the check box of the line in `item`; returns the rectangle left to the owner.
    RECT DrawCheck(const DRAWITEMSTRUCT& item) const;

    std::function<void()> OnClickCheck;
    bool CheckEventAttached = true;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The line whose check box lies under the client point, -1 for none.
    int CheckAt(int x, int y) const;
    void Toggle(int index);

    HWND window_ = nullptr;
    WNDPROC listProcedure_ = nullptr;
};
