#include "ui/config_form.h"

#include <commctrl.h>

#include <exception>

#include "capture/wave_in_rec_thread.h"
#include "ui/config_form_places.h"
#include "config/plugin_config.h"
#include "core/exported_globals.h"
#include "core/mix_state.h"
#include "host/error_display.h"
#include "host/window_class.h"
#include "stacker/dsp_plugin_modules_stack.h"
#include "stacker/dsp_plugins.h"
#include "ui/config_form_logic.h"
#include "ui/control_window_hooks.h"

namespace {

// Control identifiers.
enum : int { kTrackBar1 = 101, kLabel1, kButton2, kCheckBox1, kImage1, kLabel6, kLabel7, kLabel8, kLatencyBox,
             kLatencyLabel };

constexpr int kOuterWidth = 448;
constexpr int kOuterHeight = 304;
constexpr int kStartPriority = 4;
constexpr const char* kCreditLine1 = "Live input mixing for presenters";
constexpr const char* kCreditLine2 = "Tidewell team";

// Design positions in the window; controls inside a group box are placed relative to it.
constexpr Place kGroupBox1{8, 16, 193, 73};
constexpr Place kTrackBar1Place{2, 15, 189, 34};
constexpr Place kLabel1Place{2, 49, 189, 22};
constexpr Place kGroupBox2{8, 96, 193, 65};
constexpr Place kButton2Place{16, 24, 161, 25};
constexpr Place kGroupBox3{8, 166, 193, 76};
constexpr Place kLatencyBoxPlace{8, 16, 177, 120};  // the height includes the dropped list
constexpr Place kLatencyLabelPlace{8, 42, 177, 28};
constexpr Place kCheckBox1Place{8, 248, 273, 17};
constexpr Place kImage1Place{232, 80, 178, 75};
constexpr Place kLabel6Place{206, 160, 230, 13};
constexpr Place kLabel7Place{206, 192, 230, 13};
constexpr Place kLabel8Place{206, 208, 230, 13};
constexpr Place kButton1Place{288, 240, 75, 25};

}  // namespace

