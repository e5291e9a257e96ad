// The redirection list's text forms and the internal redirection operations
// that the port list and the shared lines call.
#include <cstring>
#include <string>
#include <vector>

#include "client/portable/portlist.h"
#include "client/redirect.h"
#include "harness/harness.h"
#include "ports/portable/driverref.h"

using namespace cvxtest;
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

class RedirectionRecords : public CleanTest {};

TEST_F(RedirectionRecords, DestinationsAreComparedWithoutCase)
{
    const char *file = ini_.c_str();
    ASSERT_TRUE(WriteFileText(ini_, "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=Line1\r\nCOM3DEST=\r\n"));
    char key[cvx::kPortKeySize] = "untouched";
    EXPECT_EQ(2, cvx::GetPortDestKey("COM2", key));
    EXPECT_STREQ("COM2DEST", key);
    EXPECT_EQ(0, cvx::GetPortDestKey("COMx", key));
    EXPECT_STREQ("COM2DEST", key);  // left alone without a number
    EXPECT_EQ(4, cvx::GetPortDestKey("COM4", nullptr));

    EXPECT_TRUE(cvx::IsPortRedirected("COM2", file));
    EXPECT_FALSE(cvx::IsPortRedirected("COM3", file));
    EXPECT_FALSE(cvx::IsPortRedirected("COM4", file));
    EXPECT_TRUE(cvx::IsPortRedirectedTo("com2", "LINE1", file));
    EXPECT_FALSE(cvx::IsPortRedirectedTo("COM2", "LINE", file));
    EXPECT_FALSE(cvx::IsPortRedirectedTo("COM", "", file));

    cvx::RenamePortRedirection("COM2", "OTHER", "LINE9", file);
    cvx::RenamePortRedirection("COM3", "LINE1", "LINE9", file);
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=Line1\r\nCOM3DEST=\r\n", ReadFileText(ini_));
    cvx::RenamePortRedirection("COM2", "line1", "LINE9", file);
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=LINE9\r\nCOM3DEST=\r\n", ReadFileText(ini_));
}

TEST_F(RedirectionRecords, TheListKeepsAtMostThirtyNumbers)
{
    const char *file = ini_.c_str();
    std::string list = "(";
    for (int n = 101; n <= 140; ++n) list += std::to_string(n) + (n < 140 ? "," : ")");
    ASSERT_TRUE(WriteFileText(ini_, "[CLIENT]\r\nREDIRECTPORTS=" + list + "\r\n"));
    DWORD ports[cvx::kMaxRedirectedPorts];
    ASSERT_EQ(30u, cvx::ReadRedirectedPorts(ports, file));
    EXPECT_EQ(101u, ports[0]);
    EXPECT_EQ(130u, ports[29]);  // three-digit numbers: the list is read whole

    EXPECT_FALSE(cvx::UpdateRedirectedPorts(101, TRUE, file));
    EXPECT_TRUE(cvx::UpdateRedirectedPorts(999, FALSE, file));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=" + list + "\r\n", ReadFileText(ini_));
    // A change writes back the thirty that were read.
    EXPECT_TRUE(cvx::UpdateRedirectedPorts(101, FALSE, file));
    std::string kept = "(";
    for (int n = 102; n <= 130; ++n) kept += std::to_string(n) + (n < 130 ? "," : ")");
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=" + kept + "\r\n", ReadFileText(ini_));
}

}  // namespace
