// Helpers of the error report, help and edit filter tests.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"
#include "harness/resources.h"

namespace cvxtest {


inline std::string FormatNumber(const std::string &format, unsigned long value)
{
    char text[1024];
    std::snprintf(text, sizeof text, format.c_str(), value);
    return text;
}

// Language code of the loaded resource module, taken from its file name
// (CV32_xxx.DLL): the help files carry the same code.
inline std::string ResourceLanguage()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(CVU_GetResourceInstance(FALSE), path, sizeof path);
    std::string name(path);
    size_t at = name.rfind("CV32_");
    return at == std::string::npos ? std::string() : name.substr(at + 5, 3);
}

// Waits for a child while this thread answers the messages the child sends
// its windows (a broadcast, showing or activating them): its exit code, or
// -2 when it did not end in time.
inline int WaitPumping(ChildProcess &child, DWORD timeoutMs = 30000)
{
    HANDLE process = child.Handle();
    if (!process) return -1;
    DWORD start = GetTickCount();
    while (MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 &&
           GetTickCount() - start < timeoutMs)
        PumpMessages(1);
    return child.Wait(1000);
}

// Stands in for the help engine: a top-level window of class "MS_WINHELP"
// on this thread, which WinHelpA finds and sends its request to by
// WM_COPYDATA (Wine's layout of the request).
class HelpEngine {
public:
    struct Request {
        UINT command;
        LONG data;
        std::string file;
        HWND caller;
    };

    HelpEngine()
    {
        EXPECT_EQ(nullptr, FindWindowA("MS_WINHELP", nullptr)) << "a help engine is already running";
        WNDCLASSA cls{};
        cls.lpfnWndProc = Receive;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = "MS_WINHELP";
        RegisterClassA(&cls);
        window_ = CreateWindowExA(0, "MS_WINHELP", "help", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, window_);
        Requests().clear();
    }
    ~HelpEngine()
    {
        DestroyWindow(window_);
        UnregisterClassA("MS_WINHELP", GetModuleHandleA(nullptr));
    }
    HelpEngine(const HelpEngine &) = delete;

    static std::vector<Request> &Requests()
    {
        static std::vector<Request> requests;
        return requests;
    }

private:
#pragma pack(push, 1)
    struct WineHelpRequest {
        WORD size;
        WORD command;
        LONG data;
        LONG reserved;
        WORD fileOffset;
        WORD dataOffset;
    };
#pragma pack(pop)

    static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_COPYDATA) return DefWindowProcA(window, message, wParam, lParam);
        const auto *copy = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
        const auto *request = static_cast<const WineHelpRequest *>(copy->lpData);
        std::string file;
        if (request->fileOffset) file = reinterpret_cast<const char *>(request) + request->fileOffset;
        Requests().push_back({request->command, request->data, file, reinterpret_cast<HWND>(wParam)});
        return TRUE;
    }

    HWND window_ = nullptr;
};

}  // namespace cvxtest
