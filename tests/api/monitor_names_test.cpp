// Monitor names in NAMES.INI, found through the directory the monitor applet
// stores, and the notification that reaches the windows of other processes.
#include <cstring>
#include <string>
#include <tuple>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr char kNamesKey[] = "Software\\Quillon\\Calvex";

class MonitorNames : public CleanTest {};

TEST_F(MonitorNames, StoredNamesAreReadBack)
{
    // The directory as the monitor applet stores it: no trailing backslash.
    SetRegString(HKEY_LOCAL_MACHINE, kNamesKey, "Directory", dir_.substr(0, dir_.size() - 1));
    for (const char *pair : {"10.1.2.3=Front desk", "PC-LAB=Lab", "hostA=hostA", "hostB=HOSTB", "a1=One", "a1"}) {
        const std::string address(pair, std::strcspn(pair, "=")), name = address == pair ? "" : pair + address.size() + 1;
        ASSERT_TRUE(CVU_SetMonitorNameForAddress(address.c_str(), name.empty() ? nullptr : name.c_str())) << pair;
    }
    // A null address never reaches the file: it would remove the section.
    EXPECT_FALSE(CVU_SetMonitorNameForAddress(nullptr, nullptr));
    EXPECT_EQ("[Names]\r\n10.1.2.3=Front desk\r\nPC-LAB=Lab\r\nhostA=hostA\r\nhostB=HOSTB\r\n",
              ReadFileText(dir_ + "NAMES.INI"));
    // Found without regard to case, cut to the buffer; none: the address. A
    // name equal to the address is none; names compare with case.
    const std::tuple<const char *, DWORD, const char *, BOOL> rows[] = {
        {"pc-lab", 100, "Lab", TRUE}, {"10.1.2.3", 5, "Fron", TRUE}, {"10.9.9.9", 5, "10.9", FALSE},
        {"hostA", 100, "hostA", FALSE}, {"hostB", 100, "HOSTB", TRUE}};
    for (const auto &[address, size, shown, named] : rows) {
        char buffer[100];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(named, CVU_GetMonitorNameFromAddress(address, buffer, size)) << address;
        EXPECT_STREQ(shown, buffer) << address;
    }
    // Without the directory value nothing is stored anywhere.
    DeleteTree(HKEY_LOCAL_MACHINE, kNamesKey);
    EXPECT_FALSE(CVU_SetMonitorNameForAddress("x", "y") || FileExists(ExeDirectory() + "NAMES.INI"));
}

LPARAM received = -1;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && wParam == CVU_NOTIFY_COMMAND) received = lParam;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A hidden top-level window of another process reports what it received.
CVX_CHILD_ROLE(notify_listener)
{
    WNDCLASSA wc{0, ListenerProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr, "CvxListener"};
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, args.at(0).c_str());
    if (!RegisterClassA(&wc) || !CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 9, 9, nullptr,
                                                 nullptr, wc.hInstance, nullptr) || !ready || !SetEvent(ready))
        return 1;
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
}

}  // namespace
