#include "playback_thread.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <exception>

#include "block_room.h"
#include "dsp_library.h"
#include "host/structured_call_guard.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr DWORD kShortestSleepMs = 1;
constexpr DWORD kQueueFullRetryMs = 10;
constexpr double kMillisecondsPerSecond = 1000.0;

// Sleeps until `when`, to within the system timer's period (set to 1 ms for the run).
void SleepUntil(Clock::time_point when) {
    for (;;) {
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now());
        if (when <= Clock::now()) return;
        Sleep(std::max<DWORD>(kShortestSleepMs, static_cast<DWORD>(remaining.count())));
    }
}

Clock::duration ToDuration(double seconds) { return std::chrono::duration_cast<Clock::duration>(Seconds(seconds)); }

// The wall clock now, in 100 ns ticks since 1601 (a FILETIME).
uint64_t WallTicksNow() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return (uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

// A wall clock reading in seconds since 1970 with microseconds.
std::string UnixTimeText(uint64_t wallTicks = WallTicksNow()) {
    constexpr uint64_t kUnixEpochIn100ns = 116444736000000000ULL;
    char text[40];
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(wallTicks - kUnixEpochIn100ns) / 1e7);
    return text;
}

const char* HoldName(StreamActionKind kind) { return kind == StreamActionKind::Pause ? "pause" : "stop"; }

}  // namespace

PlaybackThread::PlaybackThread(const WavStream& stream, PlaybackSettings settings, StreamSchedule& schedule,
                               winampDSPModule* module, HostWindows& windows, ModuleHandoff& handoff,
                               EventLog& log)
    : stream_(stream),
      settings_(settings),
      schedule_(schedule),
      module_(module),
      windows_(windows),
      handoff_(handoff),
      log_(log),
      room_(settings.BlockFrames, stream.Format.BlockAlign),
      output_(PlayerBufferFrames(settings.Pace.OutputMs, stream.Format.SampleRate), stream.Format.SampleRate) {
    // All the memory the run needs is taken and touched here, before the module's Init, so
    // that the resource samples taken during the run show the module's use alone.
    report_.Output.assign(stream_.Data.size(), 0);
}

PlaybackThread::~PlaybackThread() { Join(); }

void PlaybackThread::Start() {
    thread_ = std::thread([this] {
        try {
            Run();
        } catch (const std::exception& error) {
            // Out of memory for the output, most likely: end the run in order.
            log_.Problem(std::string("playback stopped: ") + error.what());
            windows_.SetPlayState(kPlayStateStopped);
            PostEnded();
        }
    });
}

void PlaybackThread::Join() {
    if (thread_.joinable()) thread_.join();
}

void PlaybackThread::Append(const uint8_t* frames, int count) {
    const size_t bytes = static_cast<size_t>(count) * stream_.Format.BlockAlign;
    if (outputBytes_ + bytes > report_.Output.size()) {
        report_.Output.resize(std::max(outputBytes_ + bytes, 2 * report_.Output.size()));  // a stretching module
    }
    std::copy(frames, frames + bytes, report_.Output.begin() + static_cast<std::ptrdiff_t>(outputBytes_));
    outputBytes_ += bytes;
    report_.FramesOut += count;
}

void PlaybackThread::Hold(const StreamAction& action) {
    const int state = action.Kind == StreamActionKind::Pause ? kPlayStatePaused : kPlayStateStopped;
    windows_.SetPlayState(state);
    log_.Line(std::string(HoldName(action.Kind)) + ": at stream " + FormatSeconds(action.AtSeconds) + " s for " +
              FormatSeconds(action.ForSeconds) + " s (play state " + std::to_string(state) + ")");
    SleepUntil(Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(action.ForSeconds)));
    windows_.SetPlayState(kPlayStatePlaying);
    log_.Line("play: resumed after " + std::string(HoldName(action.Kind)));
}

