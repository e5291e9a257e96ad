// The trigger list dialog: up to 16 trigger characters, shown and typed as
// two hexadecimal digits.
#include <windows.h>

#include "frame/frame.h"
#include "korutil/korutil.h"
#include "resids.h"
#include "ui/portable/triggeritems.h"

namespace {

constexpr int kMaxTriggers = 16;
constexpr int kTriggerHelpContext = 20;
constexpr int kAcceptedSize = 50;
// The edit control holds 2 characters; more is read so that a longer text
// pasted past the limit still names one number.
constexpr int kTypedSize = 20;

LRESULT ListMessage(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendDlgItemMessageA(dialog, IDC_TRIGGER_LIST, message, wParam, lParam);
}

void EnableInput(HWND dialog, BOOL enable)
{
    EnableWindow(GetDlgItem(dialog, IDC_TRIGGER_EDIT), enable);
    EnableWindow(GetDlgItem(dialog, IDC_TRIGGER_EDIT_LABEL), enable);
}

void FocusControl(HWND dialog, int id) { SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(GetDlgItem(dialog, id)), TRUE); }

void InitDialog(HWND dialog, TriggerList *list)
{
    if (!list) return;
    SetWindowLongPtrA(dialog, GWLP_USERDATA, LONG_PTR(list));
    int count = list->count < kMaxTriggers ? list->count : kMaxTriggers;
    for (int i = 0; i < count; ++i) {
        char item[cvx::portable::kTriggerItemSize];
        cvx::portable::FormatTriggerItem(list->characters[i], item);
        ListMessage(dialog, LB_ADDSTRING, 0, LPARAM(item));
    }
    if (ListMessage(dialog, LB_GETCOUNT) >= kMaxTriggers) EnableInput(dialog, FALSE);
    HWND edit = GetDlgItem(dialog, IDC_TRIGGER_EDIT);
    SendMessageA(edit, EM_LIMITTEXT, 2, 0);
    char accepted[kAcceptedSize] = "";
    LoadStringA(CVU_GetResourceInstance(FALSE), IDS_TRIGGER_CHARS, accepted, sizeof accepted);
    CVU_StartSpecialEdit(edit, ULONG_PTR(accepted), CVU_EDIT_ALLOWED);
    EnableWindow(GetDlgItem(dialog, IDC_TRIGGER_REMOVE), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_TRIGGER_ADD), FALSE);
    SetFocus(GetDlgItem(dialog, IDOK));
}

// The list box order is the list's order.
void CollectList(HWND dialog, TriggerList *list)
{
    if (!list) return;
    int items = int(ListMessage(dialog, LB_GETCOUNT));
    WORD stored = 0;
    for (int i = 0; i < items && stored < kMaxTriggers; ++i) {
        char item[kTypedSize] = "";
        if (ListMessage(dialog, LB_GETTEXTLEN, WPARAM(i)) >= LRESULT(sizeof item)) continue;
        ListMessage(dialog, LB_GETTEXT, WPARAM(i), LPARAM(item));
        uint32_t value;
        if (!item[0] || !cvx::portable::ParseHexNumber(item, &value)) continue;
        list->characters[stored++] = BYTE(value & 0xFF);
    }
    list->count = stored;
}

// Add is there exactly when the edit control holds something to add.
void MatchAddButton(HWND dialog)
{
    BOOL hasText = SendDlgItemMessageA(dialog, IDC_TRIGGER_EDIT, EM_LINELENGTH, 0, 0) > 0;
    if (!IsWindowEnabled(GetDlgItem(dialog, IDC_TRIGGER_ADD)) == !hasText) return;
    if (hasText) kor::EnableDlgItem(dialog, IDC_TRIGGER_ADD);
    else kor::DisableDlgItem(dialog, IDC_TRIGGER_ADD, IDC_TRIGGER_EDIT);
}

