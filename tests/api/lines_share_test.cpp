// Shared lines through the exports: adding, updating, reading, renaming and
// withdrawing lines, checked against the exact text of CVEX.INI, with the
// transmit sets, groups and local redirections that go with them.
#include <cstring>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "machine_ports.h"
#include "resids.h"

using namespace cvxtest;

namespace {

SharedPortParams Params(const char *share, const char *port, const char *modem = "", DWORD inbound = 0,
                        const char *callForward = "", DWORD autobaud = 0)
{
    SharedPortParams p{};
    std::strcpy(p.shareName, share);
    std::strcpy(p.portName, port);
    std::strcpy(p.modem, modem);
    std::strcpy(p.callForward, callForward);
    p.inbound = inbound;
    p.autobaud = autobaud;
    CVU_GetDefaultPortConfig(&p.config);
    return p;
}

void SetTriggers(PortConfig *config, std::initializer_list<BYTE> triggers)
{
    config->triggerCount = 0;
    for (BYTE c : triggers) config->triggers[config->triggerCount++] = c;
}

// The record as CVU_GetSharedPortParams fills it, over a record full of
// other bytes so that every field it leaves out shows.
SharedPortParams Read(const char *port)
{
    SharedPortParams p;
    std::memset(&p, 0xCC, sizeof p);
    EXPECT_TRUE(CVU_GetSharedPortParams(port, &p)) << port;
    for (BYTE b : p.reserved1) EXPECT_EQ(0, b);
    for (BYTE b : p.reserved2) EXPECT_EQ(0, b);
    return p;
}

void ExpectConfig(const PortConfig &c, DWORD baud, WORD parity, WORD dataBits, WORD stopBits, WORD flow,
                  const std::string &triggers)
{
    EXPECT_EQ(baud, c.baudRate);
    EXPECT_EQ(parity, c.parity);
    EXPECT_EQ(dataBits, c.dataBits);
    EXPECT_EQ(stopBits, c.stopBits);
    EXPECT_EQ(flow, c.flow);
    EXPECT_EQ(triggers, std::string(reinterpret_cast<const char *>(c.triggers), c.triggerCount));
    for (size_t i = c.triggerCount; i < sizeof c.triggers; ++i) EXPECT_EQ(0, c.triggers[i]);
}

class SharedLines : public CleanTest {
protected:
    void Write(const std::string &text) { ASSERT_TRUE(WriteFileText(ini_, text)); }
    std::string Text() { return ReadFileText(ini_); }
    std::string RedirectDesc() { return ModuleString(IDS_REDIRECT_DESC); }
};

TEST_F(SharedLines, NewLineGetsItsSetAndTheLocalRedirection)
{
    SharedPortParams fax = Params("Fax", "COM3", "", 1);
    fax.config = {19200, CVU_PARITY_EVEN, 7, CVU_STOPBITS_2, CVU_FLOW_XONXOFF, {}, 0};
    SetTriggers(&fax.config, {0x0D, 0x1B});
    ASSERT_TRUE(CVU_ShareNewPort(&fax));
    const std::string desc = RedirectDesc();
    ASSERT_FALSE(desc.empty());
    const std::string first = "[LINE1]\r\nNAME=Fax\r\nMODEM=N\r\nINBOUND=Y\r\nAUTOBAUD=N\r\nPORTNAME=COM3\r\nTRANSMIT=TA1\r\n"
                              "[COMMON]\r\nTRANSMITSETS=1\r\n"
                              "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(11H,13H)\r\n"
                              "ALPARS=(19200,EVEN,7,2)\r\nTRIGGERS=(0DH,1BH)\r\n"
                              "[SERVER]\r\nLINES=1\r\n";
    EXPECT_EQ(first + "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Fax\r\n[DESC]\r\nPort3Desc=" + desc + "\r\n", Text());

    // A port that is redirected already keeps its redirection.
    ASSERT_TRUE(CVU_SetClientRedirectionEx("COM4", "Pool", nullptr));
    SharedPortParams data = Params("Data", "COM4", "Hayes", 0, "Line9", 1);
    ASSERT_TRUE(CVU_ShareNewPort(&data));
    const std::string both = "[LINE1]\r\nNAME=Fax\r\nMODEM=N\r\nINBOUND=Y\r\nAUTOBAUD=N\r\nPORTNAME=COM3\r\nTRANSMIT=TA1\r\n"
                             "[COMMON]\r\nTRANSMITSETS=2\r\n"
                             "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(11H,13H)\r\n"
                             "ALPARS=(19200,EVEN,7,2)\r\nTRIGGERS=(0DH,1BH)\r\n"
                             "[SERVER]\r\nLINES=2\r\n"
                             "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=Fax\r\nCOM4DEST=Pool\r\n"
                             "[DESC]\r\nPort3Desc=" + desc + "\r\n"
                             "[LINE2]\r\nNAME=Data\r\nMODEM=Hayes\r\nINBOUND=N\r\nCALLFWD=Line9\r\nAUTOBAUD=Y\r\n"
                             "PORTNAME=COM4\r\nTRANSMIT=TA2\r\n"
                             "[TRANSMIT2]\r\nNAME=TA2\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n";
    EXPECT_EQ(both, Text());

    // A port with a line, in any case, is refused and nothing is written.
    SharedPortParams again = Params("Other", "com3");
    EXPECT_FALSE(CVU_ShareNewPort(&again));
    EXPECT_FALSE(CVU_ShareNewPort(nullptr));
    SharedPortParams noPort = Params("Other", "");
    EXPECT_FALSE(CVU_ShareNewPort(&noPort));
    EXPECT_EQ(both, Text());

    // What was stored reads back whole.
    SharedPortParams back = Read("Com3");
    EXPECT_STREQ("Fax", back.shareName);
    EXPECT_STREQ("COM3", back.portName);
    EXPECT_STREQ("", back.modem);
    EXPECT_STREQ("", back.callForward);
    EXPECT_EQ(1u, back.inbound);
    EXPECT_EQ(0u, back.autobaud);
    ExpectConfig(back.config, 19200, CVU_PARITY_EVEN, 7, CVU_STOPBITS_2, CVU_FLOW_XONXOFF, "\x0D\x1B");
    back = Read("COM4");
    EXPECT_STREQ("Data", back.shareName);
    EXPECT_STREQ("Hayes", back.modem);
    EXPECT_STREQ("Line9", back.callForward);
    EXPECT_EQ(0u, back.inbound);
    EXPECT_EQ(1u, back.autobaud);
    ExpectConfig(back.config, 9600, CVU_PARITY_NONE, 8, CVU_STOPBITS_1, CVU_FLOW_HARDWARE, "");
    EXPECT_TRUE(CVU_GetSharedPortParams("com4", nullptr));
    EXPECT_FALSE(CVU_GetSharedPortParams("COM5", nullptr));
    EXPECT_FALSE(CVU_GetSharedPortParams(nullptr, nullptr));
}

TEST_F(SharedLines, UnterminatedRecordFieldsAreCutToTheirSize)
{
    SharedPortParams p = Params("", "COM2");
    std::memset(p.shareName, 'S', sizeof p.shareName);
    std::memset(p.modem, 'M', sizeof p.modem);
    std::memset(p.callForward, 'C', sizeof p.callForward);
    ASSERT_TRUE(CVU_ShareNewPort(&p));
    SharedPortParams back = Read("COM2");
    EXPECT_EQ(std::string(16, 'S'), back.shareName);
    EXPECT_EQ(std::string(119, 'M'), back.modem);
    EXPECT_EQ(std::string(16, 'C'), back.callForward);
}

TEST_F(SharedLines, AFailedWriteAddsNoLine)
{
    const std::string text = "[SERVER]\r\nLINES=0\r\n";
    Write(text);
    // Another holder of the file lets it be read but not written.
    HANDLE holder = CreateFileA(ini_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    SharedPortParams p = Params("L1", "COM1");
    EXPECT_FALSE(CVU_ShareNewPort(&p));
    CloseHandle(holder);
    EXPECT_EQ(text, Text());
}

TEST_F(SharedLines, ASectionBeyondTheCountIsOverwrittenWithoutTakingAnotherLinesSet)
{
    // What a share that failed half-way leaves: LINE2 names the set of
    // LINE1, LINE3 a set that nobody else names.
    const std::string head = "[SERVER]\r\nLINES=1\r\n"
                             "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n";
    const std::string set1 = "[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0H,0H)\r\nALPARS=(1200,ODD,7,1)\r\n";
    Write(head + "[COMMON]\r\nTRANSMITSETS=2\r\n" + set1 +
          "[TRANSMIT2]\r\nNAME=TA9\r\n"
          "[LINE2]\r\nNAME=Half\r\nPORTNAME=COM2\r\nCALLFWD=X\r\nTRANSMIT=ta1\r\n"
          "[LINE3]\r\nNAME=Half\r\nTRANSMIT=TA9\r\n");
    SharedPortParams p = Params("L2", "COM2");
    ASSERT_TRUE(CVU_ShareNewPort(&p));
    SharedPortParams q = Params("L3", "COM3");
    ASSERT_TRUE(CVU_ShareNewPort(&q));
    const std::string desc = RedirectDesc();
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\n"
              "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
              "[COMMON]\r\nTRANSMITSETS=3\r\n" + set1 +
              "[TRANSMIT2]\r\nNAME=TA9\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n"
              "[LINE2]\r\nNAME=L2\r\nPORTNAME=COM2\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=N\r\nTRANSMIT=TA3\r\n"
              "[LINE3]\r\nNAME=L3\r\nTRANSMIT=TA9\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=N\r\nPORTNAME=COM3\r\n"
              "[TRANSMIT3]\r\nNAME=TA3\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n"
              "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=L2\r\nCOM3DEST=L3\r\n"
              "[DESC]\r\nPort2Desc=" + desc + "\r\nPort3Desc=" + desc + "\r\n",
              Text());
}

TEST_F(SharedLines, UpdateRewritesTheSetInPlaceForEveryLineNamingIt)
{
    const std::string others = "[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=L2\r\n"
                               "[GROUP1]\r\nNAME=G\r\nLINES=(L2)\r\n";
    Write("[SERVER]\r\nLINES=3\r\nGROUPS=1\r\n"
          "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
          "[LINE2]\r\nNAME=L2\r\nPORTNAME=COM2\r\nTRANSMIT=ta1\r\n"
          "[LINE3]\r\nNAME=L3\r\nPORTNAME=COM3\r\nTRANSMIT=TA7\r\n"
          "[COMMON]\r\nTRANSMITSETS=1\r\n"
          "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(1,2,3)\r\nFLOW=(0H,0H)\r\nALPARS=(1200,ODD,7,1)\r\nTRIGGERS=(41H)\r\n" +
          others);
    ExpectConfig(Read("COM1").config, 1200, CVU_PARITY_ODD, 7, CVU_STOPBITS_1, CVU_FLOW_NONE, "A");

    SharedPortParams p = Params("L2X", "com2", "Hayes", 0, "", 1);
    p.config.baudRate = 57600;
    ASSERT_TRUE(CVU_UpdateSharedPortParams(&p, 12345));
    // The new name is stored like every other key: renaming is not the
    // update's work, so groups and the redirection stay.
    const std::string updated = "[SERVER]\r\nLINES=3\r\nGROUPS=1\r\n"
                                "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
                                "[LINE2]\r\nNAME=L2X\r\nPORTNAME=com2\r\nTRANSMIT=ta1\r\nMODEM=Hayes\r\nINBOUND=N\r\n"
                                "AUTOBAUD=Y\r\n"
                                "[LINE3]\r\nNAME=L3\r\nPORTNAME=COM3\r\nTRANSMIT=TA7\r\n"
                                "[COMMON]\r\nTRANSMITSETS=1\r\n"
                                "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(1,2,3)\r\nFLOW=(1H,1H)\r\nALPARS=(57600,NONE,8,1)\r\n" +
                                others;
    EXPECT_EQ(updated, Text());
    ExpectConfig(Read("COM1").config, 57600, CVU_PARITY_NONE, 8, CVU_STOPBITS_1, CVU_FLOW_HARDWARE, "");

    // A line whose set does not exist reads with the defaults; its update
    // makes a set and links it.
    ExpectConfig(Read("COM3").config, 9600, CVU_PARITY_NONE, 8, CVU_STOPBITS_1, CVU_FLOW_HARDWARE, "");
    SharedPortParams q = Params("L3", "COM3");
    q.config.parity = CVU_PARITY_MARK;
    SetTriggers(&q.config, {0x03});
    ASSERT_TRUE(CVU_UpdateSharedPortParams(&q, 0));
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\nGROUPS=1\r\n"
              "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
              "[LINE2]\r\nNAME=L2X\r\nPORTNAME=com2\r\nTRANSMIT=ta1\r\nMODEM=Hayes\r\nINBOUND=N\r\nAUTOBAUD=Y\r\n"
              "[LINE3]\r\nNAME=L3\r\nPORTNAME=COM3\r\nTRANSMIT=TA2\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=N\r\n"
              "[COMMON]\r\nTRANSMITSETS=2\r\n"
              "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(1,2,3)\r\nFLOW=(1H,1H)\r\nALPARS=(57600,NONE,8,1)\r\n" +
                  others +
                  "[TRANSMIT2]\r\nNAME=TA2\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,MARK,8,1)\r\n"
                  "TRIGGERS=(03H)\r\n",
              Text());

