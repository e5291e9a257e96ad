// Shared lines through the exports: adding, updating, reading, renaming and
// withdrawing lines with their transmit sets, groups and local
// redirections; the defaults offered for a new line; redirection by port
// number. Checked against the exact text of CVEX.INI.
#include "config_table.h"
#include "cvxutil.h"
#include "machine_ports.h"
#include "resids.h"

using namespace cvxtest;

namespace {

const PortConfig kDefaults = {9600, CVU_PARITY_NONE, 8, CVU_STOPBITS_1, CVU_FLOW_HARDWARE, {}, 0};

SharedPortParams Line(const char *share, const char *port, const char *modem = "", DWORD inbound = 0,
                      const char *callForward = "", DWORD autobaud = 0, PortConfig config = kDefaults)
{
    SharedPortParams p{};
    std::strcpy(p.shareName, share);
    std::strcpy(p.portName, port);
    std::strcpy(p.modem, modem);
    std::strcpy(p.callForward, callForward);
    p.inbound = inbound;
    p.autobaud = autobaud;
    p.config = config;
    return p;
}

// The record read back for a port, over bytes that show every field left out.
void ExpectLine(const char *port, const SharedPortParams &want)
{
    SharedPortParams p;
    std::memset(&p, 0xCC, sizeof p);
    ASSERT_TRUE(CVU_GetSharedPortParams(port, &p)) << port;
    EXPECT_STREQ(want.shareName, p.shareName) << port;
    EXPECT_STREQ(want.portName, p.portName) << port;
    EXPECT_STREQ(want.modem, p.modem) << port;
    EXPECT_STREQ(want.callForward, p.callForward) << port;
    EXPECT_EQ(want.inbound, p.inbound) << port;
    EXPECT_EQ(want.autobaud, p.autobaud) << port;
    EXPECT_EQ(0, std::memcmp(&want.config, &p.config, sizeof p.config)) << port;
    EXPECT_EQ(std::string(21, '\0'), std::string(reinterpret_cast<char *>(p.reserved1), 17) +
                                         std::string(reinterpret_cast<char *>(p.reserved2), 4)) << port;
}

class SharedLines : public ConfigTable {
protected:
    std::string desc_ = ModuleString(IDS_REDIRECT_DESC);
};

TEST_F(SharedLines, NewLinesGetASetAndALocalRedirection)
{
    ASSERT_FALSE(desc_.empty());
    PortConfig config = {19200, CVU_PARITY_EVEN, 7, CVU_STOPBITS_2, CVU_FLOW_XONXOFF, {0x0D, 0x1B}, 2};
    PortConfig defaults;
    CVU_GetDefaultPortConfig(&defaults);
    EXPECT_EQ(0, std::memcmp(&kDefaults, &defaults, sizeof defaults));
    const SharedPortParams fax = Line("Fax", "COM3", "", 1, "", 0, config);
    const SharedPortParams data = Line("Data", "COM4", "Hayes", 0, "Line9", 1);
    auto share = [](const SharedPortParams &p) { return [p] { return long(CVU_ShareNewPort(&p)); }; };
    const std::string first = "[LINE1]\r\nNAME=Fax\r\nMODEM=N\r\nINBOUND=Y\r\nAUTOBAUD=N\r\nPORTNAME=COM3\r\nTRANSMIT=TA1\r\n"
                              "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\n"
                              "FLOW=(11H,13H)\r\nALPARS=(19200,EVEN,7,2)\r\nTRIGGERS=(0DH,1BH)\r\n[SERVER]\r\nLINES=1\r\n";
    const std::string both = Sub(first, {{"SETS=1", "SETS=2"}, {"LINES=1", "LINES=2"}}) +
                             "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=Fax\r\nCOM4DEST=Pool\r\n"
                             "[DESC]\r\nPort3Desc=" + desc_ + "\r\n"
                             "[LINE2]\r\nNAME=Data\r\nMODEM=Hayes\r\nINBOUND=N\r\nCALLFWD=Line9\r\nAUTOBAUD=Y\r\n"
                             "PORTNAME=COM4\r\nTRANSMIT=TA2\r\n[TRANSMIT2]\r\nNAME=TA2\r\nDTPARS=(140,60,720)\r\n"
                             "FLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n";
    SharedPortParams taken = Line("Other", "com3"), noPort = Line("Other", "");
    Run({
        {"first", "", share(fax), TRUE,
         first + "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Fax\r\n[DESC]\r\nPort3Desc=" + desc_ + "\r\n"},
        {"redirect COM4", kKeep, [] { return long(CVU_SetClientRedirectionEx("COM4", "Pool", nullptr)); }, TRUE,
         first + "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=Fax\r\nCOM4DEST=Pool\r\n[DESC]\r\nPort3Desc=" + desc_ + "\r\n"},
        // A port that is redirected already keeps its redirection.
        {"second", kKeep, share(data), TRUE, both},
        {"port taken", kKeep, share(taken), FALSE, kSame},
        {"no port", kKeep, share(noPort), FALSE, kSame},
        {"null", kKeep, [] { return long(CVU_ShareNewPort(nullptr)); }, FALSE, kSame},
    });
    ExpectLine("Com3", fax);
    ExpectLine("COM4", data);
    EXPECT_FALSE(CVU_GetSharedPortParams("COM5", nullptr));

    // A record's fields without an end are cut to their size.
    SharedPortParams p = Line("", "COM2");
    std::memset(p.shareName, 'S', sizeof p.shareName);
    std::memset(p.modem, 'M', sizeof p.modem);
    std::memset(p.callForward, 'C', sizeof p.callForward);
    ASSERT_TRUE(CVU_ShareNewPort(&p));
    SharedPortParams cut = Line(std::string(16, 'S').c_str(), "COM2", std::string(119, 'M').c_str(), 0,
                                std::string(16, 'C').c_str());
    ExpectLine("COM2", cut);

    // A file that cannot be written gets no line.
    const std::string text = Text();
    HANDLE holder = CreateFileA(ini_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    SharedPortParams l1 = Line("L1", "COM1");
    EXPECT_FALSE(CVU_ShareNewPort(&l1));
    CloseHandle(holder);
    EXPECT_EQ(text, Text());
}

TEST_F(SharedLines, ASectionBeyondTheCountIsOverwrittenWithoutTakingAnotherLinesSet)
{
    // What a share that failed half-way leaves: LINE2 names the set of
    // LINE1, LINE3 a set that nobody else names.
    const std::string head = "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n";
    const std::string set1 = "[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(0H,0H)\r\nALPARS=(1200,ODD,7,1)\r\n";
    ASSERT_TRUE(WriteFileText(ini_, head + "[COMMON]\r\nTRANSMITSETS=2\r\n" + set1 + "[TRANSMIT2]\r\nNAME=TA9\r\n"
                                           "[LINE2]\r\nNAME=Half\r\nPORTNAME=COM2\r\nCALLFWD=X\r\nTRANSMIT=ta1\r\n"
                                           "[LINE3]\r\nNAME=Half\r\nTRANSMIT=TA9\r\n"));
    SharedPortParams p = Line("L2", "COM2"), q = Line("L3", "COM3");
    ASSERT_TRUE(CVU_ShareNewPort(&p));
    ASSERT_TRUE(CVU_ShareNewPort(&q));
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\n[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
              "[COMMON]\r\nTRANSMITSETS=3\r\n" + set1 +
              "[TRANSMIT2]\r\nNAME=TA9\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n"
              "[LINE2]\r\nNAME=L2\r\nPORTNAME=COM2\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=N\r\nTRANSMIT=TA3\r\n"
              "[LINE3]\r\nNAME=L3\r\nTRANSMIT=TA9\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=N\r\nPORTNAME=COM3\r\n"
              "[TRANSMIT3]\r\nNAME=TA3\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n"
              "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=L2\r\nCOM3DEST=L3\r\n"
              "[DESC]\r\nPort2Desc=" + desc_ + "\r\nPort3Desc=" + desc_ + "\r\n",
              Text());
}

TEST_F(SharedLines, ReadRenameAndUpdate)
{
    const std::string start =
        "[SERVER]\r\nLINES=3\r\nGROUPS=2\r\n"
        "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nMODEM=n\r\nINBOUND=yes\r\nAUTOBAUD=y\r\nCALLFWD=Other\r\nTRANSMIT=TA1\r\n"
        "[LINE2]\r\nNAME=L2\r\nPORTNAME=COM2\r\nTRANSMIT=ta1\r\n[LINE3]\r\nNAME=L3\r\nPORTNAME=COM3\r\nTRANSMIT=TA7\r\n"
        "[LINE4]\r\nNAME=L4\r\nPORTNAME=COM4\r\n[COMMON]\r\nTRANSMITSETS=1\r\n"
        "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(1,2,3)\r\nFLOW=(0h,0h)\r\nALPARS=(19200,EVEN,9,2)\r\nTRIGGERS=(0DH,0DH,1BH)\r\n"
        "[GROUP1]\r\nNAME=G1\r\nLINES=(L1,L2)\r\n[GROUP2]\r\nNAME=G2\r\nLINES=(L2)\r\n"
        "[CLIENT]\r\nREDIRECTPORTS=(2,1)\r\nCOM2DEST=l2\r\nCOM1DEST=L2\r\n";
    ASSERT_TRUE(WriteFileText(ini_, start));
    // Only "Y" makes a flag, in any case; data bits beyond 8 read as 8 and
    // each trigger once. A set that does not exist gives the defaults, and
    // a section beyond the count is no line.
    PortConfig first = {19200, CVU_PARITY_EVEN, 8, CVU_STOPBITS_2, CVU_FLOW_NONE, {0x0D, 0x1B}, 2};
    ExpectLine("com1", Line("L1", "COM1", "", 0, "Other", 1, first));
    ExpectLine("COM2", Line("L2", "COM2", "", 0, "", 0, first));
    ExpectLine("COM3", Line("L3", "COM3"));
    EXPECT_FALSE(CVU_GetSharedPortParams("COM4", nullptr));
    EXPECT_EQ(start, Text());

    // Only this port's redirection follows a rename; COM1 led to L2 on its own.
    const std::string renamed = Sub(start, {{"NAME=L2\r\n", "NAME=Modem\r\n"}, {"(L1,L2)", "(L1,Modem)"},
                                            {"LINES=(L2)", "LINES=(Modem)"}, {"COM2DEST=l2", "COM2DEST=Modem"}});
    // The set is rewritten in place for every line naming it; renaming is
    // not the update's work. A line without a set gets a new one.
    const std::string updated = Sub(renamed, {{"NAME=Modem\r\nPORTNAME=COM2\r\nTRANSMIT=ta1\r\n",
                                               "NAME=L2X\r\nPORTNAME=com2\r\nTRANSMIT=ta1\r\nMODEM=Hayes\r\nINBOUND=N\r\nAUTOBAUD=Y\r\n"},
                                              {"FLOW=(0h,0h)\r\nALPARS=(19200,EVEN,9,2)\r\nTRIGGERS=(0DH,0DH,1BH)\r\n",
                                               "FLOW=(1H,1H)\r\nALPARS=(57600,NONE,8,1)\r\n"}});
    const std::string newSet = Sub(updated, {{"TRANSMIT=TA7\r\n", "TRANSMIT=TA2\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=N\r\n"},
                                             {"SETS=1", "SETS=2"}}) +
                               "[TRANSMIT2]\r\nNAME=TA2\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,MARK,8,1)\r\n"
                               "TRIGGERS=(03H)\r\n";
    // Names are taken as given: the old name leaves its groups and the new
    // one joins them, however long.
    const std::string longName = Sub(newSet, {{"NAME=L1\r\n", "NAME=SeventeenLetters!\r\n"},
                                              {"(L1,Modem)", "(Modem,SeventeenLetters!)"}});
    SharedPortParams l2 = Line("L2X", "com2", "Hayes", 0, "", 1, {57600, 0, 8, 0, 2, {}, 0});
    SharedPortParams l3 = Line("L3", "COM3", "", 0, "", 0, {9600, CVU_PARITY_MARK, 8, 0, 2, {0x03}, 1});
    SharedPortParams none = Line("X", "COM9");
    Run({
        {"rename", kKeep, [] { return long(CVU_RenamePort("com2", "L2", "Modem")); }, TRUE, renamed},
        {"rename no line", kKeep, [] { return long(CVU_RenamePort("COM5", "L1", "X")); }, FALSE, kSame},
        {"rename to null", kKeep, [] { return long(CVU_RenamePort("COM1", "L1", nullptr)); }, FALSE, kSame},
        {"rename across lines", kKeep, [] { return long(CVU_RenamePort("COM1", "L1", "X\r\n[SERVER]\r\nLINES=7")); },
         FALSE, kSame},
        {"update", kKeep, [&] { return long(CVU_UpdateSharedPortParams(&l2, 12345)); }, TRUE, updated},
        {"update without a set", kKeep, [&] { return long(CVU_UpdateSharedPortParams(&l3, 0)); }, TRUE, newSet},
        {"update no line", kKeep, [&] { return long(CVU_UpdateSharedPortParams(&none, 0)); }, FALSE, kSame},
        {"update null", kKeep, [] { return long(CVU_UpdateSharedPortParams(nullptr, 0)); }, FALSE, kSame},
        {"rename long", kKeep, [] { return long(CVU_RenamePort("COM1", "L1", "SeventeenLetters!")); }, TRUE, longName},
        {"rename from a name nothing bears", kKeep, [] { return long(CVU_RenamePort("COM1", "Wrong", "")); }, TRUE,
         Sub(longName, {{"NAME=SeventeenLetters!\r\nPORTNAME", "NAME=\r\nPORTNAME"}})},
    });

    // A set without ALPARS gives the defaults and no triggers, whatever its
    // TRIGGERS say; an unknown FLOW keeps the default.
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=L\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
                                    "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nFLOW=(2H,2H)\r\nTRIGGERS=(41H)\r\n"));
    ExpectLine("COM1", Line("L", "COM1"));
    EXPECT_FALSE(CVU_GetSharedPortParams("", nullptr));
}

