#include "plugin/host_integrity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {
// The host's formula, written out with 64-bit arithmetic reduced to 32 bits by hand.
int ReferenceResponse(int key) {
    const uint64_t k = static_cast<uint32_t>(key);
    uint64_t res = (k * 1103515245ull) % 4294967296ull;
    res = (res + 13293ull) % 4294967296ull;
    res = res % 2147483648ull;  // & 0x7FFFFFFF
    res = res ^ k;
    return static_cast<int>(static_cast<uint32_t>(res));
}
}  // namespace

TEST(HostIntegrity, MatchesTheHostFormulaOnEdgeValues) {
    for (int key : {0, 1, -1, 2, 12345, 0x7FFFFFFF, static_cast<int>(0x80000000u), -2, 0x55AA55AA}) {
        EXPECT_EQ(HostIntegrityResponse(key), ReferenceResponse(key)) << "key " << key;
    }
}

TEST(HostIntegrity, MatchesTheHostFormulaOnManyRandomValues) {
    std::mt19937 random(20261207);
    for (int i = 0; i < 100000; ++i) {
        const int key = static_cast<int>(random());
        ASSERT_EQ(HostIntegrityResponse(key), ReferenceResponse(key)) << "key " << key;
    }
}

TEST(HostIntegrity, KnownAnswers) {
    EXPECT_EQ(HostIntegrityResponse(0), 13293);
    // 1 * 1103515245 + 13293 = 1103528538, below 2^31, xor 1.
    EXPECT_EQ(HostIntegrityResponse(1), 1103528538 ^ 1);
}
