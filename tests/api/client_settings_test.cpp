// Client session settings through the exports: section SESSIONSPARMS and the
// client's transmit set, checked as the exact text of CVEX.INI.
#include <cstring>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

class ClientSettingsTest : public CleanTest {
protected:
    ClientSettings Read()
    {
        ClientSettings s;
        std::memset(&s, 0x5A, sizeof s);
        EXPECT_TRUE(CVU_GetClientSettings(&s));
        return s;
    }
    std::string Ini() { return ReadFileText(ini_); }
};

ClientSettings Make(LONG activity, LONG timeout, DWORD queue, DWORD retry, std::string triggers)
{
    ClientSettings s{};
    s.activityTimer = activity;
    s.timeout = timeout;
    s.queue = queue;
    s.retry = retry;
    std::memcpy(s.triggers, triggers.data(), triggers.size());
    s.triggerCount = static_cast<WORD>(triggers.size());
    return s;
}

std::string Triggers(const ClientSettings &s)
{
    return std::string(reinterpret_cast<const char *>(s.triggers), s.triggerCount);
}

TEST_F(ClientSettingsTest, DefaultsFromAnEmptySection)
{
    for (const char *text : {"", "[SESSIONSPARMS]\r\n"}) {
        ASSERT_TRUE(WriteFileText(ini_, text));
        ClientSettings s = Read();
        EXPECT_EQ(30, s.activityTimer);
        EXPECT_EQ(3, s.timeout);
        EXPECT_EQ(0u, s.queue);
        EXPECT_EQ(1u, s.retry);
        EXPECT_EQ(0, s.triggerCount);
        EXPECT_EQ(std::string(16, '\0'), std::string(reinterpret_cast<char *>(s.triggers), 16));
        EXPECT_EQ(text, Ini());  // reading writes nothing back
    }
    EXPECT_FALSE(CVU_GetClientSettings(nullptr));
    EXPECT_FALSE(CVU_SetClientSettings(nullptr));
}

TEST_F(ClientSettingsTest, NumbersOutOfRangeReadAsDefaults)
{
    struct Case {
        const char *activity, *timeout;
        LONG activityRead, timeoutRead;
    } cases[] = {
        {"100", "0", 30, 0},   {"99", "100", 99, 3}, {"-1", "-5", 30, 3},     {"abc", "", 0, 3},
        {" 12x", "+7", 12, 7}, {"0", "99", 0, 99},   {"4294967295", "3", 30, 3},
    };
    for (const Case &c : cases) {
        std::string text = "[SESSIONSPARMS]\r\nACTIVITYTIMER=" + std::string(c.activity) + "\r\nTIMEOUT=" + c.timeout + "\r\n";
        ASSERT_TRUE(WriteFileText(ini_, text));
        ClientSettings s = Read();
        EXPECT_EQ(c.activityRead, s.activityTimer) << c.activity;
        EXPECT_EQ(c.timeoutRead, s.timeout) << c.timeout;
        EXPECT_EQ(text, Ini());
    }
}

TEST_F(ClientSettingsTest, OnlyNMeansNo)
{
    struct Case {
        const char *value;
        DWORD flag;
    } cases[] = {{"Y", 1}, {"yes", 1}, {"", 1}, {"n", 0}, {"N", 0}, {"No", 1}, {"0", 1}};
    for (const Case &c : cases) {
        ASSERT_TRUE(WriteFileText(ini_, "[SESSIONSPARMS]\r\nQUEUE=" + std::string(c.value) + "\r\nRETRY=" + c.value + "\r\n"));
        ClientSettings s = Read();
        EXPECT_EQ(c.flag, s.queue) << c.value;
        EXPECT_EQ(c.flag, s.retry) << c.value;
    }
}

