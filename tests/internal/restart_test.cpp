// The machine restart, with the system call replaced: no test may end the
// session it runs in.
#include <windows.h>

#include "cvxutil.h"
#include "harness/harness.h"
#include "resids.h"
#include "ui/restart.h"

using namespace cvxtest;

namespace {

UINT g_exitFlags = 0;
int g_exits = 0;

BOOL WINAPI RecordExit(UINT flags, DWORD)
{
    ++g_exits, g_exitFlags = flags;
    return 5;  // passed through as it is
}

class Restart : public CleanTest {};

// Asked, only a yes restarts; unasked, the restart follows at once. The
// system's answer is passed through.
TEST_F(Restart, OnlyAYesOrNotAskingRestarts)
{
    const cvx::ExitWindowsFunction previous = cvx::ReplaceExitWindows(RecordExit);
    const struct {
        BOOL ask;
        int button;
        BOOL result;
        int exits;
    } rows[] = {{TRUE, IDC_CONFIRM_NO, FALSE, 0}, {TRUE, IDCANCEL, FALSE, 0}, {TRUE, IDC_CONFIRM_YES, 5, 1},
                {FALSE, IDCANCEL, 5, 1}};
    for (const auto &r : rows) {
        g_exits = 0, g_exitFlags = 0;
        DialogDriver driver([&](HWND dialog) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(r.button, BN_CLICKED), LPARAM(GetDlgItem(dialog, r.button)));
        });
        EXPECT_EQ(r.result, CVU_RestartMachine(nullptr, r.ask)) << r.button;
        EXPECT_EQ(r.ask ? 1 : 0, driver.Finish()) << r.button;
        EXPECT_EQ(r.exits, g_exits) << r.button;
        EXPECT_EQ(r.exits ? UINT(EWX_REBOOT) : 0u, g_exitFlags);
    }
    cvx::ReplaceExitWindows(previous);
}

}  // namespace
