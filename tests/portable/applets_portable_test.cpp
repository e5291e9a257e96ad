// Win32-free arithmetic of the applet services: centring, merged menu
// identifiers and the text form of trigger characters.
#include <cstdint>

#include <gtest/gtest.h>

#include "ui/portable/menuids.h"
#include "ui/portable/placement.h"
#include "ui/portable/triggeritems.h"

namespace {

using namespace cvx::portable;

TEST(Centring, HalfTheDifferenceOrTheEdge)
{
    // A 200 x 100 window on a 1024 x 768 screen.
    EXPECT_EQ(412, CenteredStart(0, 1024, 200));
    EXPECT_EQ(334, CenteredStart(0, 768, 100));
    // Odd differences round towards the start; an equal or larger window
    // starts at the edge, also left of the screen.
    EXPECT_EQ(10 + 2, CenteredStart(10, 105, 100));
    EXPECT_EQ(-50, CenteredStart(-50, 100, 100));
    EXPECT_EQ(-50, CenteredStart(-50, 100, 400));
    EXPECT_EQ(-100 + 150, CenteredStart(-100, 400, 100));
    // Extents at the ends of the range do not overflow.
    EXPECT_EQ(INT32_MIN + 1073741823, CenteredStart(INT32_MIN, INT32_MAX, 1));
}

TEST(MenuIdentifiers, ShiftedWithinTheLimit)
{
    uint32_t id = 0;
    EXPECT_TRUE(ShiftMenuId(1, 100, 199, &id));
    EXPECT_EQ(101u, id);
    EXPECT_TRUE(ShiftMenuId(99, 100, 199, &id));
    EXPECT_EQ(199u, id);
    id = 7;
    EXPECT_FALSE(ShiftMenuId(100, 100, 199, &id));
    EXPECT_EQ(7u, id);
    EXPECT_FALSE(ShiftMenuId(0xFFFFFFF0u, 0x20, 0xFFFFFFFFu, &id));
    EXPECT_TRUE(ShiftMenuId(0xFFFFFFF0u, 0x0F, 0xFFFFFFFFu, &id));
    EXPECT_EQ(0xFFFFFFFFu, id);

    EXPECT_EQ(103u, NextFreeMenuId(100, 102));
    EXPECT_EQ(150u, NextFreeMenuId(150, 102));
    EXPECT_EQ(150u, NextFreeMenuId(150, 0xFFFFFFFFu));
}

TEST(TriggerItems, TwoUpperCaseDigits)
{
    char item[kTriggerItemSize];
    FormatTriggerItem(0x0D, item);
    EXPECT_STREQ("0D", item);
    FormatTriggerItem(0xFF, item);
    EXPECT_STREQ("FF", item);
    FormatTriggerItem(0, item);
    EXPECT_STREQ("00", item);

    ASSERT_TRUE(TriggerItemFromText("D", item));
    EXPECT_STREQ("0D", item);
    ASSERT_TRUE(TriggerItemFromText("1b", item));
    EXPECT_STREQ("1B", item);
    // The low 16 bits in four digits, from the third on: the low byte.
    ASSERT_TRUE(TriggerItemFromText("12345", item));
    EXPECT_STREQ("45", item);
    ASSERT_TRUE(TriggerItemFromText(" 7x", item));
    EXPECT_STREQ("07", item);
    EXPECT_FALSE(TriggerItemFromText("", item));
    EXPECT_FALSE(TriggerItemFromText("zz", item));
    EXPECT_FALSE(TriggerItemFromText(nullptr, item));

    uint32_t value = 0;
    ASSERT_TRUE(ParseHexNumber("fFfFfFfF99", &value));
    EXPECT_EQ(0xFFFFFFFFu, value);
    EXPECT_FALSE(ParseHexNumber("-1", &value));
}

}  // namespace
