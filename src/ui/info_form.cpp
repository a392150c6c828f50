#include "ui/info_form.h"

#include "host/object_window_procedure.h"

#include <exception>
#include <string_view>

#include "host/error_display.h"
#include "host/window_class.h"
#include "ui/control_panel.h"
#include "ui/info_form_layout.h"
#include "host/own_module.h"

namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
constexpr int kOkButtonHeight = 25;
constexpr int kOkButtonTop = 8;
// One line's height is measured on letters, digits and symbols of every height.
constexpr const char* kLineHeightSample = "AaBbJjQqYyZz0123456789!@#$%^&*()[]{}|";

// The text's client size in the dialog font, measured on a screen DC.
ClientSize MeasureText(const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, DialogFont());
    auto width = [dc](std::string_view line) {
        SIZE size{};
        GetTextExtentPoint32A(dc, line.data(), static_cast<int>(line.size()), &size);
        return static_cast<int>(size.cx);
    };
    SIZE sample{};
    GetTextExtentPoint32A(dc, kLineHeightSample, lstrlenA(kLineHeightSample), &sample);
    const ClientSize size = InfoFormClientSize(text, width, sample.cy);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size;
}

}  // namespace

TInfoForm::TInfoForm(HWND owner) : owner_(owner) {
    HINSTANCE module = ModuleOfControlWindowCode();
    EnsureWindowClass(module, kInfoFormClass, &TInfoForm::Procedure);
    window_ = CreateWindowExA(kFormExStyle, kInfoFormClass, "", kFormStyle, 0, 0, kInfoFormWidth, kInfoFormHeight,
                              owner, nullptr, module, this);
    if (window_ == nullptr) return;
    RECT client{};
    GetClientRect(window_, &client);
    panel1_ = std::make_unique<TControlPanel>(window_, 0, client.bottom - kInfoPanelHeight, client.right,
                                              kInfoPanelHeight, "", DialogFont());
    staticText1_ = CreateWindowExA(WS_EX_STATICEDGE, "STATIC", "",
                                   WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, client.right,
                                   client.bottom - kInfoPanelHeight, window_, nullptr, module, nullptr);
    okButton_ = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                (client.right - kInfoOkButtonWidth) / 2, kOkButtonTop, kInfoOkButtonWidth,
                                kOkButtonHeight, panel1_->Handle(), reinterpret_cast<HMENU>(IDOK), module, nullptr);
    ApplyDialogFont(window_);
    CentreOverOwner();
}

TInfoForm::~TInfoForm() {
    if (window_ == nullptr) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    panel1_.reset();
    if (IsWindow(window_)) DestroyWindow(window_);
}

HWND TInfoForm::Panel1() const { return panel1_ != nullptr ? panel1_->Handle() : nullptr; }

void TInfoForm::Prepare(const std::string& caption, const std::string& text) {
    SetWindowTextA(staticText1_, text.c_str());
    const ClientSize size = MeasureText(text);
    RECT outer{0, 0, size.Width, size.Height};
    AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
    SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Arrange();
    CentreOverOwner();
    SetWindowTextA(window_, caption.c_str());
}

INT_PTR TInfoForm::Show(const std::string& caption, const std::string& text) {
    Prepare(caption, text);
    return modal_.Run(window_, owner_);
}

void TInfoForm::EndShow() {
    if (modal_.Running()) modal_.End(IDOK);
}

void TInfoForm::Arrange() {
    RECT client{};
    GetClientRect(window_, &client);
    const int panelTop = client.bottom - kInfoPanelHeight;
    MoveWindow(Panel1(), 0, panelTop, client.right, kInfoPanelHeight, TRUE);
    MoveWindow(staticText1_, 0, 0, client.right, panelTop, TRUE);
    // The button keeps its place in the middle of the bar.
    MoveWindow(okButton_, (client.right - kInfoOkButtonWidth) / 2, kOkButtonTop, kInfoOkButtonWidth, kOkButtonHeight,
               TRUE);
}

void TInfoForm::CentreOverOwner() {
    RECT mine{};
    GetWindowRect(window_, &mine);
    RECT around{};
    if (owner_ == nullptr || !GetWindowRect(owner_, &around)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    }
    const int width = mine.right - mine.left;
    const int height = mine.bottom - mine.top;
    const int left = around.left + ((around.right - around.left) - width) / 2;
    const int top = around.top + ((around.bottom - around.top) - height) / 2;
    SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK TInfoForm::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchToOwner<TInfoForm, &TInfoForm::HandleMessage, &TInfoForm::window_>(window, msg, wParam, lParam);
}

LRESULT TInfoForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) modal_.End(IDOK);
            return 0;
        case WM_ACTIVATE:
            // Focus goes to the button: the text area takes none.
            if (LOWORD(wParam) != WA_INACTIVE) SetFocus(okButton_);
            return 0;
        case WM_CLOSE:
            modal_.End(IDOK);
            return 0;
        default:
            return DefWindowProcA(window_, msg, wParam, lParam);
    }
}
