#include "capture/recorded_resampler.h"

#include <speex_resampler.h>

#include <algorithm>
#include <cmath>

#include "base/sample_codecs.h"
#include "base/sample_limits.h"

namespace {

// Frames remembered while buffers pass unchanged: they prime the filter when it engages, so
// the first resampled frame has real frames before it. More than half of any filter this
// quality uses, even stretched by the largest ratio.
constexpr int64_t kHistoryFrames = 128;

template <class Codec>
void LoadAll(const uint8_t* data, int64_t values, int64_t center, float* out) {
    for (int64_t i = 0; i < values; ++i) {
        out[i] = static_cast<float>(Codec::Load(data + i * Codec::kBytes) - center);
    }
}

// Rounded to the nearest value (halves away from zero) and clipped to the width's range.
template <class Codec>
void StoreAll(const float* in, int64_t values, const SampleLimits& limits, uint8_t* data) {
    const double low = static_cast<double>(limits.ltv - limits.center);
    const double high = static_cast<double>(limits.gtv - limits.center);
    for (int64_t i = 0; i < values; ++i) {
        const double v = std::clamp(static_cast<double>(in[i]), low, high);
        const auto rounded = static_cast<int64_t>(v >= 0.0 ? v + 0.5 : v - 0.5);
        Codec::Store(data + i * Codec::kBytes, rounded + limits.center);
    }
}

void ToFloats(int bps, const uint8_t* data, int64_t values, float* out) {
    const int64_t center = LimitsForWidth(bps).center;
    switch (bps) {
        case PcmU8::kBits: LoadAll<PcmU8>(data, values, center, out); break;
        case PcmS16::kBits: LoadAll<PcmS16>(data, values, center, out); break;
        case PcmS24::kBits: LoadAll<PcmS24>(data, values, center, out); break;
        case PcmS32::kBits: LoadAll<PcmS32>(data, values, center, out); break;
    }
}

void FromFloats(int bps, const float* in, int64_t values, uint8_t* data) {
    const SampleLimits limits = LimitsForWidth(bps);
    switch (bps) {
        case PcmU8::kBits: StoreAll<PcmU8>(in, values, limits, data); break;
        case PcmS16::kBits: StoreAll<PcmS16>(in, values, limits, data); break;
        case PcmS24::kBits: StoreAll<PcmS24>(in, values, limits, data); break;
        case PcmS32::kBits: StoreAll<PcmS32>(in, values, limits, data); break;
    }
}

int64_t ClampedNumerator(double ratio) {
    if (!std::isfinite(ratio)) return kRatioDenominator;
    const auto most = static_cast<int64_t>(std::llround(kMaxRatioDeviation * kRatioDenominator));
    const int64_t numerator = std::llround(ratio * static_cast<double>(kRatioDenominator));
    return std::clamp(numerator, kRatioDenominator - most, kRatioDenominator + most);
}

// Once resampling, a ratio of exactly 1 is passed as the nearest step on the side the ratio
// comes from: the resampler would reduce n/n to 1/1 and lose the fraction of a frame it is
// at, a jump of the waveform each time the ratio crosses 1.
int64_t EngagedNumerator(int64_t numerator, int64_t previous) {
    if (numerator != kRatioDenominator) return numerator;
    return previous < kRatioDenominator ? kRatioDenominator - 1 : kRatioDenominator + 1;
}

}  // namespace

RecordedResampler::~RecordedResampler() {
    if (speex_ != nullptr) speex_resampler_destroy(speex_);
}

bool RecordedResampler::Configure(int32_t srate, int32_t bps, int32_t nch, int64_t maxFrames) {
    if (speex_ != nullptr) speex_resampler_destroy(speex_);
    speex_ = nullptr;
    srate_ = srate;
    bps_ = bps;
    nch_ = nch;
    Reset();
    if (!IsMixableWidth(bps) || nch <= 0 || srate <= 0 || maxFrames <= 0) return false;
    int error = 0;
    speex_ = speex_resampler_init_frac(static_cast<spx_uint32_t>(nch), kRatioDenominator, kRatioDenominator,
                                       static_cast<spx_uint32_t>(srate), static_cast<spx_uint32_t>(srate),
                                       kResamplerQuality, &error);
    if (speex_ == nullptr) return false;
    const auto values = [nch](int64_t frames) { return static_cast<size_t>(frames * nch); };
    history_.assign(values(kHistoryFrames), 0.0f);
    input_.assign(values(std::max(maxFrames, kHistoryFrames)), 0.0f);
    output_.assign(values(maxFrames + GrowthFrames(maxFrames) + kHistoryFrames), 0.0f);
    return true;
}

void RecordedResampler::Reset() {
    engaged_ = false;
    numerator_ = kRatioDenominator;
    discard_ = 0;
    historyFrames_ = 0;
}

