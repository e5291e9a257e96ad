// cvxcfg as an administrator runs it: what it prints (as text and as --json),
// what it stores through the library, its refusals with their exit codes (2:
// the command line, 3: the library or the store), and what check finds.

#include "cvxcfg_tool.h"
#include "cvxutil.h"
#include "machine_ports.h"

namespace cvxtest {
namespace {

class CvxcfgTool : public CleanTest {
protected:
    // Runs the tool and expects its exit code; returns what it printed on
    // standard output, and on standard error when it failed.
    std::string Run(std::vector<std::string> args, int code = 0)
    {
        ProgramResult run = Cvxcfg(args);
        std::string line;
        for (const std::string &arg : args) line += arg + " ";
        EXPECT_EQ(code, run.exitCode) << line << "\n" << run.out << run.err;
        return code ? run.out + run.err : run.out;
    }
    std::string Json(std::vector<std::string> args)
    {
        args.push_back("--json");
        return Run(args);
    }
    void ExpectClean()
    {
        ProgramResult check = Cvxcfg({"check"});
        EXPECT_EQ(0, check.exitCode) << check.out;
    }
    void MachinePorts()
    {
        PutController(kMultifunctionBuses, "0", "0", "COM1");
        PutController(kMultifunctionBuses, "0", "1", "COM4", true);  // a mouse: not listed
        PutSerialEntry("Serial0", "COM2");
        PutSerialEntry("Serial1", "COM3");
    }
};

bool Has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }
// Each part must appear in the text.
void ExpectHas(const std::string &text, std::initializer_list<std::string> parts)
{
    for (const std::string &part : parts) EXPECT_TRUE(Has(text, part)) << "no " << part << " in:\n" << text;
}
void ExpectHas(const std::string &text, const std::string &part) { ExpectHas(text, {part}); }

const char kLines[] = "[SERVER]\r\nLINES=3\r\n"
                      "[LINE1]\r\nNAME=North\r\nPORTNAME=COM1\r\n"
                      "[LINE2]\r\nNAME=South\r\nPORTNAME=COM2\r\n"
                      "[LINE3]\r\nNAME=East\r\nPORTNAME=COM3\r\n";

// Every refusal names what is wrong and leaves the configuration as it was.
TEST_F(CvxcfgTool, RefusalsNameTheValueAndChangeNothing)
{
    MachinePorts();
    ASSERT_TRUE(WriteFileText(ini_, kLines));
    Run({"groups", "add", "Sales", "North"});
    Run({"services", "add", "Fax", "--program", "fax.exe"});
    const std::string before = ReadFileText(ini_);
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{}, 2, "cvxcfg: no command given"},
        {{"frobnicate"}, 2, "cvxcfg: unknown command \"frobnicate\""},
        {{"--verbose", "groups"}, 2, "unknown option \"--verbose\" before the command"},
        {{"server", "set", "--name", "BETA", "--timeout", "soon"}, 2, "--timeout takes a number, not \"soon\""},
        {{"server", "set"}, 2, "server set: nothing to set"},
        {{"server", "set", "--name", "SEVENTEEN-LETTERS"}, 2, "1 to 16 characters, not 17 (\"SEVENTEEN-LETTERS\")"},
        {{"services", "add", "fax", "--program", "x"}, 3, "a service named \"fax\" exists (--replace overwrites it)"},
        {{"groups", "add", "Ops", "West"}, 3, "groups add: no shared line named \"West\""},
        {{"groups", "members", "Sales", "swap", "North"}, 2, "the action is add, remove or set, not \"swap\""},
        {{"groups", "params", "Sales", "--inbound", "maybe"}, 2, "--inbound takes yes or no, not \"maybe\""},
        {{"ports", "rename", "COM2", "north"}, 3, "ports rename: another line is named \"north\""},
        {{"ports", "share", "COM1"}, 3, "ports share: COM1 is shared already"},
        {{"ports", "share", "COM4"}, 3, "ports share: \"COM4\" is not a port of this machine"},
        {{"ports", "share", "LPT1"}, 2, "a port is named COM and its number (1 to 255), not \"LPT1\""},
        {{"line", "COM1", "--stop-bits", "3"}, 2, "--stop-bits takes 1, 1.5 or 2, not \"3\""},
        {{"redirections", "add", "COM4", "A-destination-17c"}, 2, "1 to 16 characters, not \"A-destination-17c\""},
        {{"redirections", "next-port", "0"}, 2, "the first port number is 1 to 255, not 0"},
        {{"client", "set", "--timeout", "100"}, 2, "client set: --timeout is 0 to 99, not 100"},
        {{"client", "set", "--triggers", "1,2,3,4,5,6,7,8,9,a,b,c,d,e,f,10,11"}, 2, "at most 16 characters, not 17"},
        {{"queues", "add", "cvxcfg-none", "x"}, 3, "the library refused the message for \"cvxcfg-none\" (error "},
        {{"tables", "entry", "Lines", "3"}, 3, "there is no IBDAT table"},
        {{"check", "--file", dir_ + "none.ini"}, 2, "--file names no file: \"" + dir_ + "none.ini\""},
    };
    for (const Case &c : cases) ExpectHas(Run(c.args, c.code), c.message);
    EXPECT_EQ(before, ReadFileText(ini_));
}

