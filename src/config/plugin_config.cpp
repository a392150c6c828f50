#include "config/plugin_config.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "base/number_format.h"
#include "base/plugin_error.h"
#include "base/same_letters.h"
#include "base/split_first.h"
#include "capture/pending_marks.h"
#include "config/ini_values.h"

namespace {

// Keys of section "QXTidewell".
constexpr const char* kInputDeviceName = "InputDeviceName";
constexpr const char* kMixInFormTop = "MixInFormTop";
constexpr const char* kMixInFormLeft = "MixInFormLeft";
constexpr const char* kRecThreadPriority = "RecThreadPriority";
constexpr const char* kMixInFade = "MixInFade";
constexpr const char* kMixOtFade = "MixOtFade";
constexpr const char* kAutoMixInThresh = "AutoMixInThresh";
constexpr const char* kAutoReleaseDelay = "AutoReleaseDelay";
constexpr const char* kAutoMixInPercent = "AutoMixInPercent";
constexpr const char* kPTTMixInPercent = "PTTMixInPercent";
constexpr const char* kLogTransition = "LogTransition";
constexpr const char* kMixInMode = "MixInMode";
constexpr const char* kEnableBypass = "EnableBypass";
constexpr const char* kWantActive = "WantActive";
constexpr const char* kLastTab = "LastTab";
constexpr const char* kAlwaysLoad = "AlwaysLoad";
constexpr const char* kLatencyMode = "LatencyMode";
constexpr const char* kPTTHotkey = "PTTHotkey";
constexpr const char* kPTTHotkeyMode = "PTTHotkeyMode";
constexpr const char* kPTTReleaseDelay = "PTTReleaseDelay";
constexpr const char* kHoldWord = "Hold";
constexpr const char* kToggleWord = "Toggle";

double ClampedReleaseDelay(double seconds) {
    return std::isnan(seconds) ? 0.0 : std::clamp(seconds, 0.0, kLongestReleaseTailSeconds);
}

constexpr char kPathSeparator = '\\';
constexpr std::string_view kNameValueSeparator = "=";

// Puts the change handler back when a silent change of the stack lines ends, also on error.
class SilencedStackLines {
public:
    explicit SilencedStackLines(StackLineList& lines) : lines_(lines), handler_(lines.SetChangeHandler(nullptr)) {}
    ~SilencedStackLines() { lines_.SetChangeHandler(std::move(handler_)); }
    SilencedStackLines(const SilencedStackLines&) = delete;
    SilencedStackLines& operator=(const SilencedStackLines&) = delete;

private:
    StackLineList& lines_;
    StackLineList::ChangeHandler handler_;
};

}  // namespace

TPluginConfig::TPluginConfig(std::string hostIniFolder, std::unique_ptr<ConfigPlatform> platform)
    : platform_(std::move(platform)) {
    if (!platform_) throw std::invalid_argument("TPluginConfig needs a platform");
    StackLines.SetChangeHandler([this] { Save(); });

    std::string folder = std::move(hostIniFolder);
    if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
    const std::string settingsFolder = folder + kSettingsFolderName;
    // A folder that cannot be made is not reported here: the first write fails and says so.
    if (!platform_->DirectoryExists(settingsFolder)) platform_->CreateDirectories(settingsFolder);

    const std::string newPath = settingsFolder + kPathSeparator + kSettingsFileName;
    const std::string oldPath = folder + kSettingsFileName;
    const bool moveOldFile = platform_->FileExists(oldPath);
    iniPath_ = moveOldFile ? oldPath : newPath;
    Load();
    if (moveOldFile) {
        // Write the new file before deleting the old one: when the new location cannot be
        // written the settings stay where they were and the move is tried again next time.
        iniPath_ = newPath;
        Save();
        platform_->RemoveFile(oldPath);
    }
}

TPluginConfig::~TPluginConfig() {
    StackLines.SetChangeHandler(nullptr);
    ChangeOrReport([](TPluginConfig& config) { config.Save(); });
}

void TPluginConfig::ChangeOrReport(const std::function<void(TPluginConfig&)>& change) noexcept {
    try {
        change(*this);
    } catch (const std::exception& error) {
        ReportFailure(error.what());
    } catch (...) {
        // Nothing the user could be told: no message.
    }
}

