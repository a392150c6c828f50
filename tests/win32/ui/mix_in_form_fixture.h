// The control window under Wine, set up the way MixIn Init sets it up: a host window that
// answers the host's questions, the configuration store on a real INI file in a fresh
// folder (published as PluginConfig), a scripted capture thread and a scripted list of
// wave-in devices. Tests drive the window by its messages and read MixState and the file.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/wave_in_api.h"
#include "config/plugin_config.h"
#include "core/exported_globals.h"
#include "core/mix_state.h"
#include "host/winamp_api_man.h"
#include "ui/mix_in_form.h"
#include "ui/scrollable_paint_box.h"
#include "win32/support/fake_host_window.h"
#include "win32/support/message_box_recorder.h"
#include "win32/support/temp_folder.h"

// The capture thread as the window sees it: a state and a count the test sets, and a record
// of every request and mark.
class ScriptedCaptureLink : public ControlCaptureLink {
public:
    uint8_t StateNow = 1;  // Idle
    int32_t Waiting = 0;
    int Pauses = 0;
    int Resets = 0;
    std::vector<uint8_t> Marks;
    std::vector<double> Tails;  // each mark's release tail, seconds

    uint8_t State() const override { return StateNow; }
    int32_t RecordedCount() const override { return Waiting; }
    void RequestPause() override { ++Pauses; }
    void RequestReset() override { ++Resets; }
    void QueueMark(uint8_t on, double tailSeconds) override {
        Marks.push_back(on);
        Tails.push_back(tailSeconds);
    }
};

// Wave-in devices that only have names: the wave mapper, then devices 0..n-1. A device
// without a name answers the capabilities query with an error.
class NamedWaveInDevices : public WaveInApi {
public:
    std::optional<std::string> Mapper = std::string("Microsoft Sound Mapper");
    std::vector<std::optional<std::string>> Devices;

    UINT GetNumDevs() override { return static_cast<UINT>(Devices.size()); }
    MMRESULT GetDevCaps(UINT_PTR id, WAVEINCAPSA* caps, UINT) override {
        const std::optional<std::string>* name = nullptr;
        if (id == static_cast<UINT_PTR>(WAVE_MAPPER)) name = &Mapper;
        if (id < Devices.size()) name = &Devices[id];
        if (name == nullptr || !name->has_value()) return MMSYSERR_BADDEVICEID;
        *caps = WAVEINCAPSA{};
        lstrcpynA(caps->szPname, (*name)->c_str(), sizeof caps->szPname);
        caps->wChannels = 2;
        return MMSYSERR_NOERROR;
    }
    MMRESULT Open(HWAVEIN*, UINT, const WAVEFORMATEX*, DWORD_PTR, DWORD_PTR, DWORD) override {
        return MMSYSERR_NODRIVER;
    }
    MMRESULT PrepareHeader(HWAVEIN, WAVEHDR*, UINT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT UnprepareHeader(HWAVEIN, WAVEHDR*, UINT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT AddBuffer(HWAVEIN, WAVEHDR*, UINT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT Start(HWAVEIN) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT Stop(HWAVEIN) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT Reset(HWAVEIN) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT Close(HWAVEIN) override { return MMSYSERR_INVALHANDLE; }
};

inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline std::string TextOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline bool IsTicked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

class MixInFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.IniFile = folder / "winamp.ini";
        link = std::make_unique<TWinAmpAPIMan>(host.Handle());
        MixState.ResetForInit();
        MixState.WantActivate = false;
        MixState.SendNotifyWndRMS = true;
        MixState.MSMode = 0;
    }

    void TearDown() override {
        form.reset();
        PluginConfig = nullptr;
        config.reset();
    }

    // The configuration store, built from the INI file as it is now.
    void MakeConfig() {
        config = std::make_unique<TPluginConfig>(link.get());
        PluginConfig = config.get();
    }

    // Writes settings into the INI file before the store reads it.
    void Seed(const char* key, const std::string& value) {
        CreateDirectoryA((folder / "Plugins").c_str(), nullptr);
        WritePrivateProfileStringA("QXTidewell", key, value.c_str(), IniPath().c_str());
    }

    void OpenForm() {
        ControlWindowSeams seams;
        seams.Devices = &devices;
        seams.CaptureThread = [this]() -> ControlCaptureLink* { return captureExists ? &capture : nullptr; };
        form = std::make_unique<TMixInForm>(host.Handle(), seams);
        form->HostLink = link.get();
        if (!keepTimers) {
            // Tests tick the timers themselves (WM_TIMER), so a slow run sees no extra ticks.
            KillTimer(form->Handle(), kStatusTimerId);
            KillTimer(form->Handle(), kMeterTimerId);
        }
        PumpMessages();
    }

    std::string IniPath() const { return folder / "Plugins\\QXWTidewell.ini"; }

    // The value of a key as the file on disk holds it ("<none>" when missing).
    std::string Ini(const char* key) const {
        char value[512] = {};
        GetPrivateProfileStringA("QXTidewell", key, "<none>", value, sizeof value, IniPath().c_str());
        return value;
    }

    const MixInFormControls& Controls() const { return form->Controls(); }

    void Click(HWND button) {
        SendMessageA(button, BM_CLICK, 0, 0);
        PumpMessages();
    }

    // The user drags a slider to `position`: the slider moves and tells its parent.
    void Slide(HWND slider, int position) {
        SendMessageA(slider, TBM_SETPOS, TRUE, position);
        const bool vertical = (GetWindowLongA(slider, GWL_STYLE) & TBS_VERT) != 0;
        SendMessageA(GetParent(slider), vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                     reinterpret_cast<LPARAM>(slider));
        PumpMessages();
    }

    void Type(HWND edit, const char* text) {
        SetWindowTextA(edit, text);
        PumpMessages();
    }

    // The user clicks the tab of `page`.
    void ClickTab(int page) {
        RECT tab{};
        SendMessageA(Controls().PageControl, TCM_GETITEMRECT, page, reinterpret_cast<LPARAM>(&tab));
        const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        SendMessageA(Controls().PageControl, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(Controls().PageControl, WM_LBUTTONUP, 0, at);
        PumpMessages();
    }

    int ShownPage() const {
        for (int page = 0; page < kControlPageCount; ++page) {
            if (IsWindowVisible(Controls().Pages[page])) return page;
        }
        return -1;
    }

    // A key as the keyboard delivers it: posted to the focused window and taken from the
    // queue by the message loop, with Ctrl held when asked.
    void Key(UINT message, int key, bool ctrl = false, bool repeat = false) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        const BYTE before = state[VK_CONTROL];
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        LPARAM flags = 1;
        if (message == WM_KEYUP) flags |= (1u << 30) | (1u << 31);
        if (repeat) flags |= 1u << 30;
        PostMessageA(GetFocus(), message, key, flags);
        PumpMessages();
        state[VK_CONTROL] = before;
        SetKeyboardState(state);
    }

    TempFolder folder;
    FakeHostWindow host;
    std::unique_ptr<TWinAmpAPIMan> link;
    std::unique_ptr<TPluginConfig> config;
    ScriptedCaptureLink capture;
    bool captureExists = true;
    bool keepTimers = false;
    NamedWaveInDevices devices;
    MessageBoxRecorder boxes;
    std::unique_ptr<TMixInForm> form;
};
