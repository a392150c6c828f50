// The stream actions of the command line (holds and Config calls) turned into stream
// positions. The playback thread asks, before each block, which actions are due; each
// action is handed out once, in stream-time order (command-line order for equal times).
//
// Built on the main thread; afterwards used by the playback thread alone. TakeDue does not
// allocate.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host_options.h"

class StreamSchedule {
public:
    StreamSchedule(std::vector<StreamAction> actions, int sampleRate);

    // The actions due before a block that starts at `frame` and not handed out before.
    std::span<const StreamAction> TakeDue(int64_t frame);

    // The actions never handed out (the stream ended before their time).
    std::span<const StreamAction> Remaining() const;

    // The first frame at which an action is due.
    static int64_t DueFrame(const StreamAction& action, int sampleRate);

private:
    std::vector<StreamAction> actions_;
    std::vector<int64_t> dueFrames_;
    int sampleRate_;
    size_t next_ = 0;
};
