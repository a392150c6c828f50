#include "ui/mix_in_form.h"

#include "ui/modal_window.h"
#include "host/object_window_procedure.h"

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include "capture/wave_in_api.h"
#include "config/plugin_config.h"
#include "core/exported_globals.h"
#include "core/mix_state.h"
#include "core/mixin_messages.h"
#include "base/number_format.h"
#include "comms/server_window_coms.h"
#include "base/plugin_error.h"
#include "host/error_display.h"
#include "host/window_class.h"
#include "ui/check_list_box.h"
#include "ui/control_panel.h"
#include "ui/format_labels.h"
#include "ui/keyboard_router.h"
#include "host/own_module.h"
#include "ui/ptt_hotkey_control.h"
#include "ui/scrollable_paint_box.h"
#include "ui/slider_values.h"
#include "ui/user_decimal_separator.h"

namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
constexpr const char* kFontFace = "MS Sans Serif";
constexpr int kFontPoints = 8;
constexpr int kPointsPerInch = 72;

HFONT CreateFormFont() {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(kFontPoints, GetDeviceCaps(screen, LOGPIXELSY), kPointsPerInch);
    ReleaseDC(nullptr, screen);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace);
}

}  // namespace

TMixInForm::OwnedWindow::~OwnedWindow() {
    if (Handle != nullptr && IsWindow(Handle)) DestroyWindow(Handle);
}

TMixInForm::TMixInForm(HWND owner, ControlWindowSeams seams) : owner_(owner), seams_(std::move(seams)) {
    if (owner == nullptr) throw PluginError(kOwnerMissingText);
    if (!seams_.CaptureThread) seams_.CaptureThread = &PublishedCaptureThread;
    if (seams_.Devices == nullptr) seams_.Devices = &WinmmWaveIn();
    decimalSeparator_ = UserDecimalSeparator();

    int left = kDefaultMixInFormLeft;
    int top = kDefaultMixInFormTop;
    if (PluginConfig != nullptr) {
        left = PluginConfig->MixInFormLeft;
        top = PluginConfig->MixInFormTop;
    }
    if (!IsWindow(owner)) throw PluginError(kOwnerMissingText);

    try {
        font_ = CreateFormFont();
        CreateFormWindow(left, top);
        BuildControls();
        CreateCommandServer();
        RefillDspList();
        LoadSettings();
        PushSettingsIntoMixState();
        keyboard_ = std::make_unique<KeyboardRouter>(window_, [this](int key) { return Shortcut(key); });
        hotkey_ = std::make_unique<PttHotkeyControl>(window_, [this](PttHotkeyPresses::PadAction action) {
            HotkeyPad(action);
        });
        ApplyHotkeySetting();
        SetTimer(window_, kStatusTimerId, kStatusTimerMs, nullptr);
        SetTimer(window_, kMeterTimerId, kMeterTimerMs, nullptr);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        ApplySettingsToControls();
    } catch (...) {
        QXServerWindowComs1.reset();
        hotkey_.reset();
        keyboard_.reset();
        checkListBox1_.reset();
        if (window_ != nullptr) SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        ReleaseColourScale();
        if (font_ != nullptr) DeleteObject(font_);
        throw;
    }
}

TMixInForm::~TMixInForm() {
    *alive_ = false;  // a handler pumping messages below this call stops touching the object
    // A destructor must not throw: a failed save is reported once by the store.
    if (TPluginConfig* config = PluginConfig) {
        RECT place{};
        const bool placed = GetWindowRect(window_, &place) != FALSE;
        // One value each: a failed save keeps the value in memory for the store's last save.
        if (placed) {
            config->ChangeOrReport([&](TPluginConfig& c) { c.SetMixInFormTop(place.top); });
            config->ChangeOrReport([&](TPluginConfig& c) { c.SetMixInFormLeft(place.left); });
        }
        config->ChangeOrReport([&](TPluginConfig& c) { c.SetWantActive(active_); });
    }

    QXServerWindowComs1.reset();  // closes the server and tells its clients
    FreeInfoForm();
    hotkey_.reset();  // unregisters the key
    keyboard_.reset();
    KillTimer(window_, kStatusTimerId);
    KillTimer(window_, kMeterTimerId);
    // From here on the window's messages take the default handling: the object is going.
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    ReleaseColourScale();
    pttButtonBox_.reset();
    vuPaintBox_.reset();
    checkListBox1_.reset();
    while (!panels_.empty()) panels_.pop_back();  // inner groups before their pages
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    owned_.Handle = nullptr;
    if (font_ != nullptr) DeleteObject(font_);
}

