// Value parsers and formatters of the configuration that need no Win32, in
// what the tests through the exports cannot reach: double-byte names, list
// limits, serial setting texts and section numbers.
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "groups/portable/linelist.h"
#include "server/portable/sections.h"
#include "server/portable/transmit_text.h"

using namespace cvx::portable;

namespace {

std::vector<std::string> Entries(const char *list)
{
    std::vector<std::string> names;
    for (const char *p = list; *p; p += std::strlen(p) + 1) names.emplace_back(p);
    return names;
}
using Names = std::vector<std::string>;

TEST(LineListText, ParseReadsBetweenTheFirstParentheses)
{
    struct Row {
        const char *text;
        LineListParse result;
        Names names;
    } rows[] = {
        {"(A,B", LineListParse::Malformed, {"A"}},
        {"( A , B C )", LineListParse::Complete, {" A ", " B C "}},
        {"()", LineListParse::Complete, {}},
        {"A,B", LineListParse::Malformed, {}},
        {"", LineListParse::Malformed, {}},
        {"x(,A,,B,)y", LineListParse::Complete, {"A", "B"}},
        {"(A)(B)", LineListParse::Complete, {"A"}},
        {"((A,B)", LineListParse::Complete, {"(A", "B"}},
        // Names are read at most 127 characters long.
        {"(nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn)",
         LineListParse::Complete, {std::string(127, 'n')}},
    };
    for (const Row &r : rows) {
        char list[256] = {};
        EXPECT_EQ(r.result, ParseLineList(r.text, list, sizeof list)) << r.text;
        EXPECT_EQ(r.names, Entries(list)) << r.text;
    }
    // A full list keeps the names that fitted.
    char list[8];
    std::memset(list, 'x', sizeof list);
    EXPECT_EQ(LineListParse::Full, ParseLineList("(AB,CD,EF)", list, sizeof list));
    EXPECT_EQ((Names{"AB", "CD"}), Entries(list));
    EXPECT_EQ(LineListParse::Full, ParseLineList("(A)", list, 1));
}

TEST(LineListText, ParseStepsOverDoubleByteCharacters)
{
    // With 0x81 as a lead byte, the comma and parenthesis right after it are
    // the second halves of characters, not separators.
    auto lead = [](unsigned char c) { return c == 0x81; };
    char list[64];
    EXPECT_EQ(LineListParse::Complete, ParseLineList("(A\x81,B,C\x81))", list, sizeof list, lead));
    EXPECT_EQ((Names{"A\x81,B", "C\x81)"}), Entries(list));
    EXPECT_EQ(LineListParse::Complete, ParseLineList("(A\x81,B,C\x81))", list, sizeof list));
    EXPECT_EQ((Names{"A\x81", "B", "C\x81"}), Entries(list));
    // A lead byte at the very end does not step over the terminator.
    EXPECT_EQ(LineListParse::Malformed, ParseLineList("(A\x81", list, sizeof list, lead));
}

TEST(LineListText, FormatJoinsAndRefuses)
{
    char text[512];
    EXPECT_EQ(2, FormatLineList("LINE A\0LINE B\0", text, sizeof text));
    EXPECT_STREQ("(LINE A,LINE B)", text);
    EXPECT_EQ(0, FormatLineList("\0", text, sizeof text));
    EXPECT_STREQ("()", text);
    EXPECT_EQ(0, FormatLineList(nullptr, text, sizeof text));
    EXPECT_STREQ("()", text);

    EXPECT_EQ(kLineListBadName, FormatLineList("A\0B,C\0", text, sizeof text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(kLineListBadName, FormatLineList("A)\0", text, sizeof text));
    EXPECT_EQ(1, FormatLineList("(A\0", text, sizeof text));
    EXPECT_STREQ("((A)", text);

    std::string longest(127, 'n');
    longest.push_back('\0');
    EXPECT_EQ(1, FormatLineList(longest.c_str(), text, sizeof text));
    longest = "n" + longest;
    EXPECT_EQ(kLineListBadName, FormatLineList(longest.c_str(), text, sizeof text));

    // Exactly 511 characters fit in 512 bytes; one more does not.
    std::string list;
    for (int i = 0; i < 4; ++i) list += std::string(126, 'a' + i) + '\0';
    std::string fits = list + "x" + '\0';
    std::string over = list + "xy" + '\0';
    EXPECT_EQ(5, FormatLineList(fits.c_str(), text, sizeof text));
    EXPECT_EQ(511u, std::strlen(text));
    EXPECT_EQ(kLineListTooLong, FormatLineList(over.c_str(), text, sizeof text));
    EXPECT_STREQ("", text);

    // What is formatted parses back to the same list.
    char back[512];
    ASSERT_EQ(5, FormatLineList(fits.c_str(), text, sizeof text));
    EXPECT_EQ(LineListParse::Complete, ParseLineList(text, back, sizeof back));
    EXPECT_EQ(0, std::memcmp(fits.c_str(), back, fits.size() + 1));
}

TEST(SerialSettingText, CodesTextsAndTriggers)
{
    for (auto [code, flow, parity, stop] : std::initializer_list<std::tuple<uint16_t, const char *, const char *, const char *>>{
             {0, "(0H,0H)", "NONE", "1"}, {1, "(11H,13H)", "ODD", "1.5"}, {2, "(1H,1H)", "EVEN", "2"},
             {3, "(1H,1H)", "MARK", "2"}, {4, "(1H,1H)", "SPACE", "2"}, {70, "(1H,1H)", "SPACE", "2"}}) {
        EXPECT_STREQ(flow, FlowText(code)) << code;
        EXPECT_STREQ(parity, ParityText(code)) << code;
        EXPECT_STREQ(stop, StopBitsText(code)) << code;
    }
    // Parsed in any case, whole or not at all.
    uint16_t code = 7;
    EXPECT_TRUE(ParseFlow("(11h,13h)", &code));
    EXPECT_EQ(1, code);
    EXPECT_FALSE(ParseFlow("(11H,13H) ", &code));
    EXPECT_TRUE(ParseParity("even", &code));
    EXPECT_EQ(2, code);
    EXPECT_FALSE(ParseParity("EVENS", &code));
    EXPECT_TRUE(ParseStopBits("1.5", &code));
    EXPECT_FALSE(ParseStopBits("1.0", &code));
    EXPECT_EQ(1, code);

    for (auto [text, triggers] : std::initializer_list<std::pair<const char *, std::string>>{
             {"(0DH,0DH,1BH)", "\x0D\x1B"},
             {"(141H,0d h,1b)", "\x41\x0D\x1B"},
             {"0DH,1BH", ""},
             {"()", ""},
             {"(", ""},
             {"(0DH,1BH", "\x0D\x1B"},
             {"(00H,01H,02H,03H,04H,05H,06H,07H,08H,09H,0AH,0BH,0CH,0DH,0EH,0FH,10H,11H)",
              std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F", 16)},
             {"(,xH,41H,)", "\x41"},
             {"(0DH),41H", "\x0D"}}) {
        uint8_t read[kMaxTriggers + 8] = {};
        uint16_t count = ParseTriggers(text, read);
        EXPECT_EQ(triggers, std::string(reinterpret_cast<char *>(read), count)) << text;
        EXPECT_EQ(std::string(8, '\0'), std::string(reinterpret_cast<char *>(read) + kMaxTriggers, 8)) << text;
    }
    // At most 16 places are taken, and each code once.
    uint8_t many[20];
    for (int i = 0; i < 20; ++i) many[i] = i < 16 ? uint8_t(0xF0 + i) : 0x41;
    many[3] = 0xF0;
    char text[kTriggerTextSize];
    EXPECT_EQ(15, FormatTriggers(many, 20, text));
    EXPECT_STREQ("(F0H,F1H,F2H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH)", text);
    EXPECT_EQ(0, FormatTriggers(many, 0, text));
    EXPECT_STREQ("", text);
}

TEST(SectionCount, NumbersAndBounds)
{
    EXPECT_EQ(12u, SectionNumber("group12", "GROUP"));
    EXPECT_EQ(0u, SectionNumber("GROUP012", "GROUP"));
    EXPECT_EQ(0u, SectionNumber("GROUP0", "GROUP"));
    EXPECT_EQ(0u, SectionNumber("GROUP", "GROUP"));
    EXPECT_EQ(0u, SectionNumber("GROUP1X", "GROUP"));
    EXPECT_EQ(0u, SectionNumber("GROUPS1", "GROUP"));
    EXPECT_EQ(0u, SectionNumber("GROUP99999999999", "GROUP"));
    EXPECT_EQ(4294967295u, SectionNumber("GROUP4294967295", "GROUP"));

    const char names[] = "SERVER\0GROUP1\0LINE4\0GROUP2\0GROUP5\0group3\0";
    EXPECT_EQ(5u, BoundSectionCount(4294967295u, names, "GROUP"));
    EXPECT_EQ(3u, BoundSectionCount(4, names, "GROUP"));
    EXPECT_EQ(0u, BoundSectionCount(0, names, "GROUP"));
    EXPECT_EQ(4u, BoundSectionCount(100, names, "LINE"));
    EXPECT_EQ(0u, BoundSectionCount(100, names, "TRANSMIT"));
    // Never more than the sections there are, however high their numbers.
    EXPECT_EQ(2u, BoundSectionCount(4294967295u, "GROUP1\0GROUP999999999\0", "GROUP"));
}

}  // namespace
