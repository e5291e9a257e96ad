// The port list on Windows NT: the machine's serial ports written where
// Windows keeps them, joined with the lines and redirections of CVEX.INI;
// its user count, the text enumeration, and sharing a port in one call.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"
#include "machine_ports.h"
#include "resids.h"

using namespace cvxtest;

namespace {

PortEnumRecord Entry(DWORD flags, const char *name, const std::string &description, const char *share = "",
                     const char *redirect = "")
{
    PortEnumRecord r{};
    r.flags = flags;
    r.portNumber = static_cast<WORD>(std::atol(name + 3));
    std::strcpy(r.portName, name);
    std::strcpy(r.description, description.c_str());
    std::strcpy(r.shareName, share);
    std::strcpy(r.redirectDescription, redirect);
    return r;
}

std::string Show(const PortEnumRecord &r)
{
    char text[600];
    std::snprintf(text, sizeof text, "%04lx/%lu %u %s [%s] [%s] [%s]", static_cast<unsigned long>(r.flags),
                  static_cast<unsigned long>(r.reserved), r.portNumber, r.portName, r.description, r.shareName,
                  r.redirectDescription);
    return text;
}

// Every entry that matches mask, from position 0; each compared byte for
// byte so that nothing is left over from another entry.
std::vector<PortEnumRecord> Fetch(DWORD mask)
{
    std::vector<PortEnumRecord> entries;
    WORD index = 0;
    PortEnumRecord r;
    for (;;) {
        std::memset(&r, 0xCC, sizeof r);
        WORD before = index;
        if (CVU_EnumPorts(&index, mask, &r) != 0) {
            EXPECT_EQ(before, index) << "index moved at the end";
            break;
        }
        entries.push_back(r);
        if (entries.size() > 30) break;
    }
    return entries;
}

void ExpectEntries(const std::vector<PortEnumRecord> &expected, const std::vector<PortEnumRecord> &actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Show(expected[i]), Show(actual[i]));
        const BYTE *e = reinterpret_cast<const BYTE *>(&expected[i]), *a = reinterpret_cast<const BYTE *>(&actual[i]);
        size_t at = 0;
        while (at < sizeof expected[i] && e[at] == a[at]) ++at;
        EXPECT_EQ(sizeof expected[i], at) << "entry " << i << " differs at byte " << at;
    }
}

WORD Count(DWORD mask)
{
    WORD count = 0xBEEF;
    EXPECT_EQ(0u, CVU_EnumPorts(&count, mask, nullptr));
    return count;
}

class PortList : public CleanTest {
protected:
    void Write(const std::string &text) { ASSERT_TRUE(WriteFileText(ini_, text)); }
    std::string Text() { return ReadFileText(ini_); }
    std::string Shared(const std::string &port) { return Formatted(IDS_PORT_SHARED_DESC, port); }
    std::string Other(const std::string &port) { return Formatted(IDS_PORT_OTHER_DESC, port); }

    // Three serial ports, a mouse on a fourth, and COM1 named twice.
    void MakeThreePorts()
    {
        PutController(kMultifunctionBuses, "0", "0", "COM1");
        PutController(kMultifunctionBuses, "0", "1", "COM4", true);
        PutController(kEisaBuses, "0", "0", "COM2");
        PutSerialEntry("Serial0", "COM3");
        PutSerialEntry("Serial1", "com1");
        PutSerialEntry("Serial2", "COM6", true);
    }
};

