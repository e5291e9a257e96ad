// Text forms of the client's redirection list and of the Windows 95 port
// driver entries: port numbers, REDIRECTPORTS lists, "Driver" references and
// port descriptions, with the limits the export tests cannot reach.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/portable/portlist.h"
#include "ports/portable/driverref.h"

namespace portable = cvx::portable;

namespace {

std::vector<uint32_t> Parse(const char *text, size_t capacity = 30)
{
    uint32_t numbers[64];
    size_t count = portable::ParsePortList(text, numbers, capacity);
    return {numbers, numbers + count};
}

TEST(PortListText, PortNumbersAreReadAsAtolReadsThem)
{
    EXPECT_EQ(3, portable::PortNumberFromName("COM3"));
    EXPECT_EQ(12, portable::PortNumberFromName("com12"));
    EXPECT_EQ(4, portable::PortNumberFromName("XYZ  4x"));
    EXPECT_EQ(-2, portable::PortNumberFromName("COM-2"));
    EXPECT_EQ(0, portable::PortNumberFromName("COM"));
    EXPECT_EQ(0, portable::PortNumberFromName("CO"));
    EXPECT_EQ(0, portable::PortNumberFromName(""));
    EXPECT_EQ(0, portable::PortNumberFromName(nullptr));
    EXPECT_EQ(INT32_MAX, portable::PortNumberFromName("COM99999999999"));
    EXPECT_EQ(INT32_MIN, portable::PortNumberFromName("COM-99999999999"));
}

TEST(PortListText, NumbersNeedADigit)
{
    int32_t value = -7;
    EXPECT_TRUE(portable::ParseDecimal(" +12x", &value));
    EXPECT_EQ(12, value);
    EXPECT_TRUE(portable::ParseDecimal("-3", &value));
    EXPECT_EQ(-3, value);
    for (const char *bad : {"", " ", "-", "+x", "x1"}) {
        value = -7;
        EXPECT_FALSE(portable::ParseDecimal(bad, &value)) << bad;
        EXPECT_EQ(-7, value);
    }
    EXPECT_FALSE(portable::ParseDecimal(nullptr, &value));
}

TEST(PortListText, ListsParseToTheirPositiveNumbers)
{
    EXPECT_EQ((std::vector<uint32_t>{3, 5, 4}), Parse("(3,5,4)"));
    EXPECT_EQ((std::vector<uint32_t>{3, 4}), Parse("(3,0,x,4)"));
    EXPECT_EQ((std::vector<uint32_t>{7, 8}), Parse("junk( 7 ,-1, 8"));
    EXPECT_EQ((std::vector<uint32_t>{}), Parse("3,4"));
    EXPECT_EQ((std::vector<uint32_t>{}), Parse("("));
    EXPECT_EQ((std::vector<uint32_t>{}), Parse(""));
    EXPECT_EQ((std::vector<uint32_t>{2}), Parse("(2,"));
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), Parse("(1,2,3)", 2));

    std::string many = "(";
    for (int n = 1; n <= 40; ++n) many += std::to_string(n) + (n < 40 ? "," : ")");
    std::vector<uint32_t> thirty = Parse(many.c_str());
    ASSERT_EQ(30u, thirty.size());
    EXPECT_EQ(30u, thirty.back());
}

TEST(PortListText, ListsFormatOrRefuseToBeCut)
{
    const uint32_t numbers[] = {3, 5, 4294967295u};
    char buffer[32];
    ASSERT_TRUE(portable::FormatPortList(numbers, 3, buffer, sizeof buffer));
    EXPECT_STREQ("(3,5,4294967295)", buffer);
    ASSERT_TRUE(portable::FormatPortList(numbers, 2, buffer, 6));
    EXPECT_STREQ("(3,5)", buffer);
    EXPECT_FALSE(portable::FormatPortList(numbers, 2, buffer, 5));
    EXPECT_STREQ("", buffer);
}

TEST(DriverText, DriverReferencesSplitAtTheFirstBackslash)
{
    char cls[8], number[8];
    ASSERT_TRUE(portable::SplitDriverReference("Ports\\0002", cls, sizeof cls, number, sizeof number));
    EXPECT_STREQ("Ports", cls);
    EXPECT_STREQ("0002", number);
    ASSERT_TRUE(portable::SplitDriverReference("A\\B\\C", cls, sizeof cls, number, sizeof number));
    EXPECT_STREQ("A", cls);
    EXPECT_STREQ("B\\C", number);
    for (const char *bad : {"Ports", "Ports\\", "\\0001", "", "LongClass\\1", "P\\12345678"})
        EXPECT_FALSE(portable::SplitDriverReference(bad, cls, sizeof cls, number, sizeof number)) << bad;
    EXPECT_FALSE(portable::SplitDriverReference(nullptr, cls, sizeof cls, number, sizeof number));
}

TEST(DriverText, DescriptionsTakeThePortNameOnce)
{
    char out[24];
    portable::FormatWithText("Calvex Port (%s)", "COM2", out, sizeof out);
    EXPECT_STREQ("Calvex Port (COM2)", out);
    portable::FormatWithText("%s %s 100%% %d", "X", out, sizeof out);
    EXPECT_STREQ("X %s 100% %d", out);
    portable::FormatWithText("%s and more text", "a long port name", out, sizeof out);
    EXPECT_STREQ("a long port name and mo", out);  // 23 characters and the terminator
    portable::FormatWithText(nullptr, "X", out, sizeof out);
    EXPECT_STREQ("", out);
}

}  // namespace
