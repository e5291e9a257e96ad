// Monitor names in NAMES.INI and the notification every top-level window
// receives.
#include <cstring>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr char kNamesKey[] = "Software\\Quillon\\Calvex";

class MonitorNames : public CleanTest {
protected:
    // The directory as the monitor applet stores it: no trailing backslash.
    void SetUp() override
    {
        CleanTest::SetUp();
        names_ = dir_ + "NAMES.INI";
        SetRegString(HKEY_LOCAL_MACHINE, kNamesKey, "Directory", dir_.substr(0, dir_.size() - 1));
    }
    std::string Name(const char *address, DWORD size = 100, BOOL *result = nullptr)
    {
        char buffer[100];
        std::memset(buffer, '#', sizeof buffer);
        BOOL r = CVU_GetMonitorNameFromAddress(address, buffer, size);
        if (result) *result = r;
        return buffer;
    }
    std::string names_;
};

TEST_F(MonitorNames, StoredNamesAreReadBack)
{
    EXPECT_TRUE(CVU_SetMonitorNameForAddress("10.1.2.3", "Front desk"));
    EXPECT_TRUE(CVU_SetMonitorNameForAddress("PC-LAB", "Lab"));
    EXPECT_EQ("[Names]\r\n10.1.2.3=Front desk\r\nPC-LAB=Lab\r\n", ReadFileText(names_));

    BOOL r = FALSE;
    EXPECT_EQ("Front desk", Name("10.1.2.3", 100, &r));
    EXPECT_TRUE(r);
    // Keys are found without regard to case.
    EXPECT_EQ("Lab", Name("pc-lab", 100, &r));
    EXPECT_TRUE(r);
    // A name cut to the buffer still differs from the address.
    EXPECT_EQ("Fron", Name("10.1.2.3", 5, &r));
    EXPECT_TRUE(r);
}

TEST_F(MonitorNames, WithoutADifferentNameTheAddressIsShown)
{
    BOOL r = TRUE;
    EXPECT_EQ("10.9.9.9", Name("10.9.9.9", 100, &r));
    EXPECT_FALSE(r);
    // Compared whole: the address cut to a small buffer is still no name.
    EXPECT_EQ("10.9", Name("10.9.9.9", 5, &r));
    EXPECT_FALSE(r);

    // A name equal to the address counts as none; compared with case.
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("hostA", "hostA"));
    EXPECT_EQ("hostA", Name("hostA", 100, &r));
    EXPECT_FALSE(r);
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("hostB", "HOSTB"));
    EXPECT_EQ("HOSTB", Name("hostB", 100, &r));
    EXPECT_TRUE(r);
}

TEST_F(MonitorNames, NullNameRemovesTheEntry)
{
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("a1", "One"));
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("a2", "Two"));
    EXPECT_TRUE(CVU_SetMonitorNameForAddress("a1", nullptr));
    EXPECT_EQ("[Names]\r\na2=Two\r\n", ReadFileText(names_));
    BOOL r = TRUE;
    EXPECT_EQ("a1", Name("a1", 100, &r));
    EXPECT_FALSE(r);
    // A null address never reaches the file: it would remove the section.
    EXPECT_FALSE(CVU_SetMonitorNameForAddress(nullptr, nullptr));
    EXPECT_FALSE(CVU_GetMonitorNameFromAddress(nullptr, nullptr, 0));
    EXPECT_EQ("[Names]\r\na2=Two\r\n", ReadFileText(names_));
}

TEST_F(MonitorNames, DirectoryIsUsedAsRead)
{
    // With its own trailing backslash the value still names the same file.
    SetRegString(HKEY_LOCAL_MACHINE, kNamesKey, "Directory", dir_);
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("x", "y"));
    EXPECT_EQ("[Names]\r\nx=y\r\n", ReadFileText(names_));

    // Nothing is added: a directory that does not exist is not made.
    SetRegString(HKEY_LOCAL_MACHINE, kNamesKey, "Directory", dir_ + "missing");
    EXPECT_FALSE(CVU_SetMonitorNameForAddress("x", "z"));
    EXPECT_FALSE(FileExists(dir_ + "missing"));
    BOOL r = TRUE;
    EXPECT_EQ("x", Name("x", 100, &r));
    EXPECT_FALSE(r);
}

TEST_F(MonitorNames, WithoutDirectoryNoFileIsTouched)
{
    DeleteTree(HKEY_LOCAL_MACHINE, kNamesKey);
    // The product key of this platform holds a "Directory" too: not used.
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ProductKeyPath()) || IsWin95Platform());
    EXPECT_FALSE(CVU_SetMonitorNameForAddress("10.1.2.3", "Front desk"));
    BOOL r = TRUE;
    EXPECT_EQ("10.1.2.3", Name("10.1.2.3", 100, &r));
    EXPECT_FALSE(r);
    EXPECT_FALSE(FileExists(names_));
    EXPECT_FALSE(FileExists(ExeDirectory() + "NAMES.INI"));

    // An empty value names no directory either.
    SetRegString(HKEY_LOCAL_MACHINE, kNamesKey, "Directory", "");
    EXPECT_FALSE(CVU_SetMonitorNameForAddress("10.1.2.3", "Front desk"));
    EXPECT_FALSE(FileExists("C:\\NAMES.INI"));
}

// ---- CVU_GlobalNotify --------------------------------------------------------------
struct Received {
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    int count = 0;
};
Received g_received;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && wParam == CVU_NOTIFY_COMMAND) {
        g_received = {wParam, lParam, g_received.count + 1};
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeListener()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = ListenerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CvxNotifyListener";
    RegisterClassA(&wc);
    // Top-level and hidden: a broadcast reaches it all the same.
    return CreateWindowExA(0, "CvxNotifyListener", "listener", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

bool WaitForNotification(DWORD ms)
{
    DWORD start = GetTickCount();
    while (!g_received.count && GetTickCount() - start < ms) PumpMessages(20);
    return g_received.count > 0;
}

TEST(GlobalNotify, TopLevelWindowReceivesTheCommand)
{
    HWND listener = MakeListener();
    ASSERT_NE(nullptr, listener);
    EXPECT_TRUE(CVU_GlobalNotify(5));
    ASSERT_TRUE(WaitForNotification(5000));
    EXPECT_EQ(WPARAM(4096), g_received.wParam);
    EXPECT_EQ(LPARAM(5), g_received.lParam);
    EXPECT_EQ(1, g_received.count);
    DestroyWindow(listener);
}

// Child: a window of another process, which reports what it received.
CVX_CHILD_ROLE(notify_listener)
{
    HWND listener = MakeListener();
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, args.at(0).c_str());
    if (!listener || !ready) return 1;
    SetEvent(ready);
    CloseHandle(ready);
    bool got = WaitForNotification(20000);
    PutResult("received", got ? std::to_string(g_received.wParam) + "," + std::to_string(g_received.lParam) : "none");
    DestroyWindow(listener);
    return 0;
}

TEST(GlobalNotify, WindowsOfOtherProcessesReceiveIt)
{
    ResetProductRegistry();
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "cvxtest-notify-ready");
    ChildProcess child = StartChild("notify_listener", {"cvxtest-notify-ready"});
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 20000));
    CloseHandle(ready);
    EXPECT_TRUE(CVU_GlobalNotify(0x12345678));
    EXPECT_EQ(0, child.Wait(30000));
    EXPECT_EQ("4096," + std::to_string(LPARAM(0x12345678)), GetResult("received"));
    ResetProductRegistry();
}

}  // namespace