TEST_F(ClientSettingsTest, TriggersLiveInATransmitSetOfTheirOwn)
{
    ClientSettings in = Make(5, 7, 1, 0, "\x0D\x1B");
    ASSERT_TRUE(CVU_SetClientSettings(&in));
    EXPECT_EQ("[SESSIONSPARMS]\r\nQUEUE=Y\r\nRETRY=N\r\nACTIVITYTIMER=5\r\nTIMEOUT=7\r\nTRANSMIT=TA1\r\n"
              "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(0DH,1BH)\r\n",
              Ini());
    ClientSettings out = Read();
    EXPECT_EQ(0, std::memcmp(&in, &out, sizeof in));

    // Other characters go into the same set.
    in = Make(5, 7, 1, 0, "A");
    ASSERT_TRUE(CVU_SetClientSettings(&in));
    EXPECT_EQ("[SESSIONSPARMS]\r\nQUEUE=Y\r\nRETRY=N\r\nACTIVITYTIMER=5\r\nTIMEOUT=7\r\nTRANSMIT=TA1\r\n"
              "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H)\r\n",
              Ini());

    // No characters: the set and the reference go.
    in = Make(0, 99, 0, 1, "");
    ASSERT_TRUE(CVU_SetClientSettings(&in));
    EXPECT_EQ("[SESSIONSPARMS]\r\nQUEUE=N\r\nRETRY=Y\r\nACTIVITYTIMER=0\r\nTIMEOUT=99\r\n[COMMON]\r\nTRANSMITSETS=0\r\n",
              Ini());
    out = Read();
    EXPECT_EQ(0, std::memcmp(&in, &out, sizeof in));
}

TEST_F(ClientSettingsTest, ASetThatALineNamesStays)
{
    const std::string lines = "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=2\r\n"
                              "[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H,0DH,41H)\r\n[TRANSMIT2]\r\nNAME=TA2\r\n";
    ASSERT_TRUE(WriteFileText(ini_, lines + "[SESSIONSPARMS]\r\nTRANSMIT=ta1\r\n"));
    ClientSettings s = Read();
    EXPECT_EQ(std::string("\x41\x0D"), Triggers(s));

    s.triggerCount = 0;
    ASSERT_TRUE(CVU_SetClientSettings(&s));
    EXPECT_EQ(lines + "[SESSIONSPARMS]\r\nQUEUE=N\r\nRETRY=Y\r\nACTIVITYTIMER=30\r\nTIMEOUT=3\r\n", Ini());
}

TEST_F(ClientSettingsTest, AMissingSetIsReplaced)
{
    ASSERT_TRUE(WriteFileText(ini_, "[SESSIONSPARMS]\r\nTRANSMIT=TA9\r\n[COMMON]\r\nTRANSMITSETS=1\r\n"
                                    "[TRANSMIT1]\r\nNAME=TA2\r\nTRIGGERS=(01H)\r\n"));
    EXPECT_EQ(0, Read().triggerCount);

    ClientSettings in = Make(1, 2, 0, 0, "\x03");
    ASSERT_TRUE(CVU_SetClientSettings(&in));
    // TA2 is taken: the new set, the second, is named TA3.
    EXPECT_EQ("[SESSIONSPARMS]\r\nTRANSMIT=TA3\r\nQUEUE=N\r\nRETRY=N\r\nACTIVITYTIMER=1\r\nTIMEOUT=2\r\n"
              "[COMMON]\r\nTRANSMITSETS=2\r\n[TRANSMIT1]\r\nNAME=TA2\r\nTRIGGERS=(01H)\r\n"
              "[TRANSMIT2]\r\nNAME=TA3\r\nTRIGGERS=(03H)\r\n",
              Ini());
    EXPECT_EQ(std::string("\x03"), Triggers(Read()));
}

TEST_F(ClientSettingsTest, ValuesAreStoredWithoutARangeTest)
{
    ClientSettings in = Make(150, -1, 7, 0, "");
    // A count beyond the array stores the sixteen characters it has.
    for (int i = 0; i < 16; ++i) in.triggers[i] = static_cast<BYTE>(0xF0 + i);
    in.triggerCount = 40;
    ASSERT_TRUE(CVU_SetClientSettings(&in));
    EXPECT_EQ("[SESSIONSPARMS]\r\nQUEUE=Y\r\nRETRY=N\r\nACTIVITYTIMER=150\r\nTIMEOUT=4294967295\r\nTRANSMIT=TA1\r\n"
              "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n"
              "TRIGGERS=(F0H,F1H,F2H,F3H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH)\r\n",
              Ini());
    ClientSettings out = Read();
    EXPECT_EQ(30, out.activityTimer);
    EXPECT_EQ(3, out.timeout);
    EXPECT_EQ(16, out.triggerCount);
    EXPECT_EQ(0xFF, out.triggers[15]);
}

}  // namespace
