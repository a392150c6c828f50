// One run of the substitute host, on the window thread: read the stream, create the host's
// windows, load the module the host's way, Init it, start the playback thread and pump
// messages until the stream has ended, answering the playback thread's requests (Config
// calls, Init/Quit cycles) in between, then Quit, FreeLibrary and write the output.
//
// Requests that arrive while a module call of the window thread is still open are deferred
// until it returns: a cycle never runs inside Config or inside another Init/Quit; Config
// may run inside an open Config (the module decides what a second call does).
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "dsp_library.h"
#include "event_log.h"
#include "host_options.h"
#include "host_windows.h"
#include "module_handoff.h"
#include "playback_thread.h"
#include "stream_schedule.h"
#include "wav_file.h"

class HostSession : public HostWindowListener {
public:
    explicit HostSession(HostOptions options);
    ~HostSession() override;

    int Run();  // the exit code

    void OnHostRequest(UINT message) override;
    void OnHostTimer(UINT_PTR id) override;

private:
    enum class Request { Config, Cycle, Finish };

    bool InitModule();  // false: Init faulted
    void PumpUntilFinished();
    void QuitAndUnload();
    int Conclude(const WavStream& stream, const PlaybackReport& report, const StreamSchedule& schedule);

    bool Runnable(Request request) const;
    void Submit(Request request);
    void Drain();
    void CallConfig();
    void RunCycle();
    void Finish();
    void ArmConfigClose(UINT delayMs);
    void CloseConfigWindows();
    void ModuleFaulted(const char* callback, unsigned long code);
    void LogResources(const char* stage);

    HostOptions options_;
    EventLog log_;
    std::unique_ptr<HostWindows> windows_;
    DspLibraryLoad load_;
    ModuleHandoff handoff_;

    std::deque<Request> pending_;
    int configDepth_ = 0;    // open Config calls
    int initQuitDepth_ = 0;  // open Init or Quit calls
    bool playbackEnded_ = false;
    bool finished_ = false;
    std::vector<HWND> windowsBeforeConfig_;
    double configStartedAt_ = 0;

    int cyclesDone_ = 0;
    int initFailures_ = 0;
    int configCalls_ = 0;
    bool moduleFaulted_ = false;
};
