// Sealed blocks through ordinals 88 and 89, as the product's programs bind
// them. The format's bytes are pinned by the codec's own test.
#include <cstring>
#include <string>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"

namespace {

using Bytes = std::vector<BYTE>;

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

    HMODULE module_ = nullptr;
    CVU_SEALBLOCK seal_ = nullptr;
    CVU_UNSEALBLOCK unseal_ = nullptr;
};

TEST_F(SealedBlocks, BlockOfAnEarlierVersionStaysReadable)
{
    const Bytes stored = {0xAB, 0x43, 0x66, 0xA7, 0x15, 0x48, 0x38, 0x0C, 0x27, 0x2E,
                          0xFF, 0x87, 0x01, 0x37, 0x93, 0xD9, 0xA5, 0xB9, 0x69};
    char text[8] = "";
    DWORD length = 0;
    ASSERT_TRUE(unseal_(reinterpret_cast<BYTE *>(text), sizeof text, stored.data(), DWORD(stored.size()), &length));
    EXPECT_EQ(std::string("Calvex", 7), std::string(text, length));
}

TEST_F(SealedBlocks, BufferBoundsAndReportedSizes)
{
    const Bytes payload = Pattern(20);
    Bytes block(32 + 4, 0xEE);
    DWORD needed = 0;
    EXPECT_FALSE(seal_(block.data(), 31, payload.data(), 20, &needed));
    EXPECT_EQ(32u, needed) << "a refused seal reports the size it needs";
    EXPECT_EQ(0xEE, block[0]) << "a refused seal writes nothing";
    ASSERT_TRUE(seal_(block.data(), 32, payload.data(), 20, &needed));
    EXPECT_EQ(0xEE, block[32]) << "a seal wrote beyond its block";

    Bytes out(20, 0);
    DWORD length = 0;
    EXPECT_FALSE(unseal_(out.data(), 19, block.data(), 32, &length));
    EXPECT_EQ(20u, length) << "a refused unseal reports the payload's size";
    ASSERT_TRUE(unseal_(out.data(), 20, block.data(), 36, &length)) << "bytes after the block are not part of it";
    EXPECT_EQ(payload, out);
    length = 77;
    EXPECT_FALSE(unseal_(out.data(), 20, block.data(), 31, &length)) << "a block cut short was read";
    EXPECT_EQ(0u, length);

    // The length field has 16 bits; no payload pointer is needed for none.
    Bytes big(65536 + CVU_SEALED_FRAME), bigPayload(65536, 1);
    EXPECT_FALSE(seal_(big.data(), DWORD(big.size()), bigPayload.data(), 65536, &needed));
    ASSERT_TRUE(seal_(big.data(), CVU_SEALED_FRAME, nullptr, 0, &needed));
    EXPECT_EQ(12u, needed);
}

TEST_F(SealedBlocks, OverlappingBuffersRefused)
{
    Bytes buffer = Pattern(64);
    const Bytes original = buffer;
    DWORD needed = 9;
    EXPECT_FALSE(seal_(buffer.data(), 64, buffer.data(), 8, &needed));
    EXPECT_FALSE(seal_(buffer.data() + 4, 60, buffer.data(), 8, &needed));
    EXPECT_EQ(original, buffer) << "a refused seal changed its input";
    Bytes block(8 + CVU_SEALED_FRAME);
    ASSERT_TRUE(seal_(block.data(), DWORD(block.size()), original.data(), 8, nullptr));
    DWORD length = 9;
    EXPECT_FALSE(unseal_(block.data() + 8, 8, block.data(), DWORD(block.size()), &length));
    EXPECT_EQ(0u, length);
}

TEST_F(SealedBlocks, SealsAtDifferentTicksDifferAndRoundTrip)
{
    const Bytes payload = Pattern(255);
    Bytes first(payload.size() + CVU_SEALED_FRAME), second(first.size()), out(payload.size());
    ASSERT_TRUE(seal_(first.data(), DWORD(first.size()), payload.data(), DWORD(payload.size()), nullptr));
    Sleep(50);
    ASSERT_TRUE(seal_(second.data(), DWORD(second.size()), payload.data(), DWORD(payload.size()), nullptr));
    EXPECT_NE(first, second) << "the seal does not follow the tick count";
    for (const Bytes *block : {&first, &second}) {
        ASSERT_TRUE(unseal_(out.data(), DWORD(out.size()), block->data(), DWORD(block->size()), nullptr));
        EXPECT_EQ(payload, out);
    }
}

}  // namespace