TConfigForm::TConfigForm(HWND owner) : owner_(owner) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    EnsureWindowClass(GetModuleHandleA(nullptr), kConfigFormClass, DefWindowProcA);

    // No caption buttons, no system menu: only "Done" or Enter close it. Children are not
    // clipped out: the group boxes draw only their frames, the form's background shows inside.
    const DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kOuterWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kOuterHeight) / 2;
    window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kConfigFormClass,
                              kConfigFormCaption, style, left, top, kOuterWidth, kOuterHeight,
                              IsWindow(owner) ? owner : nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window_ == nullptr) throw std::runtime_error("Cannot create the configuration dialog");
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TConfigForm::Procedure));
    CreateControls();
    ApplyDialogFont(window_);

    if (WaveInRecThread != nullptr) ShowPriority(WaveInRecThread->GetPriority());

    const LatencyMode latency = PluginConfig != nullptr ? PluginConfig->Latency : MixState.Latency.load();
    SendMessageA(latencyBox_, CB_SETCURSEL, static_cast<WPARAM>(latency), 0);
    SetWindowTextA(latencyLabel_, ProfileOf(latency).Tradeoff);

    if (PluginConfig != nullptr) {
        EnableWindow(button2_, TRUE);
        SetWindowTextA(button2_, PluginConfig->EnableBypass ? "Disable" : "Enable");
        SendMessageA(checkBox1_, BM_SETCHECK, PluginConfig->AlwaysLoad ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    SetWindowTextA(label6_, VersionLine(VersionReaderResult).c_str());
    ShowHotkeySettings();
}

TConfigForm::~TConfigForm() {
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void TConfigForm::CreateControls() {
    // Creation order is the tab order: the track bar, the bypass button, "Done", the check box,
    // the latency setting.
    Make(window_, "BUTTON", "Input Thread Priority", BS_GROUPBOX, kGroupBox1, 0);
    trackBar1_ = Make(window_, TRACKBAR_CLASSA, "", WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM,
                      kTrackBar1Place, kTrackBar1, kGroupBox1);
    SendMessageA(trackBar1_, TBM_SETRANGE, TRUE, MAKELPARAM(kLowestPriority, kHighestPriority));
    SendMessageA(trackBar1_, TBM_SETTICFREQ, 1, 0);
    SendMessageA(trackBar1_, TBM_SETPOS, TRUE, kStartPriority);
    label1_ = Make(window_, "STATIC", PriorityName(kStartPriority), SS_CENTER, kLabel1Place, kLabel1, kGroupBox1);

    Make(window_, "BUTTON", "Bypass", BS_GROUPBOX, kGroupBox2, 0);
    button2_ = Make(window_, "BUTTON", "Enable", WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, kButton2Place, kButton2,
                    kGroupBox2);
    button1_ = Make(window_, "BUTTON", "Done", WS_TABSTOP | BS_DEFPUSHBUTTON, kButton1Place, IDOK);
    checkBox1_ = Make(window_, "BUTTON", "Always load DSPs to stack (Requires restart.)",
                      WS_TABSTOP | BS_AUTOCHECKBOX, kCheckBox1Place, kCheckBox1);
    Make(window_, "BUTTON", "Latency", BS_GROUPBOX, kGroupBox3, 0);
    latencyBox_ = Make(window_, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kLatencyBoxPlace,
                       kLatencyBox, kGroupBox3);
    for (int mode = 0; mode < kLatencyModeCount; ++mode) {
        SendMessageA(latencyBox_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(ProfileOf(static_cast<LatencyMode>(mode)).Name));
    }
    latencyLabel_ = Make(window_, "STATIC", "", SS_LEFT | SS_NOPREFIX, kLatencyLabelPlace, kLatencyLabel, kGroupBox3);

    image1_ = Make(window_, "STATIC", "", SS_OWNERDRAW, kImage1Place, kImage1);
    label6_ = Make(window_, "STATIC", "", SS_CENTER | SS_NOPREFIX, kLabel6Place, kLabel6);
    Make(window_, "STATIC", kCreditLine1, SS_CENTER | SS_NOPREFIX, kLabel7Place, kLabel7);
    Make(window_, "STATIC", kCreditLine2, SS_CENTER | SS_NOPREFIX, kLabel8Place, kLabel8);
    CreateHotkeyControls();
}

void TConfigForm::SetTrackPosition(int position) {
    const int before = SelectedPriority();
    SendMessageA(trackBar1_, TBM_SETPOS, TRUE, position);
    // Moving the track bar from code is a change like the user's.
    if (position != before) TrackBar1Change();
}

void TConfigForm::ShowPriority(int priority) {
    SetTrackPosition(PriorityTrackPosition(priority));
    SetWindowTextA(label1_, PriorityName(priority));
}

int TConfigForm::SelectedPriority() const { return static_cast<int>(SendMessageA(trackBar1_, TBM_GETPOS, 0, 0)); }

INT_PTR TConfigForm::ShowModal() {
    SetFocus(trackBar1_);
    return modal_.Run(window_, IsWindow(owner_) ? owner_ : nullptr);
}

void TConfigForm::TrackBar1Change() {
    const int priority = SelectedPriority();
    SetWindowTextA(label1_, PriorityName(priority));
    if (WaveInRecThread == nullptr) return;
    WaveInRecThread->SetPriority(priority);
    if (PluginConfig == nullptr) return;
    // Also runs while the dialog is built (the preset from the thread): a failed save is
    // shown like any other of the dialog's, and the dialog opens all the same.
    try {
        PluginConfig->SetRecThreadPriority(static_cast<uint8_t>(priority));
    } catch (const std::exception& e) {
        ShowErrorMessage(e.what());
    }
}

void TConfigForm::Button2Click() {
    if (PluginConfig == nullptr) return;
    const bool on = !PluginConfig->EnableBypass;
    PluginConfig->SetEnableBypass(on);
    MixState.SetEnableBypass(on);
    TDSPPluginModulesStack* stack = DSPPluginModulesStack;
    TDSPPluginModule* bypass = DSPPlugins != nullptr ? DSPPlugins->BypassEntry : nullptr;
    if (on) {
        if (stack != nullptr && bypass != nullptr) stack->Append(bypass);
        SetWindowTextA(button2_, "Disable");
    } else {
        if (stack != nullptr && bypass != nullptr) stack->Remove(bypass);
        SetWindowTextA(button2_, "Enable");
    }
    RefillControlWindowDspList();
}

void TConfigForm::CheckBox1Click() {
    if (PluginConfig == nullptr) return;
    PluginConfig->SetAlwaysLoad(SendMessageA(checkBox1_, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

void TConfigForm::LatencyBoxChange() {
    const LRESULT selected = SendMessageA(latencyBox_, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return;
    const LatencyMode mode = LatencyModeFromNumber(selected);
    SetWindowTextA(latencyLabel_, ProfileOf(mode).Tradeoff);
    if (mode == MixState.Latency.load() && (PluginConfig == nullptr || PluginConfig->Latency == mode)) return;
    if (PluginConfig != nullptr) PluginConfig->SetLatencyMode(mode);
    // As the Reset button does: the mixer's format reset (asked for first, so that no open
    // with the old setting slips in between) and the capture thread start over, and the
    // device is reopened with the new buffers and reserve.
    MixState.SetLatency(mode);
    if (WaveInRecThread != nullptr) WaveInRecThread->RequestReset();
}

void TConfigForm::PaintPicture(const DRAWITEMSTRUCT& item) const {
    // A tide of blue bands under the product name.
    const RECT& r = item.rcItem;
    const int height = r.bottom - r.top;
    for (int band = 0; band < height; ++band) {
        const int depth = band * 255 / (height > 0 ? height : 1);
        HBRUSH brush = CreateSolidBrush(RGB(20, 60 + depth / 3, 120 + depth / 2));
        RECT line{r.left, r.top + band, r.right, r.top + band + 1};
        FillRect(item.hDC, &line, brush);
        DeleteObject(brush);
    }
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(255, 255, 255));
    RECT text = r;
    DrawTextA(item.hDC, "Quorvex Tidewell", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CALLBACK TConfigForm::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TConfigForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, msg, wParam, lParam);
    return self->Handle(msg, wParam, lParam);
}

LRESULT TConfigForm::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        switch (msg) {
            case WM_HSCROLL:
                if (reinterpret_cast<HWND>(lParam) == trackBar1_ && LOWORD(wParam) != TB_ENDTRACK) TrackBar1Change();
                return 0;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK) {
                    modal_.End(IDOK);
                } else if (LOWORD(wParam) == kButton2 && HIWORD(wParam) == BN_CLICKED) {
                    Button2Click();
                } else if (LOWORD(wParam) == kCheckBox1 && HIWORD(wParam) == BN_CLICKED) {
                    CheckBox1Click();
                } else if (LOWORD(wParam) == kLatencyBox && HIWORD(wParam) == CBN_SELCHANGE) {
                    LatencyBoxChange();
                } else {
                    HandleHotkeyCommand(LOWORD(wParam), HIWORD(wParam));
                }
                return 0;
            case WM_DRAWITEM:
                if (wParam == kImage1) PaintPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            case WM_CLOSE:
                return 0;  // closed only by "Done" or Enter
            default:
                break;
        }
    } catch (const std::exception& e) {
        // A setter that cannot write the settings file: tell the user, keep the dialog.
        ShowErrorMessage(e.what());
        return 0;
    }
    return DefWindowProcA(window_, msg, wParam, lParam);
}
