// Block arithmetic and the opener's header check.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ipc/portable/block.h"

namespace {

using namespace cvx::ipc;

TEST(NsmBlock, SizeClearsLowBitsAndAddsHeader)
{
    EXPECT_EQ(100u, BlockSize(5));
    EXPECT_EQ(100u, BlockSize(4));
    EXPECT_EQ(100u, BlockSize(7));
    EXPECT_EQ(104u, BlockSize(8));
    EXPECT_EQ(96u, BlockSize(1));
    // The last size whose block still fits 32 bits, and the first that does not.
    EXPECT_EQ(0xFFFFFFFCu, BlockSize(0xFFFFFF9Fu));
    EXPECT_EQ(0u, BlockSize(0xFFFFFFA0u));
    EXPECT_EQ(0u, BlockSize(0xFFFFFFFFu));
}

TEST(NsmBlock, HeaderCheckKeepsTheDataAreaInsideTheView)
{
    std::vector<uint8_t> view(4096);
    InitBlockHeader(view.data(), 100, 1, 5, "B");
    BlockLayout layout{};
    ASSERT_TRUE(CheckBlockHeader(view.data(), view.size(), &layout));
    EXPECT_EQ(1u, layout.flags);
    EXPECT_EQ(92u, layout.dataOffset);
    EXPECT_EQ(8u, layout.dataSize);

    struct Damage {
        const char *what;
        size_t offset;
        uint32_t value;
    };
    const Damage damages[] = {
        {"magic", 0, 0x274C7801},       {"block size beyond the view", 12, 4097},
        {"data offset in the header", 20, 88}, {"data offset unaligned", 20, 94},
        {"data offset at the end", 20, 100},   {"data offset past the end", 20, 0xFFFFFFFC},
        {"block size below the header", 12, 60},
    };
    for (const Damage &d : damages) {
        std::vector<uint8_t> copy = view;
        StoreU32(&copy[d.offset], d.value);
        EXPECT_FALSE(CheckBlockHeader(copy.data(), copy.size(), &layout)) << d.what;
    }
    // A view shorter than the header itself.
    EXPECT_FALSE(CheckBlockHeader(view.data(), 91, &layout));
    // A larger block that still fits the view is read as its header says.
    StoreU32(&view[12], 4096);
    ASSERT_TRUE(CheckBlockHeader(view.data(), view.size(), &layout));
    EXPECT_EQ(4096u - 92u, layout.dataSize);
}

}  // namespace