TEST_F(PortList, ShareCommPortEndToEnd)
{
    MakeThreePorts();
    const std::string taken = Formatted(IDS_SHARE_NAME_FMT, "2");
    Write("[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=" + taken + "\r\nPORTNAME=COM1\r\n");

    // The default name of COM2 is taken by COM1's line: the new line gets
    // the first retry. The default pool gets the new line; "_CALVEX" every
    // line.
    ASSERT_TRUE(CVU_ShareCommPortA("com2"));
    const std::string name = "2" + taken, pool = ModuleString(IDS_DEFAULT_POOL);
    const std::string modem = ModuleString(IDS_DEFAULT_MODEM), desc = ModuleString(IDS_REDIRECT_DESC);
    ASSERT_FALSE(pool.empty());
    ASSERT_FALSE(modem.empty());
    const std::string shared = "[SERVER]\r\nLINES=2\r\nGROUPS=2\r\n"
                               "[LINE1]\r\nNAME=" + taken + "\r\nPORTNAME=COM1\r\n"
                               "[LINE2]\r\nNAME=" + name + "\r\nMODEM=" + modem + "\r\nINBOUND=N\r\nAUTOBAUD=N\r\n"
                               "PORTNAME=COM2\r\nTRANSMIT=TA1\r\n"
                               "[COMMON]\r\nTRANSMITSETS=1\r\n"
                               "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n"
                               "[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=" + name + "\r\n"
                               "[DESC]\r\nPort2Desc=" + desc + "\r\n"
                               "[GROUP1]\r\nNAME=" + pool + "\r\nLINES=(" + name + ")\r\n"
                               "[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(" + taken + "," + name + ")\r\n";
    EXPECT_EQ(shared, Text());

    // Shared already: 1 and nothing written. Ports the list lacks, the
    // mouse's included: 0.
    EXPECT_TRUE(CVU_ShareCommPortA("COM2"));
    EXPECT_FALSE(CVU_ShareCommPortA("COM4"));
    EXPECT_FALSE(CVU_ShareCommPortA("COM6"));
    EXPECT_FALSE(CVU_ShareCommPortA("COM9"));
    EXPECT_FALSE(CVU_ShareCommPortA(""));
    EXPECT_FALSE(CVU_ShareCommPortA(nullptr));
    EXPECT_EQ(shared, Text());

    // The next port joins both pools.
    ASSERT_TRUE(CVU_ShareCommPortA("COM3"));
    const std::string third = Formatted(IDS_SHARE_NAME_FMT, "3");
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\nGROUPS=2\r\n"
              "[LINE1]\r\nNAME=" + taken + "\r\nPORTNAME=COM1\r\n"
              "[LINE2]\r\nNAME=" + name + "\r\nMODEM=" + modem + "\r\nINBOUND=N\r\nAUTOBAUD=N\r\n"
              "PORTNAME=COM2\r\nTRANSMIT=TA1\r\n"
              "[COMMON]\r\nTRANSMITSETS=2\r\n"
              "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n"
              "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=" + name + "\r\nCOM3DEST=" + third + "\r\n"
              "[DESC]\r\nPort2Desc=" + desc + "\r\nPort3Desc=" + desc + "\r\n"
              "[GROUP1]\r\nNAME=" + pool + "\r\nLINES=(" + name + "," + third + ")\r\n"
              "[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(" + taken + "," + name + "," + third + ")\r\n"
              "[LINE3]\r\nNAME=" + third + "\r\nMODEM=" + modem + "\r\nINBOUND=N\r\nAUTOBAUD=N\r\n"
              "PORTNAME=COM3\r\nTRANSMIT=TA2\r\n"
              "[TRANSMIT2]\r\nNAME=TA2\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n",
              Text());
    // Every enumeration the sharing opened is closed again.
    EXPECT_EQ(0, Count(0));
}

