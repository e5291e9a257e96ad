// The About box: reached by ordinal 61 only, open once across processes.
#include <string>

#include "applet_dialogs.h"
#include "cvxutil.h"
#include "harness/harness.h"
#include "resids.h"

using namespace cvxtest;
using namespace applettest;

namespace {

CVU_SHOWABOUTBOX BindAboutBox()
{
    return reinterpret_cast<CVU_SHOWABOUTBOX>(
        GetProcAddress(GetModuleHandleA("cvxutil.dll"), MAKEINTRESOURCEA(CVU_ORDINAL_SHOWABOUTBOX)));
}

// Child: asks for the About box; reports how many dialogs it had to close.
CVX_CHILD_ROLE(about_box)
{
    CVU_SHOWABOUTBOX show = BindAboutBox();
    if (!show) return 2;
    std::string captions;
    DialogDriver driver([&](HWND dialog) {
        captions += WindowText(dialog) + "|";
        PressButton(dialog, IDOK);
    });
    show(nullptr);
    PutResult("child_dialogs", std::to_string(driver.Finish()));
    PutResult("child_captions", captions);
    return 0;
}

class AboutBox : public CleanTest {};

TEST_F(AboutBox, ShowsTemplate4400CaptionedWithString10008)
{
    CVU_SHOWABOUTBOX show = BindAboutBox();
    ASSERT_NE(nullptr, show);
    std::string caption;
    bool hasProduct = false;
    DialogDriver driver([&](HWND dialog) {
        caption = WindowText(dialog);
        hasProduct = GetDlgItem(dialog, IDC_ABOUT_PRODUCT) && GetDlgItem(dialog, IDC_ABOUT_VERSION);
        PressButton(dialog, IDCANCEL);
    });
    show(nullptr);
    EXPECT_EQ(1, driver.Finish());
    EXPECT_EQ(ResourceString(IDS_ABOUT_CAPTION), caption) << "the about box is not captioned with its string";
    EXPECT_TRUE(hasProduct) << "the about box is not made from its template";
}

TEST_F(AboutBox, OpenOnceAcrossProcesses)
{
    CVU_SHOWABOUTBOX show = BindAboutBox();
    ASSERT_NE(nullptr, show);
    int childExit = -1;
    HWND foreground = nullptr, open = nullptr;
    bool stillOpen = false, otherInFront = false;
    DialogDriver driver([&](HWND dialog) {
        open = dialog;
        // Something else in front, then another program asks while this
        // one's is open: it gets none, and this one comes forward.
        HWND other = CreateWindowExA(0, "Static", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                     nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        otherInFront = GetForegroundWindow() == other;
        childExit = RunChild("about_box");
        DestroyWindow(other);
        stillOpen = IsWindowVisible(dialog);
        foreground = GetForegroundWindow();
        PressButton(dialog, IDOK);
    });
    show(nullptr);
    EXPECT_EQ(1, driver.Finish());
    EXPECT_TRUE(otherInFront);
    EXPECT_EQ(0, childExit);
    EXPECT_EQ("0", GetResult("child_dialogs"));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(open, foreground);

    // Closed, it opens again: in another process, and here.
    EXPECT_EQ(0, RunChild("about_box"));
    EXPECT_EQ("1", GetResult("child_dialogs"));
    EXPECT_EQ(ResourceString(IDS_ABOUT_CAPTION) + "|", GetResult("child_captions"));
    DialogDriver again([&](HWND dialog) { PressButton(dialog, IDOK); });
    show(nullptr);
    EXPECT_EQ(1, again.Finish());
}

}  // namespace
