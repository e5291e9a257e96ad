// Error report and confirmation dialogs: answers, time-outs, and the
// broadcast that closes them from another process.
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

CVX_CHILD_ROLE(stop_reports)
{
    CVU_StopErrorandConfirms();
    return 7;
}

TEST_F(ConfirmDialog, EachAnswerGivesItsResult)
{
    const struct {
        WORD flags;
        int press;  // 0: the Esc key
        int result;
    } cases[] = {{0, IDC_CONFIRM_YES, CVU_CONFIRM_YES},
                 {0, IDC_CONFIRM_NO, CVU_CONFIRM_NO},
                 {0, 0, CVU_CONFIRM_NO},
                 {CVU_CR_ALLBUTTONS, IDC_CONFIRM_YES, CVU_CONFIRM_YES},
                 {CVU_CR_ALLBUTTONS, IDC_CONFIRM_YESALL, CVU_CONFIRM_YESALL},
                 {CVU_CR_ALLBUTTONS, IDC_CONFIRM_NO, CVU_CONFIRM_NO},
                 {CVU_CR_ALLBUTTONS, IDCANCEL, CVU_CONFIRM_CANCEL},
                 {CVU_CR_ALLBUTTONS, 0, CVU_CONFIRM_CANCEL}};
    for (const auto &c : cases) {
        DialogDriver driver([&](HWND dialog) { c.press ? PressButton(dialog, c.press) : PressEscape(dialog); });
        EXPECT_EQ(c.result, Confirm(c.flags)) << "flags " << c.flags << ", button " << c.press;
        EXPECT_EQ(1, driver.Finish());
    }
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
