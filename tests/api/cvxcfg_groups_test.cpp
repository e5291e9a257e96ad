// cvxcfg groups on a prepared store of three shared lines.
#include "cvxcfg_tool.h"

namespace cvxtest {
namespace {

class CvxcfgGroups : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        ASSERT_TRUE(WriteFileText(ini_, kLines));
    }
    static constexpr char kLines[] =
        "[SERVER]\r\nLINES=3\r\n"
        "[LINE1]\r\nNAME=North\r\nPORTNAME=COM1\r\n"
        "[LINE2]\r\nNAME=South\r\nPORTNAME=COM2\r\n"
        "[LINE3]\r\nNAME=East\r\nPORTNAME=COM3\r\n";
};

TEST_F(CvxcfgGroups, AddListShowAndDelete)
{
    Json added = CvxcfgJson({"groups", "add", "Sales", "North", "south"});
    EXPECT_EQ((std::vector<std::string>{"North", "south"}), added["lines"].Strings());
    CvxcfgJson({"groups", "add", "Spare"});
    EXPECT_EQ(std::string(kLines).replace(19, 0, "GROUPS=2\r\n") +
                  "[GROUP1]\r\nNAME=Sales\r\nLINES=(North,south)\r\n[GROUP2]\r\nNAME=Spare\r\n",
              ReadFileText(ini_));

    Json list = CvxcfgJson({"groups"});
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("Sales", list[0]["name"].string);
    EXPECT_EQ("none", list[0]["conference"].string);
    EXPECT_EQ("Spare", list[1]["name"].string);
    EXPECT_EQ(0u, list[1]["lines"].size());

    ProgramResult text = Cvxcfg({"groups"});
    EXPECT_EQ(0u, text.out.find("name   lines        conference  callForward  phone  inbound\n"
                                "Sales  North,south  none                            no\n"))
        << text.out;

    EXPECT_EQ("Sales", CvxcfgJson({"groups", "show", "SALES"})["name"].string);
    ProgramResult deleted = Cvxcfg({"groups", "delete", "sales"});
    EXPECT_EQ(0, deleted.exitCode);
    EXPECT_EQ("group sales deleted\n", deleted.out);
    Json after = CvxcfgJson({"groups"});
    ASSERT_EQ(1u, after.size());
    EXPECT_EQ("Spare", after[0]["name"].string);
}

TEST_F(CvxcfgGroups, RefusalsNameTheValue)
{
    CvxcfgJson({"groups", "add", "Sales", "North"});
    std::string before = ReadFileText(ini_);
    struct Case {
        std::vector<std::string> args;
        int code;
        const char *message;
    } cases[] = {
        {{"groups", "add", "Sales"}, 3, "a group named \"Sales\" exists (--replace gives it these lines)"},
        {{"groups", "add", "Ops", "West"}, 3, "groups add: no shared line named \"West\""},
        {{"groups", "add", "Ops", "No,rth"}, 2, "\"No,rth\" cannot be a line name"},
        {{"groups", "add", "A-name-too-long-x"}, 2, "not \"A-name-too-long-x\""},
        {{"groups", "show", "Ops"}, 3, "groups show: no group named \"Ops\""},
        {{"groups", "delete", "Ops"}, 3, "groups delete: no group named \"Ops\""},
        {{"groups", "members", "Ops", "add", "North"}, 3, "no group named \"Ops\""},
        {{"groups", "members", "Sales", "add", "West"}, 3, "no shared line named \"West\""},
        {{"groups", "members", "Sales", "add"}, 2, "groups members add: no line given"},
        {{"groups", "rename", "Sales", "Sales,2"}, 2, "not \"Sales,2\""},
        {{"groups", "params", "Sales", "--phone", "0123456789012345678901234"}, 2,
         "--phone holds at most 24 characters, not 25"},
        {{"groups", "params", "Sales", "--conference", "X"}, 2, "--conference takes none, H or F, not \"X\""},
    };
    for (const Case &c : cases) {
        ProgramResult run = RunTool("cvxcfg.exe", c.args);
        EXPECT_EQ(c.code, run.exitCode) << c.message;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
    }
    EXPECT_EQ(before, ReadFileText(ini_));
}

TEST_F(CvxcfgGroups, MembersRenameParamsAndPurge)
{
    CvxcfgJson({"groups", "add", "Sales", "North"});
    CvxcfgJson({"groups", "add", "Empty"});
    CvxcfgJson({"groups", "add", "Ops", "East"});

    EXPECT_EQ((std::vector<std::string>{"North", "South", "East"}),
              CvxcfgJson({"groups", "members", "Sales", "add", "South", "East", "north"})["lines"].Strings());
    EXPECT_EQ((std::vector<std::string>{"South"}),
              CvxcfgJson({"groups", "members", "Sales", "remove", "North", "east"})["lines"].Strings());
    EXPECT_EQ((std::vector<std::string>{"East", "North"}),
              CvxcfgJson({"groups", "members", "Sales", "set", "East", "North"})["lines"].Strings());

    Json renamed = CvxcfgJson({"groups", "rename", "Sales", "Field"});
    EXPECT_EQ("Field", renamed["name"].string);
    ProgramResult taken = Cvxcfg({"groups", "rename", "Field", "ops"});
    EXPECT_EQ(3, taken.exitCode);
    EXPECT_NE(std::string::npos, taken.err.find("a group named \"ops\" exists"));

    Json params = CvxcfgJson({"groups", "params", "Field", "--conference", "h", "--phone", "555", "--inbound", "yes"});
    EXPECT_EQ("H", params["conference"].string);
    EXPECT_EQ("555", params["phone"].string);
    EXPECT_TRUE(params["inbound"].boolean);
    std::string file = ReadFileText(ini_);
    EXPECT_NE(std::string::npos, file.find("[GROUP1]\r\nNAME=Field\r\nLINES=(East,North)\r\nCONFERENCE=H\r\nPHONE=555\r\nINBOUND=2\r\n"))
        << file;
    Json cleared = CvxcfgJson({"groups", "params", "Field", "--clear"});
    EXPECT_EQ("none", cleared["conference"].string);
    EXPECT_FALSE(cleared["inbound"].boolean);
    EXPECT_NE(std::string::npos, ReadFileText(ini_).find("[GROUP1]\r\nNAME=Field\r\nLINES=(East,North)\r\n[GROUP2]"));

    CvxcfgJson({"groups", "members", "Ops", "set"});
    Json purged = CvxcfgJson({"groups", "purge"});
    EXPECT_EQ((std::vector<std::string>{"Empty", "Ops"}), purged["removed"].Strings());
    Json left = CvxcfgJson({"groups"});
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ("Field", left[0]["name"].string);
    EXPECT_EQ("no empty group\n", Cvxcfg({"groups", "purge"}).out);
}

}  // namespace
}  // namespace cvxtest
