// Single-instance windows across processes: the first instance holds the
// named mutex, a later one brings the first one's window forward.
#include "reports_helpers.h"
#include "resids.h"

using namespace cvxtest;

namespace {

constexpr char kClass[] = "CvxTestSingleInstance";
constexpr char kCaption[] = "Calvex Monitor (test)";
constexpr char kMutex[] = "CvxTestSingleInstanceMark";

// Result of the call in a child: 1 when it found an earlier window; plus 10
// when it got a handle (it was the first instance).
CVX_CHILD_ROLE(previous_instance)
{
    HANDLE mark = nullptr;
    const char *caption = args.at(0) == "-" ? nullptr : args.at(0).c_str();
    BOOL found = CVU_IsPreviousWindowActive(caption, kClass, kMutex, &mark);
    return found + (mark ? 10 : 0);
}

class SingleInstance : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        WNDCLASSA cls{};
        cls.lpfnWndProc = DefWindowProcA;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = kClass;
        RegisterClassA(&cls);
    }
    void TearDown() override
    {
        for (HWND window : windows_) DestroyWindow(window);
        CVU_EndSingleInstanceWindow(mark_);
        UnregisterClassA(kClass, GetModuleHandleA(nullptr));
        CleanTest::TearDown();
    }

    HWND CreateMain(const char *caption = kCaption)
    {
        HWND window = CreateWindowExA(0, kClass, caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
        windows_.push_back(window);
        PumpMessages(50);
        return window;
    }

    // Runs the child while this thread answers the messages that showing and
    // activating its windows from the other process sends.
    static int RunPumping(const std::string &caption = kCaption)
    {
        ChildProcess child = StartChild("previous_instance", {caption});
        return WaitPumping(child);
    }

    std::vector<HWND> windows_;
    HANDLE mark_ = nullptr;
};

TEST_F(SingleInstance, SecondProcessRestoresAndRaisesTheFirstWindow)
{
    ASSERT_FALSE(CVU_IsPreviousWindowActive(kCaption, kClass, kMutex, &mark_));
    ASSERT_NE(nullptr, mark_);
    HWND main = CreateMain();
    HWND other = CreateMain("Some other window");
    SetForegroundWindow(other);
    ShowWindow(main, SW_MINIMIZE);
    PumpMessages(50);
    ASSERT_TRUE(IsIconic(main));

    EXPECT_EQ(1, RunPumping());
    PumpMessages(50);
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(main, GetForegroundWindow());

    // The mark is still held by this process: the window is found again.
    EXPECT_EQ(1, RunPumping());
}

TEST_F(SingleInstance, WithoutTheWindowTheSecondGoesOnWithoutTheMark)
{
    ASSERT_FALSE(CVU_IsPreviousWindowActive(kCaption, kClass, kMutex, &mark_));
    ASSERT_NE(nullptr, mark_);
    EXPECT_EQ(0, RunPumping());

    // A window of the class with another caption is not the instance; with
    // no caption any window of the class is, and with no class either, any
    // window at all.
    CreateMain("Calvex Monitor (other)");
    EXPECT_EQ(0, RunPumping());
    EXPECT_EQ(1, RunPumping("-"));
    EXPECT_TRUE(CVU_IsPreviousWindowActive(nullptr, nullptr, kMutex, nullptr));
}

TEST_F(SingleInstance, EndingTheMarkLetsTheNextProcessBeFirst)
{
    ASSERT_FALSE(CVU_IsPreviousWindowActive(kCaption, kClass, kMutex, &mark_));
    CreateMain();
    CVU_EndSingleInstanceWindow(std::exchange(mark_, nullptr));
    EXPECT_EQ(10, RunPumping());
    CVU_EndSingleInstanceWindow(nullptr);
}

TEST_F(SingleInstance, FirstInstanceWithoutHandlePointerKeepsNoMark)
{
    EXPECT_FALSE(CVU_IsPreviousWindowActive(kCaption, kClass, kMutex, nullptr));
    CreateMain();
    // The mark went at once, so the child is first even though the window
    // is there.
    EXPECT_EQ(10, RunPumping());
}

TEST_F(SingleInstance, SameProcessFindsItsOwnWindowAndCaptionMayBeAStringId)
{
    std::string about = ResourceString(IDS_ABOUT_CAPTION);
    ASSERT_FALSE(about.empty());
    ASSERT_FALSE(CVU_IsPreviousWindowActive(CVU_TEXTID(IDS_ABOUT_CAPTION), kClass, kMutex, &mark_));
    HWND main = CreateMain(about.c_str());
    ShowWindow(main, SW_MINIMIZE);

    HANDLE second = reinterpret_cast<HANDLE>(1);
    EXPECT_TRUE(CVU_IsPreviousWindowActive(CVU_TEXTID(IDS_ABOUT_CAPTION), kClass, kMutex, &second));
    EXPECT_EQ(nullptr, second);
    EXPECT_FALSE(IsIconic(main));
}

}  // namespace
