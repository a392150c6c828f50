// The mixing formulas read literally, one sample value at a time, for comparison with the
// mixing engine: the transition curve is evaluated twice per sample value, the level's
// square root once, the trigger's percent once per frame, nothing is cached. It models a
// capture stream that never runs dry, so it starts where the engine starts mixing.
//
// Captured values arrive as a plain stream; push-to-talk marks are given as positions in
// that stream (a mark applies at the first frame that starts at or after its position).
// Sample values are decoded and encoded here by hand, independently of the engine's codecs.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

struct LiteralMixSettings {
    int mode = 0;  // 0 Off (and anything else), 1 Manual, 2 Auto, 3 PTT
    double manualPercent = 0.0;
    double autoPercent = 0.0;
    double pttPercent = 0.7;
    double thresholdPercent = 0.0;
    double holdSeconds = 0.0;
    double fadeInSeconds = 0.01;
    double fadeOutSeconds = 1.0;
    bool logarithmic = true;
    bool crossfade = true;
};

class LiteralMixer {
public:
    LiteralMixSettings settings;

    LiteralMixer(int bps, int nch, int srate) : bps_(bps), nch_(nch), srate_(srate) {
        if (bps == 8) {
            ltv_ = 0;
            gtv_ = 255;
        } else {
            ltv_ = -(int64_t{1} << (bps - 1));
            gtv_ = (int64_t{1} << (bps - 1)) - 1;
        }
        center_ = (gtv_ - ltv_) / 2 + ltv_ + 1;
    }

    void AddMark(int64_t streamPosition, bool on) { marks_.emplace_back(streamPosition, on); }

    double fIn() const { return fIn_; }
    bool level() const { return level_; }

    // Mixes `frames` frames of `host` in place with the next captured values from
    // `capture`; `now` is the time of the block in seconds.
    void MixBlock(uint8_t* host, int frames, const uint8_t* capture, double now) {
        const double inStep = settings.fadeInSeconds == 0.0 ? 1.0 : 1.0 / settings.fadeInSeconds / srate_;
        const double otStep = settings.fadeOutSeconds == 0.0 ? 1.0 : 1.0 / settings.fadeOutSeconds / srate_;
        const double fullScale = static_cast<double>(gtv_ - center_);
        int64_t read = 0;
        for (int frame = 0; frame < frames; ++frame) {
            while (nextMark_ < marks_.size() && marks_[nextMark_].first <= consumed_) {
                ptt_ = marks_[nextMark_].second;
                ++nextMark_;
            }

            const double percent = std::floor(rms0_ / fullScale * 100.0);
            if (percent > settings.thresholdPercent) {
                lastSpike_ = now;
                level_ = true;
            } else {
                const double ageDays = (now - lastSpike_) / 86400.0;
                level_ = settings.holdSeconds / 86400.0 > ageDays;
            }

            double target = 0.0;
            if (settings.mode == 1) target = settings.manualPercent;
            if (settings.mode == 2 && level_) target = settings.autoPercent;
            if (settings.mode == 3 && ptt_) target = settings.pttPercent;

            if (fIn_ != target) {
                if (fIn_ > target) {
                    fIn_ = fIn_ - otStep;
                    if (fIn_ < target) fIn_ = target;
                } else {
                    fIn_ = fIn_ + inStep;
                    if (fIn_ > target) fIn_ = target;
                }
                fOt_ = 1.0 - fIn_;
            }

            for (int c = 0; c < nch_; ++c) {
                const int64_t k = static_cast<int64_t>(frame) * nch_ + c;
                const int64_t h = Decode(host, k);
                const int64_t x = Decode(capture, read++);
                ++consumed_;
                int64_t out;
                if (settings.crossfade) {
                    out = static_cast<int64_t>(std::trunc(Curve(fOt_) * static_cast<double>(h) +
                                                          Curve(fIn_) * static_cast<double>(x)));
                } else {
                    out = h + static_cast<int64_t>(Curve(fIn_) * static_cast<double>(x - center_));
                }
                if (out > gtv_) out = gtv_;
                if (out < ltv_) out = ltv_;
                Encode(host, k, out);
                Track(static_cast<double>(x - center_));
            }
        }
    }

private:
    double Curve(double x) const {
        if (!settings.logarithmic) return x;
        if (x == 0.0) return 0.0;
        if (x == 1.0) return 1.0;
        const double argument = 0.1 + 0.9 * (1.0 - x);
        if (argument <= 0.0) return 0.0;
        return -std::log10(argument);
    }

    void Track(double v) {
        if (v > rms1_) rms1_ = v;
        if (v > rms0_) rms0_ = v;
        const double r = std::sqrt((rms1_ * rms1_ + rms0_ * rms0_ + v * v) / 3.0);
        rms1_ = rms0_;
        rms0_ = r;
    }

    int64_t Decode(const uint8_t* block, int64_t index) const {
        const uint8_t* p = block + index * (bps_ / 8);
        switch (bps_) {
            case 8: return p[0];
            case 16: return static_cast<int16_t>(p[0] | (p[1] << 8));
            case 24: {
                int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
                if (v & 0x800000) v -= 0x1000000;
                return v;
            }
            default: {
                uint32_t v = 0;
                std::memcpy(&v, p, 4);
                return static_cast<int32_t>(v);
            }
        }
    }

    void Encode(uint8_t* block, int64_t index, int64_t value) const {
        uint8_t* p = block + index * (bps_ / 8);
        for (int b = 0; b < bps_ / 8; ++b) p[b] = static_cast<uint8_t>(value >> (8 * b));
    }

    int bps_;
    int nch_;
    int srate_;
    int64_t ltv_ = 0;
    int64_t gtv_ = 0;
    int64_t center_ = 0;

    double fIn_ = 0.0;
    double fOt_ = 1.0;
    double rms0_ = 0.0;
    double rms1_ = 0.0;
    bool level_ = false;
    double lastSpike_ = -1e12;  // never
    bool ptt_ = false;
    int64_t consumed_ = 0;
    std::vector<std::pair<int64_t, bool>> marks_;
    size_t nextMark_ = 0;
};
