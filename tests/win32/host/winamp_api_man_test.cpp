#include "host/winamp_api_man.h"

#include <gtest/gtest.h>

#include "base/plugin_error.h"
#include "win32/support/fake_host_window.h"
#include "win32/support/message_box_recorder.h"

namespace {

HWND MakeWindow(const char* className) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

TEST(WinAmpAPIMan, FromModuleRecordFindsTheHostWindows) {
    FakeHostWindow host;
    HWND eq = MakeWindow("TestEq");
    HWND pe = MakeWindow("TestPe");
    HWND browser = MakeWindow("TestBrowser");
    host.Windows[0] = eq;
    host.Windows[1] = pe;
    host.Windows[2] = browser;
    winampDSPModule module{};
    module.hwndParent = host.Handle();

    TWinAmpAPIMan link(&module);
    EXPECT_EQ(link.Module, &module);
    EXPECT_EQ(link.MainWnd, host.Handle());
    EXPECT_EQ(link.EqWnd, eq);
    EXPECT_EQ(link.PlaylistWnd, pe);
    EXPECT_EQ(link.BrowserWnd, browser);
    for (HWND w : {eq, pe, browser}) DestroyWindow(w);
}

TEST(WinAmpAPIMan, ModuleWhoseParentIsNoWindowStillBuildsWithoutWindows) {
    winampDSPModule module{};
    module.hwndParent = reinterpret_cast<void*>(0x12345);
    MessageBoxRecorder boxes;
    TWinAmpAPIMan link(&module);
    EXPECT_EQ(link.MainWnd, reinterpret_cast<HWND>(0x12345));
    EXPECT_EQ(link.EqWnd, nullptr);
    EXPECT_EQ(link.PlaylistWnd, nullptr);
    EXPECT_EQ(link.BrowserWnd, nullptr);
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST(WinAmpAPIMan, PlaylistEditorIsFoundByClassWhenTheAnswerIsNoWindow) {
    FakeHostWindow host;
    host.Windows[1] = reinterpret_cast<HWND>(0x777);
    HWND pe = MakeWindow("Winamp PE");
    TWinAmpAPIMan link(host.Handle());
    EXPECT_EQ(link.PlaylistWnd, pe);
    EXPECT_EQ(link.Module, nullptr);
    DestroyWindow(pe);
}

TEST(WinAmpAPIMan, NullModuleShowsTheInternalErrorAndFailsSilently) {
    MessageBoxRecorder boxes;
    EXPECT_THROW(TWinAmpAPIMan(static_cast<winampDSPModule*>(nullptr)), SilentAbort);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "NULL Pointer to module Var.");
    EXPECT_EQ(boxes.Boxes[0].Caption, "Internal Error");
    EXPECT_EQ(boxes.Boxes[0].Flags & 0xF, static_cast<unsigned>(MB_OK));
}

TEST(WinAmpAPIMan, WindowHandleConstructorRefusesNullAndDeadHandles) {
    MessageBoxRecorder boxes;
    try {
        TWinAmpAPIMan link(static_cast<HWND>(nullptr));
        FAIL() << "a null handle must fail";
    } catch (const PluginError& e) {
        EXPECT_STREQ(e.what(), "NULL Winamp Main HWND Var.");
    }
    HWND dead = MakeWindow("TestDead");
    DestroyWindow(dead);
    try {
        TWinAmpAPIMan link(dead);
        FAIL() << "a dead handle must fail";
    } catch (const PluginError& e) {
        EXPECT_STREQ(e.what(), "Bad Winamp Main HWND Var.");
    }
    EXPECT_TRUE(boxes.Boxes.empty()) << "the caller shows these errors";
}

TEST(WinAmpAPIMan, QueriesAskTheHostAndShapeItsAnswers) {
    FakeHostWindow host;
    HWND owner = MakeWindow("TestOwner");
    host.DialogParentAnswer = owner;
    host.IniFile = "C:\\Users\\me\\AppData\\Winamp\\winamp.ini";
    TWinAmpAPIMan link(host.Handle());

    host.PlayState = 3;
    EXPECT_EQ(link.IsPlaying(), 3);
    host.PlayState = 1;
    EXPECT_EQ(link.IsPlaying(), 1);
    EXPECT_EQ(link.IniDirectory(), "C:\\Users\\me\\AppData\\Winamp\\");
    EXPECT_EQ(link.PluginDirectory(), "C:\\Winamp\\Plugins");
    EXPECT_EQ(link.DialogParent(), owner);
    DestroyWindow(owner);
}

TEST(WinAmpAPIMan, UnknownAnswersGiveEmptyPaths) {
    FakeHostWindow host;
    TWinAmpAPIMan link(host.Handle());
    for (LRESULT answer : {0, 1}) {
        host.PluginFolderAnswer = answer;
        host.IniFileAnswer = answer;
        EXPECT_EQ(link.PluginDirectory(), "");
        EXPECT_EQ(link.IniDirectory(), "\\") << "a lone separator: the root of the current drive";
    }
}

}  // namespace
