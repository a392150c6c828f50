// TMixInForm: the MixIn module's control window.
//
// Contract
// - MixIn Init creates it on the host's window thread, after the capture thread and the
//   configuration store exist, with the host's window as owner; Init then sets HostLink and
//   makes Handle() the receiver of the mixing engine's notifications (MixState NotifyHWnd).
//   MixIn Quit destroys it; the user cannot close it.
// - Construction throws PluginError "shit" when the owner is null or not a window.
// - All its handlers run on the window thread. It pushes every user change into MixState
//   through the setters (plain stores the playback thread picks up) and the persistent ones
//   into PluginConfig (write-through; skipped when there is no store). It never reads
//   MixState, never waits for another thread: requests to the capture thread are posted.
// - Owns its window, its controls, its font, its timers, the meter's colour scale and the
//   push-to-talk hotkey's registration (given back when it is destroyed).
//
// The pages are Device, Auto, Manual, P.T.T. and DSP; the level meter stays in view over
// the right of the page area whichever page is shown. The DSP page shows the module stack
// (DSPPluginModulesStack, read live; absent stack: empty list, buttons off) and opens the
// module information window (InfoForm), which the window frees if one is left at its end.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/control_capture_link.h"
#include "ui/control_pages.h"
#include "ui/level_meter.h"
#include "ui/mix_mode_actions.h"
#include "ui/ptt_hotkey_presses.h"
#include "ui/ptt_pad.h"
#include "control/remote_commands.h"

class WaveInApi;
class TPluginConfig;
class TWinAmpAPIMan;
class TControlPanel;
class TScrollablePaintBox;
class KeyboardRouter;
class PaintCanvas;
class TQXServerWindowComs;
class TQXServerClientWindowComs;
class CheckListBox;
class PttHotkeyControl;

inline constexpr const char* kMixInFormClass = "TMixInForm";
inline constexpr const char* kMixInFormCaption = "Quorvex Tidewell MixIn";
// The message of the failure raised for a missing or dead owner window.
inline constexpr const char* kOwnerMissingText = "shit";

// Design size: the outer size is 266 x 466 with the standard dialog-frame metrics; the
// client area is what the layout is drawn for.
inline constexpr int kMixInFormClientWidth = 260;
inline constexpr int kMixInFormClientHeight = 441;
inline constexpr int kDefaultMixInFormLeft = 192;
inline constexpr int kDefaultMixInFormTop = 133;

inline constexpr UINT_PTR kStatusTimerId = 1;  // Timer1
inline constexpr UINT kStatusTimerMs = 300;
inline constexpr UINT_PTR kMeterTimerId = 2;  // VUTimer
inline constexpr UINT kMeterTimerMs = 150;

// Posted to the window by the "RamPTT" command: the stress run starts from the window's own
// message rather than inside the command server's delivery, so nothing of the server is on
// the stack while the run pumps messages (a MixIn Quit dispatched there destroys it).
inline constexpr UINT kRunRamPttMessage = WM_APP + 1;

// The trigger lamp's colours (Shape1).
inline constexpr COLORREF kTriggerOnColour = RGB(255, 0, 0);
inline constexpr COLORREF kTriggerOffColour = RGB(128, 0, 0);

// What the window takes from its surroundings, replaceable for tests.
struct ControlWindowSeams {
    WaveInApi* Devices = nullptr;                        // null: the platform's wave-in functions
    std::function<ControlCaptureLink*()> CaptureThread;  // empty: the published capture thread
};

// The window's controls by their design names.
struct MixInFormControls {
    HWND Label1, Label2, Label3, Label4;
    HWND PageControl;
    HWND Pages[kControlPageCount];
    HWND ComboBox1, Button1, CheckBox1, Edit1, Edit2, CheckBox2, Button3;
    HWND Edit3, Shape1, TrackBar3, TrackBar2;
    HWND TrackBar1;
    HWND PTTHoldButton, TrackBar4;
    HWND ModeButtons[kModeActionCount];  // A, M, P, O
    HWND MeterGroupBox, VUBevel;
    HWND StaticText1;
    TScrollablePaintBox* VUPaintBox;
    TScrollablePaintBox* PTTButtonBox;
    // Page "DSP".
    CheckListBox* CheckListBox1;
    HWND Panel1, Panel2;
    HWND ConfigureButton, MoveUpSpeedButton, MoveDownSpeedButton, DetailsButton;
};

