// The control window's settings handlers: device list, activation, reset, mix-in and
// transition check boxes, the timing edit boxes, the sliders, the mode actions, the pages
// and the status line.
#include <windows.h>
#include <commctrl.h>

#include "capture/input_devices.h"
#include "capture/wave_in_api.h"
#include "config/plugin_config.h"
#include "core/exported_globals.h"
#include "core/mix_state.h"
#include "base/number_format.h"
#include "host/winamp_api_man.h"
#include "ui/mix_in_form.h"
#include "ui/ptt_hotkey_control.h"
#include "ui/scrollable_paint_box.h"
#include "ui/slider_values.h"
#include "ui/status_line.h"
#include "ui/timing_edit_rules.h"

namespace {

constexpr int kTextLimit = 1024;

std::string WindowText(HWND window) {
    char text[kTextLimit] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ComboItemText(HWND combo, int index) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

bool IsTicked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace

void TMixInForm::HandleCommand(int, int code, HWND control) {
    MixInFormControls& c = controls_;
    if (HandleDspCommand(control, code)) return;
    if (control == c.ComboBox1) {
        if (!deviceHandlersAttached_) return;
        if (code == CBN_EDITCHANGE) DeviceChosen(WindowText(c.ComboBox1));
        if (code == CBN_SELCHANGE) {
            const std::string chosen = ComboItemText(c.ComboBox1, static_cast<int>(SendMessageA(c.ComboBox1, CB_GETCURSEL, 0, 0)));
            SetWindowTextA(c.ComboBox1, chosen.c_str());
            DeviceChosen(chosen);
        }
        return;
    }
    if (control == c.Edit1 || control == c.Edit2 || control == c.Edit3) {
        if (code == EN_CHANGE && editTextFromCode_ == 0) TimingEditChanged(control);
        return;
    }
    if (code != BN_CLICKED) return;
    if (control == c.Button1) ActivateClick();
    if (control == c.Button3) ResetClick();
    if (control == c.CheckBox1) MixInClick();
    if (control == c.CheckBox2) LogarithmicClick();
    if (control == c.PTTHoldButton) HoldClick();
    for (int action = 0; action < kModeActionCount; ++action) {
        if (control == c.ModeButtons[action]) RunModeAction(static_cast<MixModeActionIndex>(action));
    }
}

void TMixInForm::FillDeviceList(bool preferConfiguredName) {
    HWND combo = controls_.ComboBox1;
    deviceHandlersAttached_ = false;
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);

    const int reported = static_cast<int>(seams_.Devices->GetNumDevs());
    std::string wanted = currentDevice_;
    if (preferConfiguredName) wanted = PluginConfig != nullptr ? PluginConfig->InputDeviceName : std::string();

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    LRESULT matched = CB_ERR;
    for (const NamedDevice& device : ListInputDevices(*seams_.Devices)) {
        const LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(device.Name.c_str()));
        if (device.Name == wanted) matched = index;
    }
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    if (reported <= 0 || matched == CB_ERR) {
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
    } else {
        SendMessageA(combo, CB_SETCURSEL, matched, 0);
        SetWindowTextA(combo, wanted.c_str());
    }

    deviceHandlersAttached_ = true;
    const std::string shown = WindowText(combo);
    if (shown != currentDevice_) DeviceChosen(shown);
}

void TMixInForm::DeviceChosen(const std::string& text) {
    if (text == currentDevice_) return;
    currentDevice_ = text;
    Persist([&](TPluginConfig& config) { config.SetInputDeviceName(text); });
    MixState.SetDevice(text);
    MixState.SetSelectedDeviceChanged();
}

void TMixInForm::ActivateClick() {
    active_ = !active_;
    SetWindowTextA(controls_.Button1, active_ ? "Deactivate" : "Activate");
    MixState.SetWantActivate(active_);
    Persist([&](TPluginConfig& config) { config.SetWantActive(active_); });
}

void TMixInForm::ResetClick() {
    FillDeviceList(false);
    if (ControlCaptureLink* capture = Capture()) {
        try {
            capture->RequestReset();
        } catch (...) {
            // A failing reset request is of no consequence to the window.
        }
    }
    MixState.SetWantReset();
    pad_.Clear();
    controls_.PTTButtonBox->Invalidate();
}

void TMixInForm::MixInClick() { MixState.SetMixIn(IsTicked(controls_.CheckBox1)); }

void TMixInForm::LogarithmicClick() {
    logarithmic_ = IsTicked(controls_.CheckBox2);
    MixState.SetLogTrans(logarithmic_);
    Persist([&](TPluginConfig& config) { config.SetLogTransition(logarithmic_); });
}

