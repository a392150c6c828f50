// The control window with a real module stack: fixture DSP libraries (and, when asked, the
// plug-in itself) copied into a fresh plug-in folder, the stacker manager built over it and
// published the way MixIn Init publishes it (DSPPlugins, DSPPluginModulesStack), then the
// window opened. Helpers click the DSP page's lines and catch the module information window
// while it is shown.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "stacker/dsp_plugin.h"
#include "ui/check_list_box.h"
#include "ui/info_form.h"
#include "win32/stacker/plugin_folder.h"
#include "win32/ui/mix_in_form_fixture.h"

// What the module information window showed while it was up.
struct ShownInfo {
    bool Shown = false;
    std::string Caption;
    std::string Text;
    RECT Client{};
    bool Literal = false;  // the text area shows ampersands as they are
};

class DspPageTest : public MixInFormTest {
protected:
    void SetUp() override {
        MixInFormTest::SetUp();
        libraries = folder / "dsp";
        CreateDirectoryA(libraries.c_str(), nullptr);
        host_.folder = libraries;
    }

    void TearDown() override {
        form.reset();
        DSPPlugins = nullptr;
        manager.reset();
        DSPPluginModulesStack = nullptr;
        if (own_ != nullptr) FreeLibrary(own_);
        own_ = nullptr;
        MixInFormTest::TearDown();
    }

    void AddFixture(const std::string& name) {
        ASSERT_TRUE(CopyFileA(FixturePath(name).c_str(), (libraries + "\\" + name).c_str(), FALSE)) << name;
    }

    // The plug-in's own file, loaded as the host loads it: its MixIn and Bypass entries.
    void AddOwnLibrary() {
        const std::string path = libraries + "\\" + stacker_test::kOwnName;
        ASSERT_TRUE(CopyFileA(PluginDllPath().c_str(), path.c_str(), FALSE));
        own_ = LoadLibraryA(path.c_str());
        ASSERT_NE(own_, nullptr);
        auto getHeader = reinterpret_cast<DspGetHeaderProc>(
            reinterpret_cast<void*>(GetProcAddress(own_, "winampDSPGetHeader2")));
        winampDSPHeader* header = getHeader(nullptr);
        own.Handle = own_;
        own.Header = header;
        own.MixIn = header->getModule(0);
        own.Bypass = header->getModule(1);
    }

    // Builds the stack over the folder, publishes it and opens the window.
    void OpenWithStack() {
        manager = std::make_unique<TDSPPlugins>(host_, own, platform_, guard_, &DSPPluginModulesStack);
        DSPPlugins = manager.get();
        OpenForm();
        ClickTab(kPageDsp);
    }

    TDSPPluginModulesStack& Stack() { return *DSPPluginModulesStack; }
    CheckListBox& List() { return *Controls().CheckListBox1; }

    int IndexOf(const std::string& description) {
        for (int i = 0; i < Stack().Count(); ++i) {
            if (Stack().Get(i)->Description == description) return i;
        }
        ADD_FAILURE() << "no entry " << description;
        return -1;
    }

    // A call counter exported by the fixture library behind stack entry `index`.
    int& Counter(int index, const char* name) {
        auto* counter = reinterpret_cast<int*>(
            GetProcAddress(static_cast<HMODULE>(Stack().Get(index)->Plugin->Handle), name));
        if (counter == nullptr) throw std::runtime_error(name);
        return *counter;
    }

    // The middle of line `index`'s text, or of its check box.
    LPARAM PointOn(int index, bool onCheck) {
        RECT line{};
        SendMessageA(List().Handle(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&line));
        const int x = onCheck ? line.left + kCheckListItemHeight / 2 : (line.left + line.right) / 2;
        return MAKELPARAM(x, (line.top + line.bottom) / 2);
    }

    void ClickLine(int index, bool onCheck = false) {
        SendMessageA(List().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOn(index, onCheck));
        SendMessageA(List().Handle(), WM_LBUTTONUP, 0, PointOn(index, onCheck));
        PumpMessages();
    }

    void DoubleClickLine(int index) {
        ClickLine(index);
        SendMessageA(List().Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, PointOn(index, false));
        SendMessageA(List().Handle(), WM_LBUTTONUP, 0, PointOn(index, false));
        PumpMessages();
    }

    bool Enabled(HWND control) { return IsWindowEnabled(control) != FALSE; }

    // Runs `open` (which is expected to show the module information window modally); the
    // window is read and closed with "OK" from inside its own message loop.
    template <class F>
    ShownInfo CatchInfoWindow(F&& open) {
        shown_ = ShownInfo{};
        const UINT_PTR timer = SetTimer(nullptr, 0, kCatchPollMs, &DspPageTest::CatchShownInfo);
        open();
        KillTimer(nullptr, timer);
        return shown_;
    }

    std::string libraries;
    OwnLibrary own;
    std::unique_ptr<TDSPPlugins> manager;
    // Taken when the information window is caught, before it closes (for screenshots).
    static inline void (*onInfoShown)(HWND) = nullptr;

private:
    static constexpr UINT kCatchPollMs = 10;

    static void CALLBACK CatchShownInfo(HWND, UINT, UINT_PTR, DWORD) {
        TInfoForm* info = InfoForm;
        if (info == nullptr || shown_.Shown || !IsWindowVisible(info->Handle())) return;
        shown_.Shown = true;
        shown_.Caption = TextOf(info->Handle());
        char text[4096] = {};
        GetWindowTextA(info->StaticText1(), text, sizeof text);
        shown_.Text = text;
        GetClientRect(info->Handle(), &shown_.Client);
        shown_.Literal = (GetWindowLongA(info->StaticText1(), GWL_STYLE) & SS_NOPREFIX) != 0;
        if (onInfoShown != nullptr) onInfoShown(info->Handle());
        PostMessageA(info->Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(info->OkButton()));
    }

    static inline ShownInfo shown_;
    stacker_test::ConfigStandIn host_;
    Win32LibraryPlatform platform_;
    StructuredCallGuard guard_;
    HMODULE own_ = nullptr;
};
