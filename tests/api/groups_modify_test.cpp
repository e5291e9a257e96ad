// Membership edits: every operation of CVU_ModifyGroupLinesA, checked
// against the exact text of CVEX.INI.
#include <string>

#include "cvxutil.h"
#include "group_lists.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

const char kLines[] = "[SERVER]\r\nLINES=3\r\nGROUPS=3\r\n"
                      "[LINE1]\r\nNAME=L1\r\n"
                      "[LINE2]\r\nNAME=L2\r\n"
                      "[LINE3]\r\nNAME=L3\r\n";

// The whole file for the three groups' LINES values (empty: no key).
std::string File(const std::string &g1, const std::string &g2, const std::string &g3)
{
    std::string text = kLines;
    const std::string *values[] = {&g1, &g2, &g3};
    for (int i = 0; i < 3; ++i) {
        std::string n = std::to_string(i + 1);
        text += "[GROUP" + n + "]\r\nNAME=G" + n + "\r\n";
        if (!values[i]->empty()) text += "LINES=" + *values[i] + "\r\n";
    }
    return text;
}

class GroupModify : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        Start("(L1)", "(L1,L2)", "");
    }
    void Start(const std::string &g1, const std::string &g2, const std::string &g3)
    {
        ASSERT_TRUE(WriteFileText(ini_, File(g1, g2, g3)));
    }
    std::string Text() { return ReadFileText(ini_); }
    DWORD Modify(int operation, const char *name, const std::string &value)
    {
        return CVU_ModifyGroupLinesA(operation, name, value.c_str());
    }
};

TEST_F(GroupModify, AddOneLine)
{
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINE, "g1", "L2"));
    EXPECT_EQ(File("(L1,L2)", "(L1,L2)", ""), Text());
    // Already there (names match without regard to case): nothing changes.
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINE, "G1", "l2"));
    EXPECT_EQ(File("(L1,L2)", "(L1,L2)", ""), Text());
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINE, "G3", "L3"));
    EXPECT_EQ(File("(L1,L2)", "(L1,L2)", "(L3)"), Text());

    EXPECT_EQ(87u, Modify(CVU_GL_ADDLINE, "G1", ""));
    EXPECT_EQ(87u, CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "G1", nullptr));
    EXPECT_EQ(87u, Modify(CVU_GL_ADDLINE, "Nobody", "L1"));
    EXPECT_EQ(87u, Modify(CVU_GL_ADDLINE, "G1", "A,B"));
    EXPECT_EQ(File("(L1,L2)", "(L1,L2)", "(L3)"), Text());
}

TEST_F(GroupModify, AddSeveralLines)
{
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINES, "G1", List({"L2", "L3", "l2", "L1"})));
    EXPECT_EQ(File("(L1,L2,L3)", "(L1,L2)", ""), Text());
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINES, "G3", List({"L3"})));
    EXPECT_EQ(File("(L1,L2,L3)", "(L1,L2)", "(L3)"), Text());

    EXPECT_EQ(87u, Modify(CVU_GL_ADDLINES, "G1", List({})));
    EXPECT_EQ(87u, CVU_ModifyGroupLinesA(CVU_GL_ADDLINES, "G1", nullptr));
    EXPECT_EQ(87u, Modify(CVU_GL_ADDLINES, "Nobody", List({"L1"})));
    EXPECT_EQ(File("(L1,L2,L3)", "(L1,L2)", "(L3)"), Text());
}

TEST_F(GroupModify, AddWhenTheListIsFull)
{
    std::string n126(126, 'n'), full = "(" + n126 + "," + n126 + "," + n126 + "," + n126 + ",x)";
    Start(full, "(L1,L2)", "");
    EXPECT_EQ(122u, Modify(CVU_GL_ADDLINE, "G1", "y"));
    // Nothing is written when one of several lines does not fit.
    EXPECT_EQ(122u, Modify(CVU_GL_ADDLINES, "G1", List({"x", "y"})));
    EXPECT_EQ(File(full, "(L1,L2)", ""), Text());
    // Lines already there need no room.
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINES, "G1", List({"X", n126})));
    EXPECT_EQ(File(full, "(L1,L2)", ""), Text());
}

TEST_F(GroupModify, AddEveryLineAndLineToGroups)
{
    EXPECT_EQ(0u, Modify(CVU_GL_ADDALLLINES, "g3", ""));
    EXPECT_EQ(File("(L1)", "(L1,L2)", "(L1,L2,L3)"), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_ADDALLLINES, "Nobody", ""));

    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINETOGROUPS, "L3", List({"G1", "Nobody", "G3"})));
    EXPECT_EQ(File("(L1,L3)", "(L1,L2)", "(L1,L2,L3)"), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_ADDLINETOGROUPS, "", List({"G1"})));
    EXPECT_EQ(87u, Modify(CVU_GL_ADDLINETOGROUPS, "L3", List({})));

    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINETOALLGROUPS, "New", ""));
    EXPECT_EQ(File("(L1,L3,New)", "(L1,L2,New)", "(L1,L2,L3,New)"), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_ADDLINETOALLGROUPS, "", ""));
}

