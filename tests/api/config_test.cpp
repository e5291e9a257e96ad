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

template <typename F>
std::function<long()> Call(F f)
{
    return [f] { return long(f()); };
}

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

ClientSettings Settings(LONG activity, LONG timeout, DWORD queue, DWORD retry, const std::string &triggers)
{
    ClientSettings s{};
    s.activityTimer = activity;
    s.timeout = timeout;
    s.queue = queue;
    s.retry = retry;
    std::memcpy(s.triggers, triggers.data(), triggers.size());
    s.triggerCount = WORD(triggers.size());
    return s;
}

std::function<long()> ReadsSettings(ClientSettings want)
{
    return [want] {
        ClientSettings s;
        std::memset(&s, 0x5A, sizeof s);
        return long(CVU_GetClientSettings(&s) && !std::memcmp(&want, &s, sizeof s));
    };
}

std::function<long()> Redirect(const char *port, const char *dest)
{
    return [=] { return long(CVU_SetClientRedirection(port, dest)); };
}
std::function<long()> RedirectEx(const char *port, const char *dest, const char *desc)
{
    return [=] { return long(CVU_SetClientRedirectionEx(port, dest, desc)); };
}

// Ports 1 to last redirected to L with the standard description.
std::string Redirected(int last, const std::string &desc)
{
    std::string list, dests, descs;
    for (int n = 1; n <= last; ++n) {
        list += std::to_string(n) + (n < last ? "," : "");
        dests += "COM" + std::to_string(n) + "DEST=L\r\n";
        descs += "Port" + std::to_string(n) + "Desc=" + desc + "\r\n";
    }
    return "[CLIENT]\r\nREDIRECTPORTS=(" + list + ")\r\n" + dests + "[DESC]\r\n" + descs;
}

// 1 when the string export fills 16 characters and a terminator with want.
template <typename F>
std::function<long()> Names(F fill, std::string want)
{
    return [=] {
        char buffer[40];
        std::memset(buffer, 'x', sizeof buffer);
        fill(buffer);
        return long(std::string(buffer, strnlen(buffer, 17)) == want && std::string(buffer + 17, 23) == std::string(23, 'x'));
    };
}

class ConfigFile : public ConfigTable {};

