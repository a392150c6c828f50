#include "base/sample_limits.h"

namespace {
constexpr int kUnsignedWidth = 8;
constexpr int64_t kUnsignedGreatest = 255;
constexpr int kWidestWidth = 63;  // 2^(bps-1) must fit in 64 bits
}  // namespace

SampleLimits LimitsForWidth(int bps) {
    SampleLimits limits;
    if (bps == kUnsignedWidth) {
        limits.ltv = 0;
        limits.gtv = kUnsignedGreatest;
    } else if (bps >= 2 && bps <= kWidestWidth) {
        limits.ltv = -(int64_t{1} << (bps - 1));
        limits.gtv = (int64_t{1} << (bps - 1)) - 1;
    }
    // Integer division truncates: 127 + 0 + 1 = 128 for 8 bits, 0 for the signed widths.
    limits.center = (limits.gtv - limits.ltv) / 2 + limits.ltv + 1;
    return limits;
}
