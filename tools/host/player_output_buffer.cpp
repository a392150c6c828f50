#include "player_output_buffer.h"

#include <algorithm>

namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;

}  // namespace

int64_t PlayerBufferFrames(int milliseconds, int sampleRate) {
    return int64_t{milliseconds} * sampleRate / kMillisecondsPerSecond;
}

PlayerOutputBuffer::PlayerOutputBuffer(int64_t capacityFrames, int sampleRate)
    : capacity_(static_cast<double>(capacityFrames)), rate_(sampleRate) {}

double PlayerOutputBuffer::BufferedFrames(double now) const {
    return written_ ? std::max(0.0, (playedOutAt_ - now) * rate_) : 0.0;
}

bool PlayerOutputBuffer::Fits(int frames, double now) const { return BufferedFrames(now) + frames <= capacity_; }

PlayerOutputBuffer::Write PlayerOutputBuffer::Add(int frames, double now) {
    Write write;
    if (!written_ || playedOutAt_ <= now) {
        write.Started = true;
        write.SilentSeconds = written_ ? now - playedOutAt_ : 0;
        playedOutAt_ = now;
        written_ = true;
    }
    playedOutAt_ += frames / rate_;
    return write;
}

double PlayerOutputBuffer::Empty(double now) {
    const double dropped = BufferedFrames(now);
    if (written_) playedOutAt_ = std::min(playedOutAt_, now);
    return dropped;
}

void PlayerOutputBuffer::Hold(double from, double seconds) {
    if (written_ && playedOutAt_ > from) playedOutAt_ += seconds;
}