void TMixInForm::ReleaseColourScale() {
    if (scaleDc_ != nullptr) {
        SelectObject(scaleDc_, scaleOldBitmap_);
        DeleteDC(scaleDc_);
        scaleDc_ = nullptr;
    }
    if (scaleBitmap_ != nullptr) DeleteObject(scaleBitmap_);
    scaleBitmap_ = nullptr;
}

void TMixInForm::CreateFormWindow(int left, int top) {
    HINSTANCE module = ModuleOfControlWindowCode();
    EnsureWindowClass(module, kMixInFormClass, &TMixInForm::Procedure);
    RECT outer{0, 0, kMixInFormClientWidth, kMixInFormClientHeight};
    AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
    window_ = CreateWindowExA(kFormExStyle, kMixInFormClass, kMixInFormCaption, kFormStyle, left, top,
                              outer.right - outer.left, outer.bottom - outer.top, owner_, nullptr, module, this);
    // The owner was a window a moment ago; creation fails when it has gone meanwhile.
    if (window_ == nullptr) throw PluginError(kOwnerMissingText);
    owned_.Handle = window_;
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

LRESULT CALLBACK TMixInForm::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchToOwner<TMixInForm, &TMixInForm::HandleMessage, &TMixInForm::window_>(window, msg, wParam, lParam);
}

LRESULT TMixInForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_MIXIN_RMS && msg <= WM_MIXIN_PTT) {
        HandleNotification(msg, wParam);
        return 0;
    }
    switch (msg) {
        case WM_CLOSE:
            return 0;  // only MixIn Quit takes the window down
        case WM_COMMAND:
            HandleCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (lParam != 0) SliderMoved(reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == controls_.PageControl && header->code == TCN_SELCHANGE) PageChangedByUser();
            return 0;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->hwndItem == controls_.Shape1) PaintTriggerLamp(*item);
            if (item->hwndItem == controls_.MoveUpSpeedButton) PaintMoveButton(*item, true);
            if (item->hwndItem == controls_.MoveDownSpeedButton) PaintMoveButton(*item, false);
            if (controls_.CheckListBox1 != nullptr && item->hwndItem == controls_.CheckListBox1->Handle()) {
                PaintDspLine(*item);
            }
            return TRUE;
        }
        case kRunRamPttMessage:
            RamPTT();
            return 0;
        case WM_TIMER:
            if (wParam == kStatusTimerId) RefreshStatus();
            if (wParam == kMeterTimerId) MeterTick();
            if (wParam == kHotkeyPollTimerId && hotkey_) hotkey_->Poll();
            return 0;
        case WM_HOTKEY:
            if (hotkey_) hotkey_->HotkeyMessage(wParam);
            return 0;
        case WM_DEVICECHANGE:
            if (wParam == DBT_DEVNODES_CHANGED) FillDeviceList(false);
            return TRUE;
        case WM_NEXTDLGCTL:
            MoveFocus(wParam, lParam);
            return 0;
        default:
            return DefWindowProcA(window_, msg, wParam, lParam);
    }
}

