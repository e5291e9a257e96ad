// Group parameters: name, lines and the 50-byte record, read and written.
#include <cstddef>
#include <cstring>
#include <string>

#include "cvxutil.h"
#include "group_lists.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

const char kFile[] = "[SERVER]\r\nLINES=3\r\nGROUPS=2\r\n"
                     "[GROUP1]\r\nNAME=Sales\r\nLINES=(L1,L2,L3)\r\n"
                     "[GROUP2]\r\nNAME=Night\r\nCONFERENCE=f\r\nCALLFWD=Desk\r\nPHONE=555 0100\r\nINBOUND=0\r\n";

class GroupParamsTest : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        ASSERT_TRUE(WriteFileText(ini_, kFile));
    }
    std::string Text() { return ReadFileText(ini_); }
    GroupParams Read(const char *group)
    {
        GroupParams params;
        std::memset(&params, 0xCC, sizeof params);
        EXPECT_EQ(0u, CVU_GetGroupParamA(group, CVU_GROUPPARAM_RECORD, &params, sizeof params));
        return params;
    }
    static GroupParams Record(DWORD mode, const char *callForward, const char *phone, DWORD inbound)
    {
        GroupParams params{};
        params.conferenceMode = mode;
        strcpy(params.callForward, callForward);
        strcpy(params.phone, phone);
        params.inbound = inbound;
        return params;
    }
};

TEST_F(GroupParamsTest, RecordLayoutIsPacked)
{
    EXPECT_EQ(50u, sizeof(GroupParams));
    EXPECT_EQ(4u, offsetof(GroupParams, callForward));
    EXPECT_EQ(21u, offsetof(GroupParams, phone));
    EXPECT_EQ(46u, offsetof(GroupParams, inbound));
}

TEST_F(GroupParamsTest, ReadRecord)
{
    GroupParams night = Read("NIGHT");
    EXPECT_EQ(DWORD(CVU_CONFERENCE_F), night.conferenceMode);
    EXPECT_STREQ("Desk", night.callForward);
    EXPECT_STREQ("555 0100", night.phone);
    // Present and not empty: the number itself does not matter.
    EXPECT_EQ(1u, night.inbound);

    GroupParams sales = Read("Sales");
    EXPECT_EQ(0u, sales.conferenceMode);
    EXPECT_EQ(std::string(17, '\0'), std::string(sales.callForward, 17));
    EXPECT_EQ(std::string(25, '\0'), std::string(sales.phone, 25));
    EXPECT_EQ(0u, sales.inbound);

    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=Odd\r\nCONFERENCE=Hold\r\n"
                                    "CALLFWD=12345678901234567890\r\nPHONE=123456789012345678901234567890\r\n"
                                    "INBOUND=\r\n"));
    GroupParams odd = Read("Odd");
    EXPECT_EQ(0u, odd.conferenceMode);
    EXPECT_STREQ("1234567890123456", odd.callForward);
    EXPECT_STREQ("123456789012345678901234", odd.phone);
    EXPECT_EQ(0u, odd.inbound);
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=Odd\r\nCONFERENCE=h\r\n"));
    EXPECT_EQ(DWORD(CVU_CONFERENCE_H), Read("Odd").conferenceMode);
}

