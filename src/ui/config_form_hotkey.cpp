// The configuration dialog's push-to-talk hotkey group: a field that takes the next key
// pressed (with the modifiers held then), a Clear button, Hold or Toggle, the release delay,
// and a line that tells whether the key is ours or why not.
#include <string>

#include "capture/pending_marks.h"
#include "ui/config_form.h"
#include "ui/config_form_places.h"
#include "config/plugin_config.h"
#include "core/exported_globals.h"
#include "base/number_format.h"
#include "ui/control_window_hooks.h"
#include "ui/hotkey_name.h"
#include "ui/user_decimal_separator.h"

namespace {

enum : int { kHotkeyField = 201, kHotkeyClear, kHotkeyModeBox, kReleaseDelayEdit, kHotkeyLabel };

constexpr Place kHotkeyFieldPlace{8, 15, 98, 20};
constexpr Place kClearPlace{110, 14, 44, 22};
constexpr Place kModeBoxPlace{158, 15, 62, 80};  // the height includes the dropped list
constexpr Place kDelayCaptionPlace{8, 41, 118, 13};
constexpr Place kDelayEditPlace{130, 38, 44, 20};
constexpr Place kLabelPlace{8, 60, 212, 13};

constexpr const char* kHoldItem = "Hold";
constexpr const char* kToggleItem = "Toggle";
constexpr int kHoldIndex = 0;
constexpr int kToggleIndex = 1;
constexpr const char* kNoKeyText = "No hotkey: click the box, press a key";
constexpr const char* kWorksText = " works in every program";
constexpr const char* kNotAKeyText = "Not a hotkey: F1-F24, A-Z, 0-9, Num0-9, ...";
constexpr const char* kDelayRangeText = "Release delay: 0 to 5 seconds";
constexpr const char* kOldProcedureProperty = "TidewellHotkeyFieldProcedure";

bool IsModifierKey(WPARAM key) {
    return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == VK_LWIN || key == VK_RWIN ||
           key == VK_LSHIFT || key == VK_RSHIFT || key == VK_LCONTROL || key == VK_RCONTROL || key == VK_LMENU ||
           key == VK_RMENU;
}

bool Held(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// The hotkey field: every key goes to the dialog's HotkeyFieldKey, except Tab and Enter,
// which keep moving the focus and closing the dialog.
LRESULT CALLBACK HotkeyFieldProcedure(HWND field, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto old = reinterpret_cast<WNDPROC>(GetPropA(field, kOldProcedureProperty));
    auto* form = reinterpret_cast<TConfigForm*>(GetWindowLongPtrA(GetParent(field), GWLP_USERDATA));
    switch (msg) {
        case WM_GETDLGCODE: {
            const auto* message = reinterpret_cast<const MSG*>(lParam);
            if (message != nullptr && (message->wParam == VK_TAB || message->wParam == VK_RETURN)) break;
            return DLGC_WANTALLKEYS;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (form != nullptr && !IsModifierKey(wParam)) form->HotkeyFieldKey(static_cast<int>(wParam));
            return 0;
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            return 0;
        case WM_NCDESTROY:
            RemovePropA(field, kOldProcedureProperty);
            SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
            break;
        default:
            break;
    }
    return old != nullptr ? CallWindowProcA(old, field, msg, wParam, lParam) : DefWindowProcA(field, msg, wParam, lParam);
}

}  // namespace

void TConfigForm::CreateHotkeyControls() {
    Make(window_, "BUTTON", "Push-to-talk hotkey", BS_GROUPBOX, kHotkeyGroup, 0);
    hotkeyField_ = Make(window_, "EDIT", "", WS_TABSTOP | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, kHotkeyFieldPlace,
                        kHotkeyField, kHotkeyGroup);
    SetPropA(hotkeyField_, kOldProcedureProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrA(hotkeyField_, GWLP_WNDPROC)));
    SetWindowLongPtrA(hotkeyField_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HotkeyFieldProcedure));
    Make(window_, "BUTTON", "Clear", WS_TABSTOP | BS_PUSHBUTTON, kClearPlace, kHotkeyClear, kHotkeyGroup);
    hotkeyModeBox_ = Make(window_, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kModeBoxPlace,
                          kHotkeyModeBox, kHotkeyGroup);
    SendMessageA(hotkeyModeBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kHoldItem));
    SendMessageA(hotkeyModeBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kToggleItem));
    Make(window_, "STATIC", "Release delay (s):", SS_LEFT, kDelayCaptionPlace, 0, kHotkeyGroup);
    releaseDelayEdit_ = Make(window_, "EDIT", "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kDelayEditPlace,
                             kReleaseDelayEdit, kHotkeyGroup);
    hotkeyLabel_ = Make(window_, "STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kLabelPlace, kHotkeyLabel,
                        kHotkeyGroup);
}

