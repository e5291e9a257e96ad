// Sealed blocks through ordinals 88 and 89, as the product's programs bind
// them.
#include <cstring>
#include <string>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"

namespace {

using Bytes = std::vector<BYTE>;

// The format's constants as every stored block was written with them.
constexpr DWORD kTickKey = 0x48D55888u;
constexpr DWORD kLengthKey = 0xB8E4F3D1u;
constexpr DWORD kPayloadKey = 0xF153B091u;
constexpr DWORD kChecksumKey = 0x69B9A09Bu;

DWORD Le32(const BYTE *p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
BYTE KeyByte(DWORD key, size_t index) { return BYTE(key >> (8 * (index % 4))); }

Bytes Pattern(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = BYTE(i * 37 + 11);
    return b;
}

class SealedBlocks : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryA("cvxutil.dll");
        ASSERT_NE(nullptr, module_);
        seal_ = reinterpret_cast<CVU_SEALBLOCK>(GetProcAddress(module_, MAKEINTRESOURCEA(CVU_ORDINAL_SEALBLOCK)));
        unseal_ =
            reinterpret_cast<CVU_UNSEALBLOCK>(GetProcAddress(module_, MAKEINTRESOURCEA(CVU_ORDINAL_UNSEALBLOCK)));
        ASSERT_NE(nullptr, seal_);
        ASSERT_NE(nullptr, unseal_);
    }
    void TearDown() override { FreeLibrary(module_); }

    Bytes Seal(const Bytes &payload)
    {
        Bytes block(payload.size() + CVU_SEALED_FRAME);
        DWORD needed = 0;
        EXPECT_TRUE(seal_(block.data(), DWORD(block.size()), payload.data(), DWORD(payload.size()), &needed));
        EXPECT_EQ(block.size(), needed);
        return block;
    }
    bool Unseal(const Bytes &block, Bytes *payload)
    {
        payload->assign(block.size(), 0xCC);
        DWORD length = 0xDEAD;
        BOOL ok = unseal_(payload->data(), DWORD(payload->size()), block.data(), DWORD(block.size()), &length);
        payload->resize(length <= payload->size() ? length : 0);
        return ok != FALSE;
    }

    HMODULE module_ = nullptr;
    CVU_SEALBLOCK seal_ = nullptr;
    CVU_UNSEALBLOCK unseal_ = nullptr;
};

TEST_F(SealedBlocks, ReachableByOrdinalOnly)
{
    EXPECT_EQ(nullptr, GetProcAddress(module_, "CVU_SealBlock"));
    EXPECT_EQ(nullptr, GetProcAddress(module_, "CVU_UnsealBlock"));
}

TEST_F(SealedBlocks, StoredLayout)
{
    const Bytes payload = Pattern(9);
    DWORD before = GetTickCount();
    Bytes block = Seal(payload);
    DWORD after = GetTickCount();
    ASSERT_EQ(21u, block.size());

    EXPECT_EQ(0xAB, block[0]);
    EXPECT_EQ(0x43, block[1]);
    DWORD tick = Le32(&block[2]) ^ kTickKey;
    EXPECT_LE(before, tick);
    EXPECT_GE(after, tick);
    EXPECT_EQ(9u, DWORD(BYTE(block[6] ^ KeyByte(tick ^ kLengthKey, 0)) |
                        BYTE(block[7] ^ KeyByte(tick ^ kLengthKey, 1)) << 8));
    const DWORD payloadKey = (tick + 9) ^ kPayloadKey;
    for (size_t i = 0; i < payload.size(); ++i)
        EXPECT_EQ(payload[i], BYTE(block[8 + i] ^ KeyByte(payloadKey, i))) << "payload byte " << i;
    DWORD sum = 0;
    for (size_t i = 0; i < 17; ++i) sum += block[i];
    EXPECT_EQ(sum, Le32(&block[17]) ^ kChecksumKey);
}

TEST_F(SealedBlocks, BlocksOfEarlierVersionsStayReadable)
{
    // "Calvex" and its zero, sealed at tick 0x00C0FFEE.
    const Bytes stored = {0xAB, 0x43, 0x66, 0xA7, 0x15, 0x48, 0x38, 0x0C, 0x27, 0x2E,
                          0xFF, 0x87, 0x01, 0x37, 0x93, 0xD9, 0xA5, 0xB9, 0x69};
    Bytes payload;
    ASSERT_TRUE(Unseal(stored, &payload));
    EXPECT_EQ(std::string("Calvex", 7), std::string(payload.begin(), payload.end()));
}

TEST_F(SealedBlocks, EmptyPayloadIsTwelveBytes)
{
    BYTE block[CVU_SEALED_FRAME];
    BYTE none = 0;
    DWORD needed = 0;
    ASSERT_TRUE(seal_(block, sizeof block, &none, 0, &needed));
    EXPECT_EQ(12u, needed);
    // No payload pointer is needed for an empty payload either.
    ASSERT_TRUE(seal_(block, sizeof block, nullptr, 0, nullptr));

    BYTE out = 0x5A;
    DWORD length = 99;
    EXPECT_TRUE(unseal_(&out, 0, block, sizeof block, &length));
    EXPECT_EQ(0u, length);
    EXPECT_EQ(0x5A, out);
    EXPECT_TRUE(unseal_(&out, 1, block, sizeof block, nullptr));
    // A missing output buffer fails even for an empty payload.
    EXPECT_FALSE(unseal_(nullptr, 0, block, sizeof block, &length));
}

