// The configuration's value texts that need no Win32, at the edges the
// exports cannot reach: line lists, serial settings, section numbers, port
// lists, driver references and the resource formats.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/portable/portlist.h"
#include "groups/portable/linelist.h"
#include "ports/portable/driverref.h"
#include "server/portable/alpars.h"
#include "server/portable/placeholders.h"
#include "server/portable/sections.h"
#include "server/portable/transmit_text.h"

using namespace cvx::portable;

namespace {

std::string Joined(const char *list)
{
    std::string text;
    for (const char *p = list; *p; p += std::strlen(p) + 1) text += std::string(p) + "|";
    return text;
}

TEST(ConfigText, LineLists)
{
    const struct {
        const char *text;
        size_t size;
        LineListParse result;
        const char *names;
    } parses[] = {
        {"( A , B C )", 64, LineListParse::Complete, " A | B C |"},
        {"x(,A,,B,)y", 64, LineListParse::Complete, "A|B|"},
        {"((A,B)", 64, LineListParse::Complete, "(A|B|"},
        {"(A,B", 64, LineListParse::Malformed, "A|"},
        {"A,B", 64, LineListParse::Malformed, ""},
        {"(AB,CD,EF)", 8, LineListParse::Full, "AB|CD|"},
        {"(A)", 1, LineListParse::Full, nullptr},
    };
    for (const auto &r : parses) {
        char list[64];
        std::memset(list, 'x', sizeof list);
        EXPECT_EQ(r.result, ParseLineList(r.text, list, r.size)) << r.text;
        if (r.names) { EXPECT_EQ(r.names, Joined(list)) << r.text; }
    }
    // With 0x81 a lead byte, the comma and parenthesis after it are no separators.
    char list[64];
    EXPECT_EQ(LineListParse::Complete, ParseLineList("(A\x81,B,C\x81))", list, sizeof list, [](unsigned char c) { return c == 0x81; }));
    EXPECT_EQ("A\x81,B|C\x81)|", Joined(list));
    EXPECT_EQ(LineListParse::Malformed, ParseLineList("(A\x81", list, sizeof list, [](unsigned char c) { return c == 0x81; }));

    std::string four;
    for (int i = 0; i < 4; ++i) four += std::string(126, char('a' + i)) + '\0';
    const struct {
        std::string names;
        int result;
        size_t length;
    } formats[] = {
        {std::string("A\0B\0", 4), 2, 5},
        {std::string(127, 'n') + '\0', 1, 129},
        {std::string(128, 'n') + '\0', kLineListBadName, 0},
        {std::string("A\0B,C\0", 6), kLineListBadName, 0},
        {four + "x" + '\0', 5, 511},
        {four + "xy" + '\0', kLineListTooLong, 0},
    };
    for (const auto &r : formats) {
        char text[512];
        EXPECT_EQ(r.result, FormatLineList(r.names.c_str(), text, sizeof text)) << r.names.size();
        EXPECT_EQ(r.length, std::strlen(text)) << r.names.size();
    }
}

TEST(ConfigText, SerialSettings)
{
    const struct {
        const char *text;
        Alpars read;
        bool complete;
    } alpars[] = {
        {"(19200,EVEN,7,2)", {19200, 2, 7, 2}, true},
        // The first character is skipped unread; fields stop at the first missing comma.
        {"[300,space,5,1.5", {300, 4, 5, 1}, true},
        {"(4800,ODD)", {4800, 0, 8, 0}, false},
        {"(4800,ODD,7)", {4800, 1, 8, 0}, false},
        // Unknown words and data bits out of range keep their fields; no wrap past 32 bits.
        {"(19200,EVENS,9,3)", {19200, 0, 8, 0}, true},
        {"(99999999999,NONE,4294967303,1)", {UINT32_MAX, 0, 8, 0}, true},
    };
    for (const auto &r : alpars) {
        Alpars read{9600, 0, 8, 0};
        EXPECT_EQ(r.complete, ParseAlpars(r.text, &read)) << r.text;
        EXPECT_TRUE(read.baudRate == r.read.baudRate && read.parity == r.read.parity && read.dataBits == r.read.dataBits &&
                    read.stopBits == r.read.stopBits) << r.text;
    }
    char text[kAlparsTextSize];
    FormatAlpars({UINT32_MAX, 9, 65535, 7}, text);
    EXPECT_STREQ("(4294967295,SPACE,65535,2)", text);

    const std::pair<const char *, std::string> triggers[] = {
        {"(141H,0d h,1b)", "\x41\x0D\x1B"},
        {"(0DH,0DH,1BH", "\x0D\x1B"},
        {"0DH,1BH", ""},
        {"(,xH,41H,)", "\x41"},
        {"(00H,01H,02H,03H,04H,05H,06H,07H,08H,09H,0AH,0BH,0CH,0DH,0EH,0FH,10H,11H)",
         std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F", 16)},
    };
    for (const auto &[in, out] : triggers) {
        uint8_t read[kMaxTriggers + 8] = {};
        uint16_t count = ParseTriggers(in, read);
        EXPECT_EQ(out, std::string(reinterpret_cast<char *>(read), count)) << in;
        EXPECT_EQ(std::string(8, '\0'), std::string(reinterpret_cast<char *>(read) + kMaxTriggers, 8)) << in;
    }
    uint8_t many[20];
    for (int i = 0; i < 20; ++i) many[i] = i < 16 ? uint8_t(0xF0 + i) : 0x41;
    many[3] = 0xF0;
    char set[kTriggerTextSize];
    EXPECT_EQ(15, FormatTriggers(many, 20, set));
    EXPECT_STREQ("(F0H,F1H,F2H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH)", set);
}

TEST(ConfigText, NumbersAndLists)
{
    const std::pair<const char *, uint32_t> sections[] = {
        {"group12", 12}, {"GROUP012", 0}, {"GROUP1X", 0}, {"GROUPS1", 0}, {"GROUP99999999999", 0}, {"GROUP4294967295", 4294967295u}};
    for (const auto &[name, number] : sections) EXPECT_EQ(number, SectionNumber(name, "GROUP")) << name;
    const char names[] = "SERVER\0GROUP1\0LINE4\0GROUP2\0GROUP5\0group3\0";
    EXPECT_EQ(5u, BoundSectionCount(4294967295u, names, "GROUP"));
    EXPECT_EQ(3u, BoundSectionCount(4, names, "GROUP"));
    EXPECT_EQ(2u, BoundSectionCount(4294967295u, "GROUP1\0GROUP999999999\0", "GROUP"));

    const std::pair<const char *, int32_t> ports[] = {
        {"com12", 12}, {"XYZ  4x", 4}, {"COM-2", -2}, {"CO", 0}, {"COM99999999999", INT32_MAX}, {"COM-99999999999", INT32_MIN}};
    for (const auto &[name, number] : ports) EXPECT_EQ(number, PortNumberFromName(name)) << name;
    // A longer list is read as its first thirty numbers.
    std::string forty = "(";
    std::vector<uint32_t> thirty;
    for (uint32_t n = 1; n <= 40; ++n) forty += std::to_string(n) + ",", n <= 30 ? thirty.push_back(n) : void();
    const std::pair<std::string, std::vector<uint32_t>> lists[] = {
        {"(3,0,x,4)", {3, 4}}, {"junk( 7 ,-1, 8", {7, 8}}, {"3,4", {}}, {"(2,", {2}}, {forty, thirty}};
    for (const auto &[text, want] : lists) {
        uint32_t numbers[64];
        EXPECT_EQ(want, std::vector<uint32_t>(numbers, numbers + ParsePortList(text.c_str(), numbers, 30))) << text;
    }
    const uint32_t numbers[] = {3, 5};
    char buffer[8];
    EXPECT_TRUE(FormatPortList(numbers, 2, buffer, 6));
    EXPECT_STREQ("(3,5)", buffer);
    EXPECT_FALSE(FormatPortList(numbers, 2, buffer, 5));
    EXPECT_STREQ("", buffer);
}

TEST(ConfigText, DriverReferencesAndFormats)
{
    char cls[8], number[8];
    ASSERT_TRUE(SplitDriverReference("A\\B\\C", cls, sizeof cls, number, sizeof number));
    EXPECT_EQ(std::string("A|B\\C"), std::string(cls) + "|" + number);
    for (const char *bad : {"Ports", "Ports\\", "\\0001", "LongClass\\1", "P\\12345678"})
        EXPECT_FALSE(SplitDriverReference(bad, cls, sizeof cls, number, sizeof number)) << bad;

    char out[24];
    FormatWithText("%s %s 100%% %d", "X", out, sizeof out);
    EXPECT_STREQ("X %s 100% %d", out);
    FormatWithText("%s and more text", "a long port name", out, sizeof out);
    EXPECT_STREQ("a long port name and mo", out);

    const struct {
        const char *format, *text;
        uint32_t number;
        size_t size, length;
        const char *filled;
    } fills[] = {
        {"%s %s %u%u %u %d %", "COM1", 7, 100, 19, "COM1 %s 7%u %u %d %"},
        {"Port (%s) 100%%", "COM1", 0, 100, 16, "Port (COM1) 100%"},
        // Cut to the buffer, the full length told.
        {"%s_%u", "ABCDEFGHIJKLM", 99, 16, 16, "ABCDEFGHIJKLM_9"},
        {"%s", "x", 0, 1, 1, ""},
    };
    for (const auto &f : fills) {
        std::string buffer(f.size + 4, '#');
        EXPECT_EQ(f.length, FillFormat(f.format, f.text, f.number, buffer.data(), f.size)) << f.format;
        EXPECT_STREQ(f.filled, buffer.c_str()) << f.format;
        EXPECT_EQ('#', buffer[f.size]) << f.format;
    }
}

}  // namespace