TEST_F(SharedLines, StopSharingRenumbersAndReleasesOnlyWhatBelongsToTheLine)
{
    auto stop = [](const char *port) { return [=] { return long(CVU_StopSharingPort(port)); }; };
    const std::string rest = "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Pool\r\n[DESC]\r\nPort3Desc=y\r\n";
    const std::string two = "[SERVER]\r\nLINES=2\r\nGROUPS=2\r\n[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
                            "[COMMON]\r\nTRANSMITSETS=2\r\n[TRANSMIT1]\r\nNAME=TA1\r\n"
                            "[GROUP1]\r\nNAME=P\r\nLINES=(A,D)\r\n[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,D)\r\n" + rest +
                            "[TRANSMIT2]\r\nNAME=TA3\r\n[LINE2]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n";
    Run({
        // Line 2 of 4: its own set and the redirection that leads to it go,
        // lines 3 and 4 move down.
        {"line 2", "[SERVER]\r\nLINES=4\r\nGROUPS=2\r\n"
                   "[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n[LINE2]\r\nNAME=B\r\nPORTNAME=COM2\r\nTRANSMIT=TA2\r\n"
                   "[LINE3]\r\nNAME=C\r\nPORTNAME=COM3\r\nTRANSMIT=TA3\r\n[LINE4]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n"
                   "[COMMON]\r\nTRANSMITSETS=3\r\n[TRANSMIT1]\r\nNAME=TA1\r\n[TRANSMIT2]\r\nNAME=TA2\r\n[TRANSMIT3]\r\nNAME=TA3\r\n"
                   "[GROUP1]\r\nNAME=P\r\nLINES=(A,B,D)\r\n[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,B,C,D)\r\n"
                   "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=b\r\nCOM3DEST=Pool\r\n[DESC]\r\nPort2Desc=x\r\nPort3Desc=y\r\n",
         stop("com2"), TRUE,
         Sub(two, {{"LINES=2", "LINES=3"}, {"_CALVEX\r\nLINES=(A,D)", "_CALVEX\r\nLINES=(A,C,D)"},
                   {"NAME=D\r\nPORTNAME=COM4", "NAME=C\r\nPORTNAME=COM3"}}) +
             "[LINE3]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n"},
        // A set that another line names and a redirection that leads
        // elsewhere stay.
        {"shared set", kKeep, stop("COM3"), TRUE, two},
        {"again", kKeep, stop("COM3"), FALSE, kSame},
        {"null", kKeep, stop(nullptr), FALSE, kSame},
        {"the last section", kKeep, stop("COM4"), TRUE,
         Sub(two.substr(0, two.find("[TRANSMIT2]")), {{"LINES=2", "LINES=1"}, {"SETS=2", "SETS=1"}, {"(A,D)", "(A)"}, {"(A,D)", "(A)"}})},
        {"the only line", kKeep, stop("COM1"), TRUE,
         "[SERVER]\r\nLINES=0\r\nGROUPS=2\r\n[COMMON]\r\nTRANSMITSETS=0\r\n[GROUP1]\r\nNAME=P\r\n[GROUP2]\r\nNAME=_CALVEX\r\n" + rest},
    });
}

