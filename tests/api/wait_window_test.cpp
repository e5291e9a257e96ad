// The wait window: where it goes, what it says, and what it does to its
// owner, on real windows.
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
    static RECT Rect(HWND w)
    {
        RECT r{};
        GetWindowRect(w, &r);
        return r;
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

TEST_F(WaitWindow, WithoutOwnerCentredOnTheScreen)
{
    HWND wait = Start(nullptr, "Copying the configuration");
    ASSERT_NE(nullptr, wait);
    EXPECT_TRUE(IsWindowVisible(wait));
    EXPECT_EQ(nullptr, GetWindow(wait, GW_OWNER));
    EXPECT_EQ("Copying the configuration", WindowText(GetDlgItem(wait, IDC_WAIT_TEXT)));

    RECT r = Rect(wait);
    int w = r.right - r.left, h = r.bottom - r.top;
    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(screenW, w);
    ASSERT_GT(screenH, h);
    EXPECT_EQ((screenW - w) / 2, r.left);
    EXPECT_EQ((screenH - h) / 2, r.top);

    CVU_EndWaitWindow(nullptr, wait);
    EXPECT_FALSE(IsWindow(wait));
}

TEST_F(WaitWindow, CentredOnItsOwnerWhichItDisables)
{
    HWND owner = MakeOwner(100, 80, 640, 420, true);
    HWND wait = Start(owner, nullptr);
    ASSERT_NE(nullptr, wait);
    EXPECT_EQ(owner, GetWindow(wait, GW_OWNER));
    EXPECT_TRUE(IsWindowVisible(wait));
    EXPECT_FALSE(IsWindowEnabled(owner));

    RECT o = Rect(owner), r = Rect(wait);
    int w = r.right - r.left, h = r.bottom - r.top;
    ASSERT_GT(o.right - o.left, w);
    ASSERT_GT(o.bottom - o.top, h);
    EXPECT_EQ(o.left + (o.right - o.left - w) / 2, r.left);
    EXPECT_EQ(o.top + (o.bottom - o.top - h) / 2, r.top);
    // No message: the template's own text stays.
    EXPECT_EQ(TemplateText(), WindowText(GetDlgItem(wait, IDC_WAIT_TEXT)));

    CVU_EndWaitWindow(owner, wait);
    EXPECT_FALSE(IsWindow(wait));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(owner, GetForegroundWindow());
}

TEST_F(WaitWindow, LargerThanItsOwnerGoesToTheOwnersCorner)
{
    HWND owner = MakeOwner(200, 150, 120, 60, true);
    HWND wait = Start(owner, CVU_TEXTID(IDS_RESTART_TITLE));
    ASSERT_NE(nullptr, wait);
    RECT o = Rect(owner), r = Rect(wait);
    ASSERT_LT(o.right - o.left, r.right - r.left);
    ASSERT_LT(o.bottom - o.top, r.bottom - r.top);
    EXPECT_EQ(o.left, r.left);
    EXPECT_EQ(o.top, r.top);

    // A string number is looked up in the resource module.
    char expected[200] = "";
    ASSERT_GT(LoadStringA(CVU_GetResourceInstance(FALSE), IDS_RESTART_TITLE, expected, sizeof expected), 0);
    EXPECT_EQ(expected, WindowText(GetDlgItem(wait, IDC_WAIT_TEXT)));
    CVU_EndWaitWindow(owner, wait);
}

TEST_F(WaitWindow, OneSideLargerOnlyCentresTheOther)
{
    // Wide but low: centred across, at the top edge down.
    HWND owner = MakeOwner(50, 40, 900, 30, true);
    HWND wait = Start(owner, "x");
    ASSERT_NE(nullptr, wait);
    RECT o = Rect(owner), r = Rect(wait);
    EXPECT_EQ(o.left + (o.right - o.left - (r.right - r.left)) / 2, r.left);
    EXPECT_EQ(o.top, r.top);
    CVU_EndWaitWindow(owner, wait);
}

TEST_F(WaitWindow, HiddenOwnerIsShownThenDisabled)
{
    HWND owner = MakeOwner(10, 10, 500, 300, false);
    ASSERT_FALSE(IsWindowVisible(owner));
    HWND wait = Start(owner, "");
    ASSERT_NE(nullptr, wait);
    EXPECT_TRUE(IsWindowVisible(owner));
    EXPECT_FALSE(IsWindowEnabled(owner));
    // An empty message counts as none.
    EXPECT_EQ(TemplateText(), WindowText(GetDlgItem(wait, IDC_WAIT_TEXT)));
    CVU_EndWaitWindow(owner, wait);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(WaitWindow, EndReenablesTheOwnerWhenTheWindowIsGone)
{
    HWND owner = MakeOwner(10, 10, 500, 300, true);
    HWND other = MakeOwner(600, 10, 200, 200, true);
    HWND wait = Start(owner, "x");
    ASSERT_NE(nullptr, wait);
    ASSERT_TRUE(DestroyWindow(wait));
    SetForegroundWindow(other);
    ASSERT_FALSE(IsWindowEnabled(owner));

    CVU_EndWaitWindow(owner, wait);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(owner, GetForegroundWindow());
}

TEST_F(WaitWindow, EndWithoutOwnerOnlyDestroysTheWindow)
{
    HWND owner = MakeOwner(10, 10, 500, 300, true);
    HWND wait = Start(owner, "x");
    ASSERT_NE(nullptr, wait);
    HWND other = MakeOwner(600, 10, 200, 200, true);
    SetForegroundWindow(other);

    CVU_EndWaitWindow(nullptr, wait);
    EXPECT_FALSE(IsWindow(wait));
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_EQ(other, GetForegroundWindow());
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