void TPluginConfig::ReportFailure(const std::string& message) noexcept {
    try {
        if (message == reportedFailure_) return;
        reportedFailure_ = message;
        platform_->ShowError(message);
    } catch (...) {
        // The display itself failed: nothing more can be done here.
    }
}

void TPluginConfig::Load() {
    if (iniPath_.empty()) return;
    ReadSettings();

    // Taking the stack section's key names is a change of the list and saves the file once:
    // that writes the settings just read back and, on a first run, creates the file. A failed
    // save still lets the values be read, so the stacker gets its saved order all the same.
    std::string error;
    try {
        StackLines.Replace(platform_->ReadKeyNames(iniPath_, kStackSection));
    } catch (const std::exception& e) {
        error = e.what();
    }
    try {
        ReadStackValues();
    } catch (const std::exception& e) {
        if (error.empty()) error = e.what();
    }
    if (!error.empty()) ReportFailure(error);
}

void TPluginConfig::ReadSettings() {
    const char separator = platform_->DecimalSeparator();
    auto text = [this](const char* key, const std::string& current) {
        return platform_->ReadString(iniPath_, kSettingsSection, key, current);
    };
    auto raw = [&text](const char* key) { return text(key, std::string()); };
    auto number = [&raw, separator](const char* key, double& field) { ParseFloat(raw(key), separator, field); };

    InputDeviceName = text(kInputDeviceName, InputDeviceName);
    ParseIniInteger(raw(kMixInFormTop), MixInFormTop);
    ParseIniInteger(raw(kMixInFormLeft), MixInFormLeft);
    ParseIniByte(raw(kRecThreadPriority), RecThreadPriority);
    number(kMixInFade, MixInFade);
    number(kMixOtFade, MixOtFade);
    number(kAutoMixInThresh, AutoMixInThresh);
    number(kAutoReleaseDelay, AutoReleaseDelay);
    number(kAutoMixInPercent, AutoMixInPercent);
    number(kPTTMixInPercent, PTTMixInPercent);
    ParseIniBool(raw(kLogTransition), LogTransition);
    ParseIniInteger(raw(kMixInMode), MixInMode);
    ParseIniBool(raw(kEnableBypass), EnableBypass);
    ParseIniBool(raw(kWantActive), WantActive);
    LastTab = text(kLastTab, LastTab);
    ParseIniBool(raw(kAlwaysLoad), AlwaysLoad);
    const std::string latency = raw(kLatencyMode);
    if (!latency.empty()) {
        int32_t number = -1;
        ParseIniInteger(latency, number);
        Latency = LatencyModeFromNumber(number);
        latencyKept_ = true;
    }
    const std::string hotkey = raw(kPTTHotkey);
    const std::string hotkeyMode = raw(kPTTHotkeyMode);
    const std::string releaseDelay = raw(kPTTReleaseDelay);
    if (!hotkey.empty() || !hotkeyMode.empty() || !releaseDelay.empty()) hotkeyKept_ = true;
    PTTHotkey = hotkey;
    PTTHotkeyToggle = SameLetters(hotkeyMode, kToggleWord);
    double delay = 0.0;
    ParseFloat(releaseDelay, separator, delay);
    PTTReleaseDelay = ClampedReleaseDelay(delay);
}

void TPluginConfig::ReadStackValues() {
    SilencedStackLines silenced(StackLines);
    std::vector<std::string> lines = StackLines.Lines();
    for (std::string& line : lines) {
        std::string rest = line;
        const std::string name = SplitFirst(rest, kNameValueSeparator);
        if (name.empty()) continue;
        line = name + std::string(kNameValueSeparator) + platform_->ReadString(iniPath_, kStackSection, name, "");
    }
    StackLines.Replace(std::move(lines));
}

void TPluginConfig::Save() {
    if (iniPath_.empty()) return;
    WriteAll();
    reportedFailure_.clear();
}

