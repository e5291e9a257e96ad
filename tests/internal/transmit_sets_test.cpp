// Transmit sets linked from the library's objects, checked against the
// exact text of CVEX.INI.
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

// What the exports' tests leave out: leftovers, counts that cannot be right,
// and owners that do not count.
TEST_F(TransmitSets, LeftoversCountsAndOwners)
{
    const std::string sets = "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n";
    Run({
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
        {"release beyond the count", kKeep, Release("TA2"), 0, kSame},
        {"find with a count too high", "[COMMON]\r\nTRANSMITSETS=4000000000\r\n[TRANSMIT1]\r\nNAME=TA1\r\n", Find("ta1"), 1,
         kSame},
        {"find with a count of -1", "[COMMON]\r\nTRANSMITSETS=-1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n", Find("TA1"), 1, kSame},
        {"find without a section", kKeep, [this] { return long(cvx::FindTransmitSet("TA1", nullptr, file_)); }, 1, kSame},
        {"release null", kKeep, Release(nullptr), 0, kSame},
        {"find with no count", "[COMMON]\r\nTRANSMITSETS=x\r\n[TRANSMIT1]\r\nNAME=TA1\r\n", Find("TA1"), 0, kSame},
        // A line beyond the count is no owner; the client alone is one.
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
        // Writing no triggers removes the key.
        {"no triggers", "[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H)\r\nFLOW=(0H,0H)\r\n",
         [this] { return cvx::WriteTriggers("TRANSMIT1", nullptr, 0, file_), 0L; }, 0,
         "[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0H,0H)\r\n"},
    });
}

}  // namespace
