// The value range of a sample width: least and greatest value and the silence value that
// levels are measured from. 8 bits: 0, 255, 128; otherwise -2^(bps-1), 2^(bps-1) - 1, 0.
// gtv - center is the full-scale level.
#pragma once

#include <cstdint>

struct SampleLimits {
    int64_t ltv = 0;
    int64_t gtv = 0;
    int64_t center = 0;
};

// Widths outside 2..63 bits have no meaningful range; they get all zeros and a center of 1,
// which is what the center rule gives for an empty range (such blocks are never mixed).
SampleLimits LimitsForWidth(int bps);
