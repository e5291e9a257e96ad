// cvxcfg check: nothing in a clean CVEX.INI, each kind of inconsistency in a
// hand-broken one, reported with its section, key and value.
#include "cvxcfg_tool.h"

namespace cvxtest {
namespace {

class CvxcfgCheck : public CleanTest {
protected:
    // Problems check reports for the file, as "[SECTION] KEY=value: text".
    std::vector<std::string> Problems(const std::string &file)
    {
        EXPECT_TRUE(WriteFileText(ini_, file));
        int code = 0;
        Json json = CvxcfgJson({"check"}, -1, &code);
        EXPECT_EQ(json["problems"].size() ? 1 : 0, code);
        std::vector<std::string> out;
        for (const Json &p : json["problems"].array) {
            std::string line = "[" + p["section"].string + "]";
            if (!p["key"].string.empty())
                line += " " + p["key"].string + (p["value"].kind == Json::kNull ? " (absent)" : "=" + p["value"].string);
            out.push_back(line + ": " + p["problem"].string);
        }
        return out;
    }
};

// A configuration as the library writes it: two lines with their sets, a
// group, redirections and client settings with a set of their own.
const char kClean[] =
    "[COMMON]\r\nNAME=HARBOUR\r\nBUFFERSPACE=8192\r\nTRANSMITSETS=3\r\n"
    "[SERVER]\r\nSTART=ACTIVE\r\nLINES=2\r\nGROUPS=2\r\nLOGSPACE=0\r\nTIMEOUT=5\r\n"
    "[LINE1]\r\nNAME=Modem1\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=Y\r\nPORTNAME=COM1\r\nTRANSMIT=TA1\r\n"
    "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n"
    "[LINE2]\r\nNAME=Modem2\r\nMODEM=Hayes\r\nINBOUND=Y\r\nCALLFWD=Modem1\r\nAUTOBAUD=N\r\nPORTNAME=COM2\r\nTRANSMIT=TA2\r\n"
    "[TRANSMIT2]\r\nNAME=TA2\r\nDTPARS=(140,60,720)\r\nFLOW=(11H,13H)\r\nALPARS=(19200,EVEN,7,1.5)\r\nTRIGGERS=(0DH,1BH)\r\n"
    "[TRANSMIT3]\r\nNAME=TA3\r\nTRIGGERS=(03H)\r\n"
    "[GROUP1]\r\nNAME=Pool\r\nLINES=(Modem1,Modem2)\r\nCONFERENCE=F\r\nINBOUND=2\r\n"
    "[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(Modem1)\r\n"
    "[CLIENT]\r\nREDIRECTPORTS=(1,2,7)\r\nCOM1DEST=Modem1\r\nCOM2DEST=Modem2\r\nCOM7DEST=Pool\r\n"
    "[DESC]\r\nPort7Desc=Redirected port\r\n"
    "[SESSIONSPARMS]\r\nQUEUE=N\r\nRETRY=Y\r\nACTIVITYTIMER=30\r\nTIMEOUT=3\r\nTRANSMIT=TA3\r\n";

std::string Replace(std::string text, const std::string &from, const std::string &to)
{
    size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST_F(CvxcfgCheck, CleanFileHasNoProblem)
{
    ASSERT_TRUE(WriteFileText(ini_, kClean));
    ProgramResult run = Cvxcfg({"check"});
    EXPECT_EQ(0, run.exitCode) << run.out;
    EXPECT_EQ(ini_ + ": no problems found\n", run.out);
    // A missing file is an empty configuration.
    DeleteFileA(ini_.c_str());
    ProgramResult none = Cvxcfg({"check"});
    EXPECT_EQ(0, none.exitCode);
    EXPECT_EQ(ini_ + ": no such file (an empty configuration)\n", none.out);
}

TEST_F(CvxcfgCheck, LineCountAgainstSections)
{
    EXPECT_EQ((std::vector<std::string>{"[SERVER] LINES=3: section LINE3 is missing"}),
              Problems(Replace(kClean, "LINES=2\r\nGROUPS", "LINES=3\r\nGROUPS")));
    std::vector<std::string> one = Problems(Replace(kClean, "LINES=2\r\nGROUPS", "LINES=1\r\nGROUPS"));
    EXPECT_EQ((std::vector<std::string>{
                  "[LINE2]: not counted by SERVER LINES=1, so it is no line",
                  "[TRANSMIT2] NAME=TA2: no line and no client settings name this set",
                  "[GROUP1] LINES=(Modem1,Modem2): \"Modem2\" is no shared line",
              }),
              one);
    // An out-of-range count is reported first; the lines it hides follow.
    EXPECT_EQ("[SERVER] LINES=101: out of range 0 to 100",
              Problems(Replace(kClean, "LINES=2\r\nGROUPS", "LINES=101\r\nGROUPS")).at(0));
}

TEST_F(CvxcfgCheck, PortsAndShareNames)
{
    EXPECT_EQ((std::vector<std::string>{"[LINE2] PORTNAME=com1: the port already has a line in [LINE1]"}),
              Problems(Replace(kClean, "PORTNAME=COM2", "PORTNAME=com1")));
    std::vector<std::string> twice = Problems(Replace(Replace(kClean, "NAME=Modem2\r\nMODEM", "NAME=MODEM1\r\nMODEM"),
                                                      "(Modem1,Modem2)", "(Modem1)"));
    EXPECT_EQ((std::vector<std::string>{"[LINE2] NAME=MODEM1: the share name of [LINE1] too"}), twice);
    EXPECT_EQ((std::vector<std::string>{"[LINE1] PORTNAME (absent): missing: the line matches no port"}),
              Problems(Replace(kClean, "PORTNAME=COM1\r\n", "")));
}

TEST_F(CvxcfgCheck, TransmitSetsAndOwners)
{
    EXPECT_EQ((std::vector<std::string>{"[LINE2] TRANSMIT=TA9: names a transmit set that does not exist",
                                        "[TRANSMIT2] NAME=TA2: no line and no client settings name this set"}),
              Problems(Replace(kClean, "TRANSMIT=TA2", "TRANSMIT=TA9")));
    EXPECT_EQ((std::vector<std::string>{"[SESSIONSPARMS] TRANSMIT=TA4: names a transmit set that does not exist",
                                        "[TRANSMIT3] NAME=TA3: no line and no client settings name this set"}),
              Problems(Replace(kClean, "TRANSMIT=TA3", "TRANSMIT=TA4")));
    EXPECT_EQ((std::vector<std::string>{"[COMMON] TRANSMITSETS=4: section TRANSMIT4 is missing"}),
              Problems(Replace(kClean, "TRANSMITSETS=3", "TRANSMITSETS=4")));
    // A count far beyond the sections is one problem, found without walking it.
    EXPECT_EQ((std::vector<std::string>{
                  "[COMMON] TRANSMITSETS=2000000000: sections TRANSMIT4 to TRANSMIT2000000000 are missing"}),
              Problems(Replace(kClean, "TRANSMITSETS=3", "TRANSMITSETS=2000000000")));
    EXPECT_EQ((std::vector<std::string>{
                  "[TRANSMIT2] FLOW=(2H,2H): not (0H,0H), (11H,13H) or (1H,1H)",
                  "[TRANSMIT2] ALPARS=(19200,EVEN,9,3): data bits \"9\" out of range 4 to 8",
                  "[TRANSMIT2] ALPARS=(19200,EVEN,9,3): stop bits \"3\" are not 1, 1.5 or 2",
                  "[TRANSMIT2] TRIGGERS=(0DH,1B,0dH): entry \"1B\" is not two hexadecimal digits and H",
                  "[TRANSMIT2] TRIGGERS=(0DH,1B,0dH): character 0DH is listed twice",
              }),
              Problems(Replace(Replace(Replace(kClean, "FLOW=(11H,13H)", "FLOW=(2H,2H)"), "(19200,EVEN,7,1.5)",
                                       "(19200,EVEN,9,3)"),
                               "(0DH,1BH)", "(0DH,1B,0dH)")));
}

TEST_F(CvxcfgCheck, GroupsAndRedirections)
{
    EXPECT_EQ((std::vector<std::string>{"[GROUP2] LINES=(Modem1,Modem3): \"Modem3\" is no shared line"}),
              Problems(Replace(kClean, "LINES=(Modem1)\r\n", "LINES=(Modem1,Modem3)\r\n")));
    EXPECT_EQ((std::vector<std::string>{"[GROUP2] NAME=pool: the name of [GROUP1] too: only that one is found"}),
              Problems(Replace(kClean, "NAME=_CALVEX", "NAME=pool")));
    EXPECT_EQ((std::vector<std::string>{"[CLIENT] REDIRECTPORTS=(1,2,7,9): port 9 has no COM9DEST"}),
              Problems(Replace(kClean, "(1,2,7)", "(1,2,7,9)")));
    EXPECT_EQ((std::vector<std::string>{"[CLIENT] COM7DEST=Pool: port 7 is not in REDIRECTPORTS"}),
              Problems(Replace(kClean, "(1,2,7)", "(1,2)")));
    EXPECT_EQ((std::vector<std::string>{"[CLIENT] REDIRECTPORTS=(1,2,x7): entry \"x7\" is not a port number above 0",
                                        "[CLIENT] COM7DEST=Pool: port 7 is not in REDIRECTPORTS"}),
              Problems(Replace(kClean, "(1,2,7)", "(1,2,x7)")));
}

TEST_F(CvxcfgCheck, ValuesOutOfRange)
{
    std::string broken = Replace(kClean, "BUFFERSPACE=8192", "BUFFERSPACE=6143");
    broken = Replace(broken, "LOGSPACE=0", "LOGSPACE=-1");
    broken = Replace(broken, "TIMEOUT=5", "TIMEOUT=soon");
    broken = Replace(broken, "START=ACTIVE", "START=maybe");
    broken = Replace(broken, "AUTOBAUD=Y", "AUTOBAUD=yes");
    broken = Replace(broken, "ACTIVITYTIMER=30", "ACTIVITYTIMER=100");
    broken = Replace(broken, "CONFERENCE=F", "CONFERENCE=Q");
    EXPECT_EQ((std::vector<std::string>{
                  "[SERVER] START=maybe: not ACTIVE, INACTIVE or NO",
                  "[SERVER] LOGSPACE=-1: out of range 0 to 8192",
                  "[SERVER] TIMEOUT=soon: not a number",
                  "[COMMON] BUFFERSPACE=6143: out of range 6144 to 999999",
                  "[LINE1] AUTOBAUD=yes: not Y or N",
                  "[SESSIONSPARMS] ACTIVITYTIMER=100: out of range 0 to 99",
                  "[GROUP1] CONFERENCE=Q: not H or F",
              }),
              Problems(broken));

    ASSERT_TRUE(WriteFileText(ini_, broken));
    ProgramResult text = Cvxcfg({"check"});
    EXPECT_EQ(1, text.exitCode);
    EXPECT_NE(std::string::npos, text.out.find("[SERVER] LOGSPACE=-1: out of range 0 to 8192\n"));
    EXPECT_NE(std::string::npos, text.out.find(ini_ + ": 7 problems found\n"));
    // --file checks another file, here the clean one.
    std::string other = dir_ + "other.ini";
    ASSERT_TRUE(WriteFileText(other, kClean));
    EXPECT_EQ(0, Cvxcfg({"check", "--file", other}).exitCode);
    ProgramResult missing = Cvxcfg({"check", "--file", dir_ + "none.ini"});
    EXPECT_EQ(2, missing.exitCode);
    EXPECT_NE(std::string::npos, missing.err.find("--file names no file: \"" + dir_ + "none.ini\""));
}

}  // namespace
}  // namespace cvxtest
