#include "host_session.h"

#include <mmsystem.h>

#include <algorithm>

#include "exit_codes.h"
#include "host/structured_call_guard.h"
#include "option_reader.h"
#include "playback_thread.h"
#include "resource_usage.h"
#include "stream_schedule.h"
#include "tool_paths.h"
#include "wav_file.h"

namespace {

constexpr UINT kTimerPeriodMs = 1;          // system timer resolution for real-time pacing
constexpr UINT_PTR kConfigCloseTimer = 1;
constexpr UINT_PTR kResourcesTimer = 2;
constexpr UINT kConfigCloseRetryMs = 250;  // a window that ignored WM_CLOSE is asked again
constexpr UINT kConfigCloseNowMs = 10;
constexpr double kMillisecondsPerSecond = 1000.0;

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string FormatDescription(const char* text) { return text ? "\"" + std::string(text) + "\"" : "(none)"; }

}  // namespace

HostSession::HostSession(HostOptions options) : options_(std::move(options)) {}

HostSession::~HostSession() = default;

void HostSession::LogResources(const char* stage) { log_.Line(FormatResourceUsage(stage, SampleResourceUsage())); }

void HostSession::ModuleFaulted(const char* callback, unsigned long code) {
    moduleFaulted_ = true;
    handoff_.MarkFaulted();
    log_.Problem(std::string(callback) + " faulted with exception " + HexCode(code) +
                 "; the module is not called again");
}

bool HostSession::Runnable(Request request) const {
    switch (request) {
        case Request::Config: return initQuitDepth_ == 0;
        case Request::Cycle:
        case Request::Finish: return initQuitDepth_ == 0 && configDepth_ == 0;
    }
    return false;
}

void HostSession::Submit(Request request) {
    pending_.push_back(request);
    Drain();
}

void HostSession::Drain() {
    while (!pending_.empty() && Runnable(pending_.front())) {
        const Request request = pending_.front();
        pending_.pop_front();
        switch (request) {
            case Request::Config: CallConfig(); break;
            case Request::Cycle: RunCycle(); break;
            case Request::Finish: Finish(); break;
        }
    }
}

void HostSession::OnHostRequest(UINT message) {
    switch (message) {
        case kRequestConfig: Submit(Request::Config); break;
        case kRequestCycle: Submit(Request::Cycle); break;
        case kPlaybackEnded:
            playbackEnded_ = true;
            if (configDepth_ > 0) ArmConfigClose(kConfigCloseNowMs);
            Submit(Request::Finish);
            break;
        default: break;
    }
}

void HostSession::OnHostTimer(UINT_PTR id) {
    if (id == kResourcesTimer) {
        LogResources("tick");
        return;
    }
    if (id != kConfigCloseTimer) return;
    if (configDepth_ == 0) {
        KillTimer(windows_->Main(), kConfigCloseTimer);
        return;
    }
    CloseConfigWindows();
    SetTimer(windows_->Main(), kConfigCloseTimer, kConfigCloseRetryMs, nullptr);
}

void HostSession::ArmConfigClose(UINT delayMs) { SetTimer(windows_->Main(), kConfigCloseTimer, delayMs, nullptr); }