// What the library refuses exits with 3 and tells what was stored before.
TEST_F(CvxcfgTool, ServerSettingsAndPassword)
{
    ExpectHas(Run({"server", "set", "--buffer-space", "6143"}, 3),
              "the library refused --buffer-space 6143: the buffer space is 6144 to 999999; nothing was changed");
    EXPECT_FALSE(FileExists(ini_));
    ExpectHas(Run({"server", "set", "--buffer-space", "7000", "--timeout", "100"}, 3),
              "--timeout 100: the time-out is 1 to 99; already stored: buffer space");
    EXPECT_EQ("[COMMON]\r\nBUFFERSPACE=7000\r\n", ReadFileText(ini_));

    DeleteFileA(ini_.c_str());
    std::string json = Json({"server", "set", "--name", "QUAY", "--buffer-space", "8192", "--log-size", "100",
                             "--timeout=30", "--status", "NO"});
    EXPECT_EQ("[COMMON]\r\nBUFFERSPACE=8192\r\nNAME=QUAY\r\n[SERVER]\r\nLOGSPACE=100\r\nTIMEOUT=30\r\nSTART=NO\r\n",
              ReadFileText(ini_));
    EXPECT_EQ(json, Run({"--json", "server"}));
    ExpectHas(json, {"\"name\":\"QUAY\"", "\"bufferSpace\":8192", "\"logSize\":100", "\"timeout\":30",
                     "\"status\":\"no\"", "\"remotePassword\":false"});
    ExpectHas(Run({"server"}), "name:            QUAY\n");

    // A crafted file must not drive the administrator's terminal.
    ASSERT_TRUE(WriteFileText(ini_, "[COMMON]\r\nNAME=A\x1b[2J\x07\x7f\r\n"));
    std::string text = Run({"server"});
    ExpectHas(text, {"A\\x1b[2J\\x07\\x7f"});
    EXPECT_EQ(std::string::npos, text.find_first_of("\x1b\x07\x7f"));
    ExpectHas(Json({"server"}), "\"name\":\"A\\u001b[2J\\u0007\\u007f\"");

    const std::string pwf = dir_ + "CVEX.PWF";
    EXPECT_EQ("remote password set\n", Run({"server", "password", "s3cret"}));
    EXPECT_EQ(17u, ReadFileText(pwf).size());
    ExpectHas(Json({"server"}), "\"remotePassword\":true");
    ExpectHas(Json({"server", "password", "--clear"}), "\"done\":\"remote password cleared\"");
    EXPECT_FALSE(FileExists(pwf));
}