TEST_F(ConfigFile, EachCallLeavesExactlyThisFile)
{
    const std::string desc = ModuleString(IDS_REDIRECT_DESC), pool = ModuleString(IDS_DEFAULT_POOL);
    ASSERT_FALSE(desc.empty());

    const PortConfig faxConfig = {19200, CVU_PARITY_EVEN, 7, CVU_STOPBITS_2, CVU_FLOW_XONXOFF, {0x0D, 0x1B}, 2};
    const SharedPortParams fax = Line("Fax", "COM3", "", 1, "", 0, faxConfig);
    const SharedPortParams data = Line("Data", "COM4", "Hayes", 0, "Line9", 1), taken = Line("Other", "com3");
    auto share = [](const SharedPortParams &p) { return [p] { return long(CVU_ShareNewPort(&p)); }; };
    const std::string first = "[LINE1]\r\nNAME=Fax\r\nMODEM=N\r\nINBOUND=Y\r\nAUTOBAUD=N\r\nPORTNAME=COM3\r\nTRANSMIT=TA1\r\n"
                              "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\n"
                              "FLOW=(11H,13H)\r\nALPARS=(19200,EVEN,7,2)\r\nTRIGGERS=(0DH,1BH)\r\n[SERVER]\r\nLINES=1\r\n";
    const std::string client34 = "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=Fax\r\nCOM4DEST=Pool\r\n[DESC]\r\nPort3Desc=" + desc + "\r\n";
    const std::string both = Sub(first, {{"SETS=1", "SETS=2"}, {"LINES=1", "LINES=2"}}) + client34 +
                             "[LINE2]\r\nNAME=Data\r\nMODEM=Hayes\r\nINBOUND=N\r\nCALLFWD=Line9\r\nAUTOBAUD=Y\r\n"
                             "PORTNAME=COM4\r\nTRANSMIT=TA2\r\n[TRANSMIT2]\r\nNAME=TA2\r\nDTPARS=(140,60,720)\r\n"
                             "FLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n";

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
    // The set is rewritten in place; a line without a set gets a new one.
    const std::string updated = Sub(renamed, {{"NAME=Modem\r\nPORTNAME=COM2\r\nTRANSMIT=ta1\r\n",
                                               "NAME=L2X\r\nPORTNAME=com2\r\nTRANSMIT=ta1\r\nMODEM=Hayes\r\nINBOUND=N\r\nAUTOBAUD=Y\r\n"},
                                              {"FLOW=(0h,0h)\r\nALPARS=(19200,EVEN,9,2)\r\nTRIGGERS=(0DH,0DH,1BH)\r\n",
                                               "FLOW=(1H,1H)\r\nALPARS=(57600,NONE,8,1)\r\n"}});
    const std::string newSet = Sub(updated, {{"TRANSMIT=TA7\r\n", "TRANSMIT=TA2\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=N\r\n"},
                                             {"SETS=1", "SETS=2"}}) +
                               "[TRANSMIT2]\r\nNAME=TA2\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,MARK,8,1)\r\n"
                               "TRIGGERS=(03H)\r\n";
    const SharedPortParams l2 = Line("L2X", "com2", "Hayes", 0, "", 1, {57600, 0, 8, 0, 2, {}, 0});
    const SharedPortParams l3 = Line("L3", "COM3", "", 0, "", 0, {9600, CVU_PARITY_MARK, 8, 0, 2, {0x03}, 1});

    // Stopping line 2 of 4: its own set and its redirection go, lines 3
    // and 4 move down; a set or redirection of another line stays.
    auto stop = [](const char *port) { return [=] { return long(CVU_StopSharingPort(port)); }; };
    const std::string rest = "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Pool\r\n[DESC]\r\nPort3Desc=y\r\n";
    const std::string two = "[SERVER]\r\nLINES=2\r\nGROUPS=2\r\n[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
                            "[COMMON]\r\nTRANSMITSETS=2\r\n[TRANSMIT1]\r\nNAME=TA1\r\n"
                            "[GROUP1]\r\nNAME=P\r\nLINES=(A,D)\r\n[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,D)\r\n" + rest +
                            "[TRANSMIT2]\r\nNAME=TA3\r\n[LINE2]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n";
    const std::string four =
        "[SERVER]\r\nLINES=4\r\nGROUPS=2\r\n"
        "[LINE1]\r\nNAME=A\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n[LINE2]\r\nNAME=B\r\nPORTNAME=COM2\r\nTRANSMIT=TA2\r\n"
        "[LINE3]\r\nNAME=C\r\nPORTNAME=COM3\r\nTRANSMIT=TA3\r\n[LINE4]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n"
        "[COMMON]\r\nTRANSMITSETS=3\r\n[TRANSMIT1]\r\nNAME=TA1\r\n[TRANSMIT2]\r\nNAME=TA2\r\n[TRANSMIT3]\r\nNAME=TA3\r\n"
        "[GROUP1]\r\nNAME=P\r\nLINES=(A,B,D)\r\n[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(A,B,C,D)\r\n"
        "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=b\r\nCOM3DEST=Pool\r\n[DESC]\r\nPort2Desc=x\r\nPort3Desc=y\r\n";

    const std::string x = Formatted(IDS_SHARE_NAME_FMT, "3");
    std::string poolName = Formatted(IDS_POOL_NAME_FMT, "Main");
    poolName.replace(poolName.find("%u"), 2, "2");
    const std::string sessions = "[SESSIONSPARMS]\r\nQUEUE=Y\r\nRETRY=N\r\nACTIVITYTIMER=5\r\nTIMEOUT=7\r\n";
    const std::string lineSet = "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=2\r\n"
                                "[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H)\r\n[TRANSMIT2]\r\nNAME=TA2\r\n";
    auto settings = [](ClientSettings s) { return [s] { return long(CVU_SetClientSettings(&s)); }; };
    auto status = [](int value) { return [value] { return long(CVU_SetServerStatus(value)); }; };
    const std::string low = "[COMMON]\r\nBUFFERSPACE=6143\r\n[SERVER]\r\nLOGSPACE=-1\r\nTIMEOUT=soon\r\nLINES=101\r\n";

    Run({
        {"share: a set and a local redirection", "", share(fax), TRUE,
         first + "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=Fax\r\n[DESC]\r\nPort3Desc=" + desc + "\r\n"},
        {"share: a redirected port keeps its redirection", first + client34, share(data), TRUE, both},
        {"share: the port is taken", kKeep, share(taken), FALSE, kSame},
        {"share: read back", kKeep, ReadsLine("Com3", fax), 1, kSame},
        {"share: read back with modem", kKeep, ReadsLine("COM4", data), 1, kSame},
        {"read: flags, bits and triggers", lines, ReadsLine("com1", Line("L1", "COM1", "", 0, "Other", 1, read1)), 1, kSame},
        {"read: a missing set gives the defaults", kKeep, ReadsLine("COM3", Line("L3", "COM3")), 1, kSame},
        {"read: a section beyond the count is no line", kKeep, Call([] { return CVU_GetSharedPortParams("COM4", nullptr); }),
         FALSE, kSame},
        {"rename", kKeep, Call([] { return CVU_RenamePort("com2", "L2", "Modem"); }), TRUE, renamed},
        {"rename: no line", kKeep, Call([] { return CVU_RenamePort("COM5", "L1", "X"); }), FALSE, kSame},
        {"update", kKeep, Call([&] { return CVU_UpdateSharedPortParams(&l2, 12345); }), TRUE, updated},
        {"update: a line without a set", kKeep, Call([&] { return CVU_UpdateSharedPortParams(&l3, 0); }), TRUE, newSet},
        {"stop line 2 of 4", four, stop("com2"), TRUE,
         Sub(two, {{"LINES=2", "LINES=3"}, {"_CALVEX\r\nLINES=(A,D)", "_CALVEX\r\nLINES=(A,C,D)"},
                   {"NAME=D\r\nPORTNAME=COM4", "NAME=C\r\nPORTNAME=COM3"}}) +
             "[LINE3]\r\nNAME=D\r\nPORTNAME=COM4\r\nTRANSMIT=TA3\r\n"},
        {"stop: a shared set stays", kKeep, stop("COM3"), TRUE, two},
        {"stop: no line", kKeep, stop("COM3"), FALSE, kSame},
        // A default share name retries with a digit before the taken name,
        // in any case; the port's own line does not count.
        {"default share name",
         "[SERVER]\r\nLINES=3\r\n[LINE1]\r\nPORTNAME=COM1\r\nNAME=" + x + "\r\n[LINE2]\r\nPORTNAME=COM2\r\nNAME=2" + x +
             "\r\n[LINE3]\r\nPORTNAME=COM3\r\nNAME=32" + x + "\r\n",
         Names([](char *b) { CVU_GetDefaultShareName("COM3", b); }, "32" + x), 1, kSame},
        {"pool name: the first free number",
         "[COMMON]\r\nNAME=Main\r\n[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=" + pool + "\r\n[GROUP2]\r\nNAME=main_1\r\n",
         Names([](char *b) { CVU_GetPoolName(b, TRUE); }, poolName), 1, kSame},
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
        {"a negative port number", kKeep, Redirect("COM-2", "LINE1"), FALSE, ""},
        {"the number as atol reads it", kKeep, RedirectEx("LPT 12abc", "X", nullptr), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(12)\r\nCOM12DEST=X\r\n"},
        {"a damaged list is written clean", "[CLIENT]\r\nREDIRECTPORTS=(3,0,x,4)\r\nCOM3DEST=A\r\n",
         RedirectEx("COM5", "B", nullptr), TRUE, "[CLIENT]\r\nREDIRECTPORTS=(3,4,5)\r\nCOM3DEST=A\r\nCOM5DEST=B\r\n"},
        {"the 30th port", Redirected(29, desc), Redirect("COM30", "L"), TRUE, Redirected(30, desc)},
        {"no 31st port", kKeep, Redirect("COM31", "L"), FALSE, kSame},
        {"a full list takes no new destination", kKeep, Redirect("COM7", "OTHER"), FALSE, kSame},

        // The client's session settings: out of range reads as the default,
        // only N means no; triggers live in a transmit set of their own.
        {"settings: defaults", "", ReadsSettings(Settings(30, 3, 0, 1, "")), 1, kSame},
        {"settings: out of range", "[SESSIONSPARMS]\r\nACTIVITYTIMER=100\r\nTIMEOUT=-5\r\nQUEUE=No\r\nRETRY=n\r\n",
         ReadsSettings(Settings(30, 3, 1, 0, "")), 1, kSame},
        {"settings: in range", "[SESSIONSPARMS]\r\nACTIVITYTIMER=99\r\nTIMEOUT=0\r\nQUEUE=Y\r\nRETRY=0\r\n",
         ReadsSettings(Settings(99, 0, 1, 1, "")), 1, kSame},
        {"settings: triggers", "", settings(Settings(5, 7, 1, 0, "\x0D\x1B")), TRUE,
         sessions + "TRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(0DH,1BH)\r\n"},
        {"settings: triggers read back", kKeep, ReadsSettings(Settings(5, 7, 1, 0, "\x0D\x1B")), 1, kSame},
        {"settings: no triggers, no set", kKeep, settings(Settings(5, 7, 1, 0, "")), TRUE,
         sessions + "[COMMON]\r\nTRANSMITSETS=0\r\n"},
        {"settings: a line's set stays", lineSet + "[SESSIONSPARMS]\r\nTRANSMIT=ta1\r\n", settings(Settings(30, 3, 0, 1, "")),
         TRUE, lineSet + "[SESSIONSPARMS]\r\nQUEUE=N\r\nRETRY=Y\r\nACTIVITYTIMER=30\r\nTIMEOUT=3\r\n"},

        // The server's settings: getters repair what is out of range, setters
        // refuse it; defaults of absent keys are not written.
        {"buffer default", "", Call(CVU_GetBufferSpace), 6144, kSame},
        {"status default", kKeep, Call(CVU_GetServerStatus), CVU_SERVER_ACTIVE, kSame},
        {"buffer low", low, Call(CVU_GetBufferSpace), 6144, Sub(low, {{"6143", "6144"}})},
        {"log low", kKeep, Call(CVU_GetLogBuffSize), 0, Sub(low, {{"6143", "6144"}, {"=-1", "=0"}})},
        {"timeout low", kKeep, Call(CVU_GetInvalidConTime), 1, Sub(low, {{"6143", "6144"}, {"=-1", "=0"}, {"soon", "1"}})},
        {"lines beyond 100 are not repaired", kKeep, Call(CVU_GetNumServerPorts), 0, kSame},
        {"buffer top", "[COMMON]\r\nBUFFERSPACE=999999\r\n", Call(CVU_GetBufferSpace), 999999, kSame},
        {"set buffer high", kKeep, Call([] { return CVU_SetBufferSpace(1000000); }), FALSE, kSame},
        {"set log", kKeep, Call([] { return CVU_SetLogBuffSize(8192); }), TRUE,
         "[COMMON]\r\nBUFFERSPACE=999999\r\n[SERVER]\r\nLOGSPACE=8192\r\n"},
        {"set log high", kKeep, Call([] { return CVU_SetLogBuffSize(8193); }), FALSE, kSame},
        {"set segments", kKeep, Call([] { return CVU_SetIPXSegmentMethod(1); }), TRUE,
         "[COMMON]\r\nBUFFERSPACE=999999\r\nNETWORKS=1\r\n[SERVER]\r\nLOGSPACE=8192\r\n"},
        {"set status inactive", "", status(0), TRUE, "[SERVER]\r\nSTART=INACTIVE\r\n"},
        {"set status other", kKeep, status(-1), TRUE, "[SERVER]\r\nSTART=NO\r\n"},
        {"status in any case", "[SERVER]\r\nSTART=Inactive\r\n", Call(CVU_GetServerStatus), CVU_SERVER_INACTIVE, kSame},
        {"status as a whole word", "[SERVER]\r\nSTART=ACTIVE NOW\r\n", Call(CVU_GetServerStatus), CVU_SERVER_NOSTART, kSame},
        {"server name stored whole", "", Call([] { return CVU_SetServerName("ABCDEFGHIJKLMNOPQRST"); }), TRUE,
         "[COMMON]\r\nNAME=ABCDEFGHIJKLMNOPQRST\r\n"},
        {"server name read cut to 16", kKeep, Names([](char *b) { CVU_GetServerName(b); }, "ABCDEFGHIJKLMNOP"), 1, kSame},
        // COM1, COM3 and COM4 are the machine's, COM2 a line's, COM5 redirected.
        {"next free port number", "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=Two\r\nPORTNAME=COM2\r\n"
                                  "[CLIENT]\r\nREDIRECTPORTS=(5,6)\r\nCOM5DEST=Pool\r\n",
         Call([] {
             PutController(kMultifunctionBuses, "0", "0", "COM3");
             PutController(kMultifunctionBuses, "0", "1", "COM1");
             PutSerialEntry("Serial0", "COM4");
             return CVU_GetNextRedirectedPort(1);
         }),
         6, kSame},
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
    const std::string file = dir_ + "CVEX.PWF", quarter = {kA, kB, kC, kEAcute};
    const std::pair<const char *, std::string> rows[] = {
        {"abc", std::string({kA, kB, kC}) + std::string(13, kBlank)},
        {"a\xE9", std::string({kA, kEAcute}) + std::string(14, kBlank)},
        {"abc\xE9" "abc\xE9" "abc\xE9" "abc\xE9", quarter + quarter + quarter + quarter},
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
