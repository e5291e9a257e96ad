// Transmit sets: naming, finding, release and renumbering, shared sets, and
// the TRIGGERS key, checked against the exact text of CVEX.INI.
#include "api/config_table.h"
#include "frame/frame.h"
#include "server/transmit.h"

using namespace cvxtest;

namespace {

class TransmitSets : public ConfigTable {
protected:
    void SetUp() override
    {
        ConfigTable::SetUp();
        file_ = cvx::GetServerConfigFile();
        ASSERT_EQ(ini_, file_);
    }
    // The set's number, with the section found checked against it.
    std::function<long()> Find(const char *name)
    {
        return [this, name] {
            char section[cvx::kTransmitSectionSize] = "unchanged";
            UINT n = cvx::FindTransmitSet(name, section, file_);
            EXPECT_STREQ(!name || !*name ? "unchanged" : n ? ("TRANSMIT" + std::to_string(n)).c_str() : "", section);
            return long(n);
        };
    }
    std::function<long()> Create(const char *owner, const char *expected)
    {
        return [this, owner, expected] {
            char section[cvx::kTransmitSectionSize] = "junk";
            cvx::CreateTransmitSet(owner, section, file_);
            EXPECT_STREQ(expected, section);
            return 0L;
        };
    }
    std::function<long()> Release(const char *name)
    {
        return [this, name] { return cvx::ReleaseTransmitSet(name, file_), 0L; };
    }
    std::function<long()> Users(const char *name)
    {
        return [this, name] { return long(cvx::CountLinesUsingTransmitSet(name, file_)); };
    }
    const char *file_ = nullptr;
};

TEST_F(TransmitSets, CreateFindAndRelease)
{
    const std::string sets = "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n";
    const std::string three = "[SERVER]\r\nLINES=3\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE2]\r\nTRANSMIT=TA2\r\n"
                              "[LINE3]\r\nTRANSMIT=TA3\r\n[COMMON]\r\nTRANSMITSETS=3\r\n";
    Run({
        {"create", "[LINE1]\r\nNAME=Modem\r\n", Create("LINE1", "TRANSMIT1"), 0,
         "[LINE1]\r\nNAME=Modem\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n"},
        {"create for the client", kKeep, Create("SESSIONSPARMS", "TRANSMIT2"), 0,
         "[LINE1]\r\nNAME=Modem\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=2\r\n[TRANSMIT1]\r\nNAME=TA1\r\n"
         "[TRANSMIT2]\r\nNAME=TA2\r\n[SESSIONSPARMS]\r\nTRANSMIT=TA2\r\n"},
        {"find", kKeep, Find("ta2"), 2, kSame},
        // TA3 is taken in any case; the section beyond the count was a
        // leftover and keeps none of its keys.
        {"create past taken names", "[COMMON]\r\nTRANSMITSETS=2\r\n[TRANSMIT1]\r\nNAME=TA1\r\n[TRANSMIT2]\r\nNAME=ta3\r\n"
                                    "[TRANSMIT3]\r\nNAME=TA4\r\nFLOW=(0H,0H)\r\n[LINE1]\r\nTRANSMIT=old\r\n",
         Create("LINE1", "TRANSMIT3"), 0,
         "[COMMON]\r\nTRANSMITSETS=3\r\n[TRANSMIT1]\r\nNAME=TA1\r\n[TRANSMIT2]\r\nNAME=ta3\r\n[LINE1]\r\nTRANSMIT=TA4\r\n"
         "[TRANSMIT3]\r\nNAME=TA4\r\n"},
        {"find nothing", sets + "[TRANSMIT2]\r\nNAME=TA2\r\n", Find(""), 0, kSame},
        {"find null", kKeep, Find(nullptr), 0, kSame},
        {"find beyond the count", kKeep, Find("TA2"), 0, kSame},
        {"find with a count too high", "[COMMON]\r\nTRANSMITSETS=4000000000\r\n[TRANSMIT1]\r\nNAME=TA1\r\n", Find("TA1"), 1,
         kSame},
        {"find with a count of -1", "[COMMON]\r\nTRANSMITSETS=-1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n", Find("TA1"), 1, kSame},
        {"find with no count", "[COMMON]\r\nTRANSMITSETS=x\r\n[TRANSMIT1]\r\nNAME=TA1\r\n", Find("TA1"), 0, kSame},
        // Later sets move down; the owner's own reference is the caller's
        // to remove.
        {"release the first", three + "[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(0DH)\r\n[TRANSMIT2]\r\nNAME=TA2\r\nFLOW=(11H,13H)\r\n"
                                      "[TRANSMIT3]\r\nNAME=TA3\r\nALPARS=(9600,NONE,8,1)\r\n",
         Release("ta1"), 0,
         Sub(three, {{"SETS=3", "SETS=2"}}) +
             "[TRANSMIT1]\r\nNAME=TA2\r\nFLOW=(11H,13H)\r\n[TRANSMIT2]\r\nNAME=TA3\r\nALPARS=(9600,NONE,8,1)\r\n"},
        {"moved", kKeep, Find("TA3"), 2, kSame},
        {"release the last", kKeep, Release("TA3"), 0,
         Sub(three, {{"SETS=3", "SETS=1"}}) + "[TRANSMIT1]\r\nNAME=TA2\r\nFLOW=(11H,13H)\r\n"},
        {"release unknown", kKeep, Release("TA9"), 0, kSame},
        {"release empty", kKeep, Release(""), 0, kSame},
        // A set that two owners name stays; a line beyond the count is no owner.
        {"two lines", "[SERVER]\r\nLINES=2\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE2]\r\nTRANSMIT=ta1\r\n" + sets, Release("TA1"), 0,
         kSame},
        {"line and client", "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[SESSIONSPARMS]\r\nTRANSMIT=TA1\r\n" + sets,
         Release("TA1"), 0, kSame},
        {"line beyond the count", "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE2]\r\nTRANSMIT=TA1\r\n" + sets,
         Release("TA1"), 0,
         "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE2]\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=0\r\n"},
        {"the client alone", "[SESSIONSPARMS]\r\nTRANSMIT=TA1\r\n" + sets, Release("TA1"), 0,
         "[SESSIONSPARMS]\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=0\r\n"},
        // Lines naming a set, in any case; the client is no line.
        {"users", "[SERVER]\r\nLINES=4\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE2]\r\nTRANSMIT=\r\n[LINE3]\r\nTRANSMIT=Ta1\r\n"
                  "[LINE4]\r\nNAME=none\r\n[LINE5]\r\nTRANSMIT=TA1\r\n[SESSIONSPARMS]\r\nTRANSMIT=TA1\r\n",
         Users("ta1"), 2, kSame},
        {"no users", kKeep, Users(""), 0, kSame},
        {"users, count -2", "[SERVER]\r\nLINES=-2\r\n[LINE1]\r\nTRANSMIT=TA1\r\n", Users("TA1"), 0, kSame},
        {"users, count too high", "[SERVER]\r\nLINES=2000000000\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[LINE3]\r\nTRANSMIT=TA1\r\n",
         Users("TA1"), 2, kSame},
    });
}

TEST_F(TransmitSets, TriggersReadAndWritten)
{
    struct Row {
        const char *value;
        std::string triggers;
    } rows[] = {
        {"(0DH,0DH,1BH)", "\x0D\x1B"},
        {"(141H,0d h,1b)", "\x41\x0D\x1B"},
        {"0DH,1BH", ""},
        {"()", ""},
        {"(0DH,1BH", "\x0D\x1B"},
        {"(00H,01H,02H,03H,04H,05H,06H,07H,08H,09H,0AH,0BH,0CH,0DH,0EH,0FH,10H,11H)",
         std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F", 16)},
        {"(,xH,41H,)", "\x41"},
        {"(0DH),41H", "\x0D"},
        {"(", ""},
        {nullptr, ""},
    };
    for (const Row &r : rows) {
        ASSERT_TRUE(WriteFileText(ini_, r.value ? std::string("[T]\r\nTRIGGERS=") + r.value + "\r\n" : "[T]\r\n"));
        uint8_t triggers[cvx::kMaxTriggers + 8] = {};
        uint16_t count = cvx::ReadTriggers("T", triggers, file_);
        EXPECT_EQ(r.triggers, std::string(reinterpret_cast<char *>(triggers), count)) << (r.value ? r.value : "none");
        EXPECT_EQ(std::string(8, '\0'), std::string(reinterpret_cast<char *>(triggers) + cvx::kMaxTriggers, 8));
    }

    // At most 16 places are taken, and each code once; none removes the key.
    const uint8_t two[] = {0x0D, 0x1B};
    uint8_t many[20];
    for (int i = 0; i < 20; ++i) many[i] = i < 16 ? uint8_t(0xF0 + i) : 0x41;
    many[3] = 0xF0;
    auto write = [this](const uint8_t *triggers, uint16_t count) {
        return [=, this] { return cvx::WriteTriggers("TRANSMIT1", triggers, count, file_), 0L; };
    };
    Run({
        {"two", "[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H)\r\nFLOW=(0H,0H)\r\n", write(two, 2), 0,
         "[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(0DH,1BH)\r\nFLOW=(0H,0H)\r\n"},
        {"none", kKeep, write(two, 0), 0, "[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0H,0H)\r\n"},
        {"many", kKeep, write(many, 20), 0,
         "[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0H,0H)\r\nTRIGGERS=(F0H,F1H,F2H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH)\r\n"},
    });
}

}  // namespace
