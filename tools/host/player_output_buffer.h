// A media player's output buffer as its decode thread sees it: the thread writes processed
// blocks into a buffer of fixed capacity, the output device plays the buffer out in real
// time, and the thread writes a block only when the block fits the free room. The playback
// thread's player pacing asks it whether the next block fits, tells it what was written,
// and learns from it when the written frames are heard.
//
// Pure arithmetic on a steady time line in seconds (any origin): no clock of its own, no
// Windows, no allocation. Used by the playback thread alone.
#pragma once

#include <cstdint>

// The frames an output buffer of `milliseconds` holds at `sampleRate` (rounded down).
int64_t PlayerBufferFrames(int milliseconds, int sampleRate);

class PlayerOutputBuffer {
public:
    PlayerOutputBuffer(int64_t capacityFrames, int sampleRate);

    // Frames written and not yet played at `now` (fractional: the device plays continuously).
    double BufferedFrames(double now) const;

    // True when `frames` more frames fit into the free room at `now`.
    bool Fits(int frames, double now) const;

    struct Write {
        bool Started = false;       // the buffer was empty: these frames start playing at `now`
        double SilentSeconds = 0;   // when Started: how long the device had nothing to play
    };
    // Records `frames` written at `now`; they play after everything written before.
    Write Add(int frames, double now);

    // Drops everything not yet played, as a seek does; returns the frames dropped.
    double Empty(double now);

    // The device stood still for `seconds` from `from` (the player paused it): nothing
    // played meanwhile.
    void Hold(double from, double seconds);

private:
    double capacity_;
    double rate_;
    double playedOutAt_ = 0;  // when the device runs out of what was written
    bool written_ = false;    // before the first write the device has not started
};