TEST_F(CvxcfgTool, SharingPortsAndLineSettings)
{
    MachinePorts();
    std::string ports = Json({"ports"});
    ExpectHas(ports, {"{\"number\":1,\"port\":\"COM1\",\"flags\":[\"local\"]"});
    EXPECT_FALSE(Has(ports, "COM4"));

    std::string line = Json({"ports", "share", "com2"});
    ExpectHas(line, {"\"port\":\"COM2\"", "\"baud\":9600", "\"parity\":\"none\"", "\"dataBits\":8", "\"stopBits\":\"1\"",
                     "\"flow\":\"hardware\""});
    Run({"ports", "share", "COM3"});
    ExpectHas(Json({"ports"}), "\"flags\":[\"local\",\"redirected\",\"shared\"]");
    Json({"ports", "rename", "COM2", "Fax"});
    std::string file = ReadFileText(ini_);
    ExpectHas(file, {"[LINE1]\r\nNAME=Fax\r\n", "PORTNAME=COM2\r\nTRANSMIT=TA1\r\n", "COM2DEST=Fax\r\n"});
    // The new name leaves every group and joins its groups again, last.
    ExpectHas(file, {"NAME=_CALVEX\r\nLINES=(", ",Fax)\r\n"});
    ExpectClean();

    line = Json({"line", "COM2", "--baud", "19200", "--parity", "EVEN", "--data-bits", "7", "--stop-bits", "2",
                 "--flow", "xonxoff", "--triggers", "0D,1b", "--modem", "Hayes", "--inbound", "yes", "--autobaud",
                 "y", "--call-forward", "Pool2"});
    ExpectHas(line, {"\"triggers\":[\"0DH\",\"1BH\"]"});
    file = ReadFileText(ini_);
    ExpectHas(file, {"MODEM=Hayes\r\nINBOUND=Y\r\nAUTOBAUD=Y\r\n", "CALLFWD=Pool2\r\n",
                     "FLOW=(11H,13H)\r\nALPARS=(19200,EVEN,7,2)\r\n", "TRIGGERS=(0DH,1BH)\r\n"});

    EXPECT_EQ("COM2 (Fax) is no longer shared\n", Run({"ports", "unshare", "COM2"}));
    file = ReadFileText(ini_);
    EXPECT_FALSE(Has(file, "Fax")) << file;
    EXPECT_FALSE(Has(file, "COM2DEST")) << file;
    ExpectHas(Json({"lines"}), "\"port\":\"COM3\"");
    ExpectClean();

    // COM1 to COM3 are the machine's; COM5 is redirected.
    Run({"redirections", "add", "COM5", "Pool"});
    EXPECT_EQ("COM4\n", Run({"redirections", "next-port"}));
    ExpectHas(Json({"redirections", "next-port", "5"}), "\"port\":\"COM6\"");
}

TEST_F(CvxcfgTool, GroupsFromAddToPurge)
{
    ASSERT_TRUE(WriteFileText(ini_, kLines));
    ExpectHas(Json({"groups", "add", "Sales", "North", "south"}), "\"lines\":[\"North\",\"south\"]");
    Run({"groups", "add", "Empty"});
    Run({"groups", "add", "Ops", "East"});
    EXPECT_EQ(0u, Run({"groups"}).find("name   lines        conference  callForward  phone  inbound\n"
                                       "Sales  North,south  none                            no\n"));
    ExpectHas(Json({"groups", "members", "Sales", "add", "East", "north"}),
              "\"lines\":[\"North\",\"south\",\"East\"]");
    ExpectHas(Json({"groups", "members", "Sales", "remove", "North", "east"}), "\"lines\":[\"south\"]");
    ExpectHas(Json({"groups", "members", "Sales", "set", "East", "North"}), "\"lines\":[\"East\",\"North\"]");
    Run({"groups", "rename", "Sales", "Field"});
    ExpectHas(Run({"groups", "rename", "Field", "ops"}, 3), "a group named \"ops\" exists");
    Run({"groups", "params", "Field", "--conference", "h", "--phone", "555", "--inbound", "yes"});
    ExpectHas(ReadFileText(ini_),
              "[GROUP1]\r\nNAME=Field\r\nLINES=(East,North)\r\nCONFERENCE=H\r\nPHONE=555\r\nINBOUND=2\r\n");
    ExpectHas(Json({"groups", "params", "Field", "--clear"}), "\"conference\":\"none\"");
    Run({"groups", "members", "Ops", "set"});
    ExpectHas(Json({"groups", "purge"}), "\"removed\":[\"Empty\",\"Ops\"]");
    EXPECT_EQ("no empty group\n", Run({"groups", "purge"}));
    EXPECT_EQ("group field deleted\n", Run({"groups", "delete", "field"}));
    EXPECT_EQ(std::string(kLines).replace(19, 0, "GROUPS=0\r\n"), ReadFileText(ini_));
}