class TMixInForm {
public:
    explicit TMixInForm(HWND owner, ControlWindowSeams seams = {});
    // Stores the window's position and the active flag, then destroys the window.
    ~TMixInForm();
    TMixInForm(const TMixInForm&) = delete;
    TMixInForm& operator=(const TMixInForm&) = delete;

    HWND Handle() const { return window_; }
    // The host window link; set by MixIn Init right after construction.
    TWinAmpAPIMan* HostLink = nullptr;

    const MixInFormControls& Controls() const { return controls_; }
    // The status line as shown now.
    std::string StatusText() const;
    // The level meter's state: current level, peak-hold history, bar and peak.
    const LevelMeter& Meter() const { return meter_; }
    bool PttPressed() const { return pad_.Pressed(); }

    // The command server "QuorvexTidewell", inactive until an outside program posts
    // WM_MIXIN_TOGGLE_SERVER (mix_in_form_remote.cpp).
    std::unique_ptr<TQXServerWindowComs> QXServerWindowComs1;
    void QXServerWindowComs1ClientReadString(TQXServerWindowComs* sender, TQXServerClientWindowComs* client);
    // The control words (mix_in_form_control_words.cpp): does what the click does and answers
    // `text`, which MatchRemoteCommand found to begin with `word`.
    std::string AnswerControlWord(RemoteCommand word, const std::string& text);
    COLORREF TriggerLampColour() const { return triggerOn_ ? kTriggerOnColour : kTriggerOffColour; }

    // Takes the push-to-talk hotkey settings from PluginConfig (PTTHotkey, PTTHotkeyMode,
    // PTTReleaseDelay) and registers the key (mix_in_form_hotkey.cpp). Answers why the key
    // cannot be had, empty when it is registered or none is set.
    std::string ApplyHotkeySetting();
    const PttHotkeyControl& Hotkey() const { return *hotkey_; }

    // Refills the DSP list from the module stack and updates its buttons (after the
    // configuration dialog added or removed the Bypass entry).
    void RefillDspList();
    // The stack index of the selected DSP line, -1 for none.
    int SelectedDspEntry() const;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void HandleCommand(int id, int code, HWND control);
    void HandleNotification(UINT msg, WPARAM wParam);

    // Construction and creation.
    void CreateFormWindow(int left, int top);
    void BuildControls();  // mix_in_form_controls.cpp
    TControlPanel& AddPanel(HWND parent, int left, int top, int width, int height, const char* groupCaption);
    HWND AddControl(HWND parent, const char* windowClass, const char* text, DWORD style, int left, int top,
                    int width, int height, int id, DWORD extendedStyle = 0);
    void LoadSettings();
    void ReleaseColourScale();
    void PushSettingsIntoMixState();
    void ApplySettingsToControls();

    // Settings (mix_in_form_settings.cpp).
    void FillDeviceList(bool preferConfiguredName);
    void DeviceChosen(const std::string& text);
    void ActivateClick();
    void ResetClick();
    void MixInClick();
    void LogarithmicClick();
    void TimingEditChanged(HWND edit);
    void SetEditText(HWND edit, const std::string& text);
    void SetCheckBox(HWND box, bool ticked);
    void SliderMoved(HWND slider);
    void SetSliderPosition(HWND slider, int position);
    void SliderChanged(HWND slider, int position);
    void RunModeAction(MixModeActionIndex action);
    bool Shortcut(int virtualKey);
    void CheckModeButton(MixModeActionIndex action);
    void ShowPage(int page);
    void PageChangedByUser();
    void RefreshStatus();
    void MoveFocus(WPARAM target, LPARAM how);
    // Runs a configuration write when the store exists; a failed write is shown to the user.
    void Persist(const std::function<void(TPluginConfig&)>& write);

