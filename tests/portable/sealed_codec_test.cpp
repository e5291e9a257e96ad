// The sealed-block codec with the tick given, so that ticks near the wrap
// of the 32-bit count are reached: the stored format, damage, and the
// buffer bounds with the sizes reported.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "services/portable/sealed.h"

namespace {

using namespace cvx::portable;
using Bytes = std::vector<uint8_t>;

TEST(SealedCodec, GoldenBlockAndDamageAroundTheWrap)
{
    // "Calvex" and its zero, sealed at tick 0x00C0FFEE: every stored block
    // of every version reads back, so these bytes never change.
    const Bytes golden = {0xAB, 0x43, 0x66, 0xA7, 0x15, 0x48, 0x38, 0x0C, 0x27, 0x2E,
                          0xFF, 0x87, 0x01, 0x37, 0x93, 0xD9, 0xA5, 0xB9, 0x69};
    const Bytes payload = {'C', 'a', 'l', 'v', 'e', 'x', 0};
    Bytes block(golden.size()), out(payload.size());
    ASSERT_TRUE(SealBlock(block.data(), uint32_t(block.size()), payload.data(), 7, 0x00C0FFEEu, nullptr));
    EXPECT_EQ(golden, block) << "the sealed format changed: stored security texts would no longer read";
    // Every change of any byte is refused, at ticks around the wrap too.
    for (uint32_t tick : {0x00C0FFEEu, 0u, 0xFFFFFFFFu, 0xFFFFFFFBu, 0x80000000u}) {
        ASSERT_TRUE(SealBlock(block.data(), uint32_t(block.size()), payload.data(), 7, tick, nullptr));
        ASSERT_TRUE(UnsealBlock(out.data(), 7, block.data(), uint32_t(block.size()), nullptr)) << "tick " << tick;
        EXPECT_EQ(payload, out);
        for (size_t i = 0; i < block.size(); ++i)
            for (int delta = 1; delta < 256; ++delta) {
                Bytes damaged = block;
                damaged[i] ^= uint8_t(delta);
                ASSERT_FALSE(UnsealBlock(out.data(), 7, damaged.data(), uint32_t(damaged.size()), nullptr))
                    << "tick " << tick << " byte " << i << " xor " << delta;
            }
    }
}

TEST(SealedCodec, BufferBoundsAndReportedSizes)
{
    Bytes payload(20, 0x5C), block(32 + 4, 0xEE), out(20), big(65536 + kSealFrameSize);
    uint32_t size = 77;
    // A refused seal reports the size it needs and writes nothing.
    EXPECT_FALSE(SealBlock(block.data(), 31, payload.data(), 20, 1, &size));
    EXPECT_EQ((std::vector<uint32_t>{32, 0xEE}), (std::vector<uint32_t>{size, block[0]}));
    ASSERT_TRUE(SealBlock(block.data(), 32, payload.data(), 20, 1, &size));
    EXPECT_EQ(0xEE, block[32]) << "a seal wrote beyond its block";
    // A refused unseal reports the payload's size; bytes after the block are
    // no part of it; a block cut short is refused with length 0.
    EXPECT_EQ((std::vector<uint32_t>{0, 20, 1, 20, 0, 0}),
              (std::vector<uint32_t>{UnsealBlock(out.data(), 19, block.data(), 32, &size), size,
                                     UnsealBlock(out.data(), 20, block.data(), 36, &size), size,
                                     UnsealBlock(out.data(), 20, block.data(), 31, &size), size}));
    EXPECT_EQ(payload, out);
    // The length field has 16 bits; no payload pointer is needed for none.
    EXPECT_FALSE(SealBlock(big.data(), uint32_t(big.size()), payload.data(), 65536, 1, &size));
    ASSERT_TRUE(SealBlock(big.data(), kSealFrameSize, nullptr, 0, 1, &size));
    EXPECT_EQ(12u, size);
}

}  // namespace
