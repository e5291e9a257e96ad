// The sealed-block codec with the tick given, so that ticks near the wrap
// of the 32-bit count are reached.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "services/portable/sealed.h"

namespace {

using cvx::portable::XorDirection;
using Bytes = std::vector<uint8_t>;

TEST(SealedCodec, XorSumsTheStoredBytesBothWays)
{
    const uint8_t plain[6] = {0x00, 0xFF, 0x10, 0x20, 0x30, 0x40};
    uint8_t stored[6], back[6];
    uint32_t sealedSum = cvx::portable::XorBytes(stored, plain, 6, 0x04030201u, XorDirection::Seal);
    const uint8_t expected[6] = {0x01, 0xFD, 0x13, 0x24, 0x31, 0x42};
    EXPECT_EQ(Bytes(expected, expected + 6), Bytes(stored, stored + 6));
    uint32_t storedSum = 0;
    for (uint8_t b : expected) storedSum += b;
    EXPECT_EQ(storedSum, sealedSum);
    EXPECT_EQ(storedSum, cvx::portable::XorBytes(back, stored, 6, 0x04030201u, XorDirection::Unseal));
    EXPECT_EQ(Bytes(plain, plain + 6), Bytes(back, back + 6));
    // In place, as the fields are turned.
    EXPECT_EQ(storedSum, cvx::portable::XorBytes(back, back, 6, 0x04030201u, XorDirection::Seal));
    EXPECT_EQ(Bytes(expected, expected + 6), Bytes(back, back + 6));
}

TEST(SealedCodec, GoldenBlockSealedAtAFixedTick)
{
    // "Calvex" and its zero, sealed at tick 0x00C0FFEE: every stored block
    // of every version reads back, so these bytes never change.
    const Bytes golden = {0xAB, 0x43, 0x66, 0xA7, 0x15, 0x48, 0x38, 0x0C, 0x27, 0x2E,
                          0xFF, 0x87, 0x01, 0x37, 0x93, 0xD9, 0xA5, 0xB9, 0x69};
    const Bytes payload = {'C', 'a', 'l', 'v', 'e', 'x', 0};
    Bytes block(golden.size());
    ASSERT_TRUE(cvx::portable::SealBlock(block.data(), uint32_t(block.size()), payload.data(),
                                         uint32_t(payload.size()), 0x00C0FFEEu, nullptr));
    EXPECT_EQ(golden, block) << "the sealed format changed: stored security texts would no longer read";
    Bytes out(payload.size());
    EXPECT_TRUE(cvx::portable::UnsealBlock(out.data(), uint32_t(out.size()), golden.data(), uint32_t(golden.size()),
                                           nullptr));
    EXPECT_EQ(payload, out);
}

TEST(SealedCodec, TicksAroundTheWrapSealAndRejectDamage)
{
    const Bytes payload = {'k', 'e', 'y', '!', 0};
    for (uint32_t tick : {0u, 0xFFFFFFFFu, 0xFFFFFFFBu, 0x80000000u}) {
        Bytes block(payload.size() + cvx::portable::kSealFrameSize);
        uint32_t needed = 0;
        ASSERT_TRUE(cvx::portable::SealBlock(block.data(), uint32_t(block.size()), payload.data(),
                                             uint32_t(payload.size()), tick, &needed));
        Bytes out(payload.size());
        uint32_t length = 0;
        ASSERT_TRUE(cvx::portable::UnsealBlock(out.data(), uint32_t(out.size()), block.data(), uint32_t(block.size()),
                                               &length))
            << "tick " << tick;
        EXPECT_EQ(payload, out);
        for (size_t i = 0; i < block.size(); ++i)
            for (int delta = 1; delta < 256; ++delta) {
                Bytes damaged = block;
                damaged[i] ^= uint8_t(delta);
                ASSERT_FALSE(cvx::portable::UnsealBlock(out.data(), uint32_t(out.size()), damaged.data(),
                                                        uint32_t(damaged.size()), nullptr))
                    << "tick " << tick << " byte " << i << " xor " << delta;
            }
    }
}

}  // namespace
