// Inbound services on Windows 95: the same per-user key as on NT.
#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

class Services95 : public CleanTest {};

TEST_F(Services95, ServicesLiveUnderTheUserKey)
{
    ASSERT_TRUE(IsWin95Platform());
    ASSERT_TRUE(CVU_IbsCreateService("Fax", nullptr, "fax.exe", nullptr, 0, "pw", 0, FALSE));
    std::string name;
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, "Software\\Quillon\\Calvex\\InBound Services\\Services\\ibs00", "Name",
                             &name));
    EXPECT_EQ("Fax", name);
    char secret[8] = "";
    EXPECT_TRUE(CVU_IbsGetServiceInfo("fax", IBS_INFO_SECURITY, secret, sizeof secret));
    EXPECT_STREQ("pw", secret);
}
