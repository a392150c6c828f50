// One mixing engine on its own MixState, with a scripted capture queue, a recording sink
// and a hand-moved clock: the set-up every mixer test starts from.
#pragma once

#include <cstdint>
#include <vector>

#include "core/mix_state.h"
#include "core/mixing_engine.h"
#include "unit/support/manual_clock.h"
#include "unit/support/recording_sink.h"
#include "unit/support/scripted_capture_queue.h"

struct MixerRig {
    MixStateRecord state;
    RecordingSink sink;
    ManualClock clock;
    ScriptedCaptureQueue queue;
    MixingEngine engine{state, sink, clock};
    RecordedFormat format;  // the host's format, and the recorded buffers' by default

    MixerRig() = default;
    explicit MixerRig(RecordedFormat f) : format(f) {}
    ~MixerRig() { engine.DropBuffer(&queue); }

    // Mixes one block of sample values held in integers of the host's width (int16_t for
    // 16 bits, uint8_t for 8, int32_t for 32).
    template <class T>
    int Mix(std::vector<T>& block) {
        return engine.MixSamples(&queue, block.data(),
                                 static_cast<int>(block.size()) / format.nch, format.bps,
                                 format.nch, format.srate);
    }

    // Mixes one block given as packed bytes (any width).
    int MixPacked(std::vector<uint8_t>& bytes) {
        const int frames = static_cast<int>(bytes.size()) / (format.bps / 8) / format.nch;
        return engine.MixSamples(&queue, bytes.data(), frames, format.bps, format.nch,
                                 format.srate);
    }

    template <class T>
    void Record(const std::vector<T>& values, CaptureMark* marks = nullptr) {
        queue.Record(values, format, marks);
    }

    // The first blocks after Init, with capture wanted: the format reset, the open in
    // Idle and the start in Open (which also sees the recorded buffers waiting). With at
    // least five buffers recorded beforehand, the next block is mixed.
    void StartCapture(int frames = 576) {
        state.SetWantActivate(true);
        for (int i = 0; i < 3; ++i) {
            std::vector<uint8_t> bytes(static_cast<size_t>(frames) * format.nch * format.bps / 8);
            MixPacked(bytes);
        }
        sink.Clear();
    }
};

// Integer sample values of one width, packed as the host hands them over.
inline std::vector<uint8_t> Pack(const std::vector<int64_t>& values, int bps) {
    const int bytes = bps / 8;
    std::vector<uint8_t> block(values.size() * bytes);
    for (size_t i = 0; i < values.size(); ++i) {
        for (int b = 0; b < bytes; ++b) block[i * bytes + b] = static_cast<uint8_t>(values[i] >> (8 * b));
    }
    return block;
}
