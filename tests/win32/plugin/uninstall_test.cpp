// Uninstall finds the host window in its three ways and deletes the settings file, or tells
// the user why it cannot. Runs alone (RUN_SERIAL): the class lookup sees every top-level
// window of the desktop, including those of other test programs.
#include "plugin/uninstall.h"

#include <gtest/gtest.h>

#include "base/plugin_error.h"
#include "win32/support/fake_host_window.h"
#include "win32/support/message_box_recorder.h"
#include "win32/support/temp_folder.h"
#include "win32/support/test_paths.h"

namespace {

using UninstallProc = int(__cdecl*)(HINSTANCE, HWND, int);

// A host main window whose INI file lies in its own fresh folder, with a settings file in
// "Plugins" beside it.
struct HostWithSettings {
    explicit HostWithSettings(const char* className = "Winamp v1.x") : host(className) {
        host.IniFile = folder / "winamp.ini";
        CreateDirectoryA((folder / "Plugins").c_str(), nullptr);
        WritePrivateProfileStringA("QXTidewell", "MixInMode", "2", settings.c_str());
    }
    TempFolder folder;
    FakeHostWindow host;
    const std::string settings = folder / "Plugins\\QXWTidewell.ini";
};

// A window owned by `owner` with a child, as a preferences page inside the host would be.
struct OwnedPage {
    explicit OwnedPage(HWND owner) {
        popup = CreateWindowExA(0, "STATIC", "page owner", WS_POPUP, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
        child = CreateWindowExA(0, "STATIC", "page", WS_CHILD, 0, 0, 5, 5, popup, nullptr, nullptr, nullptr);
    }
    ~OwnedPage() { DestroyWindow(popup); }
    HWND popup = nullptr;
    HWND child = nullptr;
};

HWND DeadWindow() {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(window);
    return window;
}

TEST(Uninstall, HostFoundAsRootOwnerOfTheGivenParent) {
    HostWithSettings host("TestHostNotFoundByClass");
    OwnedPage page(host.host.Handle());
    MessageBoxRecorder boxes;
    ASSERT_EQ(GetAncestor(page.child, GA_ROOTOWNER), host.host.Handle());

    EXPECT_EQ(UninstallPlugin(nullptr, page.child), 0);
    EXPECT_FALSE(FileExistsAt(host.settings));
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST(Uninstall, HostFoundByClassWhenTheGivenParentIsGone) {
    HostWithSettings host;
    MessageBoxRecorder boxes;
    EXPECT_EQ(UninstallPlugin(nullptr, DeadWindow()), 0);
    EXPECT_FALSE(FileExistsAt(host.settings));
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST(Uninstall, ModuleRecordWindowComesFirst) {
    HostWithSettings recorded("TestRecordedHost");
    HostWithSettings other("TestOtherHost");
    OwnedPage page(other.host.Handle());
    MessageBoxRecorder boxes;
    EXPECT_EQ(UninstallPlugin(recorded.host.Handle(), page.child), 0);
    EXPECT_FALSE(FileExistsAt(recorded.settings));
    EXPECT_TRUE(FileExistsAt(other.settings));
}

TEST(Uninstall, NoHostWindowShowsOneBoxAndFailsWithTheManualUninstallText) {
    ASSERT_EQ(FindWindowA("Winamp v1.x", nullptr), nullptr) << "another host window is open";
    MessageBoxRecorder boxes;
    try {
        UninstallSettings(nullptr, DeadWindow());
        FAIL() << "uninstall without a host window must fail";
    } catch (const PluginError& error) {
        EXPECT_STREQ(error.what(), "Error while init API.  A manual unsinstall will be required.");
    }
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Error while init API");
    EXPECT_EQ(boxes.Boxes[0].Caption, "Uninstall Error");
    EXPECT_EQ(boxes.Boxes[0].Flags & MB_TYPEMASK, static_cast<unsigned>(MB_OK));

    boxes.Boxes.clear();
    EXPECT_NE(UninstallPlugin(nullptr, nullptr), 0) << "the host sees the failure only as the return value";
    EXPECT_EQ(boxes.Boxes.size(), 1u);
}

TEST(Uninstall, SettingsFileAlreadyAbsentIsNoError) {
    HostWithSettings host;
    DeleteFileA(host.settings.c_str());
    MessageBoxRecorder boxes;
    EXPECT_EQ(UninstallPlugin(nullptr, host.host.Handle()), 0);
    EXPECT_FALSE(FileExistsAt(host.settings));
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST(Uninstall, StoreThatCannotBeBuiltIsReportedAndLeavesTheOldFile) {
    TempFolder folder;
    FakeHostWindow host;
    host.IniFile = folder / "winamp.ini";
    const std::string oldFile = folder / "QXWTidewell.ini";
    WritePrivateProfileStringA("QXTidewell", "MixInMode", "2", oldFile.c_str());
    WriteWholeFile(folder / "Plugins", "a file where the folder should be");
    MessageBoxRecorder boxes;

    EXPECT_NE(UninstallPlugin(nullptr, host.Handle()), 0);
    ASSERT_EQ(boxes.Boxes.size(), 2u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Error while init config");
    EXPECT_EQ(boxes.Boxes[0].Caption, "Uninstall Error");
    EXPECT_EQ(boxes.Boxes[1].Text, "Unable to write to " + folder / "Plugins\\QXWTidewell.ini");
    EXPECT_TRUE(FileExistsAt(oldFile));
}

TEST(Uninstall, ExportedEntryDeletesTheSettingsFile) {
    HostWithSettings host("TestHostForTheDll");
    OwnedPage page(host.host.Handle());
    HMODULE library = LoadLibraryA(PluginDllPath().c_str());
    ASSERT_NE(library, nullptr);
    auto uninstall = reinterpret_cast<UninstallProc>(
        reinterpret_cast<void*>(GetProcAddress(library, "winampUninstallPlugin")));
    ASSERT_NE(uninstall, nullptr);

    EXPECT_EQ(uninstall(library, page.child, 0), 0);
    EXPECT_FALSE(FileExistsAt(host.settings));
    FreeLibrary(library);
}

}  // namespace
