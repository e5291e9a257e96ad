// Block arithmetic and the layout an opener takes from a header.
#include <vector>

#include <gtest/gtest.h>

#include "ipc/portable/block.h"

namespace {

using namespace cvx::ipc;

TEST(NsmBlock, SizeClearsLowBitsAndAddsHeader)
{
    // The last size whose block still fits 32 bits, and the first that does not.
    const uint32_t rows[][2] = {{5, 100}, {7, 100}, {8, 104}, {1, 96}, {0xFFFFFF9Fu, 0xFFFFFFFCu}, {0xFFFFFFA0u, 0},
                                {0xFFFFFFFFu, 0}};
    for (const auto &r : rows) EXPECT_EQ(r[1], BlockSize(r[0])) << r[0];
    // The data area runs from the data offset to the end of the block, which
    // may be larger than its creator made it as long as the view holds it.
    std::vector<uint8_t> view(4096);
    InitBlockHeader(view.data(), 100, 1, 5, "B");
    BlockLayout layout{};
    ASSERT_TRUE(CheckBlockHeader(view.data(), view.size(), &layout));
    EXPECT_EQ((std::vector<uint32_t>{1, 92, 8}), (std::vector<uint32_t>{layout.flags, layout.dataOffset, layout.dataSize}));
    StoreU32(&view[12], 4096);
    ASSERT_TRUE(CheckBlockHeader(view.data(), view.size(), &layout));
    EXPECT_EQ(4096u - 92u, layout.dataSize);
}

}  // namespace