void TMixInForm::SetCheckBox(HWND box, bool ticked) {
    SendMessageA(box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (box == controls_.CheckBox1) MixInClick();
    if (box == controls_.CheckBox2) LogarithmicClick();
}

void TMixInForm::SetEditText(HWND edit, const std::string& text) {
    ++editTextFromCode_;
    SetWindowTextA(edit, text.c_str());
    --editTextFromCode_;
    TimingEditChanged(edit);
}

void TMixInForm::TimingEditChanged(HWND edit) {
    const bool isHold = edit == controls_.Edit3;
    double& stored = edit == controls_.Edit1 ? fadeIn_ : edit == controls_.Edit2 ? fadeOut_ : hold_;
    const std::string text = WindowText(edit);
    const TimingEditReading reading =
        isHold ? ReadHoldText(text, decimalSeparator_) : ReadFadeText(text, decimalSeparator_);

    if (reading.Act == TimingEditReading::Action::Revert) {
        SetEditText(edit, FormatFloat(stored, decimalSeparator_));
    } else {
        if (reading.Act == TimingEditReading::Action::Store) stored = reading.Value;
        const double value = stored;
        if (edit == controls_.Edit1) Persist([&](TPluginConfig& config) { config.SetMixInFade(value); });
        if (edit == controls_.Edit2) Persist([&](TPluginConfig& config) { config.SetMixOtFade(value); });
        if (isHold) Persist([&](TPluginConfig& config) { config.SetAutoReleaseDelay(value); });
    }
    MixState.SetAutoMixTiming(fadeIn_, fadeOut_, hold_);
}

void TMixInForm::SetSliderPosition(HWND slider, int position) {
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
    SliderMoved(slider);
}

void TMixInForm::SliderMoved(HWND slider) {
    const HWND sliders[4] = {controls_.TrackBar1, controls_.TrackBar2, controls_.TrackBar3, controls_.TrackBar4};
    for (int i = 0; i < 4; ++i) {
        if (sliders[i] != slider) continue;
        const int position = static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
        if (position == sliderPositions_[i]) return;  // only a real move counts as a change
        sliderPositions_[i] = position;
        SliderChanged(slider, position);
        return;
    }
}

void TMixInForm::SliderChanged(HWND slider, int position) {
    if (slider == controls_.TrackBar1) {
        manualLevel_ = LevelFromSlider(position);
        MixState.SetManualMixInPercent(manualLevel_);
    } else if (slider == controls_.TrackBar2) {
        autoLevel_ = LevelFromSlider(position);
        // The auto level has no setter: it reaches the file with the next save.
        if (PluginConfig != nullptr) PluginConfig->AutoMixInPercent = autoLevel_;
        MixState.SetAutoMixInPercent(autoLevel_);
    } else if (slider == controls_.TrackBar3) {
        threshold_ = ThresholdFromSlider(position);
        MixState.SetAutoMixThresh(threshold_);
        Persist([&](TPluginConfig& config) { config.SetAutoMixInThresh(threshold_); });
    } else if (slider == controls_.TrackBar4) {
        pttLevel_ = LevelFromSlider(position);
        MixState.SetPTTMixInPercent(pttLevel_);
        Persist([&](TPluginConfig& config) { config.SetPTTMixInPercent(pttLevel_); });
    }
}

void TMixInForm::RunModeAction(MixModeActionIndex action) {
    if (!ModeActionChangesMode(mode_, action)) {
        CheckModeButton(ActionForMode(mode_));  // a click on the down button leaves it down
        return;
    }
    const MixModeAction& chosen = kMixModeActions[action];
    CheckModeButton(action);
    if (chosen.Page != kPageNone) ShowPage(chosen.Page);
    mode_ = chosen.Mode;
    MixState.SetMSMode(mode_);
    Persist([&](TPluginConfig& config) { config.SetMixInMode(mode_); });
}

bool TMixInForm::Shortcut(int virtualKey) {
    if (virtualKey < 'A' || virtualKey > 'Z') return false;
    const MixModeActionIndex action = ActionForShortcut(static_cast<char>(virtualKey));
    if (action == kModeActionCount) return false;
    RunModeAction(action);
    return true;
}

void TMixInForm::CheckModeButton(MixModeActionIndex action) {
    for (int i = 0; i < kModeActionCount; ++i) {
        SendMessageA(controls_.ModeButtons[i], BM_SETCHECK, i == action ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void TMixInForm::ShowPage(int page) {
    if (page < 0 || page >= kControlPageCount) return;
    SendMessageA(controls_.PageControl, TCM_SETCURSEL, page, 0);
    // Show the new page before hiding the old one, so the focus never falls out of the window.
    ShowWindow(controls_.Pages[page], SW_SHOW);
    for (int other = 0; other < kControlPageCount; ++other) {
        if (other != page) ShowWindow(controls_.Pages[other], SW_HIDE);
    }
}

void TMixInForm::PageChangedByUser() {
    const int page = static_cast<int>(SendMessageA(controls_.PageControl, TCM_GETCURSEL, 0, 0));
    if (page < 0 || page >= kControlPageCount) return;
    ShowPage(page);
    Persist([&](TPluginConfig& config) { config.SetLastTab(kControlPageCaptions[page]); });
}

void TMixInForm::RefreshStatus() {
    ControlCaptureLink* capture = Capture();
    StatusInputs inputs{capture != nullptr, 0, 0, pttIndicator_};
    if (capture != nullptr) {
        inputs.CaptureState = capture->State();
        inputs.RecordedCount = capture->RecordedCount();
        inputs.Trouble = capture->Trouble();
        TWinAmpAPIMan* host = HostLink;
        if (ShouldRequestPause(host != nullptr, active_, inputs.CaptureState, [host] { return host->IsPlaying(); })) {
            capture->RequestPause();
        }
    }
    if (hotkey_) {
        hotkey_->RetryIfTaken();
        inputs.HotkeyProblem = hotkey_->Problem();
    }
    const std::string text = StatusLineText(inputs);
    if (text != StatusText()) SetWindowTextA(controls_.StaticText1, text.c_str());
}

void TMixInForm::MoveFocus(WPARAM target, LPARAM how) {
    HWND next = LOWORD(how) != 0 ? reinterpret_cast<HWND>(target)
                                 : GetNextDlgTabItem(window_, GetFocus(), target != 0 ? TRUE : FALSE);
    if (next == nullptr) return;
    SetFocus(next);
    char windowClass[16] = {};
    GetClassNameA(next, windowClass, sizeof windowClass);
    if (lstrcmpiA(windowClass, "Edit") == 0) SendMessageA(next, EM_SETSEL, 0, -1);
}
