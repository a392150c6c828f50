// TPluginConfig: every persistent setting of the MixIn module, kept write-through in
// "Plugins\QXWTidewell.ini" beside the host's own INI file.
//
// Contract
// - Built by MixIn Init right after the host window link and published as `PluginConfig`
//   (and destroyed by MixIn Quit after unpublishing); uninstall builds a short-lived one to
//   call DeleteIniFile. Used on the host's window thread only; there is no lock, and the
//   capture and playback threads must never touch it.
// - Owns its platform seam, its texts and `StackLines`.
// - Write-through: each Set... that changes a value stores it and saves the whole file at
//   once; an unchanged value writes nothing. SetAlwaysLoad and the AutoMixInPercent field
//   (which the control window writes directly) reach the file with the next save.
// - A failed write throws PluginError "Unable to write to <path>"; the save stops at that
//   key and the error goes to the caller (the control window and the dialog show it).
//   The new value stays in memory.
// - Tear-down paths (destructors, MixIn Quit and Init's clean-up) never let a failed save
//   escape: they go through ChangeOrReport, or the destructor, which show the failure in
//   the standard error display once: the same failure is not shown again until a save
//   has succeeded.
// - Fields are read directly. Write them only through the setters, except AutoMixInPercent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "capture/latency_profile.h"
#include "config/config_platform.h"
#include "config/stack_line_list.h"

class TWinAmpAPIMan;

inline constexpr const char* kSettingsSection = "QXTidewell";
inline constexpr const char* kStackSection = "QXTidewellStack";
inline constexpr const char* kSettingsFileName = "QXWTidewell.ini";
inline constexpr const char* kSettingsFolderName = "Plugins";
inline constexpr const char* kUnableToWriteText = "Unable to write to ";
inline constexpr const char* kNoHostLinkText = "The configuration needs the host window link.";

class TPluginConfig {
public:
    // Win32: finds the host's INI folder through `hostLink` and builds the store on the
    // private-profile functions. A null link throws PluginError and creates nothing.
    explicit TPluginConfig(TWinAmpAPIMan* hostLink);
    // Portable core of construction: `hostIniFolder` is the folder of the host's INI file,
    // ending in '\'. Creates the "Plugins" folder when missing, loads the file and moves an
    // old file from `hostIniFolder` itself into "Plugins\".
    TPluginConfig(std::string hostIniFolder, std::unique_ptr<ConfigPlatform> platform);
    // Saves the file (unless DeleteIniFile ran); a failed save is reported (ReportFailure),
    // never thrown.
    virtual ~TPluginConfig();

    TPluginConfig(const TPluginConfig&) = delete;
    TPluginConfig& operator=(const TPluginConfig&) = delete;

    // Full path of the settings file; empty after DeleteIniFile (then nothing touches a file).
    const std::string& IniPath() const { return iniPath_; }

    void Load();
    void Save();

    // For tear-down paths: runs `change` (setters, a stack change) on the store and, instead
    // of throwing, reports a failed save with ReportFailure. Never throws.
    void ChangeOrReport(const std::function<void(TPluginConfig&)>& change) noexcept;
    // Shows `message` in the standard error display unless it is the failure already shown
    // since the last successful save. Never throws.
    void ReportFailure(const std::string& message) noexcept;

    void SetMixInFormTop(int32_t value);
    void SetMixInFormLeft(int32_t value);
    void SetInputDeviceName(const std::string& value);
    void SetMixInFade(double value);
    void SetMixOtFade(double value);
    void SetAutoMixInThresh(double value);
    void SetAutoReleaseDelay(double value);
    void SetLogTransition(bool value);
    void SetRecThreadPriority(uint8_t value);
    void SetPTTMixInPercent(double value);
    void SetMixInMode(int32_t value);
    void SetEnableBypass(bool value);
    void SetWantActive(bool value);
    void SetLastTab(const std::string& value);
    void SetAlwaysLoad(bool value);  // no save
    void SetLatencyMode(LatencyMode value);
    void SetPTTHotkey(const std::string& value);
    void SetPTTHotkeyToggle(bool value);
    // Clamped to 0..kLongestReleaseTailSeconds.
    void SetPTTReleaseDelay(double value);

    // Forgets the file's path, then deletes the file (a failure is ignored). From then on no
    // setter, stack change or destruction writes a file.
    void DeleteIniFile();

    int32_t MixInFormTop = 0;
    int32_t MixInFormLeft = 0;
    std::string InputDeviceName;
    double MixInFade = 0.01;
    double MixOtFade = 1.0;
    double AutoMixInThresh = 0.0;
    double AutoReleaseDelay = 0.5;
    double AutoMixInPercent = 0.7;
    bool LogTransition = true;
    uint8_t RecThreadPriority = 4;
    double PTTMixInPercent = 0.7;
    int32_t MixInMode = 0;
    bool EnableBypass = false;
    bool WantActive = false;
    std::string LastTab = "Device";
    bool AlwaysLoad = false;
    // Key LatencyMode (0 Classic, 1 Low, 2 Lowest): a value that does not parse, or one out
    // of range, reads as Classic. A file that never had the key gets none while the setting
    // stays Classic, so the file of the original sixteen keys is unchanged by default.
    LatencyMode Latency = LatencyMode::Classic;
    // Push-to-talk from anywhere: PTTHotkey, the key name (empty: none); PTTHotkeyMode, "Hold"
    // or "Toggle" (anything else reads as Hold); PTTReleaseDelay, seconds 0..5 (out of range
    // is clamped, unreadable is 0). Like LatencyMode, the keys reach the file only once one
    // of them was there or was set.
    std::string PTTHotkey;
    bool PTTHotkeyToggle = false;
    double PTTReleaseDelay = 0.0;

    // The section "QXTidewellStack" as name=value lines; any change saves the file.
    StackLineList StackLines;

private:
    template <class T>
    void Store(T& field, const T& value);

    void ReadSettings();
    void ReadStackValues();
    void WriteKey(const char* section, const std::string& key, const std::string& value);
    void WriteAll();

    std::unique_ptr<ConfigPlatform> platform_;
    std::string iniPath_;
    // The failed save shown to the user, until a save succeeds again.
    std::string reportedFailure_;
    bool latencyKept_ = false;  // the file has the LatencyMode key, or it was set
    bool hotkeyKept_ = false;   // the file has a push-to-talk hotkey key, or one was set
};
