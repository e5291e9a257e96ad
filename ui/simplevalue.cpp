// The simple value dialog: one line of text, filtered while it is typed
// and checked when the user presses OK.
#include <windows.h>

#include <algorithm>

#include "frame/frame.h"
#include "korutil/korutil.h"
#include "resids.h"

namespace {

// The dialog reads and writes at most this many bytes of the value.
constexpr int kValueBuffer = cvx::kTextBuffer;

int ValueSize(const SimpleValueRequest *request) { return std::min(request->valueSize, kValueBuffer); }

void FocusEdit(HWND dialog)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(GetDlgItem(dialog, IDC_VALUE_EDIT)), TRUE);
}

void InitDialog(HWND dialog, SimpleValueRequest *request)
{
    SetWindowLongPtrA(dialog, GWLP_USERDATA, LONG_PTR(request));
    HWND edit = GetDlgItem(dialog, IDC_VALUE_EDIT);
    char buffer[cvx::kTextBuffer];
    if (const char *title = cvx::ResolveText(request->title, buffer)) SetWindowTextA(dialog, title);
    if (const char *prompt = cvx::ResolveText(request->prompt, buffer)) SetDlgItemTextA(dialog, IDC_VALUE_PROMPT, prompt);
    if (request->editStyles) {
        SetWindowLongA(edit, GWL_STYLE, GetWindowLongA(edit, GWL_STYLE) | LONG(request->editStyles));
        // The edit control takes its password character only when created.
        if (request->editStyles & ES_PASSWORD) SendMessageA(edit, EM_SETPASSWORDCHAR, '*', 0);
    }
    SendMessageA(edit, EM_LIMITTEXT, WPARAM(ValueSize(request) - 1), 0);
    if (request->flags & SV_PRESET) {
        // The caller's buffer need not be terminated within its size.
        char preset[kValueBuffer];
        kor::CopyStringLimited(request->value, preset, size_t(ValueSize(request)));
        SetWindowTextA(edit, preset);
    }
    if (cvx::ResolveText(request->charSet, buffer))
        CVU_StartSpecialEdit(edit, ULONG_PTR(request->charSet),
                             (request->flags & SV_ALLOWEDSET) ? CVU_EDIT_ALLOWED : CVU_EDIT_FORBIDDEN);
    SetFocus(edit);
}

// On OK: the text passes the character set and, when required, is not
// empty; only then does it reach the caller's buffer.
bool AcceptValue(HWND dialog, SimpleValueRequest *request)
{
    HWND edit = GetDlgItem(dialog, IDC_VALUE_EDIT);
    char text[kValueBuffer] = "";
    GetWindowTextA(edit, text, ValueSize(request));

    char buffer[cvx::kTextBuffer];
    if (const char *set = cvx::ResolveText(request->charSet, buffer)) {
        BOOL forbidden = !(request->flags & SV_ALLOWEDSET);
        BOOL passed = CVU_CheckInvalidChars(text, request->charSet, forbidden);
        // The check takes out the blanks the set refuses: show what is left.
        SetWindowTextA(edit, text);
        if (!passed) {
            CVU_ReportErrorA(dialog, nullptr, CVU_TEXTID(IDS_VALUE_INVALID), 0,
                             CVU_TEXTID(forbidden ? IDS_VALUE_FORBIDDEN_CHARS : IDS_VALUE_ALLOWED_CHARS),
                             ULONG_PTR(set), 0, 0);
            FocusEdit(dialog);
            return false;
        }
    }
    if (!text[0] && (request->flags & SV_REQUIRED)) {
        CVU_ReportErrorA(dialog, nullptr, CVU_TEXTID(IDS_VALUE_INVALID), 0, CVU_TEXTID(IDS_VALUE_REQUIRED), 0, 0, 0);
        FocusEdit(dialog);
        return false;
    }
    kor::CopyStringLimited(text, request->value, size_t(ValueSize(request)));
    return true;
}

INT_PTR CALLBACK SimpleValueProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *request = reinterpret_cast<SimpleValueRequest *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog, reinterpret_cast<SimpleValueRequest *>(lParam));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (AcceptValue(dialog, request)) EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_DESTROY:
        if (request && request->charSet) CVU_EndSpecialEdit(GetDlgItem(dialog, IDC_VALUE_EDIT));
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

extern "C" INT WINAPI CVU_GetSimpleValueA(HWND owner, SimpleValueRequest *request)
{
    if (!request || !request->value || request->valueSize < 1) return 0;
    // Without the resource module the template would be looked for in the
    // calling program.
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (!module) return -1;
    return INT(DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_SIMPLE_VALUE), owner, SimpleValueProc,
                               LPARAM(request)));
}