void TPluginConfig::WriteAll() {
    const char separator = platform_->DecimalSeparator();
    auto write = [this](const char* key, const std::string& value) { WriteKey(kSettingsSection, key, value); };
    auto number = [&write, separator](const char* key, double value) { write(key, FormatFloat(value, separator)); };

    write(kInputDeviceName, InputDeviceName);
    write(kMixInFormTop, FormatIniInteger(MixInFormTop));
    write(kMixInFormLeft, FormatIniInteger(MixInFormLeft));
    write(kRecThreadPriority, FormatIniInteger(RecThreadPriority));
    number(kPTTMixInPercent, PTTMixInPercent);
    number(kMixInFade, MixInFade);
    number(kMixOtFade, MixOtFade);
    number(kAutoMixInThresh, AutoMixInThresh);
    number(kAutoReleaseDelay, AutoReleaseDelay);
    number(kAutoMixInPercent, AutoMixInPercent);
    write(kLogTransition, FormatIniBool(LogTransition));
    write(kMixInMode, FormatIniInteger(MixInMode));
    write(kEnableBypass, FormatIniBool(EnableBypass));
    write(kWantActive, FormatIniBool(WantActive));
    write(kLastTab, LastTab);
    write(kAlwaysLoad, FormatIniBool(AlwaysLoad));
    if (latencyKept_ || Latency != LatencyMode::Classic) {
        write(kLatencyMode, FormatIniInteger(static_cast<int>(Latency)));
    }
    if (hotkeyKept_) {
        write(kPTTHotkey, PTTHotkey);
        write(kPTTHotkeyMode, PTTHotkeyToggle ? kToggleWord : kHoldWord);
        number(kPTTReleaseDelay, PTTReleaseDelay);
    }

    // Keys that the lines no longer name stay in the file: nothing is ever removed.
    std::string name;
    std::string value;
    for (const std::string& line : StackLines.Lines()) {
        if (StackLineEntry(line, name, value)) WriteKey(kStackSection, name, value);
    }
}

void TPluginConfig::WriteKey(const char* section, const std::string& key, const std::string& value) {
    if (!platform_->WriteString(iniPath_, section, key, value)) throw PluginError(kUnableToWriteText + iniPath_);
}

template <class T>
void TPluginConfig::Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Save();
}

void TPluginConfig::SetMixInFormTop(int32_t value) { Store(MixInFormTop, value); }
void TPluginConfig::SetMixInFormLeft(int32_t value) { Store(MixInFormLeft, value); }
void TPluginConfig::SetInputDeviceName(const std::string& value) { Store(InputDeviceName, value); }
void TPluginConfig::SetMixInFade(double value) { Store(MixInFade, value); }
void TPluginConfig::SetMixOtFade(double value) { Store(MixOtFade, value); }
void TPluginConfig::SetAutoMixInThresh(double value) { Store(AutoMixInThresh, value); }
void TPluginConfig::SetAutoReleaseDelay(double value) { Store(AutoReleaseDelay, value); }
void TPluginConfig::SetLogTransition(bool value) { Store(LogTransition, value); }
void TPluginConfig::SetRecThreadPriority(uint8_t value) { Store(RecThreadPriority, value); }
void TPluginConfig::SetPTTMixInPercent(double value) { Store(PTTMixInPercent, value); }
void TPluginConfig::SetMixInMode(int32_t value) { Store(MixInMode, value); }
void TPluginConfig::SetEnableBypass(bool value) { Store(EnableBypass, value); }
void TPluginConfig::SetWantActive(bool value) { Store(WantActive, value); }
void TPluginConfig::SetLastTab(const std::string& value) { Store(LastTab, value); }
void TPluginConfig::SetAlwaysLoad(bool value) { AlwaysLoad = value; }
void TPluginConfig::SetLatencyMode(LatencyMode value) {
    if (Latency == value) return;
    latencyKept_ = true;
    Latency = value;
    Save();
}

void TPluginConfig::SetPTTHotkey(const std::string& value) {
    hotkeyKept_ = hotkeyKept_ || value != PTTHotkey;
    Store(PTTHotkey, value);
}

void TPluginConfig::SetPTTHotkeyToggle(bool value) {
    hotkeyKept_ = hotkeyKept_ || value != PTTHotkeyToggle;
    Store(PTTHotkeyToggle, value);
}

void TPluginConfig::SetPTTReleaseDelay(double value) {
    const double delay = ClampedReleaseDelay(value);
    hotkeyKept_ = hotkeyKept_ || delay != PTTReleaseDelay;
    Store(PTTReleaseDelay, delay);
}

void TPluginConfig::DeleteIniFile() {
    const std::string path = iniPath_;
    iniPath_.clear();
    if (!path.empty()) platform_->RemoveFile(path);
}
