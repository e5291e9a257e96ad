// Transmit sets: naming, release and renumbering, shared sets, and the
// TRIGGERS key, checked against the exact text of CVEX.INI.
#include <string>

#include "frame/frame.h"
#include "harness/harness.h"
#include "server/transmit.h"

using namespace cvxtest;

namespace {

class TransmitSets : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        file_ = cvx::GetServerConfigFile();
        ASSERT_EQ(ini_, file_);
    }
    void Write(const std::string &text) { ASSERT_TRUE(WriteFileText(ini_, text)); }
    std::string Text() { return ReadFileText(ini_); }
    std::string Triggers(const char *section)
    {
        uint8_t triggers[cvx::kMaxTriggers + 8] = {};
        uint16_t count = cvx::ReadTriggers(section, triggers, file_);
        EXPECT_LE(count, cvx::kMaxTriggers);
        for (size_t i = cvx::kMaxTriggers; i < sizeof triggers; ++i) EXPECT_EQ(0, triggers[i]) << "written past 16";
        return std::string(reinterpret_cast<char *>(triggers), count);
    }

    const char *file_ = nullptr;
};

TEST_F(TransmitSets, CreateInEmptyFile)
{
    Write("[LINE1]\r\nNAME=Modem\r\n");
    char section[cvx::kTransmitSectionSize] = "junk";
    cvx::CreateTransmitSet("LINE1", section, file_);
    EXPECT_STREQ("TRANSMIT1", section);
    EXPECT_EQ("[LINE1]\r\nNAME=Modem\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n",
              Text());

    // The client's own set: its section is SESSIONSPARMS.
    cvx::CreateTransmitSet("SESSIONSPARMS", section, file_);
    EXPECT_STREQ("TRANSMIT2", section);
    EXPECT_EQ("[LINE1]\r\nNAME=Modem\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=2\r\n[TRANSMIT1]\r\nNAME=TA1\r\n"
              "[TRANSMIT2]\r\nNAME=TA2\r\n[SESSIONSPARMS]\r\nTRANSMIT=TA2\r\n",
              Text());
    EXPECT_EQ(2u, cvx::FindTransmitSet("ta2", section, file_));
}

TEST_F(TransmitSets, NewNameSkipsTakenNames)
{
    Write("[COMMON]\r\nTRANSMITSETS=2\r\n"
          "[TRANSMIT1]\r\nNAME=TA1\r\n"
          "[TRANSMIT2]\r\nNAME=ta3\r\n"
          "[TRANSMIT3]\r\nNAME=TA4\r\nFLOW=(0H,0H)\r\n"
          "[LINE1]\r\nTRANSMIT=old\r\n");
    char section[cvx::kTransmitSectionSize];
    cvx::CreateTransmitSet("LINE1", section, file_);
    // TA3 is taken (names match without regard to case); the section beyond
    // the count was a leftover and keeps none of its keys.
    EXPECT_STREQ("TRANSMIT3", section);
    EXPECT_EQ("[COMMON]\r\nTRANSMITSETS=3\r\n"
              "[TRANSMIT1]\r\nNAME=TA1\r\n"
              "[TRANSMIT2]\r\nNAME=ta3\r\n"
              "[LINE1]\r\nTRANSMIT=TA4\r\n"
              "[TRANSMIT3]\r\nNAME=TA4\r\n",
              Text());
}

TEST_F(TransmitSets, FindByName)
{
    Write("[COMMON]\r\nTRANSMITSETS=2\r\n"
          "[TRANSMIT1]\r\nNAME=TA1\r\n"
          "[TRANSMIT2]\r\nNAME=Serial Set\r\n"
          "[TRANSMIT3]\r\nNAME=TA3\r\n");
    char section[cvx::kTransmitSectionSize] = "unchanged";
    EXPECT_EQ(0u, cvx::FindTransmitSet("", section, file_));
    EXPECT_STREQ("unchanged", section);
    EXPECT_EQ(0u, cvx::FindTransmitSet(nullptr, section, file_));
    EXPECT_STREQ("unchanged", section);

    EXPECT_EQ(2u, cvx::FindTransmitSet("SERIAL SET", section, file_));
    EXPECT_STREQ("TRANSMIT2", section);
    // TRANSMIT3 is beyond the count.
    EXPECT_EQ(0u, cvx::FindTransmitSet("TA3", section, file_));
    EXPECT_STREQ("", section);
    EXPECT_EQ(1u, cvx::FindTransmitSet("ta1", nullptr, file_));

    // Counts that cannot be right are bounded by the sections that exist.
    for (const char *count : {"-1", "4000000000", "x"}) {
        Write(std::string("[COMMON]\r\nTRANSMITSETS=") + count + "\r\n[TRANSMIT1]\r\nNAME=TA1\r\n");
        EXPECT_EQ(count[0] == 'x' ? 0u : 1u, cvx::FindTransmitSet("TA1", section, file_)) << count;
        EXPECT_EQ(0u, cvx::FindTransmitSet("TA2", section, file_)) << count;
    }
}

