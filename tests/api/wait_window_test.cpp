// The wait window: what it says and what it does to its owner, on real
// windows.
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "resids.h"

using namespace cvxtest;

namespace {

class WaitWindow : public CleanTest {
protected:
    void TearDown() override
    {
        for (HWND w : windows_)
            if (IsWindow(w)) DestroyWindow(w);
        CleanTest::TearDown();
    }
    // A top-level window of the test to own the wait window.
    HWND MakeOwner(int x, int y, int width, int height, bool visible)
    {
        static ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "CvxWaitOwner";
            return RegisterClassA(&wc);
        }();
        EXPECT_NE(0, atom);
        HWND owner = CreateWindowExA(0, "CvxWaitOwner", "owner", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), x,
                                     y, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, owner);
        windows_.push_back(owner);
        return owner;
    }
    HWND Start(HWND owner, TextRef message)
    {
        HWND wait = CVU_StartWaitWindowA(owner, message);
        windows_.push_back(wait);
        return wait;
    }
    // The text the template itself gives control 4451.
    static std::string TemplateText()
    {
        HWND plain = CreateDialogParamA(CVU_GetResourceInstance(FALSE), MAKEINTRESOURCEA(IDD_WAIT), nullptr, nullptr, 0);
        std::string text = WindowText(GetDlgItem(plain, IDC_WAIT_TEXT));
        DestroyWindow(plain);
        return text;
    }
    std::vector<HWND> windows_;
};

TEST_F(WaitWindow, MessageTextsAndTheOwnerDisabledUntilTheEnd)
{
    char resource[200] = "";
    ASSERT_GT(LoadStringA(CVU_GetResourceInstance(FALSE), IDS_RESTART_TITLE, resource, sizeof resource), 0);
    const struct {
        TextRef message;
        std::string shown;
    } cases[] = {{"Copying the configuration", "Copying the configuration"},
                 {CVU_TEXTID(IDS_RESTART_TITLE), resource},
                 {nullptr, TemplateText()},
                 {"", TemplateText()}};
    for (const auto &c : cases) {
        HWND owner = MakeOwner(10, 10, 500, 300, false);
        HWND wait = Start(owner, c.message);
        ASSERT_NE(nullptr, wait);
        EXPECT_EQ(c.shown, WindowText(GetDlgItem(wait, IDC_WAIT_TEXT))) << "the wait window shows the wrong message";
        EXPECT_EQ(owner, GetWindow(wait, GW_OWNER));
        EXPECT_TRUE(IsWindowVisible(wait));
        EXPECT_TRUE(IsWindowVisible(owner)) << "a hidden owner is not shown";
        EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner takes input while the wait window is up";
        CVU_EndWaitWindow(owner, wait);
        EXPECT_FALSE(IsWindow(wait));
        EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner stays disabled after the end";
    }
}

TEST_F(WaitWindow, EndReenablesTheOwnerWhenTheWindowIsGone)
{
    HWND owner = MakeOwner(10, 10, 500, 300, true);
    HWND wait = Start(owner, "x");
    ASSERT_NE(nullptr, wait);
    ASSERT_TRUE(DestroyWindow(wait));
    CVU_EndWaitWindow(owner, wait);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(WaitWindow, EndWithoutOwnerOnlyDestroysTheWindow)
{
    HWND owner = MakeOwner(10, 10, 500, 300, true);
    HWND wait = Start(owner, "x");
    ASSERT_NE(nullptr, wait);
    CVU_EndWaitWindow(nullptr, wait);
    EXPECT_FALSE(IsWindow(wait));
    EXPECT_FALSE(IsWindowEnabled(owner)) << "an end without owner enabled a window it was not given";
    EnableWindow(owner, TRUE);
}

// Child: no resource module can be found; the owner must stay as it was.
CVX_CHILD_ROLE(wait_without_resources)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CvxWaitOwner2";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, "CvxWaitOwner2", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HWND wait = CVU_StartWaitWindowA(owner, "x");
    std::string state = wait ? "window" : "null";
    state += IsWindowVisible(owner) ? ",shown" : ",hidden";
    state += IsWindowEnabled(owner) ? ",enabled" : ",disabled";
    PutResult("state", state);
    return 0;
}

TEST_F(WaitWindow, WithoutResourceModuleNothingHappens)
{
    SetRegString(HKEY_CURRENT_USER, "Software\\Quillon\\Calvex", "ComponentPath", TempDirectory("nomods"));
    ASSERT_EQ(0, RunChild("wait_without_resources"));
    EXPECT_EQ("null,hidden,enabled", GetResult("state"));
}

}  // namespace
