// The machine restart, with the system call replaced: no test may end the
// session it runs in.
#include <windows.h>

#include <string>

#include "cvxutil.h"
#include "frame/owners.h"
#include "harness/harness.h"
#include "harness/resources.h"
#include "resids.h"
#include "ui/restart.h"

using namespace cvxtest;

namespace {

struct ExitCall {
    int count = 0;
    UINT flags = 0;
    DWORD reason = 0;
};
ExitCall g_exit;

BOOL WINAPI RecordExit(UINT flags, DWORD reason)
{
    g_exit = {g_exit.count + 1, flags, reason};
    return 5;  // passed through as it is
}

// Whether the process token has SeShutdownPrivilege enabled.
bool ShutdownPrivilegeEnabled()
{
    cvx::UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    LUID luid;
    if (!LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &luid)) return false;
    PRIVILEGE_SET set{};
    set.PrivilegeCount = 1;
    set.Control = PRIVILEGE_SET_ALL_NECESSARY;
    set.Privilege[0].Luid = luid;
    BOOL enabled = FALSE;
    return PrivilegeCheck(token.get(), &set, &enabled) && enabled;
}

bool SetShutdownPrivilege(bool enable)
{
    cvx::UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    return LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
           AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) &&
           GetLastError() == ERROR_SUCCESS;
}

class Restart : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        g_exit = {};
        previous_ = cvx::ReplaceExitWindows(RecordExit);
    }
    void TearDown() override
    {
        cvx::ReplaceExitWindows(previous_);
        CleanTest::TearDown();
    }
    // Answers the confirmation with button; returns the texts it showed.
    std::string Answer(int button, BOOL *result)
    {
        std::string shown;
        DialogDriver driver([&](HWND dialog) {
            shown = WindowText(dialog) + "|";
            for (const std::string &text : StaticTexts(dialog)) shown += text + "|";
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(dialog, button)));
        });
        *result = CVU_RestartMachine(nullptr, TRUE);
        EXPECT_EQ(1, driver.Finish());
        return shown;
    }
    cvx::ExitWindowsFunction previous_ = nullptr;
};

TEST_F(Restart, DeclinedConfirmationRestartsNothing)
{
    BOOL result = -1;
    std::string shown = Answer(IDC_CONFIRM_NO, &result);
    EXPECT_EQ(FALSE, result);
    EXPECT_EQ(0, g_exit.count);
    // Asked with the restart title and message of the resource module.
    EXPECT_EQ(0u, shown.find(ResourceString(IDS_RESTART_TITLE) + "|")) << shown;
    EXPECT_NE(std::string::npos, shown.find(ResourceString(IDS_RESTART_MESSAGE))) << shown;

    EXPECT_EQ(FALSE, (Answer(IDCANCEL, &result), result));
    EXPECT_EQ(0, g_exit.count);
}

TEST_F(Restart, AcceptedConfirmationAsksForAReboot)
{
    BOOL result = -1;
    Answer(IDC_CONFIRM_YES, &result);
    EXPECT_EQ(5, result);
    EXPECT_EQ(1, g_exit.count);
    EXPECT_EQ(UINT(EWX_REBOOT), g_exit.flags);
    EXPECT_EQ(0u, g_exit.reason);
}

TEST_F(Restart, WithoutAskingTheShutdownPrivilegeIsEnabledFirst)
{
    ASSERT_TRUE(SetShutdownPrivilege(false));
    ASSERT_FALSE(ShutdownPrivilegeEnabled());
    DialogDriver driver([&](HWND dialog) { PressButton(dialog, IDCANCEL); });
    EXPECT_EQ(5, CVU_RestartMachine(nullptr, FALSE));
    EXPECT_EQ(0, driver.Finish());
    EXPECT_EQ(1, g_exit.count);
    EXPECT_EQ(UINT(EWX_REBOOT), g_exit.flags);
    EXPECT_TRUE(ShutdownPrivilegeEnabled());
}

}  // namespace
