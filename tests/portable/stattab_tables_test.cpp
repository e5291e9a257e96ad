// The RMDAT masked copy of the status tables.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ipc/portable/tables.h"

namespace {

using namespace cvx::ipc;

TEST(RmdatTable, MaskedCopyTakesOnlyTheSelectedFields)
{
    // Every byte of the source numbered, so each copied byte shows its origin.
    std::vector<uint8_t> from(372), to(372);
    for (size_t i = 0; i < from.size(); ++i) from[i] = uint8_t(i % 251 + 1);
    from[16 + 100] = 0;  // the text ends after 100 characters
    const struct {
        uint32_t mask;
        size_t offset, width;
    } fields[] = {{0x1, 4, 4},       {0x2, 8, 4},        {0x4, 12, 4},       {0x8, 16, 101},   {0x10, 276, 4},
                  {0x100, 280, 16},  {0x200, 296, 16},   {0x400, 312, 4},    {0x1000, 316, 4}, {0x2000, 320, 4},
                  {0x10000, 324, 16}, {0x20000, 340, 16}, {0x40000, 356, 4},  {0x100000, 360, 4},
                  {0x200000, 364, 4}, {0x400000, 368, 4},
                  // Bits that name no field copy nothing.
                  {0x20 | 0x40 | 0x80 | 0x800 | 0x4000 | 0x8000 | 0x80000 | 0xFF800000u, 0, 0}};
    for (const auto &f : fields) {
        std::fill(to.begin(), to.end(), 0);
        CopyRmdatFields(to.data(), from.data(), f.mask);
        for (size_t i = 0; i < to.size(); ++i)
            ASSERT_EQ(i >= f.offset && i < f.offset + f.width ? from[i] : 0, to[i]) << std::hex << f.mask << " " << i;
    }
    // A text without terminator is cut inside its field.
    std::fill(from.begin(), from.end(), 'T');
    std::fill(to.begin(), to.end(), 0x55);
    CopyRmdatFields(to.data(), from.data(), 0x8);
    EXPECT_EQ(std::string(259, 'T'), std::string(reinterpret_cast<const char *>(&to[16])));
    EXPECT_EQ(0x55, to[15]);
    EXPECT_EQ(0x55, to[276]);
}

}  // namespace
