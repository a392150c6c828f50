// The PCM sample encodings the mixer handles, one codec per width: 8-bit unsigned (0..255,
// silence 128) and 16/24/32-bit signed little-endian (24-bit as the low 16 bits, then the
// high byte). Load widens a value to 64 bits; Store writes a value already clipped to the
// width's range. Unaligned access is fine: everything goes through bytes or memcpy.
#pragma once

#include <cstdint>
#include <cstring>

struct PcmU8 {
    static constexpr int kBits = 8;
    static constexpr int kBytes = 1;
    static int64_t Load(const uint8_t* at) { return at[0]; }
    static void Store(uint8_t* at, int64_t value) { at[0] = static_cast<uint8_t>(value); }
};

struct PcmS16 {
    static constexpr int kBits = 16;
    static constexpr int kBytes = 2;
    static int64_t Load(const uint8_t* at) {
        int16_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    static void Store(uint8_t* at, int64_t value) {
        const int16_t v = static_cast<int16_t>(value);
        std::memcpy(at, &v, sizeof v);
    }
};

struct PcmS24 {
    static constexpr int kBits = 24;
    static constexpr int kBytes = 3;
    static int64_t Load(const uint8_t* at) {
        const int32_t low = at[0] | (at[1] << 8);
        return low | (static_cast<int32_t>(static_cast<int8_t>(at[2])) * 65536);
    }
    static void Store(uint8_t* at, int64_t value) {
        const uint32_t v = static_cast<uint32_t>(value);  // two's complement
        at[0] = static_cast<uint8_t>(v);
        at[1] = static_cast<uint8_t>(v >> 8);
        at[2] = static_cast<uint8_t>(v >> 16);
    }
};

struct PcmS32 {
    static constexpr int kBits = 32;
    static constexpr int kBytes = 4;
    static int64_t Load(const uint8_t* at) {
        int32_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    static void Store(uint8_t* at, int64_t value) {
        const int32_t v = static_cast<int32_t>(value);
        std::memcpy(at, &v, sizeof v);
    }
};

// Whether the mixer has a codec for this width; other widths pass unchanged.
constexpr bool IsMixableWidth(int bps) { return bps == 8 || bps == 16 || bps == 24 || bps == 32; }