void TConfigForm::ShowHotkeySettings() {
    const bool haveConfig = PluginConfig != nullptr;
    for (HWND control : {hotkeyField_, hotkeyModeBox_, releaseDelayEdit_}) EnableWindow(control, haveConfig);
    EnableWindow(GetDlgItem(window_, kHotkeyClear), haveConfig);
    if (!haveConfig) return;
    showingHotkey_ = true;
    SetWindowTextA(hotkeyField_, PluginConfig->PTTHotkey.c_str());
    SendMessageA(hotkeyModeBox_, CB_SETCURSEL, PluginConfig->PTTHotkeyToggle ? kToggleIndex : kHoldIndex, 0);
    SetWindowTextA(releaseDelayEdit_, FormatFloat(PluginConfig->PTTReleaseDelay, UserDecimalSeparator()).c_str());
    showingHotkey_ = false;
    ShowHotkeyOutcome(ApplyControlWindowHotkey());
}

void TConfigForm::ShowHotkeyOutcome(const std::string& problem) {
    std::string text = problem;
    if (text.empty()) {
        const std::string& key = PluginConfig != nullptr ? PluginConfig->PTTHotkey : std::string();
        text = key.empty() ? kNoKeyText : key + kWorksText;
    }
    SetWindowTextA(hotkeyLabel_, text.c_str());
}

void TConfigForm::ChooseHotkey(const std::string& name) {
    if (PluginConfig == nullptr) return;
    SetWindowTextA(hotkeyField_, name.c_str());
    PluginConfig->SetPTTHotkey(name);
    ShowHotkeyOutcome(ApplyControlWindowHotkey());
}

void TConfigForm::HotkeyFieldKey(int virtualKey) {
    HotkeyChord chord{0, virtualKey};
    if (Held(VK_CONTROL)) chord.Modifiers |= kHotkeyCtrl;
    if (Held(VK_MENU)) chord.Modifiers |= kHotkeyAlt;
    if (Held(VK_SHIFT)) chord.Modifiers |= kHotkeyShift;
    if (Held(VK_LWIN) || Held(VK_RWIN)) chord.Modifiers |= kHotkeyWin;
    const std::string name = HotkeyName(chord);
    if (name.empty()) {
        SetWindowTextA(hotkeyLabel_, kNotAKeyText);
        return;
    }
    ChooseHotkey(name);
}

void TConfigForm::HotkeyClearClick() { ChooseHotkey(""); }

void TConfigForm::HotkeyModeBoxChange() {
    if (PluginConfig == nullptr || showingHotkey_) return;
    PluginConfig->SetPTTHotkeyToggle(SendMessageA(hotkeyModeBox_, CB_GETCURSEL, 0, 0) == kToggleIndex);
    ShowHotkeyOutcome(ApplyControlWindowHotkey());
}

void TConfigForm::ReleaseDelayEditChange() {
    if (PluginConfig == nullptr || showingHotkey_) return;
    char text[32] = {};
    GetWindowTextA(releaseDelayEdit_, text, sizeof text);
    double seconds = -1.0;
    if (!ParseFloat(text, UserDecimalSeparator(), seconds) || seconds < 0.0 || seconds > kLongestReleaseTailSeconds) {
        SetWindowTextA(hotkeyLabel_, kDelayRangeText);
        return;
    }
    PluginConfig->SetPTTReleaseDelay(seconds);
    ShowHotkeyOutcome(ApplyControlWindowHotkey());
}

bool TConfigForm::HandleHotkeyCommand(int id, int code) {
    if (id == kHotkeyClear && code == BN_CLICKED) {
        HotkeyClearClick();
    } else if (id == kHotkeyModeBox && code == CBN_SELCHANGE) {
        HotkeyModeBoxChange();
    } else if (id == kReleaseDelayEdit && code == EN_CHANGE) {
        ReleaseDelayEditChange();
    } else {
        return false;
    }
    return true;
}
