// Run by Wine as a Windows 95 program (AppDefaults Version=win95).
#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

class Platform95 : public CleanTest {};

TEST_F(Platform95, ReportsWindows95AndUsesItsProductKey)
{
    ASSERT_TRUE(IsWin95Platform()) << "the prefix must run this executable as Windows 95";
    EXPECT_TRUE(CVU_IsWin95OS());

    // The installed-components value lives under the Windows 95 product key.
    SetRegDword(HKEY_LOCAL_MACHINE, "Software\\Quillon\\Calvex", "dwInstalledValue", 2);
    EXPECT_TRUE(CVU_IsComponentInstalled(3));
    EXPECT_FALSE(CVU_IsComponentInstalled(4));
    EXPECT_FALSE(CVU_IsComponentInstalled(0));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Cvex"));
}
