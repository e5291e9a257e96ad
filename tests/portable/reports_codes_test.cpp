// The product error table walk and the choice of the error code line.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "frame/portable/errtable.h"
#include "resources/resids.h"

namespace {

using cvx::portable::ChooseCodeLine;
using cvx::portable::FindErrorExplanation;

void AddRecord(std::vector<uint8_t> &table, uint32_t code, uint16_t id)
{
    for (int i = 0; i < 4; ++i) table.push_back(uint8_t(code >> (8 * i)));
    table.push_back(uint8_t(id));
    table.push_back(uint8_t(id >> 8));
}

TEST(ErrorTable, FindsListedCodesUpToTheClosingRecord)
{
    std::vector<uint8_t> table;
    AddRecord(table, 0x200E0008, 12008);
    AddRecord(table, 0x20000005, 0xA1B2);
    AddRecord(table, 0, 0);
    AddRecord(table, 0x20000006, 500);  // after the end: never read
    EXPECT_EQ(12008, FindErrorExplanation(table.data(), table.size(), 0x200E0008));
    EXPECT_EQ(0xA1B2, FindErrorExplanation(table.data(), table.size(), 0x20000005));
    EXPECT_EQ(0, FindErrorExplanation(table.data(), table.size(), 0x20000006));
    EXPECT_EQ(0, FindErrorExplanation(table.data(), table.size(), 0x08));
    EXPECT_EQ(0, FindErrorExplanation(nullptr, 60, 0x200E0008));
}

TEST(ErrorTable, UnclosedOrCutTableEndsAtItsSize)
{
    std::vector<uint8_t> table;
    AddRecord(table, 0x200E0190, 12400);
    AddRecord(table, 0x200E0191, 12401);
    EXPECT_EQ(12401, FindErrorExplanation(table.data(), table.size(), 0x200E0191));
    // A record cut short is not read.
    EXPECT_EQ(0, FindErrorExplanation(table.data(), table.size() - 1, 0x200E0191));
    EXPECT_EQ(12400, FindErrorExplanation(table.data(), table.size() - 1, 0x200E0190));
    EXPECT_EQ(0, FindErrorExplanation(table.data(), 0, 0x200E0190));
}

TEST(ErrorCodeLine, FormatAndShownNumberFollowTheMarkerBits)
{
    struct Case {
        uint32_t code;
        uint16_t id;
        uint32_t shown;
    } cases[] = {
        {0x201E0001, IDS_ERRCODE_PRODUCT, 0x1E0001},  // facility 0x01E is not the utility's
        {0x200F0001, IDS_ERRCODE_PRODUCT, 0xF0001},
        {0xE00E0001, IDS_ERRCODE_UTILITY, 0xC0000001},  // severity bits stay
        {0x800E0007, IDS_ERRCODE_SYSTEM, 0x800E0007},
        {0xC0000005, IDS_ERRCODE_SYSTEM, 0xC0000005},
    };
    for (const Case &c : cases) {
        uint32_t shown = 0xDEADBEEF;
        EXPECT_EQ(c.id, ChooseCodeLine(c.code, &shown)) << std::hex << c.code;
        EXPECT_EQ(c.shown, shown) << std::hex << c.code;
    }
}

}  // namespace