TEST_F(GroupModify, RemoveLines)
{
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINE, "G2", "l1"));
    EXPECT_EQ(File("(L1)", "(L2)", ""), Text());
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINE, "G2", "L3"));
    EXPECT_EQ(File("(L1)", "(L2)", ""), Text());
    // The last line goes with the LINES key.
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINE, "G1", "L1"));
    EXPECT_EQ(File("", "(L2)", ""), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_REMOVELINE, "G2", ""));
    EXPECT_EQ(87u, Modify(CVU_GL_REMOVELINE, "Nobody", "L2"));

    Start("(L1)", "(L1,L2,L3)", "");
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINES, "G2", List({"L3", "L9", "l1"})));
    EXPECT_EQ(File("(L1)", "(L2)", ""), Text());
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINES, "G2", List({"L2"})));
    EXPECT_EQ(File("(L1)", "", ""), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_REMOVELINES, "G1", List({})));
    EXPECT_EQ(87u, Modify(CVU_GL_REMOVELINES, "Nobody", List({"L1"})));

    Start("(L1)", "(L1,L2,L3)", "");
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVEALLLINES, "g2", ""));
    EXPECT_EQ(File("(L1)", "", ""), Text());
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVEALLLINES, "G3", ""));
    EXPECT_EQ(File("(L1)", "", ""), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_REMOVEALLLINES, "Nobody", ""));
}

TEST_F(GroupModify, RemoveLineFromGroups)
{
    Start("(L1,L3)", "(L1,L2)", "(L1)");
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINEFROMGROUPS, "L1", List({"G1", "Nobody", "G2"})));
    EXPECT_EQ(File("(L3)", "(L2)", "(L1)"), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_REMOVELINEFROMGROUPS, "", List({"G3"})));
    EXPECT_EQ(87u, Modify(CVU_GL_REMOVELINEFROMGROUPS, "L1", List({})));

    Start("(L1,L3)", "(L1,L2)", "(L1)");
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINEFROMALLGROUPS, "l1", ""));
    EXPECT_EQ(File("(L3)", "(L2)", ""), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_REMOVELINEFROMALLGROUPS, "", ""));

    // With no group at all there is nothing to do.
    ASSERT_TRUE(WriteFileText(ini_, kLines));
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINEFROMALLGROUPS, "L1", ""));
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINETOALLGROUPS, "L1", ""));
    EXPECT_EQ(kLines, Text());
}

// A group's name stands for the first group that bears it in any case: a
// later group of the same name, and a section without a name, are not
// touched by the operations on many groups.
TEST_F(GroupModify, ManyGroupsTakeTheFirstGroupOfEachName)
{
    auto file = [](const std::string &g1, const std::string &g2, const std::string &g3, const std::string &g4) {
        return "[SERVER]\r\nLINES=3\r\nGROUPS=4\r\n[LINE1]\r\nNAME=L1\r\n[LINE2]\r\nNAME=L2\r\n"
               "[LINE3]\r\nNAME=L3\r\n[GROUP1]\r\nNAME=Sales\r\n" + g1 + "[GROUP2]\r\n" + g2 +
               "[GROUP3]\r\nNAME=SALES\r\n" + g3 + "[GROUP4]\r\nNAME=Support\r\n" + g4;
    };
    const std::string l1 = "LINES=(L1)\r\n", none;
    ASSERT_TRUE(WriteFileText(ini_, file(none, "LINES=(L1)\r\n", l1, l1)));
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINETOALLGROUPS, "L2", ""));
    EXPECT_EQ(file("LINES=(L2)\r\n", "LINES=(L1)\r\n", l1, "LINES=(L1,L2)\r\n"), Text());
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINEFROMALLGROUPS, "L1", ""));
    EXPECT_EQ(file("LINES=(L2)\r\n", "LINES=(L1)\r\n", l1, "LINES=(L2)\r\n"), Text());

    // Named twice in the list, in two cases: still the first group only, once.
    EXPECT_EQ(0u, Modify(CVU_GL_ADDLINETOGROUPS, "L3", List({"sales", "SALES", "Nobody"})));
    EXPECT_EQ(file("LINES=(L2,L3)\r\n", "LINES=(L1)\r\n", l1, "LINES=(L2)\r\n"), Text());
    EXPECT_EQ(0u, Modify(CVU_GL_REMOVELINEFROMGROUPS, "L2", List({"Support", "Sales"})));
    EXPECT_EQ(file("LINES=(L3)\r\n", "LINES=(L1)\r\n", l1, none), Text());
}

TEST_F(GroupModify, ReplaceLines)
{
    EXPECT_EQ(0u, Modify(CVU_GL_SETLINES, "G1", List({"L3", "L2", "l3"})));
    EXPECT_EQ(File("(L3,L2)", "(L1,L2)", ""), Text());
    EXPECT_EQ(0u, Modify(CVU_GL_SETLINES, "G2", List({})));
    EXPECT_EQ(File("(L3,L2)", "", ""), Text());
    EXPECT_EQ(0u, CVU_ModifyGroupLinesA(CVU_GL_SETLINES, "G1", nullptr));
    EXPECT_EQ(File("", "", ""), Text());
    EXPECT_EQ(87u, Modify(CVU_GL_SETLINES, "Nobody", List({"L1"})));

    // A list that cannot be stored leaves the lines as they were.
    Start("(L1)", "(L1,L2)", "");
    std::string n126(126, 'n');
    EXPECT_EQ(122u, Modify(CVU_GL_SETLINES, "G1", List({n126, n126 + "a", n126 + "b", n126 + "c", "xx"})));
    EXPECT_EQ(87u, Modify(CVU_GL_SETLINES, "G1", List({"L2", "L)"})));
    EXPECT_EQ(File("(L1)", "(L1,L2)", ""), Text());
}

TEST_F(GroupModify, UnknownOperations)
{
    for (int operation : {0, 6, 8, 17, 128, 255, 257, -1})
        EXPECT_EQ(87u, Modify(operation, "G1", "L2")) << operation;
    EXPECT_EQ(File("(L1)", "(L1,L2)", ""), Text());
}

}  // namespace
