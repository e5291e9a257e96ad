// Group and line enumerations: every selector, the counts, small buffers and
// hand-written LINES values.
#include <string>

#include "cvxutil.h"
#include "group_lists.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

const char kFile[] = "[SERVER]\r\nLINES=4\r\nGROUPS=3\r\n"
                     "[LINE1]\r\nNAME=Modem A\r\n"
                     "[LINE2]\r\nNAME=Fax\r\n"
                     "[LINE3]\r\nNAME=Isdn\r\n"
                     "[LINE4]\r\nNAME=Direct\r\n"
                     "[LINE5]\r\nNAME=NotALine\r\n"
                     "[GROUP1]\r\nNAME=Sales\r\nLINES=(Modem A,FAX)\r\n"
                     "[GROUP2]\r\nNAME=Support\r\nLINES=(Direct)\r\n"
                     "[GROUP3]\r\nNAME=Night\r\n";

class GroupEnum : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        ASSERT_TRUE(WriteFileText(ini_, kFile));
    }
    // Entries of an enumeration that must succeed; its count must agree.
    Names Enum(int selector, const char *name)
    {
        char buffer[512];
        DWORD count = 12345;
        EXPECT_EQ(0u, CVU_EnumGroupsLinesA(selector, name, buffer, sizeof buffer, &count)) << selector;
        Names names = Entries(buffer);
        EXPECT_EQ(names.size(), count) << selector;
        return names;
    }
};

TEST_F(GroupEnum, EverySelector)
{
    EXPECT_EQ((Names{"Sales", "Support", "Night"}), Enum(CVU_ENUM_ALLGROUPS, nullptr));
    EXPECT_EQ((Names{"Sales"}), Enum(CVU_ENUM_GROUPSWITHLINE, "fax"));
    EXPECT_EQ((Names{"Support"}), Enum(CVU_ENUM_GROUPSWITHLINE, "Direct"));
    EXPECT_EQ(Names{}, Enum(CVU_ENUM_GROUPSWITHLINE, "Isdn"));
    EXPECT_EQ((Names{"Support", "Night"}), Enum(CVU_ENUM_GROUPSWITHOUTLINE, "FAX"));
    EXPECT_EQ((Names{"Sales", "Support", "Night"}), Enum(CVU_ENUM_GROUPSWITHOUTLINE, "Isdn"));
    // Lines are LINE1 to LINE<LINES>; LINE5 is beyond the count.
    EXPECT_EQ((Names{"Modem A", "Fax", "Isdn", "Direct"}), Enum(CVU_ENUM_ALLLINES, nullptr));
    // A group's lines come as its list spells them.
    EXPECT_EQ((Names{"Modem A", "FAX"}), Enum(CVU_ENUM_LINESOFGROUP, "sales"));
    EXPECT_EQ(Names{}, Enum(CVU_ENUM_LINESOFGROUP, "Night"));
    EXPECT_EQ((Names{"Isdn", "Direct"}), Enum(CVU_ENUM_LINESNOTINGROUP, "SALES"));
    EXPECT_EQ((Names{"Modem A", "Fax", "Isdn", "Direct"}), Enum(CVU_ENUM_LINESNOTINGROUP, "Night"));

    // Enumerating changes nothing.
    EXPECT_EQ(kFile, ReadFileText(ini_));
}

TEST_F(GroupEnum, GroupHoldingEveryLineLeavesNoneOutside)
{
    ASSERT_EQ(0u, CVU_ModifyGroupLinesA(CVU_GL_ADDALLLINES, "Support", nullptr));
    char buffer[64];
    memset(buffer, 'x', sizeof buffer);
    DWORD count = 99;
    EXPECT_EQ(0u, CVU_EnumGroupsLinesA(CVU_ENUM_LINESNOTINGROUP, "Support", buffer, sizeof buffer, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(std::string(2, '\0'), std::string(buffer, 2));
}

TEST_F(GroupEnum, BadSelectorsAndNames)
{
    char buffer[64];
    DWORD count = 99;
    for (int selector : {0, 4, 17, 33, 64, -1}) {
        count = 99;
        EXPECT_EQ(87u, CVU_EnumGroupsLinesA(selector, "Sales", buffer, sizeof buffer, &count)) << selector;
        EXPECT_EQ(0u, count) << selector;
    }
    for (int selector : {CVU_ENUM_LINESOFGROUP, CVU_ENUM_LINESNOTINGROUP}) {
        count = 99;
        EXPECT_EQ(87u, CVU_EnumGroupsLinesA(selector, "Nobody", buffer, sizeof buffer, &count)) << selector;
        EXPECT_EQ(0u, count);
        EXPECT_EQ(87u, CVU_EnumGroupsLinesA(selector, "", buffer, sizeof buffer, &count)) << selector;
        EXPECT_EQ(87u, CVU_EnumGroupsLinesA(selector, nullptr, buffer, sizeof buffer, &count)) << selector;
    }
    for (int selector : {CVU_ENUM_GROUPSWITHLINE, CVU_ENUM_GROUPSWITHOUTLINE}) {
        EXPECT_EQ(87u, CVU_EnumGroupsLinesA(selector, "", buffer, sizeof buffer, &count)) << selector;
        EXPECT_EQ(87u, CVU_EnumGroupsLinesA(selector, nullptr, buffer, sizeof buffer, &count)) << selector;
    }
    // No room even for an empty list.
    EXPECT_EQ(87u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, 1, &count));
    EXPECT_EQ(87u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLLINES, nullptr, nullptr, 100, &count));
    // The count is optional.
    EXPECT_EQ(0u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, sizeof buffer, nullptr));
    EXPECT_EQ((Names{"Sales", "Support", "Night"}), Entries(buffer));
}

