// A temporary host plug-in folder for the stacker tests under Wine: the built fixture DSP
// libraries and the plug-in itself copied in, the plug-in loaded from there the way the
// host loads it, and a host/configuration stand-in that the manager asks.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stacker/dsp_plugins.h"
#include "stacker/stacker_host.h"
#include "host/structured_call_guard.h"
#include "stacker/win32_library_platform.h"
#include "win32/support/test_paths.h"

namespace stacker_test {

inline const std::string kOwnName = "dsp_qxtidewell.dll";
// What the stand-in mixing step adds to every sample at the MixIn entry.
constexpr short kMixOffset = 1000;
// What dsp_offset.dll adds.
constexpr short kFixtureOffset = 100;

inline int mixCalls = 0;
inline int TIDEWELL_CDECL AddMixOffset(winampDSPModule*, short* samples, int n, int, int nch, int) {
    ++mixCalls;
    for (int i = 0; i < n * nch; ++i) samples[i] = static_cast<short>(samples[i] + kMixOffset);
    return n;
}

class ConfigStandIn final : public StackerHost {
public:
    void* MainWnd() override { return mainWnd; }
    std::string PluginDirectory() override { return folder; }
    bool ConfigExists() override { return true; }
    bool AlwaysLoad() override { return alwaysLoad; }
    bool EnableBypass() override { return true; }
    std::vector<std::string> StackLines() override { return lines; }
    void SetStackLines(const std::vector<std::string>& l) noexcept override { lines = l; }

    void* mainWnd = nullptr;
    std::string folder;
    bool alwaysLoad = false;
    std::vector<std::string> lines;
};

class PluginFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        static int serial = 0;
        folder_ = std::string(temp) + "tidewell-stacker-" + std::to_string(GetCurrentProcessId()) +
                  "-" + std::to_string(++serial);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
        host.folder = folder_;
        mixCalls = 0;
    }

    void TearDown() override {
        manager.reset();
        if (own_ != nullptr) FreeLibrary(own_);
        for (const std::string& name : copied_) DeleteFileA(Path(name).c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string Path(const std::string& name) const { return folder_ + "\\" + name; }

    // Copies a built fixture into the folder, under `as` when given.
    void AddFixture(const std::string& fixture, const std::string& as = "") {
        const std::string name = as.empty() ? fixture : as;
        ASSERT_TRUE(CopyFileA(FixturePath(fixture).c_str(), Path(name).c_str(), FALSE)) << fixture;
        copied_.push_back(name);
    }

    // Copies the plug-in in and loads it as the host does; the manager then finds it in
    // the folder as its own file.
    void AddOwnLibrary() {
        ASSERT_TRUE(CopyFileA(PluginDllPath().c_str(), Path(kOwnName).c_str(), FALSE));
        copied_.push_back(kOwnName);
        own_ = LoadLibraryA(Path(kOwnName).c_str());
        ASSERT_NE(own_, nullptr);
        auto getHeader = reinterpret_cast<DspGetHeaderProc>(
            reinterpret_cast<void*>(GetProcAddress(own_, "winampDSPGetHeader2")));
        winampDSPHeader* header = getHeader(nullptr);
        ownLibrary.Handle = own_;
        ownLibrary.Header = header;
        ownLibrary.MixIn = header->getModule(0);
        ownLibrary.Bypass = header->getModule(1);
        ownLibrary.MixSamples = AddMixOffset;
    }

    static std::string FullPath(const std::string& path) {
        char full[MAX_PATH] = {};
        GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
        return full;
    }

    void Build() {
        manager = std::make_unique<TDSPPlugins>(host, ownLibrary, platform, guard, &published);
    }
    TDSPPluginModulesStack& Stack() { return *manager->Stack(); }

    TDSPPluginModule& Entry(const std::string& description, int nth = 0) {
        for (int i = 0; i < Stack().Count(); ++i) {
            if (Stack().Get(i)->Description == description && nth-- == 0) return *Stack().Get(i);
        }
        ADD_FAILURE() << "no entry " << description;
        throw std::runtime_error(description);
    }

    // A call counter exported by the fixture library behind `entry`.
    static int& Counter(const TDSPPluginModule& entry, const char* name) {
        auto* counter = reinterpret_cast<int*>(
            GetProcAddress(static_cast<HMODULE>(entry.Plugin->Handle), name));
        if (counter == nullptr) throw std::runtime_error(name);
        return *counter;
    }

    // The libraries' file names in the order the folder lists them.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((folder_ + "\\*.*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            names.emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

    ConfigStandIn host;
    OwnLibrary ownLibrary;
    Win32LibraryPlatform platform;
    StructuredCallGuard guard;
    TDSPPluginModulesStack* published = nullptr;
    std::unique_ptr<TDSPPlugins> manager;

    HMODULE own_ = nullptr;
    std::string folder_;
    std::vector<std::string> copied_;
};

}  // namespace stacker_test
