// The configuration exports one call a row: its result and the exact text of
// CVEX.INI it leaves. Shared lines with their transmit sets, the client's
// redirections and session settings, the server's settings; and CVEX.PWF.
#include "config_table.h"
#include "cvxutil.h"
#include "machine_ports.h"
#include "resids.h"

using namespace cvxtest;

namespace {

const PortConfig kDefaults = {9600, CVU_PARITY_NONE, 8, CVU_STOPBITS_1, CVU_FLOW_HARDWARE, {}, 0};

template <typename F> std::function<long()> Call(F f) { return [f] { return long(f()); }; }

// 1 when the port's line reads back as want, over bytes that show every field left out.
std::function<long()> ReadsLine(const char *port, SharedPortParams want)
{
    return [=] {
        SharedPortParams p;
        std::memset(&p, 0xCC, sizeof p);
        return long(CVU_GetSharedPortParams(port, &p) && !std::strcmp(want.shareName, p.shareName) &&
                    !std::strcmp(want.portName, p.portName) && !std::strcmp(want.modem, p.modem) &&
                    !std::strcmp(want.callForward, p.callForward) && want.inbound == p.inbound &&
                    want.autobaud == p.autobaud && !std::memcmp(&want.config, &p.config, sizeof p.config));
    };
}

std::function<long()> ReadsSettings(ClientSettings want)
{
    return [want] {
        ClientSettings s;
        std::memset(&s, 0x5A, sizeof s);
        return long(CVU_GetClientSettings(&s) && !std::memcmp(&want, &s, sizeof s));
    };
}

auto Redirect(const char *port, const char *dest) { return [=] { return long(CVU_SetClientRedirection(port, dest)); }; }
auto RedirectEx(const char *port, const char *to, const char *desc) { return [=] { return long(CVU_SetClientRedirectionEx(port, to, desc)); }; }

// Ports 1 to last redirected to L.
std::string Redirected(int last)
{
    std::string list, dests;
    for (int n = 1; n <= last; ++n)
        list += std::to_string(n) + (n < last ? "," : ""), dests += "COM" + std::to_string(n) + "DEST=L\r\n";
    return "[CLIENT]\r\nREDIRECTPORTS=(" + list + ")\r\n" + dests;
}

class ConfigFile : public ConfigTable {};

TEST_F(ConfigFile, EachCallLeavesExactlyThisFile)
{
    const std::string desc = ResourceString(IDS_REDIRECT_DESC), pool = ResourceString(IDS_DEFAULT_POOL);
    ASSERT_FALSE(desc.empty());

    const SharedPortParams fax = {"Fax", "COM3", "", {}, "", {}, 1, 0,
                                  {19200, CVU_PARITY_EVEN, 7, CVU_STOPBITS_2, CVU_FLOW_XONXOFF, {0x0D, 0x1B}, 2}};
    const SharedPortParams taken = {"Other", "com3", "", {}, "", {}, 0, 0, kDefaults};
    auto share = [](const SharedPortParams &p) { return [p] { return long(CVU_ShareNewPort(&p)); }; };
    const std::string first = "[LINE1]\r\nNAME=Fax\r\nMODEM=N\r\nINBOUND=Y\r\nAUTOBAUD=N\r\nPORTNAME=COM3\r\nTRANSMIT=TA1\r\n"
                              "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\n"
                              "FLOW=(11H,13H)\r\nALPARS=(19200,EVEN,7,2)\r\nTRIGGERS=(0DH,1BH)\r\n[SERVER]\r\nLINES=1\r\n";

    // Reading: only "Y" makes a flag, data bits beyond 8 read as 8, each
    // trigger once; a set that does not exist gives the defaults.
    const std::string lines =
        "[SERVER]\r\nLINES=3\r\nGROUPS=2\r\n"
        "[LINE1]\r\nNAME=L1\r\nPORTNAME=COM1\r\nMODEM=n\r\nINBOUND=yes\r\nAUTOBAUD=y\r\nCALLFWD=Other\r\nTRANSMIT=TA1\r\n"
        "[LINE2]\r\nNAME=L2\r\nPORTNAME=COM2\r\nTRANSMIT=ta1\r\n[LINE3]\r\nNAME=L3\r\nPORTNAME=COM3\r\nTRANSMIT=TA7\r\n"
        "[LINE4]\r\nNAME=L4\r\nPORTNAME=COM4\r\n[COMMON]\r\nTRANSMITSETS=1\r\n"
        "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(1,2,3)\r\nFLOW=(0h,0h)\r\nALPARS=(19200,EVEN,9,2)\r\nTRIGGERS=(0DH,0DH,1BH)\r\n"
        "[GROUP1]\r\nNAME=G1\r\nLINES=(L1,L2)\r\n[GROUP2]\r\nNAME=G2\r\nLINES=(L2)\r\n"
        "[CLIENT]\r\nREDIRECTPORTS=(2,1)\r\nCOM2DEST=l2\r\nCOM1DEST=L2\r\n";
    const PortConfig read1 = {19200, CVU_PARITY_EVEN, 8, CVU_STOPBITS_2, CVU_FLOW_NONE, {0x0D, 0x1B}, 2};
    // Only this port's redirection follows a rename; groups follow it too.
    const std::string renamed = Sub(lines, {{"NAME=L2\r\n", "NAME=Modem\r\n"}, {"(L1,L2)", "(L1,Modem)"},
                                            {"LINES=(L2)", "LINES=(Modem)"}, {"COM2DEST=l2", "COM2DEST=Modem"}});
    // The set is rewritten in place for every line naming it.
    const std::string updated = Sub(renamed, {{"NAME=Modem\r\nPORTNAME=COM2\r\nTRANSMIT=ta1\r\n",
                                               "NAME=L2X\r\nPORTNAME=com2\r\nTRANSMIT=ta1\r\nMODEM=Hayes\r\nINBOUND=N\r\nAUTOBAUD=Y\r\n"},
                                              {"FLOW=(0h,0h)\r\nALPARS=(19200,EVEN,9,2)\r\nTRIGGERS=(0DH,0DH,1BH)\r\n",
                                               "FLOW=(1H,1H)\r\nALPARS=(57600,NONE,8,1)\r\n"}});
    const SharedPortParams l2 = {"L2X", "com2", "Hayes", {}, "", {}, 0, 1, {57600, 0, 8, 0, 2, {}, 0}};

    // Stopping line 2 of 4: its own set and its redirection go, lines 3
    // and 4 move down; a set or redirection of another line stays.
    auto stop = [](const char *port) { return [=] { return long(CVU_StopSharingPort(port)); }; };
    const std::string two = "[SERVER]\r\nLINES=2\r\nGROUPS=2\r\n[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
                            "[COMMON]\r\nTRANSMITSETS=2\r\n[TRANSMIT1]\r\nNAME=TA1\r\n"
                            "[GROUP1]\r\nNAME=P\r\nLINES=(A,D)\r\n[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,D)\r\n"
                            "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Pool\r\n[DESC]\r\nPort3Desc=y\r\n"
                            "[TRANSMIT2]\r\nNAME=TA3\r\n[LINE2]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n";
    const std::string four =
        "[SERVER]\r\nLINES=4\r\nGROUPS=2\r\n"
        "[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n[LINE2]\r\nNAME=B\r\nPORTNAME=COM2\r\nTRANSMIT=TA2\r\n"
        "[LINE3]\r\nNAME=C\r\nPORTNAME=COM3\r\nTRANSMIT=TA3\r\n[LINE4]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n"
        "[COMMON]\r\nTRANSMITSETS=3\r\n[TRANSMIT1]\r\nNAME=TA1\r\n[TRANSMIT2]\r\nNAME=TA2\r\n[TRANSMIT3]\r\nNAME=TA3\r\n"
        "[GROUP1]\r\nNAME=P\r\nLINES=(A,B,D)\r\n[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,B,C,D)\r\n"
        "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=b\r\nCOM3DEST=Pool\r\n[DESC]\r\nPort2Desc=x\r\nPort3Desc=y\r\n";

    const std::string x = ResourceFormatted(IDS_SHARE_NAME_FMT, "3");
    const std::string sessions = "[SESSIONSPARMS]\r\nQUEUE=Y\r\nRETRY=N\r\nACTIVITYTIMER=5\r\nTIMEOUT=7\r\n";
    const std::string lineSet = "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=2\r\n"
                                "[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H)\r\n[TRANSMIT2]\r\nNAME=TA2\r\n";
    auto settings = [](ClientSettings s) { return [s] { return long(CVU_SetClientSettings(&s)); }; };
    auto status = [](int value) { return [value] { return long(CVU_SetServerStatus(value)); }; };
    const std::string low = "[COMMON]\r\nBUFFERSPACE=6143\r\n[SERVER]\r\nLOGSPACE=-1\r\nTIMEOUT=soon\r\nLINES=101\r\n";

    Run({
        {"share: a set and a local redirection", "", share(fax), TRUE,
         first + "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Fax\r\n[DESC]\r\nPort3Desc=" + desc + "\r\n"},
        {"share: the port is taken", kKeep, share(taken), FALSE, kSame},
        {"read: flags, bits and triggers", lines, ReadsLine("com1", {"L1", "COM1", "", {}, "Other", {}, 0, 1, read1}), 1, kSame},
        {"read: a missing set gives the defaults", kKeep, ReadsLine("COM3", {"L3", "COM3", "", {}, "", {}, 0, 0, kDefaults}), 1, kSame},
        {"rename", kKeep, Call([] { return CVU_RenamePort("com2", "L2", "Modem"); }), TRUE, renamed},
        {"update", kKeep, Call([&] { return CVU_UpdateSharedPortParams(&l2, 12345); }), TRUE, updated},
        {"stop line 2 of 4", four, stop("com2"), TRUE,
         Sub(two, {{"LINES=2", "LINES=3"}, {"_CALVEX\r\nLINES=(A,D)", "_CALVEX\r\nLINES=(A,C,D)"},
                   {"NAME=D\r\nPORTNAME=COM4", "NAME=C\r\nPORTNAME=COM3"}}) +
             "[LINE3]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n"},
        {"stop: a shared set stays", kKeep, stop("COM3"), TRUE, two},
        // A default share name retries with a digit before the taken name,
        // in any case; the port's own line does not count.
        {"default share name",
         "[SERVER]\r\nLINES=3\r\n[LINE1]\r\nPORTNAME=COM1\r\nNAME=" + x + "\r\n[LINE2]\r\nPORTNAME=COM2\r\nNAME=2" + x +
             "\r\n[LINE3]\r\nPORTNAME=COM3\r\nNAME=32" + x + "\r\n",
         Call([&] { char name[17]; return CVU_GetDefaultShareName("COM3", name), name == "32" + x; }), 1, kSame},
        {"redirect number 0", "", Call([] { return CVU_RedirectPortByNumber(0); }), FALSE, kSame},
        {"redirect number 7 to the pool", kKeep, Call([] { return CVU_RedirectPortByNumber(7); }), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(7)\r\nCOM7DEST=" + pool + "\r\n[DESC]\r\nPort7Desc=" + desc + "\r\n"},

        // The client's redirections, listed in order of addition.
        {"redirect", "", Redirect("COM3", "LINE1"), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=LINE1\r\n[DESC]\r\nPort3Desc=" + desc + "\r\n"},
        {"redirect a second", kKeep, RedirectEx("com5", "Pool", "five"), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,5)\r\nCOM3DEST=LINE1\r\nCOM5DEST=Pool\r\n[DESC]\r\nPort3Desc=" + desc +
             "\r\nPort5Desc=five\r\n"},
        {"redirect a listed port again", kKeep, RedirectEx("COM3", "LINE9", "mine"), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,5)\r\nCOM3DEST=LINE9\r\nCOM5DEST=Pool\r\n[DESC]\r\nPort3Desc=mine\r\nPort5Desc=five\r\n"},
        {"a missing resource leaves no description", kKeep, RedirectEx("COM5", "B", CVU_TEXTID(1)), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,5)\r\nCOM3DEST=LINE9\r\nCOM5DEST=B\r\n[DESC]\r\nPort3Desc=mine\r\n"},
        {"end a redirection", kKeep, Redirect("COM3", nullptr), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(5)\r\nCOM5DEST=B\r\n[DESC]\r\n"},
        {"end the last redirection", kKeep, Redirect("COM5", nullptr), TRUE, "[DESC]\r\n"},
        {"no port number", "", Redirect("COMx", "LINE1"), FALSE, ""},
        {"a damaged list is written clean", "[CLIENT]\r\nREDIRECTPORTS=(3,0,x,4)\r\nCOM3DEST=A\r\n",
         RedirectEx("COM5", "B", nullptr), TRUE, "[CLIENT]\r\nREDIRECTPORTS=(3,4,5)\r\nCOM3DEST=A\r\nCOM5DEST=B\r\n"},
        {"the 30th port", Redirected(29), RedirectEx("COM30", "L", nullptr), TRUE, Redirected(30)},
        {"no 31st port", kKeep, RedirectEx("COM31", "L", nullptr), FALSE, kSame},
        {"a full list takes no new destination", kKeep, Redirect("COM7", "OTHER"), FALSE, kSame},

        // The client's session settings: out of range reads as the default,
        // only N means no; triggers live in a transmit set of their own.
        {"settings: out of range", "[SESSIONSPARMS]\r\nACTIVITYTIMER=100\r\nTIMEOUT=-5\r\nQUEUE=No\r\nRETRY=n\r\n",
         ReadsSettings({30, 3, 1, 0, {}, 0}), 1, kSame},
        {"settings: triggers", "", settings({5, 7, 1, 0, {0x0D, 0x1B}, 2}), TRUE,
         sessions + "TRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(0DH,1BH)\r\n"},
        {"settings: triggers read back", kKeep, ReadsSettings({5, 7, 1, 0, {0x0D, 0x1B}, 2}), 1, kSame},
        {"settings: no triggers, no set", kKeep, settings({5, 7, 1, 0, {}, 0}), TRUE,
         sessions + "[COMMON]\r\nTRANSMITSETS=0\r\n"},
        {"settings: a line's set stays", lineSet + "[SESSIONSPARMS]\r\nTRANSMIT=ta1\r\n", settings({30, 3, 0, 1, {}, 0}),
         TRUE, lineSet + "[SESSIONSPARMS]\r\nQUEUE=N\r\nRETRY=Y\r\nACTIVITYTIMER=30\r\nTIMEOUT=3\r\n"},

        // The server's settings: getters repair what is out of range, setters
        // refuse it; defaults of absent keys are not written.
        {"buffer default", "", Call(CVU_GetBufferSpace), 6144, kSame},
        {"buffer low", low, Call(CVU_GetBufferSpace), 6144, Sub(low, {{"6143", "6144"}})},
        {"log low", kKeep, Call(CVU_GetLogBuffSize), 0, Sub(low, {{"6143", "6144"}, {"=-1", "=0"}})},
        {"timeout low", kKeep, Call(CVU_GetInvalidConTime), 1, Sub(low, {{"6143", "6144"}, {"=-1", "=0"}, {"soon", "1"}})},
        {"lines beyond 100 are not repaired", kKeep, Call(CVU_GetNumServerPorts), 0, kSame},
        {"buffer top", "[COMMON]\r\nBUFFERSPACE=999999\r\n", Call(CVU_GetBufferSpace), 999999, kSame},
        {"set buffer high", kKeep, Call([] { return CVU_SetBufferSpace(1000000); }), FALSE, kSame},
        {"set log", "", Call([] { return CVU_SetLogBuffSize(8192); }), TRUE, "[SERVER]\r\nLOGSPACE=8192\r\n"},
        {"set segments", kKeep, Call([] { return CVU_SetIPXSegmentMethod(1); }), TRUE,
         "[SERVER]\r\nLOGSPACE=8192\r\n[COMMON]\r\nNETWORKS=1\r\n"},
        {"set status inactive", "", status(0), TRUE, "[SERVER]\r\nSTART=INACTIVE\r\n"},
        {"status in any case", "[SERVER]\r\nSTART=Inactive\r\n", Call(CVU_GetServerStatus), CVU_SERVER_INACTIVE, kSame},
        {"server name stored whole", "", Call([] { return CVU_SetServerName("ABCDEFGHIJKLMNOPQRST"); }), TRUE,
         "[COMMON]\r\nNAME=ABCDEFGHIJKLMNOPQRST\r\n"},
    });
}

// Stored forms: (byte ^ 0xA7) rotated right by two bits.
constexpr char kA = char(0xB1), kB = char(0x71), kC = char(0x31), kBlank = char(0xE1);
constexpr char kEAcute = char(0x49);  // e acute in OEM 437/850 (0x82)

class RemotePassword : public CleanTest {};

TEST_F(RemotePassword, SixteenOemBytesScrambledAndNeverLeftStale)
{
    // e acute is 0xE9 in code page 1252 and 0x82 in OEM 437 and 850.
    ASSERT_EQ(1252u, GetACP());
    ASSERT_TRUE(GetOEMCP() == 437 || GetOEMCP() == 850) << GetOEMCP();
    const std::string file = dir_ + "CVEX.PWF";
    const std::pair<const char *, std::string> rows[] = {
        {"abc", std::string({kA, kB, kC}) + std::string(13, kBlank)},
        // The converted text is cut to its first 16 bytes.
        {"\xE9\xE9\xE9\xE9" "aaaaaaaaaaaa" "bbbb\xE9", std::string(4, kEAcute) + std::string(12, kA)},
        {"", ""},
    };
    for (const auto &[password, stored] : rows) {
        EXPECT_EQ(1, CVU_SetRemPassword(password)) << password;
        EXPECT_EQ(stored.empty() ? "" : stored + '\0', ReadFileText(file)) << password;
        EXPECT_EQ(!stored.empty(), FileExists(file)) << password;
    }
    EXPECT_FALSE(FileExists(ini_)) << "the password is not kept in CVEX.INI";

    // Another process holds the old file open for reading only: the new one
    // cannot be written, and the old password must not stay in force.
    ASSERT_EQ(1, CVU_SetRemPassword("abc"));
    HANDLE holder = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(1, CVU_SetRemPassword("bbb"));
    CloseHandle(holder);
    EXPECT_FALSE(FileExists(file));
}

}  // namespace