TEST_F(CvxcfgTool, RedirectionsAndSessionSettings)
{
    ExpectHas(Json({"redirections", "add", "com5", "Pool", "--description", "to the pool"}),
              "{\"port\":\"COM5\",\"destination\":\"Pool\",\"description\":\"to the pool\"}");
    Run({"redirections", "add", "COM3", "Modem1"});
    ExpectHas(Json({"redirections"}), "[{\"port\":\"COM3\",\"destination\":\"Modem1\",");
    std::string file = ReadFileText(ini_);
    ExpectHas(file, {"REDIRECTPORTS=(5,3)", "Port5Desc=to the pool"});
    EXPECT_EQ("COM5 is no longer redirected\n", Run({"redirections", "remove", "COM5"}));

    ExpectHas(Json({"client"}), "\"activityTimer\":30,");
    Run({"client", "set", "--activity-timer", "10", "--queue", "yes", "--triggers", "03,1bh"});
    file = ReadFileText(ini_);
    ExpectHas(file, {"QUEUE=Y", "ACTIVITYTIMER=10", "TRIGGERS=(03H,1BH)"});
    ExpectClean();
    Run({"client", "set", "--triggers", "none"});
    file = ReadFileText(ini_);
    EXPECT_FALSE(Has(file, "TRIGGERS=") || Has(file, "TRANSMIT=") || Has(file, "[TRANSMIT1]")) << file;
    ExpectClean();
}

TEST_F(CvxcfgTool, InboundServicesShowSecurityOnlyWhenAsked)
{
    Run({"services", "add", "Fax", "--program", "C:\\Fax\\fax.exe", "--cmdline", "/in /quiet", "--selected",
         "--timeout", "45", "--security", "only the fax room"});
    Run({"services", "add", "Bbs", "--program", "bbs.exe", "--options", "1"});
    const std::string key = "Software\\Quillon\\Calvex\\InBound Services\\Services\\ibs00";
    std::string text;
    DWORD options = 0, timeout = 0;
    EXPECT_TRUE(GetRegString(HKEY_CURRENT_USER, key.c_str(), "CmdLine", &text));
    EXPECT_EQ("/in /quiet", text);
    EXPECT_TRUE(GetRegDword(HKEY_CURRENT_USER, key.c_str(), "Options", &options));
    EXPECT_EQ(8u, options);
    EXPECT_TRUE(GetRegDword(HKEY_CURRENT_USER, key.c_str(), "AccessTmo", &timeout));
    EXPECT_EQ(45u, timeout);
    EXPECT_FALSE(Has(Json({"services"}), "fax room"));
    EXPECT_FALSE(Has(Run({"services", "show", "Fax"}), "fax room"));
    ExpectHas(Json({"services", "show", "fax", "--security"}), "\"security\":\"only the fax room\"");
    std::string selected = Json({"services", "--selected"});
    EXPECT_TRUE(Has(selected, "Fax") && !Has(selected, "Bbs")) << selected;
    ExpectHas(Json({"services", "add", "fax", "--program", "other.exe", "--replace"}), "\"program\":\"other.exe\"");
    EXPECT_EQ("service bbs deleted\n", Run({"services", "delete", "bbs"}));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, (key.substr(0, key.size() - 2) + "01").c_str()));
}