void RemoveSelected(HWND dialog)
{
    LRESULT selected = ListMessage(dialog, LB_GETCURSEL);
    if (selected == LB_ERR) return;
    ListMessage(dialog, LB_DELETESTRING, WPARAM(selected));
    LRESULT remaining = ListMessage(dialog, LB_GETCOUNT);
    if (remaining <= 0) {
        FocusControl(dialog, IDC_TRIGGER_LIST);
        EnableWindow(GetDlgItem(dialog, IDC_TRIGGER_REMOVE), FALSE);
        return;
    }
    ListMessage(dialog, LB_SETCURSEL, WPARAM(selected < remaining ? selected : remaining - 1));
    if (!IsWindowEnabled(GetDlgItem(dialog, IDC_TRIGGER_EDIT))) EnableInput(dialog, TRUE);
}

void AddTyped(HWND dialog)
{
    char text[kTypedSize] = "";
    GetDlgItemTextA(dialog, IDC_TRIGGER_EDIT, text, sizeof text);
    char item[cvx::portable::kTriggerItemSize];
    // Only a pasted text can hold no hexadecimal digit at all.
    if (!text[0] || !cvx::portable::TriggerItemFromText(text, item)) return;
    if (ListMessage(dialog, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(item)) != LB_ERR) {
        CVU_ReportErrorA(dialog, nullptr, CVU_TEXTID(IDS_VALUE_INVALID), CVU_E_DUPTRIGGER, nullptr, 0, 0, 0);
        FocusControl(dialog, IDC_TRIGGER_EDIT);
        return;
    }
    LRESULT added = ListMessage(dialog, LB_ADDSTRING, 0, LPARAM(item));
    if (added == LB_ERR || added == LB_ERRSPACE) return;
    SetDlgItemTextA(dialog, IDC_TRIGGER_EDIT, "");
    if (ListMessage(dialog, LB_GETCOUNT) >= kMaxTriggers) {
        FocusControl(dialog, IDOK);
        EnableInput(dialog, FALSE);
    }
}

void OnCommand(HWND dialog, int id, int notification)
{
    switch (id) {
    case IDOK:
        CollectList(dialog, reinterpret_cast<TriggerList *>(GetWindowLongPtrA(dialog, GWLP_USERDATA)));
        EndDialog(dialog, 1);
        break;
    case IDCANCEL:
        EndDialog(dialog, 0);
        break;
    case IDHELP:
        CVU_EasyHelp(dialog, HELP_CONTEXT, kTriggerHelpContext);
        break;
    case IDC_TRIGGER_LIST:
        if (notification == LBN_SELCHANGE) {
            EnableWindow(GetDlgItem(dialog, IDC_TRIGGER_REMOVE), TRUE);
            kor::DisableDlgItem(dialog, IDC_TRIGGER_ADD, IDC_TRIGGER_LIST);
        } else if (notification == LBN_DBLCLK) {
            RemoveSelected(dialog);
        }
        break;
    case IDC_TRIGGER_REMOVE:
        RemoveSelected(dialog);
        break;
    case IDC_TRIGGER_EDIT:
        if (notification == EN_SETFOCUS) {
            ListMessage(dialog, LB_SETCURSEL, WPARAM(-1));
            EnableWindow(GetDlgItem(dialog, IDC_TRIGGER_REMOVE), FALSE);
            MatchAddButton(dialog);
        } else if (notification == EN_CHANGE) {
            MatchAddButton(dialog);
        }
        break;
    case IDC_TRIGGER_ADD:
        AddTyped(dialog);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK TriggersProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog, reinterpret_cast<TriggerList *>(lParam));
        return FALSE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HELP:
        CVU_EasyHelp(dialog, HELP_CONTEXT, kTriggerHelpContext);
        return TRUE;
    case WM_DESTROY:
        CVU_EndSpecialEdit(GetDlgItem(dialog, IDC_TRIGGER_EDIT));
        CVU_EasyHelp(dialog, HELP_QUIT, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

extern "C" INT WINAPI CVU_ModifyTriggersDialog(HWND owner, TriggerList *list)
{
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (!module) return -1;
    return INT(DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_TRIGGERS), owner, TriggersProc, LPARAM(list)));
}