TEST_F(TransmitSets, ReleaseMovesLaterSetsDown)
{
    Write("[SERVER]\r\nLINES=3\r\n"
          "[LINE1]\r\nTRANSMIT=TA1\r\n"
          "[LINE2]\r\nTRANSMIT=TA2\r\n"
          "[LINE3]\r\nTRANSMIT=TA3\r\n"
          "[COMMON]\r\nTRANSMITSETS=3\r\n"
          "[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0H,0H)\r\nTRIGGERS=(0DH)\r\n"
          "[TRANSMIT2]\r\nNAME=TA2\r\nFLOW=(11H,13H)\r\n"
          "[TRANSMIT3]\r\nNAME=TA3\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n");
    cvx::ReleaseTransmitSet("ta1", file_);
    // The owner's own reference is the caller's to remove.
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\n"
              "[LINE1]\r\nTRANSMIT=TA1\r\n"
              "[LINE2]\r\nTRANSMIT=TA2\r\n"
              "[LINE3]\r\nTRANSMIT=TA3\r\n"
              "[COMMON]\r\nTRANSMITSETS=2\r\n"
              "[TRANSMIT1]\r\nNAME=TA2\r\nFLOW=(11H,13H)\r\n"
              "[TRANSMIT2]\r\nNAME=TA3\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n",
              Text());
    char section[cvx::kTransmitSectionSize];
    EXPECT_EQ(1u, cvx::FindTransmitSet("TA2", section, file_));
    EXPECT_EQ(2u, cvx::FindTransmitSet("TA3", section, file_));
    EXPECT_EQ(0u, cvx::FindTransmitSet("TA1", section, file_));

    // The last set: nothing moves.
    cvx::ReleaseTransmitSet("TA3", file_);
    cvx::ReleaseTransmitSet("TA2", file_);
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\n"
              "[LINE1]\r\nTRANSMIT=TA1\r\n"
              "[LINE2]\r\nTRANSMIT=TA2\r\n"
              "[LINE3]\r\nTRANSMIT=TA3\r\n"
              "[COMMON]\r\nTRANSMITSETS=0\r\n",
              Text());
}

TEST_F(TransmitSets, SetNamedByTwoOwnersIsKept)
{
    const std::string sets = "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n";
    const std::string twoLines = "[SERVER]\r\nLINES=2\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE2]\r\nTRANSMIT=ta1\r\n" + sets;
    Write(twoLines);
    cvx::ReleaseTransmitSet("TA1", file_);
    EXPECT_EQ(twoLines, Text());

    const std::string lineAndClient =
        "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[SESSIONSPARMS]\r\nTRANSMIT=TA1\r\n" + sets;
    Write(lineAndClient);
    cvx::ReleaseTransmitSet("TA1", file_);
    EXPECT_EQ(lineAndClient, Text());

    // A LINE section beyond SERVER LINES is no line, and no owner.
    Write("[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE2]\r\nTRANSMIT=TA1\r\n" + sets);
    cvx::ReleaseTransmitSet("TA1", file_);
    EXPECT_EQ("[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE2]\r\nTRANSMIT=TA1\r\n"
              "[COMMON]\r\nTRANSMITSETS=0\r\n",
              Text());

    // The client alone: its set goes.
    Write("[SESSIONSPARMS]\r\nTRANSMIT=TA1\r\n" + sets);
    cvx::ReleaseTransmitSet("TA1", file_);
    EXPECT_EQ("[SESSIONSPARMS]\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=0\r\n", Text());

    // Nobody names it: it goes too.
    Write(sets);
    cvx::ReleaseTransmitSet("TA1", file_);
    EXPECT_EQ("[COMMON]\r\nTRANSMITSETS=0\r\n", Text());
}

