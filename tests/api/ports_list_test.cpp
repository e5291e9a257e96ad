// The port list on Windows NT: the machine's serial ports joined with the
// lines and redirections of CVEX.INI; its user count, and sharing a port in
// one call.
#include <algorithm>
#include <cstdio>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "machine_ports.h"
#include "resids.h"

using namespace cvxtest;

namespace {

// The entries that match mask, as text.
std::string Fetch(DWORD mask)
{
    std::string entries;
    PortEnumRecord r;
    for (WORD index = 0; CVU_EnumPorts(&index, mask, &r) == 0 && entries.size() < 5000;) {
        char text[600];
        std::snprintf(text, sizeof text, "%04lx/%lu %u %s [%s] [%s] [%s]|", (unsigned long)r.flags, (unsigned long)r.reserved,
                      r.portNumber, r.portName, r.description, r.shareName, r.redirectDescription);
        entries += text;
    }
    return entries;
}

WORD Count()
{
    WORD count = 0xBEEF;
    EXPECT_EQ(0u, CVU_EnumPorts(&count, 0, nullptr));
    return count;
}

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

class PortList : public CleanTest {};

TEST_F(PortList, ShareCommPortWritesLineRedirectionAndPools)
{
    MakeThreePorts();
    const std::string taken = ResourceFormatted(IDS_SHARE_NAME_FMT, "2"), name = "2" + taken;
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=" + taken + "\r\nPORTNAME=COM1\r\n"));
    // COM2's default name is taken by COM1's line: the first retry. The
    // default pool gets the new line; "_CALVEX" every line.
    ASSERT_TRUE(CVU_ShareCommPortA("com2"));
    const std::string shared =
        "[SERVER]\r\nLINES=2\r\nGROUPS=2\r\n[LINE1]\r\nNAME=" + taken + "\r\nPORTNAME=COM1\r\n[LINE2]\r\nNAME=" + name +
        "\r\nMODEM=" + ResourceString(IDS_DEFAULT_MODEM) + "\r\nINBOUND=N\r\nAUTOBAUD=N\r\nPORTNAME=COM2\r\nTRANSMIT=TA1\r\n"
        "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\n"
        "ALPARS=(9600,NONE,8,1)\r\n[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=" + name + "\r\n[DESC]\r\nPort2Desc=" +
        ResourceString(IDS_REDIRECT_DESC) + "\r\n[GROUP1]\r\nNAME=" + ResourceString(IDS_DEFAULT_POOL) + "\r\nLINES=(" +
        name + ")\r\n[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(" + taken + "," + name + ")\r\n";
    EXPECT_EQ(shared, ReadFileText(ini_));
    // Shared already: 1 and nothing written; ports the list lacks (a mouse's too): 0.
    for (const char *port : {"COM2", "COM4", "COM6", "COM9", ""})
        EXPECT_EQ(port == std::string("COM2"), CVU_ShareCommPortA(port)) << port;
    EXPECT_EQ(shared, ReadFileText(ini_));
    char text[260];
    EXPECT_EQ(1, CVU_GetCommPortsA(0, text, nullptr));
    EXPECT_STREQ("COM1", text);  // the texts are the ports' names
    // A negative index closes; so did every enumeration the sharing opened.
    EXPECT_EQ(-1, CVU_GetCommPortsA(-1, text, nullptr));
    EXPECT_EQ(0, Count());
}

TEST_F(PortList, EntriesJoinTheMachineTheLinesAndTheRedirections)
{
    MakeThreePorts();
    // COM9 has a line but no port; COM8's section lies beyond the count;
    // COM6 is listed for the client without a destination.
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nLINES=2\r\n[LINE1]\r\nNAME=Fax\r\nPORTNAME=com3\r\n"
                                    "[LINE2]\r\nNAME=Nine\r\nPORTNAME=COM9\r\n[LINE3]\r\nNAME=Eight\r\nPORTNAME=COM8\r\n"
                                    "[CLIENT]\r\nREDIRECTPORTS=(5,2,9,6)\r\nCOM5DEST=Pool\r\nCOM2DEST=Fax\r\n"
                                    "[DESC]\r\nPort5Desc=Five\r\nPort2Desc=Two\r\n"));
    ASSERT_EQ(0u, CVU_StartPortEnum());
    auto shared = [](const char *port) { return ResourceFormatted(IDS_PORT_SHARED_DESC, port); };
    const std::string com1 = "0001/0 1 COM1 [" + ResourceFormatted(IDS_PORT_OTHER_DESC, "COM1") + "] [] []|",
                      com2 = "0003/0 2 COM2 [" + shared("COM2") + "] [] [Two]|",
                      com3 = "1001/0 3 COM3 [" + shared("COM3") + "] [Fax] []|",
                      com9 = "9001/0 9 COM9 [" + shared("COM9") + "] [Nine] []|",
                      com8 = "8001/0 8 COM8 [" + ResourceFormatted(IDS_PORT_OTHER_DESC, "COM8") + "] [] []|",
                      com5 = "0002/0 5 COM5 [" + shared("COM5") + "] [] [Five]|";
    // COM6 (no flags) matches no mask: it is only counted.
    EXPECT_EQ(com1 + com2 + com3 + com9 + com8, Fetch(PORTF_LOCAL));
    EXPECT_EQ(com2 + com5, Fetch(PORTF_REDIRECTED));
    EXPECT_EQ(7, Count());
    EXPECT_EQ(0u, CVU_EndPortEnum());
}

TEST_F(PortList, UserCountAndTheLimitOfTwentyFive)
{
    EXPECT_EQ("0", std::to_string(Count()) + Fetch(PORTF_LOCAL));  // no list: nothing to count or fetch
    PutController(kMultifunctionBuses, "0", "0", "COM1");
    for (int open = 0; open < 2; ++open) CVU_StartPortEnum();
    for (int i = 2; i <= 30; ++i) PutController(kMultifunctionBuses, "0", std::to_string(100 + i), "COM" + std::to_string(i));
    CVU_EndPortEnum();
    EXPECT_EQ(1, Count());  // an open enumeration keeps the list it built
    CVU_EndPortEnum();
    EXPECT_EQ(0u, CVU_EndPortEnum() + Count());  // once more leaves the count at 0
    CVU_StartPortEnum();
    const std::string all = Fetch(PORTF_LOCAL);
    EXPECT_EQ(25, std::count(all.begin(), all.end(), '|'));
    EXPECT_NE(std::string::npos, all.find("|0001/0 25 COM25 [")) << all;
    CVU_EndPortEnum();
}

}  // namespace
