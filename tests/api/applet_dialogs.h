// Helpers for driving the applet dialogs from the DialogDriver's thread
// while the test's thread runs the modal loop.
#pragma once
#include <windows.h>

#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "harness/resources.h"

namespace applettest {

// Polls cond until it holds or ms pass; posted input is handled by the
// dialog's thread in its own time.
template <typename Cond>
bool WaitUntil(Cond cond, DWORD ms = 5000)
{
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(10);
    }
    return true;
}

// The window with the keyboard focus on the dialog's thread.
inline HWND FocusOf(HWND dialog)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};
inline BOOL CALLBACK FindOwned(HWND window, LPARAM param)
{
    auto *search = reinterpret_cast<OwnedSearch *>(param);
    if (GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window) &&
        cvxtest::ClassName(window) == "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A dialog that the dialog opened over itself (an error report), or null
// when none appears within ms.
inline HWND WaitForOwnedDialog(HWND owner, DWORD ms = 5000)
{
    OwnedSearch search{owner, nullptr};
    WaitUntil(
        [&] {
            EnumThreadWindows(GetWindowThreadProcessId(owner, nullptr), FindOwned, LPARAM(&search));
            return search.found != nullptr;
        },
        ms);
    return search.found;
}

// Keystrokes as the edit control receives them from the keyboard.
inline void Type(HWND edit, const std::string &text)
{
    for (unsigned char ch : text) SendMessageA(edit, WM_CHAR, ch, 1);
}

// All static texts of a dialog joined by "|".
inline std::string JoinedTexts(HWND dialog)
{
    std::string joined;
    for (const std::string &text : cvxtest::StaticTexts(dialog)) joined += text + "|";
    return joined;
}

using cvxtest::ResourceString;

}  // namespace applettest