TEST_F(SealedBlocks, BufferBoundsAndReportedSizes)
{
    const Bytes payload = Pattern(20);
    Bytes block(32 + 4, 0xEE);
    DWORD needed = 0;
    EXPECT_FALSE(seal_(block.data(), 31, payload.data(), 20, &needed));
    EXPECT_EQ(32u, needed);
    EXPECT_EQ(0xEE, block[0]) << "a refused seal writes nothing";
    EXPECT_FALSE(seal_(nullptr, 0, payload.data(), 20, &needed));
    EXPECT_EQ(32u, needed);
    needed = 0;
    ASSERT_TRUE(seal_(block.data(), 32, payload.data(), 20, &needed));
    EXPECT_EQ(32u, needed);
    EXPECT_EQ(0xEE, block[32]) << "nothing beyond the block";

    Bytes out(20, 0);
    DWORD length = 0;
    EXPECT_FALSE(unseal_(out.data(), 19, block.data(), 32, &length));
    EXPECT_EQ(20u, length);
    length = 0;
    ASSERT_TRUE(unseal_(out.data(), 20, block.data(), 32, &length));
    EXPECT_EQ(20u, length);
    EXPECT_EQ(payload, out);
    // Bytes after the block are not part of it.
    ASSERT_TRUE(unseal_(out.data(), 20, block.data(), 36, &length));

    // A block cut short: the frame's length no longer fits.
    length = 77;
    EXPECT_FALSE(unseal_(out.data(), 20, block.data(), 31, &length));
    EXPECT_EQ(0u, length);
    EXPECT_FALSE(unseal_(out.data(), 20, block.data(), 11, &length));
    EXPECT_EQ(0u, length);
    EXPECT_FALSE(unseal_(out.data(), 20, nullptr, 32, &length));

    // The length field has 16 bits.
    Bytes big(65536 + CVU_SEALED_FRAME);
    Bytes bigPayload(65536, 1);
    needed = 5;
    EXPECT_FALSE(seal_(big.data(), DWORD(big.size()), bigPayload.data(), 65536, &needed));
    EXPECT_EQ(0u, needed);
}

TEST_F(SealedBlocks, SameBufferInAndOutRefused)
{
    Bytes buffer = Pattern(64);
    const Bytes original = buffer;
    DWORD needed = 9;
    EXPECT_FALSE(seal_(buffer.data(), 64, buffer.data(), 8, &needed));
    EXPECT_EQ(0u, needed);
    // Overlapping ranges would read bytes already scrambled.
    EXPECT_FALSE(seal_(buffer.data() + 4, 60, buffer.data(), 8, &needed));
    EXPECT_EQ(0u, needed);
    EXPECT_EQ(original, buffer);

    Bytes block = Seal(Pattern(8));
    DWORD length = 9;
    EXPECT_FALSE(unseal_(block.data(), DWORD(block.size()), block.data(), DWORD(block.size()), &length));
    EXPECT_EQ(0u, length);
    EXPECT_FALSE(unseal_(block.data() + 8, 8, block.data(), DWORD(block.size()), &length));
    EXPECT_EQ(0u, length);
}

TEST_F(SealedBlocks, EveryChangedByteRejected)
{
    const Bytes payload = Pattern(5);
    const Bytes block = Seal(payload);
    Bytes out;
    ASSERT_TRUE(Unseal(block, &out));
    for (size_t i = 0; i < block.size(); ++i) {
        for (int delta = 1; delta < 256; ++delta) {
            Bytes damaged = block;
            damaged[i] ^= BYTE(delta);
            ASSERT_FALSE(Unseal(damaged, &out)) << "byte " << i << " xor " << delta;
        }
    }
}

TEST_F(SealedBlocks, SealsDifferAtDifferentTicks)
{
    const Bytes payload = Pattern(16);
    Bytes first = Seal(payload);
    DWORD tick = Le32(&first[2]) ^ kTickKey;
    while (GetTickCount() == tick) Sleep(1);
    Bytes second = Seal(payload);
    EXPECT_NE(first, second);
    EXPECT_NE(0, std::memcmp(&first[8], &second[8], 16)) << "the payload's key follows the tick";

    Bytes out;
    ASSERT_TRUE(Unseal(first, &out));
    EXPECT_EQ(payload, out);
    ASSERT_TRUE(Unseal(second, &out));
    EXPECT_EQ(payload, out);
}

TEST_F(SealedBlocks, PayloadsRoundTrip)
{
    for (size_t n : {0u, 1u, 3u, 4u, 5u, 255u, 65535u}) {
        const Bytes payload = Pattern(n);
        Bytes block = Seal(payload);
        ASSERT_EQ(n + 12, block.size());
        Bytes out;
        ASSERT_TRUE(Unseal(block, &out)) << n << " bytes";
        EXPECT_EQ(payload, out) << n << " bytes";
    }
}

}  // namespace