void PlaybackThread::RunDueActions(int64_t frame) {
    for (const StreamAction& action : schedule_.TakeDue(frame)) {
        if (action.Kind == StreamActionKind::Config) {
            log_.Line("config: requested at stream " +
                      FormatSeconds(static_cast<double>(frame) / stream_.Format.SampleRate) + " s");
            PostMessageA(windows_.Main(), kRequestConfig, 0, 0);
        } else if (action.Kind == StreamActionKind::Seek) {
            Seek(frame);
        } else {
            // A paused player pauses its output device too: what it holds plays on afterwards.
            EndBurst();
            const double holdStart = Now();
            Hold(action);
            const double held = Now() - holdStart;
            heldFor_ += ToDuration(held);
            output_.Hold(holdStart, held);
            lastWake_ = Now();
        }
    }
}

// Hands the module to the window thread for one Init/Quit cycle when one is due.
void PlaybackThread::RequestCycleIfDue() {
    if (report_.CyclesRequested >= settings_.Cycles || processedSinceCycle_ < settings_.CycleEvery) return;
    handoff_.HandToWindowThread();
    processedSinceCycle_ = 0;
    if (PostMessageA(windows_.Main(), kRequestCycle, 0, 0)) {
        ++report_.CyclesRequested;
    } else {
        handoff_.HandBackToPlayback();  // the window thread's queue is full: try again later
    }
}

bool PlaybackThread::ProcessBlock(const uint8_t* source, int count, int64_t block) {
    const StreamFormat& format = stream_.Format;
    room_.Load(source, count);
    int returned = 0;
    const unsigned long fault = Guarded([&] {
        returned = module_->ModifySamples(module_, reinterpret_cast<short*>(room_.Samples()), count,
                                          format.BitsPerSample, format.Channels, format.SampleRate);
    });
    if (fault != kNoFault) {
        handoff_.MarkFaulted();
        report_.FaultCode = fault;
        log_.Problem("ModifySamples faulted with exception " + HexCode(fault) + " at block " + std::to_string(block) +
                     "; the module is not called again");
        return false;
    }
    ++report_.ProcessedBlocks;
    ++processedSinceCycle_;
    if (!room_.GuardIntact() && report_.GuardBreaks++ == 0) {
        log_.Problem("ModifySamples wrote past the room of twice the block's frames at block " + std::to_string(block));
    }
    const ReturnedFrames kept = CheckReturnedFrames(returned, count);
    if (!kept.WithinContract && report_.ContractBreaks++ == 0) {
        log_.Problem("ModifySamples answered " + std::to_string(returned) + " frames for a block of " +
                     std::to_string(count) + " at block " + std::to_string(block) + " (allowed: half to twice); keeping " +
                     std::to_string(kept.Frames));
    }
    Append(room_.Samples(), kept.Frames);
    return true;
}

double PlaybackThread::Now() const { return Seconds(Clock::now() - start_).count(); }

// "5.01551": a stream position in seconds, to the microsecond, without trailing zeros.
std::string PlaybackThread::StreamSecondText(int64_t frame) const {
    char text[40];
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(frame) / stream_.Format.SampleRate);
    std::string result = text;
    result.erase(result.find_last_not_of('0') + 1);
    if (result.back() == '.') result.pop_back();
    return result;
}

// Player pacing: the decode thread writes the next block when it fits the output buffer's
// free room, and otherwise sleeps until its next wake-up, one poll period after the last.
void PlaybackThread::WaitForRoom(int count) {
    const double poll = settings_.Pace.PollMs / kMillisecondsPerSecond;
    while (wakeNeeded_ || !output_.Fits(count, Now())) {
        EndBurst();
        lastWake_ = std::max(lastWake_ + poll, Now());
        SleepUntil(start_ + ToDuration(lastWake_));
        wakeNeeded_ = false;
    }
    if (burstBlocks_ == 0) burstUnixTicks_ = WallTicksNow();
}