// Closes the visible windows of this thread that Config opened (its dialog, a message
// box), leaving the host's windows and whatever the module had open before alone.
void HostSession::CloseConfigWindows() {
    for (HWND window : ThreadWindows()) {
        if (window == windows_->Main() || window == windows_->Playlist() || !IsWindowVisible(window)) continue;
        if (std::find(windowsBeforeConfig_.begin(), windowsBeforeConfig_.end(), window) !=
            windowsBeforeConfig_.end()) {
            continue;
        }
        // "OK" first: a dialog that ignores the close box (the plug-in's configuration
        // dialog closes only by its button or Enter) ends that way, a message box either way.
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

void HostSession::CallConfig() {
    if (handoff_.Faulted()) {
        log_.Line("config: skipped, the module faulted earlier");
        return;
    }
    if (configDepth_ == 0) {
        windowsBeforeConfig_ = ThreadWindows();
        configStartedAt_ = log_.SecondsSinceStart();
        if (playbackEnded_) {
            ArmConfigClose(kConfigCloseNowMs);
        } else if (options_.ConfigCloseAfter >= 0) {
            ArmConfigClose(static_cast<UINT>(options_.ConfigCloseAfter * kMillisecondsPerSecond));
        }
    }
    ++configDepth_;
    ++configCalls_;
    log_.Line("config: called" + std::string(configDepth_ > 1 ? " while an earlier Config is open" : ""));
    winampDSPModule* module = load_.Module;
    const unsigned long fault = Guarded([module] { module->Config(module); });
    --configDepth_;
    if (configDepth_ == 0) KillTimer(windows_->Main(), kConfigCloseTimer);
    if (fault != kNoFault) {
        ModuleFaulted("Config", fault);
    } else {
        log_.Line("config: returned after " + FormatSeconds(log_.SecondsSinceStart() - configStartedAt_) + " s");
    }
    Drain();
}

void HostSession::RunCycle() {
    winampDSPModule* module = load_.Module;
    // The baseline for the cycles: taken with the playback thread running and the module
    // initialised, as at the end of the last cycle.
    if (cyclesDone_ == 0) LogResources("before-cycles");
    ++initQuitDepth_;
    const int number = cyclesDone_ + 1;
    unsigned long fault = Guarded([module] { module->Quit(module); });
    int initResult = 0;
    if (fault != kNoFault) {
        ModuleFaulted("Quit", fault);
    } else {
        fault = Guarded([module, &initResult] { initResult = module->Init(module); });
        if (fault != kNoFault) ModuleFaulted("Init", fault);
    }
    --initQuitDepth_;
    if (fault == kNoFault) {
        ++cyclesDone_;
        if (initResult != 0) ++initFailures_;
        log_.Line("cycle " + std::to_string(number) + ": quit, init returned " + std::to_string(initResult));
        // After the first cycle too: the platform's one-time costs of a first Quit (under
        // Wine about a megabyte kept at the first thread's exit) are in, so from here to
        // after-cycles any growth is per cycle.
        if (cyclesDone_ == 1) LogResources("after-first-cycle");
        if (cyclesDone_ == options_.Cycles) LogResources("after-cycles");
        handoff_.HandBackToPlayback();
    }
    Drain();
}

void HostSession::Finish() { finished_ = true; }

bool HostSession::InitModule() {
    winampDSPModule* module = load_.Module;
    int initResult = 0;
    ++initQuitDepth_;
    const unsigned long fault = Guarded([module, &initResult] { initResult = module->Init(module); });
    --initQuitDepth_;
    if (fault != kNoFault) {
        ModuleFaulted("Init", fault);
        return false;
    }
    if (initResult != 0) ++initFailures_;
    log_.Line("init: returned " + std::to_string(initResult) +
              (initResult != 0 ? " (failure; the host carries on, as the player does)" : ""));
    return true;
}

void HostSession::PumpUntilFinished() {
    MSG message;
    while (!finished_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            log_.Problem("ignored a WM_QUIT posted to the host's window thread before the stream ended");
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void HostSession::QuitAndUnload() {
    if (handoff_.Faulted()) {
        log_.Line("unload: skipped, the module faulted (its code may still be running)");
        return;
    }
    winampDSPModule* module = load_.Module;
    ++initQuitDepth_;
    const unsigned long fault = Guarded([module] { module->Quit(module); });
    --initQuitDepth_;
    if (fault != kNoFault) {
        // The player guards Quit the same way and unloads the library regardless.
        moduleFaulted_ = true;
        log_.Problem("Quit faulted with exception " + HexCode(fault) + "; contained, unloading the library");
    } else {
        log_.Line("quit: done");
    }
    FreeLibrary(load_.Library);
    load_.Library = nullptr;
    log_.Line("unload: done");
}

int HostSession::Conclude(const WavStream& stream, const PlaybackReport& report, const StreamSchedule& schedule) {
    int exitCode = kExitSuccess;
    if (!options_.OutputWav.empty()) {
        const std::string error =
            WriteWavFile(options_.OutputWav, stream.FormatChunk, report.Output.data(), report.Output.size());
        if (!error.empty()) {
            log_.Problem(error);
            exitCode = kExitOutputWav;
        } else {
            log_.Line("output: " + FullPath(options_.OutputWav) + ", " + std::to_string(report.FramesOut) + " frames");
        }
    }
    for (const StreamAction& action : schedule.Remaining()) {
        log_.Problem("the stream ended before " + FormatSeconds(action.AtSeconds) + " s: an action there was not done");
    }
    log_.Line("summary: blocks=" + std::to_string(report.Blocks) + " processed=" + std::to_string(report.ProcessedBlocks) +
              " unprocessed=" + std::to_string(report.UnprocessedBlocks) + " frames_in=" + std::to_string(report.FramesIn) +
              " frames_out=" + std::to_string(report.FramesOut) + " play_seconds=" + FormatSeconds(report.PlaySeconds) +
              " config_calls=" + std::to_string(configCalls_) + " cycles=" + std::to_string(cyclesDone_) +
              " init_failures=" + std::to_string(initFailures_) + " contract_breaks=" +
              std::to_string(report.ContractBreaks) + " room_overruns=" + std::to_string(report.GuardBreaks) +
              " faults=" + std::to_string(moduleFaulted_ ? 1 : 0));

    if (exitCode != kExitSuccess) return exitCode;
    if (moduleFaulted_ || report.GuardBreaks > 0 || report.ContractBreaks > 0) return kExitModuleFault;
    if (cyclesDone_ < options_.Cycles) {
        log_.Problem("the stream ended after " + std::to_string(cyclesDone_) + " of " + std::to_string(options_.Cycles) +
                     " Init/Quit cycles: give a longer stream or a smaller --cycle-every");
        return kExitCyclesIncomplete;
    }
    return kExitSuccess;
}

int HostSession::Run() {
    WavReadResult input = ReadWavStream(options_.InputWav);
    if (!input.Error.empty()) {
        log_.Problem(input.Error);
        return kExitInputWav;
    }
    if (!input.Warning.empty()) log_.Problem(input.Warning);
    const WavStream& stream = input.Stream;
    const StreamFormat& format = stream.Format;
    if (const std::string mismatch = CheckOptionsAgainstStream(options_, format.SampleRate); !mismatch.empty()) {
        log_.Problem(mismatch);
        return kUsageExitCode;
    }

    const std::string library = FullPath(options_.Library);
    const std::string pluginFolder = options_.PluginDir.empty() ? FolderOf(library) : FullPath(options_.PluginDir);
    const std::string iniFile = options_.IniFile.empty() ? DefaultIniFile(pluginFolder) : FullPath(options_.IniFile);

    timeBeginPeriod(kTimerPeriodMs);
    struct TimerPeriod {
        ~TimerPeriod() { timeEndPeriod(kTimerPeriodMs); }
    } timerPeriod;

    windows_ = std::make_unique<HostWindows>(iniFile, pluginFolder, *this);
    if (!windows_->Created()) {
        log_.Problem("cannot create the host's windows: " + std::to_string(GetLastError()));
        return kExitInternalError;
    }
    log_.Line("host: main window " + HexCode(reinterpret_cast<uintptr_t>(windows_->Main())) + ", plug-in folder " +
              pluginFolder + ", INI file " + iniFile);
    LogResources("start");

    load_ = LoadDspModule(library, windows_->Main(), options_.ModuleIndex);
    if (!load_.Error.empty()) {
        log_.Problem(load_.Error);
        return kExitLibrary;
    }
    log_.Line("library: " + library + " " + FormatDescription(load_.Header->description) + ", module " +
              std::to_string(options_.ModuleIndex) + " " + FormatDescription(load_.Module->description));
    log_.Line("stream: " + std::to_string(format.SampleRate) + " Hz, " + std::to_string(format.BitsPerSample) +
              " bits, " + std::to_string(format.Channels) + " channels, " + std::to_string(stream.Frames) +
              " frames (" + FormatSeconds(static_cast<double>(stream.Frames) / format.SampleRate) + " s)");

    StreamSchedule schedule(options_.Actions, format.SampleRate);
    PlaybackSettings settings;
    settings.BlockFrames = options_.BlockFrames;
    settings.Fast = options_.Fast;
    settings.Pace = options_.Pace;
    settings.LogBursts = options_.LogBursts;
    settings.Cycles = options_.Cycles;
    settings.CycleEvery = options_.CycleEvery;
    PlaybackThread playback(stream, settings, schedule, load_.Module, *windows_, handoff_, log_);
    LogResources("loaded");

    if (!InitModule()) return kExitModuleFault;
    LogResources("after-init");
    if (options_.ResourcesEvery > 0) {
        SetTimer(windows_->Main(), kResourcesTimer,
                 static_cast<UINT>(options_.ResourcesEvery * kMillisecondsPerSecond), nullptr);
    }
    playback.Start();
    PumpUntilFinished();
    KillTimer(windows_->Main(), kResourcesTimer);
    playback.Join();
    if (playback.Report().FaultCode != kNoFault) moduleFaulted_ = true;
    QuitAndUnload();
    LogResources("end");
    return Conclude(stream, playback.Report(), schedule);
}