TEST_F(TransmitSets, ReleaseOfUnknownNameChangesNothing)
{
    const std::string text = "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n[TRANSMIT2]\r\nNAME=TA2\r\n";
    Write(text);
    cvx::ReleaseTransmitSet("", file_);
    cvx::ReleaseTransmitSet(nullptr, file_);
    cvx::ReleaseTransmitSet("TA9", file_);
    cvx::ReleaseTransmitSet("TA2", file_);  // beyond the count
    EXPECT_EQ(text, Text());
}

TEST_F(TransmitSets, CountLineUsers)
{
    Write("[SERVER]\r\nLINES=4\r\n"
          "[LINE1]\r\nTRANSMIT=TA1\r\n"
          "[LINE2]\r\nTRANSMIT=\r\n"
          "[LINE3]\r\nTRANSMIT=Ta1\r\n"
          "[LINE4]\r\nNAME=none\r\n"
          "[LINE5]\r\nTRANSMIT=TA1\r\n"
          "[SESSIONSPARMS]\r\nTRANSMIT=TA1\r\n");
    EXPECT_EQ(2u, cvx::CountLinesUsingTransmitSet("ta1", file_));
    EXPECT_EQ(0u, cvx::CountLinesUsingTransmitSet("TA2", file_));
    EXPECT_EQ(0u, cvx::CountLinesUsingTransmitSet("", file_));

    Write("[SERVER]\r\nLINES=-2\r\n[LINE1]\r\nTRANSMIT=TA1\r\n");
    EXPECT_EQ(0u, cvx::CountLinesUsingTransmitSet("TA1", file_));
    Write("[SERVER]\r\nLINES=2000000000\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE3]\r\nTRANSMIT=TA1\r\n");
    EXPECT_EQ(2u, cvx::CountLinesUsingTransmitSet("TA1", file_));
}

TEST_F(TransmitSets, ReadTriggers)
{
    Write("[T1]\r\nTRIGGERS=(0DH,0DH,1BH)\r\n"
          "[T2]\r\nTRIGGERS=(141H,0d h,1b)\r\n"
          "[T3]\r\nTRIGGERS=0DH,1BH\r\n"
          "[T4]\r\nTRIGGERS=()\r\n"
          "[T5]\r\nTRIGGERS=(0DH,1BH\r\n"
          "[T6]\r\nTRIGGERS=(00H,01H,02H,03H,04H,05H,06H,07H,08H,09H,0AH,0BH,0CH,0DH,0EH,0FH,10H,11H)\r\n"
          "[T7]\r\nTRIGGERS=(,xH,41H,)\r\n"
          "[T8]\r\nTRIGGERS=(0DH),41H\r\n"
          "[T9]\r\nTRIGGERS=(\r\n"
          "[T10]\r\nFLOW=(0H,0H)\r\n");
    EXPECT_EQ("\x0D\x1B", Triggers("T1"));
    EXPECT_EQ("\x41\x0D\x1B", Triggers("T2"));
    EXPECT_EQ("", Triggers("T3"));
    EXPECT_EQ("", Triggers("T4"));
    EXPECT_EQ("\x0D\x1B", Triggers("T5"));
    EXPECT_EQ(std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F", 16), Triggers("T6"));
    EXPECT_EQ("\x41", Triggers("T7"));
    EXPECT_EQ("\x0D", Triggers("T8"));
    EXPECT_EQ("", Triggers("T9"));
    EXPECT_EQ("", Triggers("T10"));
    EXPECT_EQ("", Triggers("T11"));
}

TEST_F(TransmitSets, WriteTriggers)
{
    Write("[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H)\r\nFLOW=(0H,0H)\r\n");
    const uint8_t two[] = {0x0D, 0x1B};
    cvx::WriteTriggers("TRANSMIT1", two, 2, file_);
    EXPECT_EQ("[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(0DH,1BH)\r\nFLOW=(0H,0H)\r\n", Text());

    cvx::WriteTriggers("TRANSMIT1", two, 0, file_);
    EXPECT_EQ("[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0H,0H)\r\n", Text());

    // At most 16 places are taken, and each code once.
    uint8_t many[20];
    for (int i = 0; i < 20; ++i) many[i] = i < 16 ? uint8_t(0xF0 + i) : 0x41;
    many[3] = 0xF0;
    cvx::WriteTriggers("TRANSMIT1", many, 20, file_);
    EXPECT_EQ("[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0H,0H)\r\n"
              "TRIGGERS=(F0H,F1H,F2H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH)\r\n",
              Text());
    EXPECT_EQ("\xF0\xF1\xF2\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF", Triggers("TRANSMIT1"));
}

}  // namespace