    const std::string before = Text();
    SharedPortParams none = Params("X", "COM9");
    EXPECT_FALSE(CVU_UpdateSharedPortParams(&none, 0));
    EXPECT_FALSE(CVU_UpdateSharedPortParams(nullptr, 0));
    EXPECT_EQ(before, Text());
}

TEST_F(SharedLines, OddValuesRead)
{
    const std::string text = "[SERVER]\r\nLINES=3\r\n"
                             "[LINE1]\r\nNAME=First\r\nPORTNAME=COM3\r\nMODEM=n\r\nINBOUND=yes\r\nAUTOBAUD=y\r\n"
                             "TRANSMIT=TA1\r\n"
                             "[LINE2]\r\nNAME=Second\r\nPORTNAME=COM4\r\nTRANSMIT=TA2\r\n"
                             "[LINE3]\r\nNAME=Third\r\nPORTNAME=COM5\r\nMODEM=Hayes\r\nINBOUND=Y\r\nCALLFWD=Other\r\n"
                             "TRANSMIT=none\r\n"
                             "[LINE4]\r\nNAME=Fourth\r\nPORTNAME=COM6\r\n"
                             "[COMMON]\r\nTRANSMITSETS=2\r\n"
                             "[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0h,0h)\r\nALPARS=(19200,EVEN,9,2)\r\n"
                             "TRIGGERS=(0DH,0DH,1BH)\r\n"
                             "[TRANSMIT2]\r\nNAME=TA2\r\nFLOW=(2H,2H)\r\nTRIGGERS=(41H)\r\n";
    Write(text);

    // MODEM=n is no modem; only "Y" makes a flag, in any case.
    SharedPortParams p = Read("com3");
    EXPECT_STREQ("First", p.shareName);
    EXPECT_STREQ("COM3", p.portName);
    EXPECT_STREQ("", p.modem);
    EXPECT_EQ(0u, p.inbound);
    EXPECT_EQ(1u, p.autobaud);
    ExpectConfig(p.config, 19200, CVU_PARITY_EVEN, 8, CVU_STOPBITS_2, CVU_FLOW_NONE, "\x0D\x1B");

    // A set without ALPARS gives the defaults and no triggers, whatever
    // its TRIGGERS say; an unknown FLOW keeps the default.
    p = Read("COM4");
    EXPECT_STREQ("", p.modem);
    EXPECT_EQ(0u, p.inbound);
    EXPECT_EQ(0u, p.autobaud);
    ExpectConfig(p.config, 9600, CVU_PARITY_NONE, 8, CVU_STOPBITS_1, CVU_FLOW_HARDWARE, "");

    p = Read("COM5");
    EXPECT_STREQ("Hayes", p.modem);
    EXPECT_STREQ("Other", p.callForward);
    EXPECT_EQ(1u, p.inbound);
    ExpectConfig(p.config, 9600, CVU_PARITY_NONE, 8, CVU_STOPBITS_1, CVU_FLOW_HARDWARE, "");

    // A section beyond the count is no line.
    EXPECT_FALSE(CVU_GetSharedPortParams("COM6", nullptr));
    EXPECT_FALSE(CVU_GetSharedPortParams("", nullptr));
    EXPECT_EQ(text, Text());
}

