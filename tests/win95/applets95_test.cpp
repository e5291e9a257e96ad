// Applet services on Windows 95, where the monitor names' key is also the
// product key.
#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

class Applets95 : public CleanTest {};

TEST_F(Applets95, MonitorNamesLiveInTheInstallDirectory)
{
    ASSERT_TRUE(IsWin95Platform());
    ASSERT_STREQ("Software\\Quillon\\Calvex", ProductKeyPath());
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("10.0.0.1", "Desk"));
    EXPECT_EQ("[Names]\r\n10.0.0.1=Desk\r\n", ReadFileText(dir_ + "NAMES.INI"));
    char name[32] = "";
    EXPECT_TRUE(CVU_GetMonitorNameFromAddress("10.0.0.1", name, sizeof name));
    EXPECT_STREQ("Desk", name);
}
