// The host's integrity check on a DSP header: the answer `sf` must give for a key.
#pragma once

#include <cstdint>

// res = key * 1103515245 (unsigned, wrapping), + 13293, & 0x7FFFFFFF, ^ key.
constexpr int HostIntegrityResponse(int key) {
    uint32_t res = static_cast<uint32_t>(key) * 1103515245u;
    res += 13293u;
    res &= 0x7FFFFFFFu;
    res ^= static_cast<uint32_t>(key);
    return static_cast<int>(res);
}
