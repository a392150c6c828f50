// The host's playback thread: hands the playing stream to the module's ModifySamples block
// by block, paced in real time (evenly, or as a player's decode thread feeding its output
// buffer) or as fast as possible, holds the paused and stopped spans, empties the player's
// output buffer at seeks, posts Config and Init/Quit-cycle requests to the window thread,
// and collects the processed stream. It never waits for the window thread: requests are posted, and while the window
// thread holds the module for a cycle, blocks play unprocessed.
//
// Made on the window thread before the module's Init (it allocates everything it needs
// then), started and joined there; Report() is read after Join.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "block_room.h"
#include "base/dsp_records.h"
#include "event_log.h"
#include "host_windows.h"
#include "module_handoff.h"
#include "player_output_buffer.h"
#include "stream_schedule.h"
#include "wav_file.h"

struct PlaybackSettings {
    int BlockFrames = 0;
    bool Fast = false;
    PlayerPace Pace;         // OutputMs 0: blocks evenly paced (or fast)
    bool LogBursts = false;  // player pacing: log each wake-up's blocks
    int Cycles = 0;      // Init/Quit cycles to request
    int CycleEvery = 1;  // blocks the module processes between two requests
};

struct PlaybackReport {
    int64_t Blocks = 0;
    int64_t ProcessedBlocks = 0;
    int64_t UnprocessedBlocks = 0;  // played while the module was away or after a fault
    int64_t FramesIn = 0;
    int64_t FramesOut = 0;
    int64_t ContractBreaks = 0;     // answers below half or above twice the frames given
    int64_t GuardBreaks = 0;        // blocks after which the module had written past its room
    unsigned long FaultCode = 0;    // exception that ended ModifySamples, 0 if none
    int CyclesRequested = 0;
    double PlaySeconds = 0;         // wall time from the first block to the end
    std::vector<uint8_t> Output;
};

class PlaybackThread {
public:
    PlaybackThread(const WavStream& stream, PlaybackSettings settings, StreamSchedule& schedule,
                   winampDSPModule* module, HostWindows& windows, ModuleHandoff& handoff, EventLog& log);
    ~PlaybackThread();
    PlaybackThread(const PlaybackThread&) = delete;
    PlaybackThread& operator=(const PlaybackThread&) = delete;

    void Start();
    void Join();
    const PlaybackReport& Report() const { return report_; }

private:
    void Run();
    void RunDueActions(int64_t frame);
    void Hold(const StreamAction& action);
    void RequestCycleIfDue();
    bool ProcessBlock(const uint8_t* source, int count, int64_t block);  // false: the module faulted
    void Append(const uint8_t* frames, int count);
    bool PlayerPaced() const { return settings_.Pace.OutputMs > 0; }
    double Now() const;  // seconds since the run started
    void WaitForRoom(int count);
    void Written(int64_t frame, int frames);
    void Seek(int64_t frame);
    void EndBurst();
    std::string StreamSecondText(int64_t frame) const;
    void PostEnded();

    const WavStream& stream_;
    PlaybackSettings settings_;
    StreamSchedule& schedule_;
    winampDSPModule* module_;
    HostWindows& windows_;
    ModuleHandoff& handoff_;
    EventLog& log_;
    BlockRoom room_;
    PlaybackReport report_;
    size_t outputBytes_ = 0;
    std::chrono::steady_clock::duration heldFor_{};  // wall time spent in holds, shifts the pacing
    int processedSinceCycle_ = 0;
    std::chrono::steady_clock::time_point start_;  // of the first block; Now() counts from it

    // Player pacing: the output buffer, the last wake-up (seconds since the start), and the
    // blocks handed over since it.
    PlayerOutputBuffer output_;
    double lastWake_ = 0;
    bool wakeNeeded_ = false;   // a seek ended the current wake-up
    bool seekPending_ = false;  // the next restart of the output buffer follows a seek
    int burstBlocks_ = 0;
    int64_t burstFrame_ = 0;
    uint64_t burstUnixTicks_ = 0;
    std::thread thread_;
};
