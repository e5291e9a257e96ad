// cvxcfg redirections and client: the CLIENT, DESC and SESSIONSPARMS
// sections as the library writes them, clean for check throughout.
#include "cvxcfg_tool.h"

namespace cvxtest {
namespace {

class CvxcfgClient : public CleanTest {
protected:
    void ExpectClean()
    {
        ProgramResult check = Cvxcfg({"check"});
        EXPECT_EQ(0, check.exitCode) << check.out;
    }
};

TEST_F(CvxcfgClient, Redirections)
{
    Json added = CvxcfgJson({"redirections", "add", "com5", "Pool", "--description", "to the pool"});
    EXPECT_EQ("COM5", added["port"].string);
    EXPECT_EQ("Pool", added["destination"].string);
    EXPECT_EQ("to the pool", added["description"].string);
    Json standard = CvxcfgJson({"redirections", "add", "COM3", "Modem1"});
    EXPECT_FALSE(standard["description"].string.empty());
    Json list = CvxcfgJson({"redirections"});
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("COM3", list[0]["port"].string);
    EXPECT_EQ("Modem1", list[0]["destination"].string);
    EXPECT_EQ("COM5", list[1]["port"].string);
    std::string file = ReadFileText(ini_);
    EXPECT_NE(std::string::npos, file.find("REDIRECTPORTS=(5,3)")) << file;
    EXPECT_NE(std::string::npos, file.find("Port5Desc=to the pool")) << file;
    ExpectClean();

    EXPECT_EQ("COM5 is no longer redirected\n", Cvxcfg({"redirections", "remove", "COM5"}).out);
    EXPECT_EQ(1u, CvxcfgJson({"redirections"}).size());
    struct Case {
        std::vector<std::string> args;
        int code;
        const char *message;
    } cases[] = {
        {{"redirections", "remove", "COM5"}, 3, "redirections remove: COM5 is not redirected"},
        {{"redirections", "add", "LPT1", "Pool"}, 2, "a port is named COM and its number (1 to 255), not \"LPT1\""},
        {{"redirections", "add", "COM0", "Pool"}, 2, "not \"COM0\""},
        {{"redirections", "add", "COM4", "A-destination-17c"}, 2, "a destination has 1 to 16 characters, not \"A-destination-17c\""},
    };
    for (const Case &c : cases) {
        ProgramResult run = RunTool("cvxcfg.exe", c.args);
        EXPECT_EQ(c.code, run.exitCode) << c.message;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
    }
    ExpectClean();

    // The list holds 30 ports; the library refuses the 31st.
    for (int n = 10; n < 39; ++n) ASSERT_EQ(0, Cvxcfg({"redirections", "add", "COM" + std::to_string(n), "Pool"}).exitCode);
    ProgramResult full = Cvxcfg({"redirections", "add", "COM40", "Pool"});
    EXPECT_EQ(3, full.exitCode);
    EXPECT_NE(std::string::npos, full.err.find("the library refused to redirect COM40 (at most 30 ports are redirected)"));
}

TEST_F(CvxcfgClient, SessionSettings)
{
    Json client = CvxcfgJson({"client"});
    EXPECT_EQ(30, client["activityTimer"].number);
    EXPECT_EQ(3, client["timeout"].number);
    EXPECT_FALSE(client["queue"].boolean);
    EXPECT_TRUE(client["retry"].boolean);
    EXPECT_EQ(0u, client["triggers"].size());

    Json set = CvxcfgJson({"client", "set", "--activity-timer", "10", "--queue", "yes", "--triggers", "03,1bh"});
    EXPECT_EQ(10, set["activityTimer"].number);
    EXPECT_TRUE(set["queue"].boolean);
    EXPECT_EQ((std::vector<std::string>{"03H", "1BH"}), set["triggers"].Strings());
    std::string file = ReadFileText(ini_);
    EXPECT_NE(std::string::npos, file.find("ACTIVITYTIMER=10")) << file;
    EXPECT_NE(std::string::npos, file.find("QUEUE=Y")) << file;
    EXPECT_NE(std::string::npos, file.find("TRIGGERS=(03H,1BH)")) << file;
    ExpectClean();

    struct Case {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{"client", "set", "--timeout", "100"}, "client set: --timeout is 0 to 99, not 100"},
        {{"client", "set", "--triggers", "0D,0d"}, "--triggers names 0d twice in \"0D,0d\""},
        {{"client", "set", "--triggers", "XYZ"}, "hexadecimal character codes such as 0D,1B, not \"XYZ\""},
        {{"client", "set", "--triggers", "1,2,3,4,5,6,7,8,9,a,b,c,d,e,f,10,11"}, "at most 16 characters, not 17"},
        {{"client", "set", "--retry", "perhaps"}, "--retry takes yes or no, not \"perhaps\""},
    };
    for (const Case &c : cases) {
        ProgramResult run = RunTool("cvxcfg.exe", c.args);
        EXPECT_EQ(2, run.exitCode) << c.message;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
    }
    EXPECT_EQ(file, ReadFileText(ini_));

    EXPECT_EQ(0u, CvxcfgJson({"client", "set", "--triggers", "none"})["triggers"].size());
    file = ReadFileText(ini_);
    EXPECT_EQ(std::string::npos, file.find("TRIGGERS=")) << file;
    EXPECT_EQ(std::string::npos, file.find("TRANSMIT=")) << file;
    EXPECT_EQ(std::string::npos, file.find("[TRANSMIT1]")) << file;
    ExpectClean();
}

}  // namespace
}  // namespace cvxtest
