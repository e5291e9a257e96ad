// Error report and confirmation dialogs: buttons, results, time-outs, window
// state, and the broadcast that closes them from another process.
#include "reports_helpers.h"
#include "resids.h"

using namespace cvxtest;

namespace {

class ConfirmDialog : public CleanTest {};
class ErrorReportDialog : public CleanTest {};

// Posts the Esc key as the keyboard would deliver it to the dialog.
void PressEscape(HWND dialog)
{
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

int Confirm(WORD flags, DWORD timeout = 0)
{
    return CVU_ConfirmActionExA(nullptr, "Confirm", "Delete the line?", nullptr, 0, 0, flags, timeout);
}

HICON ShownIcon(HWND dialog)
{
    return reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_CR_ICON, STM_GETIMAGE, IMAGE_ICON, 0));
}

CVX_CHILD_ROLE(stop_reports)
{
    CVU_StopErrorandConfirms();
    return 7;
}

TEST_F(ConfirmDialog, PlainConfirmationShowsTwoAnswersInTheOuterSlotsOfACentredRow)
{
    DialogDriver driver([](HWND dialog) {
        HWND yes = GetDlgItem(dialog, IDC_CONFIRM_YES), no = GetDlgItem(dialog, IDC_CONFIRM_NO);
        HWND yesAll = GetDlgItem(dialog, IDC_CONFIRM_YESALL), cancel = GetDlgItem(dialog, IDCANCEL);
        EXPECT_TRUE(IsWindowVisible(yes));
        EXPECT_TRUE(IsWindowVisible(no));
        EXPECT_FALSE(IsWindowVisible(yesAll));
        EXPECT_FALSE(IsWindowEnabled(yesAll));
        EXPECT_FALSE(IsWindowVisible(cancel));

        RECT client, y = ChildRect(yes), n = ChildRect(no), a = ChildRect(yesAll);
        GetClientRect(dialog, &client);
        int w = y.right - y.left;
        EXPECT_EQ((client.right - 3 * w) / 2, y.left);
        EXPECT_EQ(y.left + 2 * w, n.left);
        // Same row and size as the template gave them (the hidden middle
        // button stays where the template put it).
        EXPECT_EQ(a.top, y.top);
        EXPECT_EQ(a.top, n.top);
        EXPECT_EQ(a.right - a.left, n.right - n.left);
        EXPECT_EQ(a.bottom - a.top, y.bottom - y.top);
        PressEscape(dialog);
    });
    EXPECT_EQ(CVU_CONFIRM_NO, Confirm(0));
    EXPECT_EQ(1, driver.Finish());

    DialogDriver yes([](HWND dialog) { PressButton(dialog, IDC_CONFIRM_YES); });
    EXPECT_EQ(CVU_CONFIRM_YES, CVU_ConfirmActionA(nullptr, "Confirm", "Delete?", nullptr, 0, 0, 0));
    EXPECT_EQ(1, yes.Finish());

    DialogDriver no([](HWND dialog) { PressButton(dialog, IDC_CONFIRM_NO); });
    EXPECT_EQ(CVU_CONFIRM_NO, Confirm(0));
    EXPECT_EQ(1, no.Finish());
}

TEST_F(ConfirmDialog, AllButtonsFlagKeepsThreeAnswersAndCancel)
{
    DialogDriver driver([](HWND dialog) {
        RECT left = ChildRect(GetDlgItem(dialog, IDC_CONFIRM_YES));
        RECT middle = ChildRect(GetDlgItem(dialog, IDC_CONFIRM_YESALL));
        for (int id : {IDC_CONFIRM_YES, IDC_CONFIRM_YESALL, IDC_CONFIRM_NO, IDCANCEL}) {
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, id))) << id;
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
        }
        EXPECT_LT(left.right, middle.left);  // left where the template put them
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(CVU_CONFIRM_CANCEL, Confirm(CVU_CR_ALLBUTTONS));
    EXPECT_EQ(1, driver.Finish());

    for (auto [button, result] : {std::pair{IDC_CONFIRM_YESALL, CVU_CONFIRM_YESALL},
                                  std::pair{IDC_CONFIRM_YES, CVU_CONFIRM_YES}, std::pair{IDC_CONFIRM_NO, CVU_CONFIRM_NO}}) {
        DialogDriver press([button = button](HWND dialog) { PressButton(dialog, button); });
        EXPECT_EQ(result, Confirm(CVU_CR_ALLBUTTONS)) << button;
        EXPECT_EQ(1, press.Finish());
    }

    DialogDriver escape([](HWND dialog) { PressEscape(dialog); });
    EXPECT_EQ(CVU_CONFIRM_CANCEL, Confirm(CVU_CR_ALLBUTTONS));
    EXPECT_EQ(1, escape.Finish());
}

TEST_F(ConfirmDialog, TimeOutAnswersThree)
{
    DialogDriver watch([](HWND) {});
    DWORD start = GetTickCount();
    EXPECT_EQ(CVU_CONFIRM_TIMEOUT, Confirm(0, 300));
    EXPECT_GE(GetTickCount() - start, 280u);
    EXPECT_EQ(1, watch.Finish());
}

TEST_F(ErrorReportDialog, TimeOutClosesWithOne)
{
    DialogDriver watch([](HWND) {});
    DWORD start = GetTickCount();
    EXPECT_EQ(1, CVU_ReportErrorExA(nullptr, "Error", "Line failed.", 5, nullptr, 0, 0, CVU_CR_SYSTEMCODE, 300));
    EXPECT_GE(GetTickCount() - start, 280u);
    EXPECT_EQ(1, watch.Finish());
}

