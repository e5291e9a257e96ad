// Edges of the applets' Win32-free parts: the walk of the product error
// table, and the help file each applet family's context numbers choose.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/portable/errtable.h"
#include "ui/portable/helpname.h"

namespace {

using namespace cvx::portable;

TEST(ErrorTable, EndsAtTheClosingRecordOrTheLastWholeOne)
{
    std::vector<uint8_t> table;
    const std::pair<uint32_t, uint16_t> records[] = {{0x200E0190, 12400}, {0x200E0191, 0xA1B2}, {0, 0}, {0x20000006, 5}};
    for (auto [code, id] : records)
        for (int i = 0; i < 6; ++i) table.push_back(uint8_t(i < 4 ? code >> (8 * i) : id >> (8 * (i - 4))));
    EXPECT_EQ(0xA1B2, FindErrorExplanation(table.data(), table.size(), 0x200E0191));
    EXPECT_EQ(0, FindErrorExplanation(table.data(), table.size(), 0x20000006)) << "read past the closing record";
    EXPECT_EQ(12400, FindErrorExplanation(table.data(), 11, 0x200E0190));
    EXPECT_EQ(0, FindErrorExplanation(table.data(), 11, 0x200E0191)) << "read a record cut short";
}

TEST(HelpNames, EachFamilyHasItsRangeOfContextNumbers)
{
    const std::pair<uint32_t, std::string> cases[] = {
        {98, "CVX_"},   {99, "CVSVR_"}, {198, "CVSVR_"}, {199, "CVCLN_"}, {298, "CVCLN_"},     {299, "CVRC_"},
        {398, "CVRC_"}, {399, "CVMON_"}, {499, "CVMON_"}, {500, "CVX_"},  {0xFFFFFFFF, "CVX_"}};
    for (const auto &[context, family] : cases) EXPECT_EQ(family + "%s.HLP", HelpFileFormat(context)) << context;
}

}  // namespace