    // Meter and push-to-talk pad (mix_in_form_meter_pad.cpp).
    void MeterTick();
    void ToggleMeter();
    void PaintMeter(PaintCanvas& canvas);
    void PaintTriggerLamp(const DRAWITEMSTRUCT& item);
    void PaintPad(TScrollablePaintBox& pad, PaintCanvas& canvas);
    void WirePad();
    // Queues the pad's event on the capture thread; a release with the release tail.
    void QueuePttEvent(PttPad::Event event);
    void HoldClick();
    ControlCaptureLink* Capture() const;

    // Push-to-talk hotkey (mix_in_form_hotkey.cpp): what its presses do to the pad.
    void HotkeyPad(PttHotkeyPresses::PadAction action);

    // Command server (mix_in_form_remote.cpp).
    void CreateCommandServer();
    void ToggleCommandServer();
    void RamPTT();
    std::string ControlStateReply() const;
    // DSP page (mix_in_form_dsp_page.cpp).
    void BuildDspPage();
    // True when `control` belongs to the page and the command was handled there.
    bool HandleDspCommand(HWND control, int code);
    void UpdateDspButtons();
    void DspCheckChanged();
    void ConfigureClick();
    void MoveUpClick();
    void MoveDownClick();
    void DetailsClick();
    void PaintDspLine(const DRAWITEMSTRUCT& item);
    void PaintMoveButton(const DRAWITEMSTRUCT& item, bool up);
    void FreeInfoForm();

    // Handlers that pump messages (RamPTT, Details) run other handlers nested, MixIn Quit
    // (which destroys this window) included. Each runs once at a time, a nested call of the
    // same handler is dropped, and after each pump it checks `alive_`: once the destructor
    // has run it returns at once without touching the object.
    class PumpingHandler;
    bool ramPttRunning_ = false;
    bool detailsRunning_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    struct OwnedWindow {
        HWND Handle = nullptr;
        ~OwnedWindow();
    };

    OwnedWindow owned_;  // destroyed last: the controls' objects go first
    HWND window_ = nullptr;
    HWND owner_ = nullptr;
    ControlWindowSeams seams_;
    HFONT font_ = nullptr;
    char decimalSeparator_ = '.';
    MixInFormControls controls_{};
    std::vector<std::unique_ptr<TControlPanel>> panels_;  // pages and group boxes
    std::unique_ptr<TScrollablePaintBox> vuPaintBox_, pttButtonBox_;
    std::unique_ptr<CheckListBox> checkListBox1_;
    std::unique_ptr<KeyboardRouter> keyboard_;
    std::unique_ptr<PttHotkeyControl> hotkey_;
    HDC scaleDc_ = nullptr;  // VUImage: the colour scale, selected into a memory DC
    HBITMAP scaleBitmap_ = nullptr;
    HGDIOBJ scaleOldBitmap_ = nullptr;

    // The window's own state.
    std::string currentDevice_;
    bool active_ = false;
    double manualLevel_ = 0.0;
    double autoLevel_ = 0.7;
    double threshold_ = 0.1;
    double fadeIn_ = 0.01;
    double fadeOut_ = 1.0;
    double hold_ = 0.5;
    bool logarithmic_ = true;
    double pttLevel_ = 0.7;
    int8_t mode_ = 0;
    int32_t lastRate_ = 0, lastBits_ = 0, lastChannels_ = 0, lastBlockSize_ = 0;
    LevelMeter meter_;
    bool triggerOn_ = false;
    bool pttIndicator_ = false;
    PttPad pad_;
    double releaseDelay_ = 0.0;  // PTTReleaseDelay, seconds

    // Handler plumbing.
    bool deviceHandlersAttached_ = false;
    int editTextFromCode_ = 0;
    int sliderPositions_[4] = {};  // last positions of TrackBar1..4 seen by their handlers
};
