// Groups: adding, replacing, deleting and purging, checked against the exact
// text of CVEX.INI.
#include <string>

#include "cvxutil.h"
#include "group_lists.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

class GroupStore : public CleanTest {
protected:
    void Write(const std::string &text) { ASSERT_TRUE(WriteFileText(ini_, text)); }
    std::string Text() { return ReadFileText(ini_); }
    Names AllGroups()
    {
        char buffer[1024];
        DWORD count = 0;
        EXPECT_EQ(0u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, sizeof buffer, &count));
        Names names = Entries(buffer);
        EXPECT_EQ(names.size(), count);
        return names;
    }
};

TEST_F(GroupStore, AddToEmptyFileThenMatchWithoutCase)
{
    EXPECT_EQ(0u, CVU_AddGroupA("Sales", List({"LINE1", "LINE2"}).data(), FALSE));
    const std::string sales = "[GROUP1]\r\nNAME=Sales\r\nLINES=(LINE1,LINE2)\r\n[SERVER]\r\nGROUPS=1\r\n";
    EXPECT_EQ(sales, Text());

    // The name is taken: without the replace flag nothing changes.
    EXPECT_EQ(0u, CVU_AddGroupA("sales", List({"LINE3"}).data(), FALSE));
    EXPECT_EQ(sales, Text());

    EXPECT_EQ(0u, CVU_AddGroupA("SALES", List({"LINE3"}).data(), TRUE));
    EXPECT_EQ("[GROUP1]\r\nNAME=Sales\r\nLINES=(LINE3)\r\n[SERVER]\r\nGROUPS=1\r\n", Text());
    EXPECT_EQ(0u, CVU_AddGroupA("Sales", nullptr, TRUE));
    EXPECT_EQ("[GROUP1]\r\nNAME=Sales\r\n[SERVER]\r\nGROUPS=1\r\n", Text());

    // A second group without lines has no LINES key.
    EXPECT_EQ(0u, CVU_AddGroupA("Support", List({}).data(), FALSE));
    EXPECT_EQ("[GROUP1]\r\nNAME=Sales\r\n[SERVER]\r\nGROUPS=2\r\n[GROUP2]\r\nNAME=Support\r\n", Text());
    EXPECT_EQ((Names{"Sales", "Support"}), AllGroups());
}

TEST_F(GroupStore, NamesAndListsThatCannotBeStoredAreRefused)
{
    EXPECT_EQ(87u, CVU_AddGroupA("", nullptr, FALSE));
    EXPECT_EQ(87u, CVU_AddGroupA(nullptr, nullptr, FALSE));
    // 24 characters would never be found again: names are read into 24 bytes.
    EXPECT_EQ(87u, CVU_AddGroupA("ABCDEFGHIJKLMNOPQRSTUVWX", nullptr, FALSE));
    // A comma or closing parenthesis would split or end the stored list.
    EXPECT_EQ(87u, CVU_AddGroupA("Sales", List({"A,B"}).data(), FALSE));
    EXPECT_EQ(87u, CVU_AddGroupA("Sales", List({"A)"}).data(), FALSE));
    EXPECT_FALSE(FileExists(ini_));

    // 23 characters are fine.
    EXPECT_EQ(0u, CVU_AddGroupA("ABCDEFGHIJKLMNOPQRSTUVW", nullptr, FALSE));
    EXPECT_EQ((Names{"ABCDEFGHIJKLMNOPQRSTUVW"}), AllGroups());
}

TEST_F(GroupStore, LineListTextIsLimitedTo511Characters)
{
    std::string n126(126, 'n');
    // "(" + 4 x 126 + 4 separators or ")" = 509 characters, then ",x)" or ",xx)".
    std::string fits = List({n126, n126, n126, n126, "x"});
    std::string tooLong = List({n126, n126, n126, n126, "xx"});
    ASSERT_EQ(0u, CVU_AddGroupA("Big", fits.data(), FALSE));
    std::string stored = Text();
    EXPECT_EQ("[GROUP1]\r\nNAME=Big\r\nLINES=(" + n126 + "," + n126 + "," + n126 + "," + n126 + ",x)\r\n"
              "[SERVER]\r\nGROUPS=1\r\n",
              stored);

    EXPECT_EQ(122u, CVU_AddGroupA("Big", tooLong.data(), TRUE));
    EXPECT_EQ(122u, CVU_AddGroupA("Bigger", tooLong.data(), FALSE));
    EXPECT_EQ(stored, Text());

    // A name of 128 characters would come back cut to 127.
    EXPECT_EQ(87u, CVU_AddGroupA("Big", List({std::string(128, 'n')}).data(), TRUE));
    EXPECT_EQ(stored, Text());
}