TEST_F(SharedLines, ShareAndPoolNamesRetryAndStayIn16Characters)
{
    auto shareName = [](const char *port) {
        char buffer[40];
        std::memset(buffer, 'x', sizeof buffer);
        CVU_GetDefaultShareName(port, buffer);
        EXPECT_EQ(std::string(23, 'x'), std::string(buffer + 17, 23)) << port;
        return std::string(buffer, strnlen(buffer, 17));
    };
    const std::string x = Formatted(IDS_SHARE_NAME_FMT, "3");
    ASSERT_NE(std::string::npos, ModuleString(IDS_SHARE_NAME_FMT).find("%u"));
    std::string lower = x;
    for (char &c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    const std::string text = "[SERVER]\r\nLINES=6\r\n[LINE1]\r\nPORTNAME=COM1\r\nNAME=" + x + "\r\n"
                             "[LINE2]\r\nPORTNAME=COM2\r\nNAME=2" + x + "\r\n[LINE3]\r\nPORTNAME=COM4\r\nNAME=32" + lower + "\r\n"
                             "[LINE4]\r\nPORTNAME=COM3\r\nNAME=432" + x + "\r\n[LINE5]\r\nNAME=Ghost\r\n"
                             "[LINE6]\r\nPORTNAME=COM5\r\nNAME=" + Formatted(IDS_SHARE_NAME_FMT, "5") + "\r\n"
                             "[LINE7]\r\nPORTNAME=COM8\r\nNAME=" + Formatted(IDS_SHARE_NAME_FMT, "7") + "\r\n";
    ASSERT_TRUE(WriteFileText(ini_, text));
    // X, 2X and 32X (any case) are taken; 432X is COM3's own line's name.
    EXPECT_EQ("432" + x, shareName("COM3"));
    EXPECT_EQ(Formatted(IDS_SHARE_NAME_FMT, "5"), shareName("com5"));
    // LINE7 lies beyond the count; the number is cut to 16 bits.
    EXPECT_EQ(Formatted(IDS_SHARE_NAME_FMT, "7"), shareName("COM7"));
    EXPECT_EQ(Formatted(IDS_SHARE_NAME_FMT, "6"), shareName("COM65542"));
    EXPECT_TRUE(CVU_IsShareNameInUse("COM3", lower.c_str()));
    EXPECT_FALSE(CVU_IsShareNameInUse("com1", x.c_str()));
    EXPECT_FALSE(CVU_IsShareNameInUse("COM1", "Ghost"));
    EXPECT_FALSE(CVU_IsShareNameInUse("COM1", ""));
    EXPECT_TRUE(CVU_IsShareNameInUse(nullptr, x.c_str()));
    EXPECT_FALSE(CVU_IsShareNameInUse("COM1", nullptr));
    char untouched[17] = "keep";
    CVU_GetDefaultShareName(nullptr, untouched);
    EXPECT_STREQ("keep", untouched);
    CVU_GetDefaultShareName("COM3", nullptr);
    CVU_GetDefaultPortConfig(nullptr);
    EXPECT_EQ(text, Text());

    // Retries are cut to 16 characters.
    const std::string y = Formatted(IDS_SHARE_NAME_FMT, "65535");
    std::string many = "[SERVER]\r\nLINES=8\r\n", name = y;
    for (int k = 1; k <= 8; ++k) {
        if (k > 1) name = (std::to_string(k) + name).substr(0, 16);
        many += "[LINE" + std::to_string(k) + "]\r\nPORTNAME=COM" + std::to_string(k) + "\r\nNAME=" + name + "\r\n";
    }
    ASSERT_TRUE(WriteFileText(ini_, many));
    EXPECT_EQ(("9" + name).substr(0, 16), shareName("COM65535"));

    // Pool names: the default, or the server's name with the first free
    // number, cut so that the name and two digits fit.
    auto poolName = [](BOOL generate, BOOL expected) {
        char buffer[40];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(expected, CVU_GetPoolName(buffer, generate));
        EXPECT_EQ(std::string(23, 'x'), std::string(buffer + 17, 23));
        return std::string(buffer, strnlen(buffer, 17));
    };
    auto candidate = [](const std::string &server, unsigned number) {
        std::string name = Formatted(IDS_POOL_NAME_FMT, server);
        return name.replace(name.find("%u"), 2, std::to_string(number));
    };
    auto groups = [](const std::string &server, const Names &names) {
        std::string text = "[COMMON]\r\nNAME=" + server + "\r\n[SERVER]\r\nGROUPS=" + std::to_string(names.size()) + "\r\n";
        for (size_t i = 0; i < names.size(); ++i) text += "[GROUP" + std::to_string(i + 1) + "]\r\nNAME=" + names[i] + "\r\n";
        return text;
    };
    const std::string pool = ModuleString(IDS_DEFAULT_POOL);
    ASSERT_TRUE(WriteFileText(ini_, groups("Main", {pool, "main_1"})));
    EXPECT_EQ(pool, poolName(FALSE, FALSE));
    EXPECT_EQ(candidate("Main", 2), poolName(TRUE, TRUE));
    EXPECT_TRUE(CVU_DoesPoolNameExist("MAIN_1"));
    EXPECT_FALSE(CVU_DoesPoolNameExist("Main_2"));
    EXPECT_FALSE(CVU_DoesPoolNameExist(""));
    EXPECT_FALSE(CVU_DoesPoolNameExist(nullptr));
    EXPECT_FALSE(CVU_GetPoolName(nullptr, TRUE));
    ASSERT_TRUE(WriteFileText(ini_, groups("", {})));
    EXPECT_EQ(candidate(ModuleString(IDS_POOL_SERVERNAME), 1), poolName(TRUE, TRUE));

    const std::string server = std::string("ABCDEFGHIJKLMNOP").substr(0, 18 - ModuleString(IDS_POOL_NAME_FMT).size());
    Names taken;
    for (unsigned i = 1; i <= 99; ++i) taken.push_back(candidate(server, i));
    ASSERT_TRUE(WriteFileText(ini_, groups("ABCDEFGHIJKLMNOPQRS", Names(taken.begin(), taken.begin() + 9))));
    EXPECT_EQ(candidate(server, 10), poolName(TRUE, TRUE));
    EXPECT_EQ(16u, candidate(server, 10).size());
    // All 99 taken: the default pool, as without generate.
    ASSERT_TRUE(WriteFileText(ini_, groups("ABCDEFGHIJKLMNOPQRS", taken)));
    EXPECT_EQ(pool, poolName(TRUE, FALSE));
}

class PortNumbers : public ConfigTable {};

TEST_F(PortNumbers, NextFreeNumberAndRedirectionToTheDefaultPool)
{
    // 1, 3 and 4 from the machine, 2 from a line, 5 redirected; 6 is
    // listed for the client without a destination and takes nothing. The
    // list's order does not matter.
    PutController(kMultifunctionBuses, "0", "0", "COM3");
    PutController(kMultifunctionBuses, "0", "1", "COM1");
    PutSerialEntry("Serial0", "COM4");
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=Two\r\nPORTNAME=COM2\r\n"
                                    "[CLIENT]\r\nREDIRECTPORTS=(5,6)\r\nCOM5DEST=Pool\r\n"));
    for (auto [wanted, next] : std::initializer_list<std::pair<int, int>>{{1, 6}, {0, 6}, {-5, 6}, {6, 6}, {12, 12}})
        EXPECT_EQ(next, CVU_GetNextRedirectedPort(wanted)) << wanted;
    // The list is closed after every call.
    WORD count = 9;
    CVU_EnumPorts(&count, 0, nullptr);
    EXPECT_EQ(0, count);

    ASSERT_TRUE(WriteFileText(ini_, ""));
    EXPECT_FALSE(CVU_RedirectPortByNumber(0));
    EXPECT_FALSE(CVU_RedirectPortByNumber(-1));
    EXPECT_EQ("", Text());
    ASSERT_TRUE(CVU_RedirectPortByNumber(7));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(7)\r\nCOM7DEST=" + ModuleString(IDS_DEFAULT_POOL) + "\r\n[DESC]\r\nPort7Desc=" +
                  ModuleString(IDS_REDIRECT_DESC) + "\r\n",
              Text());
    EXPECT_EQ(8, CVU_GetNextRedirectedPort(7));
}

}  // namespace