TEST_F(SharedLines, RenameMovesTheNameThroughGroupsAndTheLocalRedirection)
{
    Write("[SERVER]\r\nLINES=2\r\nGROUPS=3\r\n"
          "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\n"
          "[LINE2]\r\nNAME=L2\r\nPORTNAME=COM2\r\n"
          "[GROUP1]\r\nNAME=G1\r\nLINES=(L1,L2)\r\n"
          "[GROUP2]\r\nNAME=G2\r\nLINES=(L2)\r\n"
          "[GROUP3]\r\nNAME=G3\r\nLINES=(L1)\r\n"
          "[CLIENT]\r\nREDIRECTPORTS=(2,1)\r\nCOM2DEST=l2\r\nCOM1DEST=L2\r\n");
    ASSERT_TRUE(CVU_RenamePort("com2", "L2", "Modem"));
    // Only this port's redirection follows; COM1 led to L2 on its own.
    const std::string renamed = "[SERVER]\r\nLINES=2\r\nGROUPS=3\r\n"
                                "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\n"
                                "[LINE2]\r\nNAME=Modem\r\nPORTNAME=COM2\r\n"
                                "[GROUP1]\r\nNAME=G1\r\nLINES=(L1,Modem)\r\n"
                                "[GROUP2]\r\nNAME=G2\r\nLINES=(Modem)\r\n"
                                "[GROUP3]\r\nNAME=G3\r\nLINES=(L1)\r\n"
                                "[CLIENT]\r\nREDIRECTPORTS=(2,1)\r\nCOM2DEST=Modem\r\nCOM1DEST=L2\r\n";
    EXPECT_EQ(renamed, Text());

    EXPECT_FALSE(CVU_RenamePort("COM5", "L1", "X"));
    EXPECT_FALSE(CVU_RenamePort("COM1", "L1", nullptr));
    EXPECT_FALSE(CVU_RenamePort("COM1", "L1", "X\r\n[SERVER]\r\nLINES=7"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(renamed, Text());

    // Names are taken as given: the old name leaves its groups and the new
    // one joins them, however long; an old name nothing bears changes only
    // the line's NAME.
    ASSERT_TRUE(CVU_RenamePort("COM1", "L1", "SeventeenLetters!"));
    ASSERT_TRUE(CVU_RenamePort("COM1", "Wrong", ""));
    EXPECT_EQ("[SERVER]\r\nLINES=2\r\nGROUPS=3\r\n"
              "[LINE1]\r\nNAME=\r\nPORTNAME=COM1\r\n"
              "[LINE2]\r\nNAME=Modem\r\nPORTNAME=COM2\r\n"
              "[GROUP1]\r\nNAME=G1\r\nLINES=(Modem,SeventeenLetters!)\r\n"
              "[GROUP2]\r\nNAME=G2\r\nLINES=(Modem)\r\n"
              "[GROUP3]\r\nNAME=G3\r\nLINES=(SeventeenLetters!)\r\n"
              "[CLIENT]\r\nREDIRECTPORTS=(2,1)\r\nCOM2DEST=Modem\r\nCOM1DEST=L2\r\n",
              Text());
}

TEST_F(SharedLines, StopSharingRenumbersAndReleasesOnlyWhatBelongsToTheLine)
{
    Write("[SERVER]\r\nLINES=4\r\nGROUPS=2\r\n"
          "[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
          "[LINE2]\r\nNAME=B\r\nPORTNAME=COM2\r\nTRANSMIT=TA2\r\n"
          "[LINE3]\r\nNAME=C\r\nPORTNAME=COM3\r\nTRANSMIT=TA3\r\n"
          "[LINE4]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n"
          "[COMMON]\r\nTRANSMITSETS=3\r\n"
          "[TRANSMIT1]\r\nNAME=TA1\r\n[TRANSMIT2]\r\nNAME=TA2\r\n[TRANSMIT3]\r\nNAME=TA3\r\n"
          "[GROUP1]\r\nNAME=P\r\nLINES=(A,B,D)\r\n"
          "[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,B,C,D)\r\n"
          "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=b\r\nCOM3DEST=Pool\r\n"
          "[DESC]\r\nPort2Desc=x\r\nPort3Desc=y\r\n");

    // Line 2 of 4: its own set and the redirection that leads to it go,
    // lines 3 and 4 move down.
    ASSERT_TRUE(CVU_StopSharingPort("com2"));
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\nGROUPS=2\r\n"
              "[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
              "[COMMON]\r\nTRANSMITSETS=2\r\n"
              "[TRANSMIT1]\r\nNAME=TA1\r\n"
              "[GROUP1]\r\nNAME=P\r\nLINES=(A,D)\r\n"
              "[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,C,D)\r\n"
              "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Pool\r\n"
              "[DESC]\r\nPort3Desc=y\r\n"
              "[TRANSMIT2]\r\nNAME=TA3\r\n"
              "[LINE2]\r\nNAME=C\r\nPORTNAME=COM3\r\nTRANSMIT=TA3\r\n"
              "[LINE3]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n",
              Text());

    // A set that another line names and a redirection that leads elsewhere
    // stay.
    ASSERT_TRUE(CVU_StopSharingPort("COM3"));
    const std::string two = "[SERVER]\r\nLINES=2\r\nGROUPS=2\r\n"
                            "[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
                            "[COMMON]\r\nTRANSMITSETS=2\r\n"
                            "[TRANSMIT1]\r\nNAME=TA1\r\n"
                            "[GROUP1]\r\nNAME=P\r\nLINES=(A,D)\r\n"
                            "[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,D)\r\n"
                            "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Pool\r\n"
                            "[DESC]\r\nPort3Desc=y\r\n"
                            "[TRANSMIT2]\r\nNAME=TA3\r\n"
                            "[LINE2]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n";
    EXPECT_EQ(two, Text());
    EXPECT_FALSE(CVU_StopSharingPort("COM3"));
    EXPECT_FALSE(CVU_StopSharingPort(nullptr));
    EXPECT_EQ(two, Text());

    // The last line, here the last section, leaves a count of 0.
    ASSERT_TRUE(CVU_StopSharingPort("COM4"));
    ASSERT_TRUE(CVU_StopSharingPort("COM1"));
    EXPECT_EQ("[SERVER]\r\nLINES=0\r\nGROUPS=2\r\n"
              "[COMMON]\r\nTRANSMITSETS=0\r\n"
              "[GROUP1]\r\nNAME=P\r\n"
              "[GROUP2]\r\nNAME=_CALVEX\r\n"
              "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Pool\r\n"
              "[DESC]\r\nPort3Desc=y\r\n",
              Text());
}

}  // namespace