TEST_F(GroupStore, DeleteMovesLaterGroupsDown)
{
    Write("[SERVER]\r\nGROUPS=3\r\n"
          "[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\n"
          "[GROUP2]\r\nNAME=Two\r\nLINES=(B)\r\nPHONE=555\r\n"
          "[GROUP3]\r\nNAME=Three\r\nLINES=(C,D)\r\nCONFERENCE=H\r\n");
    EXPECT_EQ(0u, CVU_DeleteGroupA("two"));
    // The old GROUP3 is now GROUP2; PHONE, which only the deleted group had,
    // is gone with it.
    EXPECT_EQ("[SERVER]\r\nGROUPS=2\r\n"
              "[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\n"
              "[GROUP2]\r\nNAME=Three\r\nLINES=(C,D)\r\nCONFERENCE=H\r\n",
              Text());

    EXPECT_EQ(87u, CVU_DeleteGroupA("Two"));
    EXPECT_EQ(87u, CVU_DeleteGroupA(""));
    EXPECT_EQ(87u, CVU_DeleteGroupA(nullptr));

    EXPECT_EQ(0u, CVU_DeleteGroupA("Three"));
    EXPECT_EQ("[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\n", Text());
    EXPECT_EQ(0u, CVU_DeleteGroupA("ONE"));
    EXPECT_EQ("[SERVER]\r\nGROUPS=0\r\n", Text());
    EXPECT_EQ(Names{}, AllGroups());
}

TEST_F(GroupStore, PurgeRemovesScatteredEmptyGroups)
{
    Write("[SERVER]\r\nGROUPS=4\r\n"
          "[GROUP1]\r\nNAME=Empty1\r\n"
          "[GROUP2]\r\nNAME=One\r\nLINES=(A)\r\nPHONE=1\r\n"
          "[GROUP3]\r\nNAME=Empty3\r\nLINES=()\r\nCALLFWD=X\r\n"
          "[GROUP4]\r\nNAME=Two\r\nLINES=(A,B)\r\n");
    EXPECT_EQ(0u, CVU_PurgeEmptyGroups());
    EXPECT_EQ("[SERVER]\r\nGROUPS=2\r\n"
              "[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\nPHONE=1\r\n"
              "[GROUP2]\r\nNAME=Two\r\nLINES=(A,B)\r\n",
              Text());

    // Nothing to purge: the file is left as it is.
    std::string kept = Text();
    EXPECT_EQ(0u, CVU_PurgeEmptyGroups());
    EXPECT_EQ(kept, Text());
}

TEST_F(GroupStore, CountsAreBoundedByTheSectionsThatExist)
{
    const std::string groups = "[GROUP1]\r\nNAME=One\r\n[GROUP2]\r\nNAME=Two\r\n";
    for (const char *count : {"-1", "2000000000", "4294967295", "99999999999"}) {
        Write(std::string("[SERVER]\r\nGROUPS=") + count + "\r\n" + groups);
        EXPECT_EQ((Names{"One", "Two"}), AllGroups()) << count;
    }

    // One far-numbered section does not make the walk go that far.
    Write("[SERVER]\r\nGROUPS=2000000000\r\n[GROUP1]\r\nNAME=One\r\n[GROUP1999999999]\r\nNAME=Far\r\n");
    EXPECT_EQ(Names{"One"}, AllGroups());

    // A new group goes after the last one that exists, and the count is set
    // right again.
    Write("[SERVER]\r\nGROUPS=-1\r\n" + groups);
    EXPECT_EQ(0u, CVU_AddGroupA("Three", nullptr, FALSE));
    EXPECT_EQ("[SERVER]\r\nGROUPS=3\r\n" + groups + "[GROUP3]\r\nNAME=Three\r\n", Text());

    // A count below the sections that exist hides the sections above it.
    Write("[SERVER]\r\nGROUPS=1\r\n" + groups);
    EXPECT_EQ(Names{"One"}, AllGroups());
    EXPECT_EQ(87u, CVU_DeleteGroupA("Two"));

    // A section left beyond the count gives nothing to a new group.
    Write("[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=One\r\n[GROUP2]\r\nNAME=Old\r\nPHONE=555\r\n");
    EXPECT_EQ(0u, CVU_AddGroupA("New", nullptr, FALSE));
    EXPECT_EQ("[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=One\r\n[GROUP2]\r\nNAME=New\r\n", Text());
}

TEST_F(GroupStore, LongNamesInTheFileAreNeverFound)
{
    Write("[SERVER]\r\nGROUPS=2\r\n"
          "[GROUP1]\r\nNAME=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\nLINES=(A)\r\n"
          "[GROUP2]\r\nNAME=ABCDEFGHIJKLMNOPQRSTUVW\r\nLINES=(B)\r\n");
    EXPECT_EQ(87u, CVU_DeleteGroupA("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    char buffer[64];
    EXPECT_EQ(87u, CVU_GetGroupParamA("ABCDEFGHIJKLMNOPQRSTUVWXYZ", CVU_GROUPPARAM_NAME, buffer, sizeof buffer));
    // Read into 24 bytes, the long name is the first 23 characters; those
    // find the first group of that reading.
    EXPECT_EQ(0u, CVU_GetGroupParamA("abcdefghijklmnopqrstuvw", CVU_GROUPPARAM_LINES, buffer, sizeof buffer));
    EXPECT_EQ(Names{"A"}, Entries(buffer));
    EXPECT_EQ((Names{"ABCDEFGHIJKLMNOPQRSTUVW", "ABCDEFGHIJKLMNOPQRSTUVW"}), AllGroups());
}

}  // namespace
