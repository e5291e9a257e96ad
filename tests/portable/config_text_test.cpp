// The configuration's value texts that need no Win32, at the edges the
// exports cannot reach: line lists, serial settings and port lists.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/portable/portlist.h"
#include "groups/portable/linelist.h"
#include "server/portable/alpars.h"
#include "server/portable/transmit_text.h"

using namespace cvx::portable;

namespace {

TEST(ConfigText, LineLists)
{
    // With 0x81 a lead byte, the comma and parenthesis after it are no
    // separators, and a lead byte at the end does not step over the end.
    auto lead = [](unsigned char c) { return c == 0x81; };
    char list[64];
    EXPECT_EQ(LineListParse::Complete, ParseLineList("(A\x81,B,C\x81))", list, sizeof list, lead));
    EXPECT_EQ(std::string("A\x81,B\0C\x81)\0", 10), std::string(list, 10));
    EXPECT_EQ(LineListParse::Malformed, ParseLineList("(A\x81", list, sizeof list, lead));

    std::string four;
    for (int i = 0; i < 4; ++i) four += std::string(126, char('a' + i)) + '\0';
    const struct { std::string names; int result; size_t length; } formats[] = {
        {std::string(127, 'n') + '\0', 1, 129},
        {std::string(128, 'n') + '\0', kLineListBadName, 0},
        {four + "x" + '\0', 5, 511},
        {four + "xy" + '\0', kLineListTooLong, 0},
    };
    for (const auto &r : formats) {
        char text[512];
        EXPECT_EQ(r.result, FormatLineList(r.names.c_str(), text, sizeof text)) << r.names.size();
        EXPECT_EQ(r.length, std::strlen(text)) << r.names.size();
    }
}

TEST(ConfigText, SerialSettingsAndPortLists)
{
    // Fields stop at the first missing comma; no wrap past 32 bits.
    Alpars read{9600, 0, 8, 0};
    EXPECT_FALSE(ParseAlpars("(4800,ODD,7)", &read));
    EXPECT_TRUE(read.baudRate == 4800 && read.parity == 1 && read.dataBits == 8 && read.stopBits == 0);
    EXPECT_TRUE(ParseAlpars("(99999999999,NONE,4294967303,1)", &read));
    EXPECT_TRUE(read.baudRate == UINT32_MAX && read.dataBits == 8);

    // At most 16 triggers are taken, each code once.
    uint8_t triggers[kMaxTriggers + 8] = {};
    EXPECT_EQ(16, ParseTriggers("(00H,01H,02H,03H,04H,05H,06H,07H,08H,09H,0AH,0BH,0CH,0DH,0EH,0FH,10H,11H)", triggers));
    EXPECT_EQ(std::string(8, '\0'), std::string(reinterpret_cast<char *>(triggers) + kMaxTriggers, 8));
    const uint8_t many[20] = {0xF0, 0xF1, 0xF2, 0xF0, 0xF4, 0xF5, 0xF6, 0xF7,
                              0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF, 0x41, 0x41, 0x41, 0x41};
    char set[kTriggerTextSize];
    EXPECT_EQ(15, FormatTriggers(many, 20, set));
    EXPECT_STREQ("(F0H,F1H,F2H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH)", set);

    // A longer list is read as its first thirty numbers.
    std::string forty = "(";
    for (int n = 1; n <= 40; ++n) forty += std::to_string(n) + ",";
    uint32_t numbers[64];
    ASSERT_EQ(30u, ParsePortList(forty.c_str(), numbers, 30));
    EXPECT_EQ(30u, numbers[29]);
    EXPECT_EQ(INT32_MAX, PortNumberFromName("COM99999999999"));
}

}  // namespace