TEST_F(PortList, EntriesJoinTheMachineTheLinesAndTheRedirections)
{
    MakeThreePorts();
    // COM9 has a line but no port; COM8's section lies beyond the count;
    // COM6 is listed for the client without a destination.
    Write("[SERVER]\r\nLINES=2\r\n"
          "[LINE1]\r\nNAME=Fax\r\nPORTNAME=com3\r\n"
          "[LINE2]\r\nNAME=Nine\r\nPORTNAME=COM9\r\n"
          "[LINE3]\r\nNAME=Eight\r\nPORTNAME=COM8\r\n"
          "[CLIENT]\r\nREDIRECTPORTS=(5,2,9,6)\r\nCOM5DEST=Pool\r\nCOM2DEST=Fax\r\n"
          "[DESC]\r\nPort5Desc=Five\r\nPort2Desc=Two\r\n");
    ASSERT_EQ(0u, CVU_StartPortEnum());

    const PortEnumRecord com1 = Entry(0x0001, "COM1", Other("COM1"));
    const PortEnumRecord com2 = Entry(0x0003, "COM2", Shared("COM2"), "", "Two");
    const PortEnumRecord com3 = Entry(0x1001, "COM3", Shared("COM3"), "Fax");
    const PortEnumRecord com9 = Entry(0x9001, "COM9", Shared("COM9"), "Nine");
    const PortEnumRecord com8 = Entry(0x8001, "COM8", Other("COM8"));
    const PortEnumRecord com5 = Entry(0x0002, "COM5", Shared("COM5"), "", "Five");
    // COM6 (no flags) matches no mask: it is only counted.
    ExpectEntries({com1, com2, com3, com9, com8}, Fetch(PORTF_LOCAL));
    ExpectEntries({com1, com2, com3, com9, com8, com5}, Fetch(0x8003));
    ExpectEntries({com2, com5}, Fetch(PORTF_REDIRECTED));
    ExpectEntries({com3, com9}, Fetch(PORTF_SHARED));

    EXPECT_EQ(7, Count(0));
    EXPECT_EQ(5, Count(PORTF_LOCAL));
    EXPECT_EQ(6, Count(0x8003));
    EXPECT_EQ(2, Count(PORTF_LINE));

    // Fetching starts at the index given and passes over what does not match.
    WORD index = 3;
    PortEnumRecord r;
    ASSERT_EQ(0u, CVU_EnumPorts(&index, PORTF_REDIRECTED, &r));
    EXPECT_EQ(6, index);
    EXPECT_EQ(Show(com5), Show(r));
    index = 7;
    EXPECT_EQ(1u, CVU_EnumPorts(&index, 0xFFFF, &r));
    index = 0;
    EXPECT_EQ(1u, CVU_EnumPorts(&index, 0x0100, &r));
    EXPECT_EQ(0, index);
    EXPECT_EQ(0x80070057u, CVU_EnumPorts(nullptr, 0, &r));
    EXPECT_EQ(0u, CVU_EndPortEnum());
}

TEST_F(PortList, ThirtyPortsGiveTwentyFive)
{
    for (int i = 1; i <= 30; ++i) {
        char controller[8];
        std::snprintf(controller, sizeof controller, "%02d", i);
        PutController(kMultifunctionBuses, "0", controller, "COM" + std::to_string(i));
    }
    CVU_StartPortEnum();
    EXPECT_EQ(25, Count(0));
    std::vector<PortEnumRecord> entries = Fetch(PORTF_LOCAL);
    ASSERT_EQ(25u, entries.size());
    EXPECT_STREQ("COM1", entries.front().portName);
    EXPECT_STREQ("COM25", entries.back().portName);
    EXPECT_EQ(25, entries.back().portNumber);
    CVU_EndPortEnum();
}

