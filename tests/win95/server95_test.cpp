// Server configuration on Windows 95: CVEX.INI and CVEX.PWF follow the
// install directory of the Windows 95 product key, and no IPX binding is
// looked for.
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

class Server95 : public CleanTest {};

TEST_F(Server95, SettingsGroupsAndPasswordUseTheWindows95Directory)
{
    ASSERT_TRUE(IsWin95Platform());
    EXPECT_TRUE(CVU_SetInvalidConTime(42));
    EXPECT_EQ(0u, CVU_AddGroupA("Pool", "COM1\0\0", FALSE));
    EXPECT_EQ("[SERVER]\r\nTIMEOUT=42\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=Pool\r\nLINES=(COM1)\r\n", ReadFileText(ini_));
    EXPECT_EQ(42, CVU_GetInvalidConTime());

    EXPECT_EQ(1, CVU_SetRemPassword("a"));
    EXPECT_EQ(17u, ReadFileText(dir_ + "CVEX.PWF").size());
    EXPECT_EQ(1, CVU_SetRemPassword(""));
    EXPECT_FALSE(FileExists(dir_ + "CVEX.PWF"));

    EXPECT_EQ(0, CVU_GetTransportMethod());
    EXPECT_EQ(0, CVU_GetIPXSegmentMethod());
}
