// The machine restart, with the system call replaced: no test may end the
// session it runs in.
#include <windows.h>

#include <string>

#include "cvxutil.h"
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

class Restart : public CleanTest {};

// Asked, only a yes restarts; unasked, the restart follows at once. The
// confirmation has the restart title and message of the resource
// module, and the system's answer is passed through.
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
        g_exit = {};
        std::string shown;
        DialogDriver driver([&](HWND dialog) {
            shown = WindowText(dialog) + "|";
            for (const std::string &text : StaticTexts(dialog)) shown += text + "|";
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(r.button, BN_CLICKED), LPARAM(GetDlgItem(dialog, r.button)));
        });
        EXPECT_EQ(r.result, CVU_RestartMachine(nullptr, r.ask)) << r.button;
        EXPECT_EQ(r.ask ? 1 : 0, driver.Finish()) << r.button;
        EXPECT_EQ(r.exits, g_exit.count) << r.button;
        EXPECT_EQ(r.exits ? UINT(EWX_REBOOT) : 0u, g_exit.flags);
        EXPECT_EQ(0u, g_exit.reason);
        EXPECT_EQ(r.ask ? 0 : std::string::npos, shown.find(ResourceString(IDS_RESTART_TITLE) + "|")) << shown;
        EXPECT_EQ(r.ask, shown.find(ResourceString(IDS_RESTART_MESSAGE)) != std::string::npos) << shown;
    }
    cvx::ReplaceExitWindows(previous);
}

}  // namespace