TEST_F(GroupEnum, SmallBufferKeepsWhatFittedAndCountsIt)
{
    // "Sales" and "Support" need 6 + 8 bytes and the closing empty entry.
    char buffer[64];
    DWORD count = 99;
    EXPECT_EQ(122u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, 14, &count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(std::string("Sales\0\0", 7), std::string(buffer, 7));
    EXPECT_EQ(0u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, 15 + 6, &count));
    EXPECT_EQ(3u, count);

    EXPECT_EQ(122u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLLINES, nullptr, buffer, 10, &count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(Names{"Modem A"}, Entries(buffer));
    EXPECT_EQ(122u, CVU_EnumGroupsLinesA(CVU_ENUM_LINESOFGROUP, "Sales", buffer, 12, &count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(Names{"Modem A"}, Entries(buffer));
    EXPECT_EQ(122u, CVU_EnumGroupsLinesA(CVU_ENUM_GROUPSWITHOUTLINE, "Fax", buffer, 8, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(Names{}, Entries(buffer));

    // Lines outside a group need room for themselves only, not for every line.
    EXPECT_EQ(0u, CVU_EnumGroupsLinesA(CVU_ENUM_LINESNOTINGROUP, "Sales", buffer, 13, &count));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(122u, CVU_EnumGroupsLinesA(CVU_ENUM_LINESNOTINGROUP, "Sales", buffer, 12, &count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(Names{"Isdn"}, Entries(buffer));
}

TEST_F(GroupEnum, HandWrittenLineListsReadAsFarAsTheyParse)
{
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nGROUPS=8\r\n"
                                    "[GROUP1]\r\nNAME=Open\r\nLINES=(A,B\r\n"
                                    "[GROUP2]\r\nNAME=Blanks\r\nLINES=( A , B C )\r\n"
                                    "[GROUP3]\r\nNAME=Empty\r\nLINES=()\r\n"
                                    "[GROUP4]\r\nNAME=Bare\r\nLINES=A,B\r\n"
                                    "[GROUP5]\r\nNAME=Gaps\r\nLINES=x(,A,,B,)y\r\n"
                                    "[GROUP6]\r\nNAME=Twice\r\nLINES=(A)(B)\r\n"
                                    "[GROUP7]\r\nNAME=Nested\r\nLINES=((A,B)\r\n"
                                    "[GROUP8]\r\nNAME=Blank\r\nLINES=\r\n"));
    EXPECT_EQ(Names{"A"}, Enum(CVU_ENUM_LINESOFGROUP, "Open"));
    EXPECT_EQ((Names{" A ", " B C "}), Enum(CVU_ENUM_LINESOFGROUP, "Blanks"));
    EXPECT_EQ(Names{}, Enum(CVU_ENUM_LINESOFGROUP, "Empty"));
    EXPECT_EQ(Names{}, Enum(CVU_ENUM_LINESOFGROUP, "Bare"));
    EXPECT_EQ((Names{"A", "B"}), Enum(CVU_ENUM_LINESOFGROUP, "Gaps"));
    EXPECT_EQ(Names{"A"}, Enum(CVU_ENUM_LINESOFGROUP, "Twice"));
    EXPECT_EQ((Names{"(A", "B"}), Enum(CVU_ENUM_LINESOFGROUP, "Nested"));
    EXPECT_EQ(Names{}, Enum(CVU_ENUM_LINESOFGROUP, "Blank"));
    EXPECT_EQ((Names{"Open", "Gaps", "Twice"}), Enum(CVU_ENUM_GROUPSWITHLINE, "a"));
    EXPECT_EQ((Names{"Blanks", "Empty", "Bare", "Nested", "Blank"}), Enum(CVU_ENUM_GROUPSWITHOUTLINE, "A"));
}

TEST_F(GroupEnum, LineCountIsBoundedAndNamelessLinesAreSkipped)
{
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nLINES=1000000\r\n"
                                    "[LINE1]\r\nNAME=One\r\n"
                                    "[LINE2]\r\nPORTNAME=COM2\r\n"
                                    "[LINE3]\r\nNAME=Three\r\n"));
    EXPECT_EQ((Names{"One", "Three"}), Enum(CVU_ENUM_ALLLINES, nullptr));
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nLINES=-3\r\n[LINE1]\r\nNAME=One\r\n"));
    EXPECT_EQ(Names{}, Enum(CVU_ENUM_ALLLINES, nullptr));
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nLINES=x\r\n[LINE1]\r\nNAME=One\r\n"));
    EXPECT_EQ(Names{}, Enum(CVU_ENUM_ALLLINES, nullptr));
}

}  // namespace