void TMixInForm::HandleNotification(UINT msg, WPARAM wParam) {
    const auto value = static_cast<int32_t>(wParam);
    switch (msg) {
        case WM_MIXIN_RMS:
            meter_.ReceiveLevel(value);
            break;
        case WM_MIXIN_TRIGGER:
            if (triggerOn_ != (value != 0)) {
                triggerOn_ = value != 0;
                InvalidateRect(controls_.Shape1, nullptr, FALSE);
            }
            break;
        case WM_MIXIN_TOGGLE_SERVER:
            ToggleCommandServer();
            break;
        case WM_MIXIN_SRATE:
            if (value != lastRate_) {
                lastRate_ = value;
                SetWindowTextA(controls_.Label1, SampleRateLabel(value, decimalSeparator_).c_str());
            }
            break;
        case WM_MIXIN_BITS:
            if (value != lastBits_) {
                lastBits_ = value;
                SetWindowTextA(controls_.Label2, BitsLabel(value).c_str());
            }
            break;
        case WM_MIXIN_NCH:
            if (value != lastChannels_) {
                lastChannels_ = value;
                SetWindowTextA(controls_.Label3, ChannelsLabel(value).c_str());
            }
            break;
        case WM_MIXIN_SAMPLES:
            if (value != lastBlockSize_) {
                lastBlockSize_ = value;
                SetWindowTextA(controls_.Label4, BlockSizeLabel(value).c_str());
            }
            break;
        case WM_MIXIN_PTT:
            pttIndicator_ = value != 0;
            break;
        default:
            break;
    }
}

void TMixInForm::LoadSettings() {
    TPluginConfig* config = PluginConfig;
    if (config == nullptr) return;
    autoLevel_ = config->AutoMixInPercent;
    threshold_ = config->AutoMixInThresh;
    fadeIn_ = config->MixInFade;
    fadeOut_ = config->MixOtFade;
    hold_ = config->AutoReleaseDelay;
    logarithmic_ = config->LogTransition;
    pttLevel_ = config->PTTMixInPercent;
    mode_ = static_cast<int8_t>(config->MixInMode);
    releaseDelay_ = config->PTTReleaseDelay;
    active_ = config->WantActive;
    if (active_) SetWindowTextA(controls_.Button1, "Deactivate");
    ShowPage(PageForLastTab(config->LastTab));
}

void TMixInForm::PushSettingsIntoMixState() {
    MixState.SetLogTrans(logarithmic_);
    MixState.SetMixIn(true);
    MixState.SetAutoMixTiming(fadeIn_, fadeOut_, hold_);
    MixState.SetAutoMixThresh(threshold_);
    MixState.SetWantActivate(false);
    MixState.SetManualMixInPercent(0.0);
    MixState.SetAutoMixInPercent(autoLevel_);
    MixState.SetPTTMixInPercent(pttLevel_);
    MixState.SetMSMode(mode_);
    MixState.SetWantActivate(active_);
}

void TMixInForm::ApplySettingsToControls() {
    FillDeviceList(true);
    SetSliderPosition(controls_.TrackBar2, SliderForLevel(autoLevel_));
    SetSliderPosition(controls_.TrackBar3, SliderForThreshold(threshold_));
    SetEditText(controls_.Edit1, FormatFloat(fadeIn_, decimalSeparator_));
    SetEditText(controls_.Edit2, FormatFloat(fadeOut_, decimalSeparator_));
    SetEditText(controls_.Edit3, FormatFloat(hold_, decimalSeparator_));
    SetCheckBox(controls_.CheckBox2, logarithmic_);
    SetSliderPosition(controls_.TrackBar4, SliderForLevel(pttLevel_));
    CheckModeButton(ActionForMode(mode_));
}

void TMixInForm::Persist(const std::function<void(TPluginConfig&)>& write) {
    TPluginConfig* config = PluginConfig;
    if (config == nullptr) return;
    try {
        write(*config);
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
    }
}

ControlCaptureLink* TMixInForm::Capture() const { return seams_.CaptureThread(); }

std::string TMixInForm::StatusText() const {
    char text[256] = {};
    GetWindowTextA(controls_.StaticText1, text, sizeof text);
    return text;
}