TEST_F(GroupParamsTest, ReadNameAndLinesAndBufferSizes)
{
    char buffer[64];
    EXPECT_EQ(0u, CVU_GetGroupParamA("sales", CVU_GROUPPARAM_NAME, buffer, 17));
    EXPECT_STREQ("Sales", buffer);
    EXPECT_EQ(122u, CVU_GetGroupParamA("sales", CVU_GROUPPARAM_NAME, buffer, 16));
    EXPECT_EQ(122u, CVU_GetGroupParamA("sales", CVU_GROUPPARAM_NAME, nullptr, 17));

    EXPECT_EQ(0u, CVU_GetGroupParamA("Sales", CVU_GROUPPARAM_LINES, buffer, sizeof buffer));
    EXPECT_EQ((Names{"L1", "L2", "L3"}), Entries(buffer));
    EXPECT_EQ(0u, CVU_GetGroupParamA("Night", CVU_GROUPPARAM_LINES, buffer, 2));
    EXPECT_EQ(Names{}, Entries(buffer));
    EXPECT_EQ(122u, CVU_GetGroupParamA("Night", CVU_GROUPPARAM_LINES, buffer, 1));
    // Too small for every line: the lines that fitted stay.
    EXPECT_EQ(122u, CVU_GetGroupParamA("Sales", CVU_GROUPPARAM_LINES, buffer, 8));
    EXPECT_EQ((Names{"L1", "L2"}), Entries(buffer));

    GroupParams params;
    EXPECT_EQ(122u, CVU_GetGroupParamA("Night", CVU_GROUPPARAM_RECORD, &params, 49));
    EXPECT_EQ(122u, CVU_GetGroupParamA("Night", CVU_GROUPPARAM_RECORD, nullptr, 50));

    EXPECT_EQ(87u, CVU_GetGroupParamA("Nobody", CVU_GROUPPARAM_NAME, buffer, sizeof buffer));
    EXPECT_EQ(87u, CVU_GetGroupParamA("", CVU_GROUPPARAM_NAME, buffer, sizeof buffer));
    EXPECT_EQ(87u, CVU_GetGroupParamA("Sales", 0, buffer, sizeof buffer));
    EXPECT_EQ(87u, CVU_GetGroupParamA("Sales", 4, buffer, sizeof buffer));
}

TEST_F(GroupParamsTest, WriteRecord)
{
    GroupParams params = Record(CVU_CONFERENCE_H, "", "555", 1);
    EXPECT_EQ(0u, CVU_SetGroupParamA("sales", CVU_GROUPPARAM_RECORD, &params, FALSE));
    // INBOUND holds the group's line count.
    const std::string night = "[GROUP2]\r\nNAME=Night\r\nCONFERENCE=f\r\nCALLFWD=Desk\r\nPHONE=555 0100\r\nINBOUND=0\r\n";
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\nGROUPS=2\r\n"
              "[GROUP1]\r\nNAME=Sales\r\nLINES=(L1,L2,L3)\r\nCONFERENCE=H\r\nPHONE=555\r\nINBOUND=3\r\n" +
                  night,
              Text());

    params = Record(CVU_CONFERENCE_F, "Desk 2", "", 1);
    EXPECT_EQ(0u, CVU_SetGroupParamA("Night", CVU_GROUPPARAM_RECORD, &params, FALSE));
    EXPECT_EQ("[GROUP2]\r\nNAME=Night\r\nCONFERENCE=F\r\nCALLFWD=Desk 2\r\nINBOUND=0\r\n",
              Text().substr(Text().find("[GROUP2]")));

    params = Record(7, "", "", 0);
    EXPECT_EQ(0u, CVU_SetGroupParamA("Night", CVU_GROUPPARAM_RECORD, &params, FALSE));
    EXPECT_EQ("[GROUP2]\r\nNAME=Night\r\n", Text().substr(Text().find("[GROUP2]")));

    // No record clears the four keys.
    EXPECT_EQ(0u, CVU_SetGroupParamA("Sales", CVU_GROUPPARAM_RECORD, nullptr, FALSE));
    EXPECT_EQ("[SERVER]\r\nLINES=3\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=Sales\r\nLINES=(L1,L2,L3)\r\n"
              "[GROUP2]\r\nNAME=Night\r\n",
              Text());

    // Fields filled to the last byte are cut as they would read back.
    std::memset(&params, 'A', sizeof params);
    params.conferenceMode = CVU_CONFERENCE_NONE;
    params.inbound = 0;
    EXPECT_EQ(0u, CVU_SetGroupParamA("Night", CVU_GROUPPARAM_RECORD, &params, FALSE));
    EXPECT_EQ("[GROUP2]\r\nNAME=Night\r\nCALLFWD=" + std::string(16, 'A') + "\r\nPHONE=" + std::string(24, 'A') +
                  "\r\n",
              Text().substr(Text().find("[GROUP2]")));
}

