#include "ui/check_list_box.h"

#include "host/object_window_procedure.h"
#include "host/own_module.h"

namespace {
// The check box takes a square as high as a line, plus a gap before the text.
constexpr int kCheckSize = kCheckListItemHeight;
constexpr int kCheckGap = 2;
constexpr LPARAM kTicked = 1;
}  // namespace

CheckListBox::CheckListBox(HWND parent, int left, int top, int width, int height, int id, HFONT font) {
    window_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                  LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                              left, top, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              ModuleOfControlWindowCode(), nullptr);
    if (window_ == nullptr) return;
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(window_, LB_SETITEMHEIGHT, 0, kCheckListItemHeight);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CheckListBox::Procedure)));
}

CheckListBox::~CheckListBox() {
    if (window_ == nullptr || !IsWindow(window_)) return;
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProcedure_));
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

int CheckListBox::Count() const { return static_cast<int>(SendMessageA(window_, LB_GETCOUNT, 0, 0)); }

void CheckListBox::Clear() { SendMessageA(window_, LB_RESETCONTENT, 0, 0); }

void CheckListBox::SetLine(int index, const std::string& text) {
    if (index < 0) return;
    if (index >= Count()) {
        SendMessageA(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return;
    }
    const int selected = Selected();
    const bool checked = Checked(index);
    SendMessageA(window_, LB_DELETESTRING, index, 0);
    SendMessageA(window_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
    SetChecked(index, checked);
    if (selected == index) Select(index);
}

bool CheckListBox::Checked(int index) const {
    const LRESULT data = SendMessageA(window_, LB_GETITEMDATA, index, 0);
    return data != LB_ERR && data == kTicked;
}

void CheckListBox::SetChecked(int index, bool checked) {
    if (index < 0 || index >= Count() || Checked(index) == checked) return;
    SendMessageA(window_, LB_SETITEMDATA, index, checked ? kTicked : 0);
    RECT line{};
    if (SendMessageA(window_, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&line)) != LB_ERR) {
        InvalidateRect(window_, &line, FALSE);
    }
}

int CheckListBox::Selected() const {
    const LRESULT index = SendMessageA(window_, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void CheckListBox::Select(int index) { SendMessageA(window_, LB_SETCURSEL, index, 0); }

RECT CheckListBox::DrawCheck(const DRAWITEMSTRUCT& item) const {
    const RECT& line = item.rcItem;
    RECT box{line.left, line.top, line.left + kCheckSize, line.top + kCheckSize};
    FillRect(item.hDC, &box, GetSysColorBrush(COLOR_WINDOW));
    InflateRect(&box, -1, -1);
    UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (static_cast<int>(item.itemID) >= 0 && Checked(static_cast<int>(item.itemID))) state |= DFCS_CHECKED;
    if (item.itemState & ODS_DISABLED) state |= DFCS_INACTIVE;
    DrawFrameControl(item.hDC, &box, DFC_BUTTON, state);
    RECT text = line;
    text.left += kCheckSize + kCheckGap;
    return text;
}

int CheckListBox::CheckAt(int x, int y) const {
    if (x < 0 || x >= kCheckSize) return -1;
    const LRESULT hit = SendMessageA(window_, LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
    if (HIWORD(hit) != 0) return -1;  // below the last line
    return static_cast<int>(LOWORD(hit));
}

void CheckListBox::Toggle(int index) {
    if (index < 0 || index >= Count()) return;
    SetChecked(index, !Checked(index));
    if (CheckEventAttached && OnClickCheck) OnClickCheck();
}

LRESULT CALLBACK CheckListBox::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchToOwner<CheckListBox, &CheckListBox::HandleMessage, &CheckListBox::window_>(window, msg, wParam,
                                                                                               lParam);
}

LRESULT CheckListBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (msg) {
        case WM_LBUTTONDOWN: {
            const int line = CheckAt(x, y);
            const LRESULT result = CallWindowProcA(listProcedure_, window_, msg, wParam, lParam);
            Toggle(line);
            return result;
        }
        case WM_LBUTTONDBLCLK: {
            const int line = CheckAt(x, y);
            if (line < 0) break;
            Toggle(line);
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                Toggle(Selected());
                return 0;
            }
            break;
        default:
            break;
    }
    return CallWindowProcA(listProcedure_, window_, msg, wParam, lParam);
}
