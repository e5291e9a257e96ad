// The wait window: a modeless window without a dialog procedure that an
// applet puts over its owner while it works on its own thread.
#include <windows.h>

#include "frame/frame.h"
#include "resids.h"
#include "ui/portable/placement.h"

extern "C" HWND WINAPI CVU_StartWaitWindowA(HWND owner, TextRef message)
{
    // Without the resource module the template would be looked for in the
    // calling program, which may have a dialog of that number of its own.
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (!module) return nullptr;
    HWND window = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_WAIT), owner, nullptr, 0);
    if (!window) return nullptr;

    char buffer[cvx::kTextBuffer];
    if (const char *text = cvx::ResolveText(message, buffer)) SetDlgItemTextA(window, IDC_WAIT_TEXT, text);

    RECT own;
    GetWindowRect(window, &own);
    RECT reference;
    HWND insertAfter = nullptr;
    UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW;
    if (owner) {
        if (!IsWindowVisible(owner)) {
            ShowWindow(owner, SW_SHOW);
            UpdateWindow(owner);
        }
        EnableWindow(owner, FALSE);
        GetWindowRect(owner, &reference);
        insertAfter = owner;
        flags = SWP_NOSIZE | SWP_SHOWWINDOW;
    } else {
        reference = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    int x = cvx::portable::CenteredStart(reference.left, reference.right - reference.left, own.right - own.left);
    int y = cvx::portable::CenteredStart(reference.top, reference.bottom - reference.top, own.bottom - own.top);
    SetWindowPos(window, insertAfter, x, y, 0, 0, flags);
    // Painted now: the caller goes busy and pumps no messages.
    UpdateWindow(window);
    return window;
}

extern "C" void WINAPI CVU_EndWaitWindow(HWND owner, HWND waitWindow)
{
    if (IsWindow(waitWindow)) DestroyWindow(waitWindow);
    if (owner) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
    }
}
