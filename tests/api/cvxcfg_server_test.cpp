// cvxcfg server: the settings as the library reads them, changes written to
// CVEX.INI, refusals with exit code 3, and the remote password file.
#include "cvxcfg_tool.h"

namespace cvxtest {
namespace {

class CvxcfgServer : public CleanTest {};

TEST_F(CvxcfgServer, ShowsTheStoredSettings)
{
    ASSERT_TRUE(WriteFileText(ini_, "[COMMON]\r\nNAME=HARBOUR\r\nBUFFERSPACE=20000\r\n"
                                    "[SERVER]\r\nSTART=inactive\r\nLOGSPACE=512\r\nTIMEOUT=12\r\nLINES=2\r\n"));
    Json json = CvxcfgJson({"server"});
    EXPECT_EQ("HARBOUR", json["name"].string);
    EXPECT_EQ(20000, json["bufferSpace"].number);
    EXPECT_EQ(512, json["logSize"].number);
    EXPECT_EQ(12, json["timeout"].number);
    EXPECT_EQ("inactive", json["status"].string);
    EXPECT_EQ(2, json["lines"].number);
    EXPECT_FALSE(json["remotePassword"].boolean);

    ProgramResult text = Cvxcfg({"server"});
    EXPECT_EQ(0, text.exitCode);
    EXPECT_NE(std::string::npos, text.out.find("name:            HARBOUR\n"));
    EXPECT_NE(std::string::npos, text.out.find("status:          inactive\n"));
}

TEST_F(CvxcfgServer, SetWritesEachSetting)
{
    Json json = CvxcfgJson({"server", "set", "--name", "QUAY", "--buffer-space", "8192", "--log-size", "100",
                            "--timeout", "30", "--status", "NO"});
    EXPECT_EQ("QUAY", json["name"].string);
    EXPECT_EQ("no", json["status"].string);
    EXPECT_EQ("[COMMON]\r\nBUFFERSPACE=8192\r\nNAME=QUAY\r\n[SERVER]\r\nLOGSPACE=100\r\nTIMEOUT=30\r\nSTART=NO\r\n",
              ReadFileText(ini_));
}

TEST_F(CvxcfgServer, LibraryRefusalsExitWithThree)
{
    ProgramResult low = Cvxcfg({"server", "set", "--buffer-space", "6143"});
    EXPECT_EQ(3, low.exitCode);
    EXPECT_NE(std::string::npos,
              low.err.find("the library refused --buffer-space 6143: the buffer space is 6144 to 999999; "
                           "nothing was changed"))
        << low.err;
    EXPECT_FALSE(FileExists(ini_));

    // The setting before the refused one stays, and the message says so.
    ProgramResult partial = Cvxcfg({"server", "set", "--buffer-space", "7000", "--timeout", "100"});
    EXPECT_EQ(3, partial.exitCode);
    EXPECT_NE(std::string::npos, partial.err.find("--timeout 100: the time-out is 1 to 99; already stored: buffer space"))
        << partial.err;
    EXPECT_EQ("[COMMON]\r\nBUFFERSPACE=7000\r\n", ReadFileText(ini_));

    ProgramResult segment = Cvxcfg({"server", "set", "--segment", "3"});
    EXPECT_EQ(3, segment.exitCode);
    EXPECT_NE(std::string::npos, segment.err.find("IPX segment method is 1 or 2")) << segment.err;

    ProgramResult name = Cvxcfg({"server", "set", "--name", "SEVENTEEN-LETTERS"});
    EXPECT_EQ(2, name.exitCode);
    EXPECT_NE(std::string::npos, name.err.find("1 to 16 characters, not 17 (\"SEVENTEEN-LETTERS\")")) << name.err;
}

TEST_F(CvxcfgServer, PasswordIsSetAndCleared)
{
    std::string pwf = dir_ + "CVEX.PWF";
    ProgramResult set = Cvxcfg({"server", "password", "s3cret"});
    EXPECT_EQ(0, set.exitCode) << set.err;
    EXPECT_EQ("remote password set\n", set.out);
    EXPECT_EQ(17u, ReadFileText(pwf).size());
    EXPECT_TRUE(CvxcfgJson({"server"})["remotePassword"].boolean);

    ProgramResult both = Cvxcfg({"server", "password", "x", "--clear"});
    EXPECT_EQ(2, both.exitCode);
    EXPECT_TRUE(FileExists(pwf));

    Json cleared = CvxcfgJson({"server", "password", "--clear"});
    EXPECT_EQ("remote password cleared", cleared["done"].string);
    EXPECT_FALSE(FileExists(pwf));
}

}  // namespace
}  // namespace cvxtest