TEST_F(GroupParamsTest, WriteNameAndLines)
{
    EXPECT_EQ(0u, CVU_SetGroupParamA("Sales", CVU_GROUPPARAM_NAME, "Retail", FALSE));
    EXPECT_EQ(0u, CVU_SetGroupParamA("retail", CVU_GROUPPARAM_NAME, "RETAIL", FALSE));
    EXPECT_EQ(87u, CVU_SetGroupParamA("Retail", CVU_GROUPPARAM_NAME, "", FALSE));
    EXPECT_EQ(87u, CVU_SetGroupParamA("Retail", CVU_GROUPPARAM_NAME, nullptr, FALSE));
    EXPECT_EQ(87u, CVU_SetGroupParamA("Retail", CVU_GROUPPARAM_NAME, "x\r\n[SERVER]\r\nGROUPS=9", FALSE));

    EXPECT_EQ(0u, CVU_SetGroupParamA("Night", CVU_GROUPPARAM_LINES, List({"L3", "L1"}).data(), FALSE));
    EXPECT_EQ(0u, CVU_SetGroupParamA("Retail", CVU_GROUPPARAM_LINES, List({}).data(), FALSE));
    const std::string stored =
        "[SERVER]\r\nLINES=3\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=RETAIL\r\n"
        "[GROUP2]\r\nNAME=Night\r\nCONFERENCE=f\r\nCALLFWD=Desk\r\nPHONE=555 0100\r\nINBOUND=0\r\nLINES=(L3,L1)\r\n";
    EXPECT_EQ(stored, Text());

    // A list that cannot be stored leaves the lines as they are; the group
    // was found, so the call succeeds.
    std::string n126(126, 'n');
    EXPECT_EQ(0u, CVU_SetGroupParamA("Night", CVU_GROUPPARAM_LINES,
                                     List({n126, n126, n126, n126, "xx"}).data(), FALSE));
    EXPECT_EQ(0u, CVU_SetGroupParamA("Night", CVU_GROUPPARAM_LINES, List({"a,b"}).data(), FALSE));
    EXPECT_EQ(stored, Text());

    // Any other name is stored as given: a name in use then finds the first
    // group that bears it, and one of 24 characters is never found again.
    EXPECT_EQ(0u, CVU_SetGroupParamA("Retail", CVU_GROUPPARAM_NAME, "night", FALSE));
    EXPECT_EQ(0u, CVU_SetGroupParamA("Night", CVU_GROUPPARAM_NAME, "ABCDEFGHIJKLMNOPQRSTUVWX", FALSE));
    EXPECT_EQ(87u, CVU_SetGroupParamA("ABCDEFGHIJKLMNOPQRSTUVWX", CVU_GROUPPARAM_LINES, List({}).data(), FALSE));
    EXPECT_NE(std::string::npos, Text().find("[GROUP1]\r\nNAME=ABCDEFGHIJKLMNOPQRSTUVWX\r\n[GROUP2]\r\nNAME=Night\r\n"));
}

TEST_F(GroupParamsTest, CreateFlag)
{
    GroupParams params = Record(CVU_CONFERENCE_H, "", "", 1);
    EXPECT_EQ(87u, CVU_SetGroupParamA("Day", CVU_GROUPPARAM_RECORD, &params, FALSE));
    EXPECT_EQ(87u, CVU_SetGroupParamA("", CVU_GROUPPARAM_RECORD, &params, TRUE));
    EXPECT_EQ(87u, CVU_SetGroupParamA(nullptr, CVU_GROUPPARAM_RECORD, &params, TRUE));
    EXPECT_EQ(87u, CVU_SetGroupParamA("ABCDEFGHIJKLMNOPQRSTUVWX", CVU_GROUPPARAM_RECORD, &params, TRUE));
    EXPECT_EQ(kFile, Text());
    // The group is created before the request is looked at.
    EXPECT_EQ(87u, CVU_SetGroupParamA("Day", 4, &params, TRUE));
    const std::string withDay =
        std::string(kFile).replace(std::string(kFile).find("GROUPS=2"), 8, "GROUPS=3") + "[GROUP3]\r\nNAME=Day\r\n";
    EXPECT_EQ(withDay, Text());
    EXPECT_EQ(87u, CVU_SetGroupParamA("Day", CVU_GROUPPARAM_NAME, "", TRUE));
    EXPECT_EQ(0u, CVU_SetGroupParamA("Day", CVU_GROUPPARAM_RECORD, &params, TRUE));
    EXPECT_EQ(withDay + "CONFERENCE=H\r\nINBOUND=0\r\n", Text());
    EXPECT_EQ(0u, CVU_SetGroupParamA("Late", CVU_GROUPPARAM_LINES, List({"L2"}).data(), TRUE));
    EXPECT_NE(std::string::npos, Text().find("[GROUP4]\r\nNAME=Late\r\nLINES=(L2)\r\n"));
}

}  // namespace
