// Block arithmetic and the layout an opener takes from a header.
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

    // The data area runs from the data offset to the end of the block, which
    // may be larger than its creator made it as long as the view holds it.
    std::vector<uint8_t> view(4096);
    InitBlockHeader(view.data(), 100, 1, 5, "B");
    BlockLayout layout{};
    ASSERT_TRUE(CheckBlockHeader(view.data(), view.size(), &layout));
    EXPECT_EQ(1u, layout.flags);
    EXPECT_EQ(92u, layout.dataOffset);
    EXPECT_EQ(8u, layout.dataSize);
    StoreU32(&view[12], 4096);
    ASSERT_TRUE(CheckBlockHeader(view.data(), view.size(), &layout));
    EXPECT_EQ(4096u - 92u, layout.dataSize);
}

}  // namespace
