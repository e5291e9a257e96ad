// ALPARS and the resource formats of share names, pool names and port
// descriptions, in what the tests through the exports cannot reach: fields
// kept when a later one is broken, number limits, and formats that do not
// hold the placeholders they should.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "server/portable/alpars.h"
#include "server/portable/placeholders.h"

namespace cvx::portable {

bool operator==(const Alpars &a, const Alpars &b)
{
    return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits && a.stopBits == b.stopBits;
}

void PrintTo(const Alpars &a, std::ostream *os)
{
    *os << "{" << a.baudRate << "," << a.parity << "," << a.dataBits << "," << a.stopBits << "}";
}

}  // namespace cvx::portable

using namespace cvx::portable;

namespace {

// The defaults of a line, as the parser finds them before it overlays.
constexpr Alpars kDefaults{9600, 0, 8, 0};

Alpars Parse(const char *text, bool *complete = nullptr)
{
    Alpars settings = kDefaults;
    bool done = ParseAlpars(text, &settings);
    if (complete) *complete = done;
    return settings;
}

TEST(AlparsText, FieldsStopAtTheFirstMissingComma)
{
    bool complete = false;
    EXPECT_EQ((Alpars{19200, 2, 7, 2}), Parse("(19200,EVEN,7,2)", &complete));
    EXPECT_TRUE(complete);
    // The stop bits run to the end when the parenthesis is missing; the
    // first character is skipped unread.
    EXPECT_EQ((Alpars{300, 4, 5, 1}), Parse("[300,space,5,1.5", &complete));
    EXPECT_TRUE(complete);

    EXPECT_EQ((Alpars{4800, 0, 8, 0}), Parse("(4800,ODD)", &complete));
    EXPECT_FALSE(complete);
    EXPECT_EQ((Alpars{4800, 1, 8, 0}), Parse("(4800,ODD,7)", &complete));
    EXPECT_FALSE(complete);
    EXPECT_EQ(kDefaults, Parse("(4800)", &complete));
    EXPECT_FALSE(complete);
    EXPECT_EQ(kDefaults, Parse("", &complete));
    EXPECT_FALSE(complete);
    EXPECT_FALSE(ParseAlpars(nullptr, nullptr));
}

TEST(AlparsText, UnknownWordsAndOutOfRangeDataBitsKeepTheirFields)
{
    bool complete = false;
    EXPECT_EQ((Alpars{19200, 0, 8, 0}), Parse("(19200,EVENS,9,3)", &complete));
    EXPECT_TRUE(complete);
    EXPECT_EQ((Alpars{19200, 0, 8, 0}), Parse("(19200, EVEN,3,1 )"));
    EXPECT_EQ((Alpars{0, 3, 4, 0}), Parse("(fast,Mark,4,1)"));
    // atol reads leading blanks and a sign; a number past 32 bits does not
    // wrap into a valid count of data bits.
    EXPECT_EQ((Alpars{1200, 0, 6, 0}), Parse("( 1200,none, +6,1)"));
    EXPECT_EQ((Alpars{UINT32_MAX, 0, 8, 0}), Parse("(99999999999,NONE,4294967303,1)"));
}

TEST(AlparsText, FormatGivesWhatParseReads)
{
    char text[kAlparsTextSize];
    FormatAlpars({115200, 2, 7, 1}, text);
    EXPECT_STREQ("(115200,EVEN,7,1.5)", text);
    // Codes beyond the texts are written as the last text.
    FormatAlpars({UINT32_MAX, 9, 65535, 7}, text);
    EXPECT_STREQ("(4294967295,SPACE,65535,2)", text);
    EXPECT_EQ((Alpars{UINT32_MAX, 4, 8, 2}), Parse(text));
}

std::string Fill(const char *format, const char *text, uint32_t number, size_t size, size_t *length = nullptr)
{
    std::string out(size + 4, '#');
    size_t full = FillFormat(format, text, number, out.data(), size);
    if (length) *length = full;
    EXPECT_EQ('#', out[size]) << "written past the buffer";
    return size ? std::string(out.c_str()) : std::string();
}

TEST(ResourceFormats, PlaceholdersFilledOnce)
{
    EXPECT_EQ("SERVER_12", Fill("%s_%u", "SERVER", 12, 17));
    EXPECT_EQ("Line3", Fill("Line%u", nullptr, 3, 17));
    EXPECT_EQ("Port (COM1) 100%", Fill("Port (%s) 100%%", "COM1", 0, 100));
    // A second placeholder and foreign ones stay as they are written.
    EXPECT_EQ("COM1 %s 7%u %u %d %", Fill("%s %s %u%u %u %d %", "COM1", 7, 100));
    EXPECT_EQ("no placeholder", Fill("no placeholder", "COM1", 7, 100));
    EXPECT_EQ("", Fill(nullptr, "COM1", 7, 100));
}

TEST(ResourceFormats, ResultsAreCutToTheBuffer)
{
    size_t length = 0;
    EXPECT_EQ("ABCDEFGHIJKLM_9", Fill("%s_%u", "ABCDEFGHIJKLM", 99, 16, &length));
    EXPECT_EQ(16u, length);
    EXPECT_EQ("ABCDEFGHIJKLM_99", Fill("%s_%u", "ABCDEFGHIJKLM", 99, 17, &length));
    EXPECT_EQ(16u, length);
    EXPECT_EQ("", Fill("%s", "x", 0, 1, &length));
    EXPECT_EQ(1u, length);
    EXPECT_EQ(4u, FillFormat("%u", nullptr, 1234, nullptr, 0));
}

}  // namespace