// A configuration as the library writes it, then broken one way per row.
TEST_F(CvxcfgTool, CheckReportsEachInconsistency)
{
    const std::string clean =
        "[COMMON]\r\nNAME=HARBOUR\r\nBUFFERSPACE=8192\r\nTRANSMITSETS=3\r\n"
        "[SERVER]\r\nSTART=ACTIVE\r\nLINES=2\r\nGROUPS=2\r\nLOGSPACE=0\r\nTIMEOUT=5\r\n"
        "[LINE1]\r\nNAME=Modem1\r\nMODEM=N\r\nAUTOBAUD=Y\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
        "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n"
        "[LINE2]\r\nNAME=Modem2\r\nINBOUND=Y\r\nCALLFWD=Modem1\r\nPORTNAME=COM2\r\nTRANSMIT=TA2\r\n"
        "[TRANSMIT2]\r\nNAME=TA2\r\nFLOW=(11H,13H)\r\nALPARS=(19200,EVEN,7,1.5)\r\nTRIGGERS=(0DH,1BH)\r\n"
        "[TRANSMIT3]\r\nNAME=TA3\r\nTRIGGERS=(03H)\r\n"
        "[GROUP1]\r\nNAME=Pool\r\nLINES=(Modem1,Modem2)\r\nCONFERENCE=F\r\nINBOUND=2\r\n"
        "[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(Modem1)\r\n"
        "[CLIENT]\r\nREDIRECTPORTS=(1,2,7)\r\nCOM1DEST=Modem1\r\nCOM2DEST=Modem2\r\nCOM7DEST=Pool\r\n"
        "[SESSIONSPARMS]\r\nACTIVITYTIMER=30\r\nTIMEOUT=3\r\nTRANSMIT=TA3\r\n";
    ASSERT_TRUE(WriteFileText(ini_, clean));
    EXPECT_EQ(ini_ + ": no problems found\n", Run({"check"}));
    struct Case {
        const char *from, *to;
        std::vector<std::string> problems;
    } cases[] = {
        {"LINES=2\r\nG", "LINES=3\r\nG", {"[SERVER] LINES=3: section LINE3 is missing"}},
        {"LINES=2\r\nG", "LINES=1\r\nG",
         {"[LINE2]: not counted by SERVER LINES=1, so it is no line",
          "[TRANSMIT2] NAME=TA2: no line and no client settings name this set",
          "[GROUP1] LINES=(Modem1,Modem2): \"Modem2\" is no shared line"}},
        // An out-of-range count is reported first; the lines it hides follow.
        {"LINES=2\r\nG", "LINES=101\r\nG", {"[SERVER] LINES=101: out of range 0 to 100", "..."}},
        {"PORTNAME=COM2", "PORTNAME=com1", {"[LINE2] PORTNAME=com1: the port already has a line in [LINE1]"}},
        {"NAME=Modem2\r\nI", "NAME=MODEM1\r\nI",
         {"[LINE2] NAME=MODEM1: the share name of [LINE1] too", "[GROUP1] LINES=(Modem1,Modem2): \"Modem2\" is no shared line"}},
        {"TRANSMIT=TA2", "TRANSMIT=TA9",
         {"[LINE2] TRANSMIT=TA9: names a transmit set that does not exist",
          "[TRANSMIT2] NAME=TA2: no line and no client settings name this set"}},
        // A count far beyond the sections is one problem, found without walking it.
        {"TRANSMITSETS=3", "TRANSMITSETS=2000000000",
         {"[COMMON] TRANSMITSETS=2000000000: sections TRANSMIT4 to TRANSMIT2000000000 are missing"}},
        {"(19200,EVEN,7,1.5)", "(19200,EVEN,9,3)",
         {"[TRANSMIT2] ALPARS=(19200,EVEN,9,3): data bits \"9\" out of range 4 to 8",
          "[TRANSMIT2] ALPARS=(19200,EVEN,9,3): stop bits \"3\" are not 1, 1.5 or 2"}},
        {"(0DH,1BH)", "(0DH,1B,0dH)",
         {"[TRANSMIT2] TRIGGERS=(0DH,1B,0dH): entry \"1B\" is not two hexadecimal digits and H",
          "[TRANSMIT2] TRIGGERS=(0DH,1B,0dH): character 0DH is listed twice"}},
        {"(1,2,7)", "(1,2,7,9)", {"[CLIENT] REDIRECTPORTS=(1,2,7,9): port 9 has no COM9DEST"}},
        {"(1,2,7)", "(1,2,x7)",
         {"[CLIENT] REDIRECTPORTS=(1,2,x7): entry \"x7\" is not a port number above 0",
          "[CLIENT] COM7DEST=Pool: port 7 is not in REDIRECTPORTS"}},
        {"LOGSPACE=0", "LOGSPACE=-1", {"[SERVER] LOGSPACE=-1: out of range 0 to 8192"}},
    };
    for (const Case &c : cases) {
        std::string broken = clean;
        ASSERT_NE(std::string::npos, broken.find(c.from)) << c.from;
        broken.replace(broken.find(c.from), strlen(c.from), c.to);
        ASSERT_TRUE(WriteFileText(ini_, broken));
        std::string out = Run({"check"}, 1);
        EXPECT_EQ(0u, out.find(c.problems[0])) << out;
        for (const std::string &problem : c.problems) ExpectHas(out, problem == "..." ? "" : problem);
        if (c.problems.back() != "...")
            ExpectHas(out, {ini_ + ": " + std::to_string(c.problems.size()) + " problem"});
    }
    // --file checks another file; a missing one is an empty configuration.
    std::string other = dir_ + "other.ini";
    ASSERT_TRUE(WriteFileText(other, clean));
    Run({"check", "--file", other});
    DeleteFileA(ini_.c_str());
    EXPECT_EQ(ini_ + ": no such file (an empty configuration)\n", Run({"check"}));
}