TEST_F(PortList, UserCount)
{
    // No list: nothing to count or fetch.
    WORD count = 99;
    PortEnumRecord r;
    EXPECT_EQ(0u, CVU_EnumPorts(&count, PORTF_LOCAL, nullptr));
    EXPECT_EQ(0, count);
    EXPECT_EQ(1u, CVU_EnumPorts(&count, PORTF_LOCAL, &r));

    PutController(kMultifunctionBuses, "0", "0", "COM1");
    CVU_StartPortEnum();
    CVU_StartPortEnum();
    // Open enumerations keep the list they built.
    PutController(kMultifunctionBuses, "0", "1", "COM2");
    EXPECT_EQ(1, Count(0));
    CVU_EndPortEnum();
    EXPECT_EQ(1, Count(0));
    CVU_EndPortEnum();
    EXPECT_EQ(0, Count(0));
    // Closing once more leaves the count at 0: the next start builds anew.
    EXPECT_EQ(0u, CVU_EndPortEnum());
    CVU_StartPortEnum();
    EXPECT_EQ(2, Count(0));
    CVU_EndPortEnum();
    EXPECT_EQ(0, Count(0));

    // Threads walking while others end: a list, once built, stays whole
    // until the end of the last thread that walks it.
    std::atomic<int> faults{0};
    auto walk = [&faults] {
        for (int i = 0; i < 300; ++i) {
            CVU_StartPortEnum();
            WORD count = 0, index = 0;
            for (int wait = 0; wait < 100000 && (CVU_EnumPorts(&count, 0, nullptr), count < 2); ++wait) Sleep(0);
            for (PortEnumRecord r; CVU_EnumPorts(&index, PORTF_LOCAL, &r) == 0;) faults += r.portNumber != index;
            faults += index != 2;
            CVU_EndPortEnum();
        }
    };
    std::thread a(walk), b(walk), c(walk), d(walk);
    a.join(), b.join(), c.join(), d.join();
    EXPECT_EQ(0, faults.load());
    EXPECT_EQ(0, Count(0));
}

TEST_F(PortList, AMachineWithoutPortsClosesItsOwnEnumeration)
{
    CVU_StartPortEnum();
    EXPECT_EQ(0, Count(0));
    PortEnumRecord r;
    WORD index = 0;
    EXPECT_EQ(1u, CVU_EnumPorts(&index, 0, &r));
    // A port added now shows at once, even before that enumeration ends;
    // its end leaves the new list to the one still walking it.
    PutSerialEntry("Serial0", "COM3");
    CVU_StartPortEnum();
    EXPECT_EQ(1, Count(0));
    CVU_EndPortEnum();
    EXPECT_EQ(1, Count(0));
    CVU_EndPortEnum();
    EXPECT_EQ(0, Count(0));
}

TEST_F(PortList, CommPortTexts)
{
    MakeThreePorts();
    Write("[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=Fax\r\nPORTNAME=COM3\r\n"
          "[CLIENT]\r\nREDIRECTPORTS=(5)\r\nCOM5DEST=Pool\r\n");
    char text[260];
    DWORD shared = 7;
    std::vector<std::string> texts;
    std::vector<DWORD> flags;
    for (INT index = 0; (index = CVU_GetCommPortsA(index, text, &shared)) != -1;) {
        texts.push_back(text);
        flags.push_back(shared);
        if (texts.size() > 25) break;
    }
    EXPECT_EQ((std::vector<std::string>{"COM1", "COM2", "COM3"}), texts);
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1}), flags);
    // The end closed the list.
    EXPECT_EQ(0, Count(0));

    // A null text opens nothing; a negative index closes.
    EXPECT_EQ(-1, CVU_GetCommPortsA(0, nullptr, &shared));
    EXPECT_EQ(0, Count(0));
    EXPECT_EQ(1, CVU_GetCommPortsA(0, text, nullptr));
    EXPECT_STREQ("COM1", text);
    EXPECT_EQ(4, Count(0));
    EXPECT_EQ(-1, CVU_GetCommPortsA(-1, text, nullptr));
    EXPECT_EQ(0, Count(0));
}

TEST_F(PortList, HiddenDefaultPool)
{
    char buffer[9];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(buffer, CVU_GetDefaultHiddenPool(buffer));
    EXPECT_EQ(0, std::memcmp("_CALVEX\0x", buffer, 9));
    EXPECT_EQ(nullptr, CVU_GetDefaultHiddenPool(nullptr));
}

}  // namespace
