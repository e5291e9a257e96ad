// cvxcfg ports, lines and line: sharing the machine's ports, the LINE and
// TRANSMIT sections the library writes for them, and each refusal.
#include "cvxcfg_tool.h"
#include "machine_ports.h"

namespace cvxtest {
namespace {

class CvxcfgPorts : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        PutController(kMultifunctionBuses, "0", "0", "COM1");
        PutController(kMultifunctionBuses, "0", "1", "COM4", true);  // a mouse: not listed
        PutSerialEntry("Serial0", "COM2");
        PutSerialEntry("Serial1", "COM3");
    }
    void ExpectClean()
    {
        ProgramResult check = Cvxcfg({"check"});
        EXPECT_EQ(0, check.exitCode) << check.out;
    }
    void ExpectFailure(const std::vector<std::string> &args, int code, const std::string &message)
    {
        ProgramResult run = Cvxcfg(args);
        EXPECT_EQ(code, run.exitCode) << message;
        EXPECT_NE(std::string::npos, run.err.find(message)) << run.err;
    }
};

TEST_F(CvxcfgPorts, ShareListRenameUnshare)
{
    Json ports = CvxcfgJson({"ports"});
    ASSERT_EQ(3u, ports.size());
    EXPECT_EQ("COM1", ports[0]["port"].string);
    EXPECT_EQ(1, ports[0]["number"].number);
    EXPECT_EQ((std::vector<std::string>{"local"}), ports[0]["flags"].Strings());
    EXPECT_EQ("COM3", ports[2]["port"].string);

    Json line = CvxcfgJson({"ports", "share", "com2"});
    const std::string share = line["share"].string;
    ASSERT_FALSE(share.empty());
    EXPECT_EQ("COM2", line["port"].string);
    EXPECT_EQ(9600, line["baud"].number);
    EXPECT_EQ("none", line["parity"].string);
    EXPECT_EQ(8, line["dataBits"].number);
    EXPECT_EQ("1", line["stopBits"].string);
    EXPECT_EQ("hardware", line["flow"].string);
    std::string file = ReadFileText(ini_);
    EXPECT_NE(std::string::npos, file.find("[LINE1]\r\nNAME=" + share + "\r\n")) << file;
    EXPECT_NE(std::string::npos, file.find("PORTNAME=COM2\r\nTRANSMIT=TA1\r\n")) << file;
    EXPECT_NE(std::string::npos, file.find("COM2DEST=" + share + "\r\n")) << file;

    // The port list now shows the line and the redirection the share made.
    ports = CvxcfgJson({"ports"});
    ASSERT_EQ(3u, ports.size());
    EXPECT_EQ((std::vector<std::string>{"local", "redirected", "shared"}), ports[1]["flags"].Strings());
    EXPECT_EQ(share, ports[1]["share"].string);
    ExpectClean();

    // A second line, then a rename: groups and the redirection follow.
    ASSERT_EQ(0, Cvxcfg({"ports", "share", "COM3"}).exitCode);
    Json renamed = CvxcfgJson({"ports", "rename", "COM2", "Fax"});
    EXPECT_EQ("Fax", renamed["share"].string);
    file = ReadFileText(ini_);
    Json lines = CvxcfgJson({"lines"});
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("Fax", lines[0]["share"].string);
    EXPECT_EQ("COM3", lines[1]["port"].string);
    const std::string third = lines[1]["share"].string;
    // The new name leaves every group and joins its groups again, last.
    EXPECT_NE(std::string::npos, file.find("COM2DEST=Fax\r\n")) << file;
    EXPECT_NE(std::string::npos, file.find("NAME=_CALVEX\r\nLINES=(" + third + ",Fax)")) << file;
    ExpectClean();

    ExpectFailure({"ports", "rename", "COM2", third}, 3, "ports rename: another line is named \"" + third + "\"");
    ExpectFailure({"ports", "rename", "COM2", "Seventeen-chars-x"}, 2, "1 to 16 characters");
    ExpectFailure({"ports", "rename", "COM1", "Modem"}, 3, "ports rename: COM1 is not shared");
    ExpectFailure({"ports", "share", "COM2"}, 3, "ports share: COM2 is shared already");
    ExpectFailure({"ports", "share", "COM4"}, 3, "ports share: \"COM4\" is not a port of this machine");
    ExpectFailure({"ports", "share", "LPT1"}, 2, "a port is named COM and its number (1 to 255), not \"LPT1\"");
    EXPECT_EQ(file, ReadFileText(ini_));

    EXPECT_EQ("COM2 (Fax) is no longer shared\n", Cvxcfg({"ports", "unshare", "COM2"}).out);
    ExpectFailure({"ports", "unshare", "COM2"}, 3, "ports unshare: COM2 is not shared");
    lines = CvxcfgJson({"lines"});
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("COM3", lines[0]["port"].string);
    file = ReadFileText(ini_);
    EXPECT_EQ(std::string::npos, file.find("Fax")) << file;
    EXPECT_EQ(std::string::npos, file.find("COM2DEST")) << file;
    ExpectClean();
}

