// The machine restart, with the system call replaced: no test may end the
// session it runs in.
#include <windows.h>

#include <tuple>
#include <vector>

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
    // Asked and answered no, cancelled, yes; not asked.
    const std::tuple<BOOL, int, BOOL, int> rows[] = {
        {TRUE, IDC_CONFIRM_NO, FALSE, 0}, {TRUE, IDCANCEL, FALSE, 0}, {TRUE, IDC_CONFIRM_YES, 5, 1}, {FALSE, 0, 5, 1}};
    for (const auto &[ask, button, result, exits] : rows) {
        g_exits = 0, g_exitFlags = 0;
        const int press = button;
        DialogDriver driver([press](HWND dialog) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), LPARAM(GetDlgItem(dialog, press)));
        });
        EXPECT_EQ(result, CVU_RestartMachine(nullptr, ask)) << button;
        EXPECT_EQ(ask ? 1 : 0, driver.Finish()) << button;
        EXPECT_EQ((std::vector<UINT>{UINT(exits), exits ? UINT(EWX_REBOOT) : 0u}), (std::vector<UINT>{UINT(g_exits), g_exitFlags}))
            << "restarts and their flags after " << button;
    }
    cvx::ReplaceExitWindows(previous);
}

}  // namespace