TEST_F(ErrorReportDialog, OkAndEscapeCloseWithOne)
{
    DialogDriver ok([](HWND dialog) { PressButton(dialog, IDOK); });
    EXPECT_EQ(1, CVU_ReportErrorA(nullptr, nullptr, "Failed.", 0, nullptr, 0, 0, 0));
    EXPECT_EQ(1, ok.Finish());

    DialogDriver escape([](HWND dialog) { PressEscape(dialog); });
    EXPECT_EQ(1, CVU_ReportErrorA(nullptr, nullptr, "Failed.", 0, nullptr, 0, 0, 0));
    EXPECT_EQ(1, escape.Finish());
}

TEST_F(ConfirmDialog, TopmostOnlyWithItsFlag)
{
    for (WORD flags : {WORD(0), WORD(CVU_CR_TOPMOST)}) {
        LONG exStyle = 0;
        DialogDriver driver([&](HWND dialog) {
            exStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
            PressButton(dialog, IDC_CONFIRM_YES);
        });
        EXPECT_EQ(CVU_CONFIRM_YES, Confirm(flags));
        EXPECT_EQ(1, driver.Finish());
        EXPECT_EQ(flags != 0, (exStyle & WS_EX_TOPMOST) != 0) << flags;
    }

    LONG exStyle = 0;
    DialogDriver report([&](HWND dialog) {
        exStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ReportErrorA(nullptr, nullptr, "Failed.", 0, nullptr, 0, 0, CVU_CR_TOPMOST));
    EXPECT_NE(0, exStyle & WS_EX_TOPMOST);
}

TEST_F(ConfirmDialog, IconIsTheSystemQuestionTheGivenOneOrNone)
{
    struct Case {
        DWORD icon;
        WORD flags;
        HICON expected;
    } cases[] = {
        {0, 0, LoadIconA(nullptr, IDI_QUESTION)},
        {IDI_CALVEX, 0, LoadIconA(CVU_GetResourceInstance(FALSE), MAKEINTRESOURCEA(IDI_CALVEX))},
        {0x10000 | IDI_CALVEX, 0, LoadIconA(CVU_GetResourceInstance(FALSE), MAKEINTRESOURCEA(IDI_CALVEX))},
        {IDI_CALVEX, CVU_CR_NOICON, nullptr},
    };
    ASSERT_NE(nullptr, cases[1].expected);
    for (const Case &c : cases) {
        HICON shown = reinterpret_cast<HICON>(1);
        DialogDriver driver([&](HWND dialog) {
            shown = ShownIcon(dialog);
            PressButton(dialog, IDC_CONFIRM_YES);
        });
        EXPECT_EQ(CVU_CONFIRM_YES, CVU_ConfirmActionA(nullptr, "Confirm", "Go?", nullptr, 0, c.icon, c.flags));
        driver.Finish();
        EXPECT_EQ(c.expected, shown) << c.icon << " " << c.flags;
    }
}

TEST_F(ErrorReportDialog, IconIsTheSystemErrorIconOrNone)
{
    for (WORD flags : {WORD(0), WORD(CVU_CR_NOICON)}) {
        HICON shown = reinterpret_cast<HICON>(1);
        DialogDriver driver([&](HWND dialog) {
            shown = ShownIcon(dialog);
            PressButton(dialog, IDOK);
        });
        EXPECT_EQ(1, CVU_ReportErrorA(nullptr, nullptr, "Failed.", 0, nullptr, 0, 0, flags));
        driver.Finish();
        EXPECT_EQ(flags ? nullptr : LoadIconA(nullptr, IDI_HAND), shown) << flags;
    }
}

TEST_F(ConfirmDialog, StopFromAnotherProcessClosesWithFour)
{
    // The broadcast reaches every window of this thread, so the thread keeps
    // answering until the child is done.
    ChildProcess child;
    DialogDriver driver([&](HWND) { child = StartChild("stop_reports"); });
    EXPECT_EQ(CVU_CONFIRM_STOPPED, Confirm(CVU_CR_ALLBUTTONS));
    EXPECT_EQ(1, driver.Finish());
    EXPECT_EQ(7, WaitPumping(child));
}

TEST_F(ErrorReportDialog, StopFromAnotherProcessClosesWithOne)
{
    ChildProcess child;
    DialogDriver driver([&](HWND) { child = StartChild("stop_reports"); });
    EXPECT_EQ(1, CVU_ReportErrorA(nullptr, nullptr, "Failed.", 0x200E0008, nullptr, 0, 0, 0));
    EXPECT_EQ(1, driver.Finish());
    EXPECT_EQ(7, WaitPumping(child));
}

TEST_F(ErrorReportDialog, OwnerThatIsNoWindowGivesTheDialogFailure)
{
    HWND bogus = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFF0)); 
    ASSERT_FALSE(IsWindow(bogus));
    DialogDriver watch([](HWND dialog) { PressButton(dialog, IDOK); });
    EXPECT_EQ(0, CVU_ReportErrorA(bogus, nullptr, "Failed.", 0, nullptr, 0, 0, 0));
    EXPECT_EQ(CVU_CONFIRM_CANCEL, CVU_ConfirmActionA(bogus, nullptr, "Go?", nullptr, 0, 0, 0));
    EXPECT_EQ(0, watch.Finish());
}

}  // namespace
