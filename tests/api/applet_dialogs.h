// Driving the applet dialogs: the test's thread runs the modal loop while a
// DialogDriver thread acts on each dialog as a user would.
#pragma once
#include <string>

#include "harness/harness.h"
#include "harness/resources.h"
#include "resids.h"

namespace applettest {

using namespace cvxtest;

// Runs call while act handles each dialog it opens; the call's result, and
// in *seen how many dialogs appeared.
template <typename Call>
auto RunDialog(Call call, DialogDriver::Action act, int *seen = nullptr)
{
    DialogDriver driver(std::move(act));
    auto result = call();
    if (int count = driver.Finish(); seen) *seen = count;
    return result;
}

// Keystrokes as the edit control receives them from the keyboard.
inline void Type(HWND edit, const std::string &keys)
{
    for (unsigned char key : keys) SendMessageA(edit, WM_CHAR, key, 1);
}

// The texts of the error report that owner opened over itself, joined by
// "|"; the report is closed with OK.
inline std::string ReadReport(HWND owner)
{
    HWND report = nullptr;
    for (DWORD start = GetTickCount(); !report && GetTickCount() - start < 5000; Sleep(10)) {
        report = FindWindowExA(nullptr, nullptr, "#32770", nullptr);
        while (report && (GetWindow(report, GW_OWNER) != owner || !IsWindowVisible(report)))
            report = FindWindowExA(nullptr, report, "#32770", nullptr);
    }
    if (!report) return "<no report>";
    std::string texts;
    for (const std::string &text : StaticTexts(report)) texts += text + "|";
    PressButton(report, IDOK);
    for (DWORD start = GetTickCount(); IsWindow(report) && GetTickCount() - start < 5000;) Sleep(10);
    return texts;
}

// Waits for a child while this thread answers what the child sends its
// windows (a broadcast, showing or activating them): its exit code.
inline int WaitPumping(ChildProcess &child)
{
    for (int i = 0; i < 300 && WaitForSingleObject(child.Handle(), 0) == WAIT_TIMEOUT; ++i) PumpMessages(100);
    return child.Wait(1000);
}

}  // namespace applettest