TEST_F(CvxcfgPorts, LineSettings)
{
    ASSERT_EQ(0, Cvxcfg({"ports", "share", "COM1"}).exitCode);
    Json line = CvxcfgJson({"line", "COM1", "--baud", "19200", "--parity", "EVEN", "--data-bits", "7", "--stop-bits",
                            "2", "--flow", "xonxoff", "--triggers", "0D,1b", "--modem", "Hayes", "--inbound", "yes",
                            "--autobaud", "y", "--call-forward", "Pool2"});
    EXPECT_EQ(19200, line["baud"].number);
    EXPECT_EQ("even", line["parity"].string);
    EXPECT_EQ(7, line["dataBits"].number);
    EXPECT_EQ("2", line["stopBits"].string);
    EXPECT_EQ("xonxoff", line["flow"].string);
    EXPECT_EQ((std::vector<std::string>{"0DH", "1BH"}), line["triggers"].Strings());
    EXPECT_EQ("Hayes", line["modem"].string);
    EXPECT_TRUE(line["inbound"].boolean);
    EXPECT_TRUE(line["autobaud"].boolean);
    EXPECT_EQ("Pool2", line["callForward"].string);
    std::string file = ReadFileText(ini_);
    EXPECT_NE(std::string::npos, file.find("MODEM=Hayes\r\nINBOUND=Y\r\nAUTOBAUD=Y\r\n")) << file;
    EXPECT_NE(std::string::npos, file.find("CALLFWD=Pool2\r\n")) << file;
    EXPECT_NE(std::string::npos, file.find("FLOW=(11H,13H)\r\nALPARS=(19200,EVEN,7,2)\r\n")) << file;
    EXPECT_NE(std::string::npos, file.find("TRIGGERS=(0DH,1BH)\r\n")) << file;
    ExpectClean();

    // Only what is named changes; no modem is stored as "N".
    line = CvxcfgJson({"line", "COM1", "--parity", "none", "--modem", ""});
    EXPECT_EQ("none", line["parity"].string);
    EXPECT_EQ(19200, line["baud"].number);
    EXPECT_EQ("", line["modem"].string);
    EXPECT_EQ(2u, line["triggers"].size());
    file = ReadFileText(ini_);
    EXPECT_NE(std::string::npos, file.find("MODEM=N\r\n")) << file;
    EXPECT_NE(std::string::npos, file.find("ALPARS=(19200,NONE,7,2)\r\n")) << file;
    EXPECT_EQ(line["baud"].number, CvxcfgJson({"line", "com1"})["baud"].number);

    ExpectFailure({"line", "COM1", "--parity", "high"}, 2, "line: --parity takes none, odd, even, mark or space, not \"high\"");
    ExpectFailure({"line", "COM1", "--data-bits", "9"}, 2, "line: --data-bits is 4 to 8, not 9");
    ExpectFailure({"line", "COM1", "--stop-bits", "3"}, 2, "--stop-bits takes 1, 1.5 or 2, not \"3\"");
    ExpectFailure({"line", "COM1", "--baud", "fast"}, 2, "\"fast\"");
    ExpectFailure({"line", "COM1", "--baud", "0"}, 2, "line: --baud is a positive number, not 0");
    ExpectFailure({"line", "COM1", "--call-forward", "Seventeen-chars-x"}, 2, "--call-forward holds at most 16 characters, not 17");
    ExpectFailure({"line", "COM1", "--inbound", "maybe"}, 2, "--inbound takes yes or no, not \"maybe\"");
    ExpectFailure({"line", "COM3", "--baud", "2400"}, 3, "line: COM3 is not shared");
    ExpectFailure({"line", "COMX"}, 2, "not \"COMX\"");
    EXPECT_EQ(file, ReadFileText(ini_));
}

TEST_F(CvxcfgPorts, NextFreePort)
{
    // COM1 to COM3 are the machine's; COM5 is redirected.
    ASSERT_EQ(0, Cvxcfg({"redirections", "add", "COM5", "Pool"}).exitCode);
    EXPECT_EQ("COM4\n", Cvxcfg({"redirections", "next-port"}).out);
    Json next = CvxcfgJson({"redirections", "next-port", "5"});
    EXPECT_EQ(6, next["number"].number);
    EXPECT_EQ("COM6", next["port"].string);
    ExpectFailure({"redirections", "next-port", "0"}, 2, "the first port number is 1 to 255, not 0");
}

}  // namespace
}  // namespace cvxtest