// A second process watches the queue it creates, as the tour does.
CVX_CHILD_ROLE(cvxcfg_watch)
{
    ProgramResult run = RunTool("cvxcfg.exe", {"queues", "watch", args.at(0), "--create", "--count", "2", "--timeout",
                                               "30000", "--json"});
    PutResult("watch", run.out + run.err);
    return run.exitCode;
}

TEST_F(CvxcfgTool, QueuesBetweenProcesses)
{
    ChildProcess watcher = StartChild("cvxcfg_watch", {"cvxcfg-watch-q"});
    ASSERT_TRUE(watcher.Started());
    NmqHandle *probe = nullptr;
    for (int i = 0; i < 300 && CVU_NmqOpen("cvxcfg-watch-q", &probe) != ERROR_SUCCESS; ++i) Sleep(50);
    ASSERT_NE(nullptr, probe) << "the watcher never created its queue";
    Run({"queues", "add", "cvxcfg-watch-q", "first message", "--type", "7"});
    Run({"queues", "add", "cvxcfg-watch-q", "second"});
    EXPECT_EQ(0, watcher.Wait(40000));
    CVU_NmqClose(probe);
    std::string watched = GetResult("watch");
    ExpectHas(watched, {"\"type\":7,"});
    EXPECT_LT(watched.find("first message"), watched.find("second")) << watched;

    NmqHandle *queue = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate("cvxcfg-q", 0, 0, 0, &queue));
    Run({"queues", "add", "cvxcfg-q", "older", "--type", "5"});
    Run({"queues", "add", "cvxcfg-q", "newer"});
    ExpectHas(Json({"queues", "remove", "cvxcfg-q", "--last"}), "\"text\":\"newer\"");
    ExpectHas(Json({"queues", "remove", "cvxcfg-q"}), "\"type\":5,\"length\":5,\"text\":\"older\"");
    ExpectHas(Run({"queues", "remove", "cvxcfg-q"}, 3), "queues remove: queue \"cvxcfg-q\" is empty");
    ExpectHas(Run({"queues", "watch", "cvxcfg-q", "--timeout", "10"}, 3), "has no event to wait on");
    CVU_NmqClose(queue);
}

TEST_F(CvxcfgTool, StatusTables)
{
    ExpectHas(Json({"tables", "ibdat"}), "\"exists\":false");
    NsmHandle *ibdat = nullptr, *rmdat = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(3, 0, &ibdat));
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &rmdat));
    Run({"tables", "entry", "Lines", "3"});
    Run({"tables", "entry", "Calls", "12"});
    Run({"tables", "entry", "lines", "4"});
    ExpectHas(Json({"tables", "ibdat"}), "\"size\":3,\"entries\":[{\"slot\":1,\"name\":\"Lines\",\"value\":4},"
                                          "{\"slot\":2,\"name\":\"Calls\",\"value\":12}]");
    Run({"tables", "entry", "C", "1"});
    ExpectHas(Run({"tables", "entry", "D", "1"}, 3), "every IBDAT entry is in use");
    // A damaged header is reported, never walked: an entry count far past
    // the block, then an entries offset past it.
    BYTE *data = nullptr;
    ASSERT_EQ(0u, CVU_NsmDataView(ibdat, reinterpret_cast<void **>(&data)));
    for (size_t field : {12, 20}) {
        DWORD saved = *reinterpret_cast<DWORD *>(data + field);
        *reinterpret_cast<DWORD *>(data + field) = 0x7FFFFFF0;
        Run({"tables", "ibdat"}, 3);
        *reinterpret_cast<DWORD *>(data + field) = saved;
    }
    ExpectHas(Json({"tables", "rmdat", "--state", "2", "--text", "dialling", "--value", "41"}),
              {"\"state\":2,", "\"text\":\"dialling\""});
    CVU_RmdatClose(rmdat);
    CVU_IbdatClose(ibdat);
}

}  // namespace
}  // namespace cvxtest