// Records what the player wrote to its output buffer for the block at `frame`. When the
// buffer was empty (at the start, after a seek, or after it ran dry) the device starts
// playing it now: a new clock line says so. A block the module shrank to nothing writes
// nothing, and starts nothing.
void PlaybackThread::Written(int64_t frame, int frames) {
    if (burstBlocks_++ == 0) burstFrame_ = frame;
    if (frames == 0) return;
    const uint64_t wallTicks = WallTicksNow();
    const PlayerOutputBuffer::Write write = output_.Add(frames, Now());
    if (!write.Started) return;
    if (frame > 0 && !seekPending_) {
        log_.Line("underrun: the output buffer ran empty for " +
                  FormatSeconds(write.SilentSeconds * kMillisecondsPerSecond) + " ms before stream second " +
                  StreamSecondText(frame));
    }
    seekPending_ = false;
    log_.Line("clock: stream second " + StreamSecondText(frame) + " is Unix time " + UnixTimeText(wallTicks));
}

// A seek empties the output buffer and ends the current wake-up: the next one refills it.
void PlaybackThread::Seek(int64_t frame) {
    output_.Empty(Now());
    log_.Line("seek: at stream second " + StreamSecondText(frame));
    seekPending_ = true;
    wakeNeeded_ = true;
}

void PlaybackThread::EndBurst() {
    if (burstBlocks_ > 0 && settings_.LogBursts) {
        log_.Line("burst: " + std::to_string(burstBlocks_) + (burstBlocks_ == 1 ? " block" : " blocks") +
                  " from stream second " + StreamSecondText(burstFrame_) + " at Unix time " +
                  UnixTimeText(burstUnixTicks_));
    }
    burstBlocks_ = 0;
}

void PlaybackThread::Run() {
    const StreamFormat& format = stream_.Format;
    const int64_t totalFrames = stream_.Frames;
    windows_.SetPlayState(kPlayStatePlaying);
    log_.Line("play: " + std::to_string(totalFrames) + " frames in blocks of " + std::to_string(settings_.BlockFrames) +
              (settings_.Fast ? ", as fast as possible" : ", in real time"));
    start_ = Clock::now();
    if (PlayerPaced()) {
        // Block N is heard at the wall clock of the latest "clock:" line before it plus its
        // stream time since that line's, and handed over at most OUT_MS before that.
        log_.Line("pace: player " + std::to_string(settings_.Pace.OutputMs) + " " +
                  std::to_string(settings_.Pace.PollMs));
    } else if (!settings_.Fast) {
        // Block N is handed over at this instant plus its stream time: the wall clock of the
        // stream's start lets a measurement tell when each output sample was processed.
        log_.Line("clock: stream second 0 is Unix time " + UnixTimeText());
    }

    for (int64_t frame = 0; frame < totalFrames;) {
        RunDueActions(frame);
        const int count = static_cast<int>(std::min<int64_t>(settings_.BlockFrames, totalFrames - frame));
        if (PlayerPaced()) {
            WaitForRoom(count);
        } else if (!settings_.Fast) {
            const Seconds streamTime(static_cast<double>(frame) / format.SampleRate);
            SleepUntil(start_ + heldFor_ + std::chrono::duration_cast<Clock::duration>(streamTime));
        }
        const uint8_t* source = stream_.Data.data() + static_cast<size_t>(frame) * format.BlockAlign;
        const int64_t block = report_.Blocks++;
        const int64_t blockFrame = frame;
        const int64_t framesOutBefore = report_.FramesOut;
        report_.FramesIn += count;
        frame += count;

        if (handoff_.PlaybackHolds()) RequestCycleIfDue();
        if (!handoff_.PlaybackHolds()) {
            // The window thread runs a cycle, or the module faulted: as with no module selected.
            Append(source, count);
            ++report_.UnprocessedBlocks;
        } else if (!ProcessBlock(source, count, block)) {
            break;
        }
        if (PlayerPaced()) Written(blockFrame, static_cast<int>(report_.FramesOut - framesOutBefore));
    }
    EndBurst();

    report_.Output.resize(outputBytes_);
    report_.PlaySeconds = Now();
    windows_.SetPlayState(kPlayStateStopped);
    log_.Line("end: stream played in " + FormatSeconds(report_.PlaySeconds) + " s");
    PostEnded();
}

// The window thread ends the run on this message, so it must arrive; this thread has
// nothing left to do and may wait for room in the queue.
void PlaybackThread::PostEnded() {
    while (!PostMessageA(windows_.Main(), kPlaybackEnded, 0, 0)) Sleep(kQueueFullRetryMs);
}
