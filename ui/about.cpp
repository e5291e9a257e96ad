// The About dialog, open at most once across all programs of the product.
// Exported by ordinal 61 only.
#include <windows.h>

#include "frame/frame.h"
#include "resids.h"

namespace {

constexpr char kAboutMutex[] = "CVXabOutSingle";
// The class of every dialog: with the caption it finds an open About dialog.
constexpr char kDialogClass[] = "#32770";

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

extern "C" void WINAPI CVU_ShowAboutBox(HWND owner)
{
    HANDLE mark = nullptr;
    if (CVU_IsPreviousWindowActive(CVU_TEXTID(IDS_ABOUT_CAPTION), kDialogClass, kAboutMutex, &mark)) return;
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (module) DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutProc, 0);
    CVU_EndSingleInstanceWindow(mark);
}
