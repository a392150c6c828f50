// TConfigForm: the configuration dialog the host opens through the MixIn module's Config.
//
// Sets the capture thread's priority, the bypass switch, the latency setting, whether
// the DSP libraries are always loaded and the push-to-talk hotkey (config_form_hotkey.cpp); shows the plug-in's version with its build flags. Every change takes
// effect at once; "Done" (or Enter) only closes it. Built, shown modally and destroyed on
// the host's window thread by MixIn Config, published as ConfigForm meanwhile. Tolerates a
// missing capture thread, configuration store, DSP stack or control window.
#pragma once

#include <windows.h>

#include <string>

#include "ui/modal_window.h"

inline constexpr const char* kConfigFormCaption = "Quorvex Tidewell Configuration";
inline constexpr const char* kConfigFormClass = "TidewellConfigForm";

class TConfigForm {
public:
    explicit TConfigForm(HWND owner);
    ~TConfigForm();
    TConfigForm(const TConfigForm&) = delete;
    TConfigForm& operator=(const TConfigForm&) = delete;

    // Positions the track bar at `priority` (1..6; anything else at 0) and names it.
    void ShowPriority(int priority);
    int SelectedPriority() const;
    // Shows the dialog modally; returns IDOK when "Done" closed it.
    INT_PTR ShowModal();

    HWND Handle() const { return window_; }
    HWND TrackBar1() const { return trackBar1_; }
    HWND Label1() const { return label1_; }
    HWND Button1() const { return button1_; }
    HWND Button2() const { return button2_; }
    HWND CheckBox1() const { return checkBox1_; }
    HWND Label6() const { return label6_; }
    HWND LatencyBox() const { return latencyBox_; }
    HWND LatencyLabel() const { return latencyLabel_; }
    HWND HotkeyField() const { return hotkeyField_; }
    HWND HotkeyModeBox() const { return hotkeyModeBox_; }
    HWND ReleaseDelayEdit() const { return releaseDelayEdit_; }
    HWND HotkeyLabel() const { return hotkeyLabel_; }

    // Event handlers, as the controls call them.
    void TrackBar1Change();
    void Button2Click();
    void CheckBox1Click();
    // A latency setting chosen: saved, and the capture restarted with it.
    void LatencyBoxChange();
    // The hotkey field took a key (virtual-key code, with the modifiers held down then).
    void HotkeyFieldKey(int virtualKey);
    void HotkeyClearClick();
    void HotkeyModeBoxChange();
    void ReleaseDelayEditChange();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void SetTrackPosition(int position);
    void PaintPicture(const DRAWITEMSTRUCT& item) const;
    void CreateHotkeyControls();
    void ShowHotkeySettings();
    // Stores a new key name, has the control window register it and shows the outcome.
    void ChooseHotkey(const std::string& name);
    void ShowHotkeyOutcome(const std::string& problem);
    bool HandleHotkeyCommand(int id, int code);

    HWND owner_ = nullptr;
    HWND window_ = nullptr;
    HWND trackBar1_ = nullptr;
    HWND label1_ = nullptr;
    HWND button2_ = nullptr;
    HWND checkBox1_ = nullptr;
    HWND image1_ = nullptr;
    HWND label6_ = nullptr;
    HWND button1_ = nullptr;
    HWND latencyBox_ = nullptr;
    HWND latencyLabel_ = nullptr;
    HWND hotkeyField_ = nullptr;
    HWND hotkeyModeBox_ = nullptr;
    HWND releaseDelayEdit_ = nullptr;
    HWND hotkeyLabel_ = nullptr;
    bool showingHotkey_ = false;  // controls filled from the settings: not a user change
    ModalLoop modal_;
};
