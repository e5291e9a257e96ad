// Monitor names in NAMES.INI, found through the directory the monitor applet
// stores, and the notification that reaches the windows of other processes.
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
    std::string Name(const char *address, DWORD size, BOOL *result)
    {
        char buffer[100];
        std::memset(buffer, '#', sizeof buffer);
        *result = CVU_GetMonitorNameFromAddress(address, buffer, size);
        return buffer;
    }
    std::string names_;
};

TEST_F(MonitorNames, StoredNamesAreReadBack)
{
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("10.1.2.3", "Front desk"));
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("PC-LAB", "Lab"));
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("hostA", "hostA"));
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("hostB", "HOSTB"));
    ASSERT_TRUE(CVU_SetMonitorNameForAddress("a1", "One"));
    EXPECT_TRUE(CVU_SetMonitorNameForAddress("a1", nullptr));
    // A null address never reaches the file: it would remove the section.
    EXPECT_FALSE(CVU_SetMonitorNameForAddress(nullptr, nullptr));
    EXPECT_EQ("[Names]\r\n10.1.2.3=Front desk\r\nPC-LAB=Lab\r\nhostA=hostA\r\nhostB=HOSTB\r\n", ReadFileText(names_));
    struct Row {
        const char *what, *address;
        DWORD size;
        const char *shown;
        BOOL named;
    } rows[] = {
        {"a stored name", "10.1.2.3", 100, "Front desk", TRUE},
        {"keys found without regard to case", "pc-lab", 100, "Lab", TRUE},
        {"a name cut to the buffer still differs", "10.1.2.3", 5, "Fron", TRUE},
        {"no name: the address", "10.9.9.9", 100, "10.9.9.9", FALSE},
        {"no name, small buffer: the address cut", "10.9.9.9", 5, "10.9", FALSE},
        {"a name equal to the address is none", "hostA", 100, "hostA", FALSE},
        {"names compare with case", "hostB", 100, "HOSTB", TRUE},
        {"a removed name", "a1", 100, "a1", FALSE},
    };
    for (const Row &r : rows) {
        BOOL named = -1;
        EXPECT_EQ(r.shown, Name(r.address, r.size, &named)) << r.what;
        EXPECT_EQ(r.named, named) << r.what;
    }
    // Without the directory value nothing is stored anywhere; the product
    // key of this platform holds a "Directory" too, which is not used.
    DeleteTree(HKEY_LOCAL_MACHINE, kNamesKey);
    EXPECT_FALSE(CVU_SetMonitorNameForAddress("x", "y"));
    EXPECT_FALSE(FileExists(ExeDirectory() + "NAMES.INI"));
}

// A hidden top-level window of another process reports what it received.
CVX_CHILD_ROLE(notify_listener)
{
    static LPARAM received = -1;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_COMMAND && wParam == CVU_NOTIFY_COMMAND) received = lParam;
        return DefWindowProcA(window, message, wParam, lParam);
    };
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CvxNotifyListener";
    RegisterClassA(&wc);
    HWND listener = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 9, 9, nullptr, nullptr,
                                    wc.hInstance, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, args.at(0).c_str());
    if (!listener || !ready || !SetEvent(ready)) return 1;
    for (DWORD start = GetTickCount(); received == -1 && GetTickCount() - start < 20000;) PumpMessages(20);
    PutResult("received", std::to_string(received));
    return 0;
}

TEST(GlobalNotify, WindowsOfOtherProcessesReceiveIt)
{
    ResetProductRegistry();
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "cvxtest-notify-ready");
    ChildProcess child = StartChild("notify_listener", {"cvxtest-notify-ready"});
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 20000));
    CloseHandle(ready);
    EXPECT_TRUE(CVU_GlobalNotify(0x12345678));
    EXPECT_EQ(0, child.Wait(30000));
    EXPECT_EQ(std::to_string(0x12345678), GetResult("received"));
    ResetProductRegistry();
}

}  // namespace