int64_t RecordedResampler::GrowthFrames(int64_t frames) {
    // The ratio's largest stretch, the frames held back in the filter coming out, and one
    // for the rounding of the output's count.
    return static_cast<int64_t>(std::ceil(static_cast<double>(frames) * kMaxRatioDeviation)) + kHistoryFrames + 1;
}

int64_t RecordedResampler::Process(uint8_t* data, int64_t frames, int64_t capacity, double ratio) {
    if (speex_ == nullptr || data == nullptr || frames <= 0 ||
        frames * nch_ > static_cast<int64_t>(input_.size())) {
        return frames;
    }
    const int64_t numerator = ClampedNumerator(ratio);
    if (!engaged_) {
        if (numerator == kRatioDenominator) {
            Remember(data, frames);
            return frames;
        }
        Engage(numerator);
    }
    return Resample(data, frames, capacity, numerator);
}

// The ratio leaves 1 for the first time: the filter starts from silence, so it is fed the
// frames that passed last, and what it makes of them (frames already heard) is dropped.
// The frames that follow then come out exactly where the unchanged ones left off.
// They go through at the ratio nearest 1 on the same side as the new one (the same filter,
// and no fraction of a frame gained over them); the buffer then moves on to the new one.
void RecordedResampler::Engage(int64_t numerator) {
    engaged_ = true;
    numerator_ = kRatioDenominator + (numerator > kRatioDenominator ? 1 : -1);
    SetRatio(numerator_);
    speex_resampler_reset_mem(speex_);
    speex_resampler_skip_zeros(speex_);
    spx_uint32_t in = static_cast<spx_uint32_t>(historyFrames_);
    spx_uint32_t out = static_cast<spx_uint32_t>(output_.size() / static_cast<size_t>(nch_));
    speex_resampler_process_interleaved_float(speex_, history_.data() + (kHistoryFrames - historyFrames_) * nch_, &in,
                                              output_.data(), &out);
    discard_ = historyFrames_ - static_cast<int64_t>(out);
}

void RecordedResampler::SetRatio(int64_t numerator) {
    speex_resampler_set_rate_frac(speex_, static_cast<spx_uint32_t>(numerator), kRatioDenominator,
                                  static_cast<spx_uint32_t>(srate_), static_cast<spx_uint32_t>(srate_));
}

int64_t RecordedResampler::HeldFrames() const {
    return engaged_ ? static_cast<int64_t>(speex_resampler_get_input_latency(speex_)) : 0;
}

// Keeps the newest kHistoryFrames frames that passed, as floats, oldest first.
void RecordedResampler::Remember(const uint8_t* data, int64_t frames) {
    const int64_t kept = std::min(frames, kHistoryFrames);
    const int64_t frameBytes = int64_t{bps_} / 8 * nch_;
    float* base = history_.data();
    const int64_t shift = kHistoryFrames - kept;
    std::copy(base + kept * nch_, base + kHistoryFrames * nch_, base);
    ToFloats(bps_, data + (frames - kept) * frameBytes, kept * nch_, base + shift * nch_);
    historyFrames_ = std::min(kHistoryFrames, historyFrames_ + kept);
}

// The buffer goes through in stretches of kRatioStepSeconds, the ratio moving from the one
// the last buffer ended at to `numerator` by an equal share at each: a ratio that jumps
// changes the pitch at once, and a held note spreads that step across the spectrum (a
// change of 300 parts per million between half-second buffers left a tone 11 dB above
// the floor of one resampled at a steady ratio). Spread over the buffer it stays there.
int64_t RecordedResampler::Resample(uint8_t* data, int64_t frames, int64_t capacity, int64_t numerator) {
    ToFloats(bps_, data, frames * nch_, input_.data());
    const int64_t room = std::min<int64_t>(capacity + discard_, static_cast<int64_t>(output_.size()) / nch_);
    const int64_t stretch = std::max<int64_t>(1, std::llround(kRatioStepSeconds * srate_));
    const int64_t steps = (frames + stretch - 1) / stretch;
    const int64_t from = numerator_;
    int64_t consumed = 0;
    int64_t made = 0;
    for (int64_t step = 1; step <= steps; ++step) {
        const int64_t next = EngagedNumerator(from + (numerator - from) * step / steps, numerator_);
        if (next != numerator_) {
            numerator_ = next;
            SetRatio(next);
        }
        spx_uint32_t in = static_cast<spx_uint32_t>(frames * step / steps - consumed);
        spx_uint32_t out = static_cast<spx_uint32_t>(std::max<int64_t>(0, room - made));
        speex_resampler_process_interleaved_float(speex_, input_.data() + consumed * nch_, &in,
                                                  output_.data() + made * nch_, &out);
        consumed += in;
        made += out;
    }
    const int64_t dropped = std::min<int64_t>(discard_, made);
    discard_ -= dropped;
    FromFloats(bps_, output_.data() + dropped * nch_, (made - dropped) * nch_, data);
    return made - dropped;
}
