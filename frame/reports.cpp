// Error reports and confirmations: the product's two modal dialogs, their
// composed text, and the broadcast that closes them in every process.
#include <windows.h>

#include <cstdarg>
#include <cstring>

#include "frame/frame.h"
#include "frame/owners.h"
#include "frame/portable/errtable.h"
#include "korutil/korutil.h"
#include "resids.h"

namespace cvx {
namespace {

constexpr UINT_PTR kCloseTimer = 22;
constexpr size_t kReportTextSize = 1024;
constexpr size_t kLineSize = 200;
constexpr size_t kExplanationSize = 260;
constexpr DWORD kHelpContextReport = 10;

// Dialog results of a confirmation besides its button ids.
constexpr INT_PTR kClosedByTimer = 3957;
constexpr INT_PTR kClosedByStop = 3958;

// What one dialog shows; lives on the caller's stack for the modal call.
#pragma pack(push, 1)
struct ReportDescription {
    TextRef title;
    DWORD icon;
    DWORD code;
    TextRef message;
    TextRef detailFormat;
    ULONG_PTR detailArgument;
    WORD flags;
    DWORD timeout;
};
#pragma pack(pop)

UINT volatile g_stopMessage;
HRSRC volatile g_errorTable;

UINT StopMessage()
{
    // The registered id is the same in every process, so a race only
    // registers twice.
    if (!g_stopMessage) g_stopMessage = RegisterWindowMessageA("CVX_CRStop");
    return g_stopMessage;
}

void AppendText(char *text, size_t size, const char *part)
{
    size_t used = std::strlen(text);
    kor::CopyStringLimited(part, text + used, size - used);
}

// wsprintfA with the one argument that the format may use, cut to size.
// Unused argument slots are zero, so a format that asks for more reads
// zeros rather than the stack.
void FormatWithOneArgument(char *out, size_t size, const char *format, ULONG_PTR argument)
{
    char formatted[1025];  // wvsprintfA writes at most 1024 bytes
    ULONG_PTR arguments[8] = {argument};
    if (wvsprintfA(formatted, format, reinterpret_cast<va_list>(arguments)) < 0) formatted[0] = '\0';
    formatted[sizeof formatted - 1] = '\0';
    kor::CopyStringLimited(formatted, out, size);
}

UniqueLocal SystemExplanation(DWORD code, ULONG_PTR insert)
{
    ULONG_PTR arguments[8] = {insert};
    va_list list = reinterpret_cast<va_list>(arguments);
    char *text = nullptr;
    if (!FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
                        reinterpret_cast<LPSTR>(&text), 1, &list))
        return UniqueLocal();
    return UniqueLocal(text);
}

UniqueLocal ProductExplanation(DWORD code)
{
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (!module) return UniqueLocal();
    if (!g_errorTable) g_errorTable = FindResourceA(module, MAKEINTRESOURCEA(IDR_ERROR_TABLE), RT_RCDATA);
    HRSRC table = g_errorTable;
    if (!table) return UniqueLocal();
    HGLOBAL loaded = LoadResource(module, table);
    const void *records = loaded ? LockResource(loaded) : nullptr;
    UINT id = portable::FindErrorExplanation(records, SizeofResource(module, table), code);
    if (!id) return UniqueLocal();
    UniqueLocal text(LocalAlloc(LPTR, kExplanationSize));
    if (!text) return UniqueLocal();
    LoadStringA(module, id, static_cast<char *>(text.get()), kExplanationSize);
    return text;
}

UniqueLocal ExplainCode(const ReportDescription &report)
{
    if (report.flags & CVU_CR_SYSTEMCODE) return SystemExplanation(report.code, report.detailArgument);
    return ProductExplanation(report.code);
}

// The two answers of a plain confirmation take the outer slots of a centred
// row three buttons wide.
void ArrangeTwoButtons(HWND dialog)
{
    ShowWindow(GetDlgItem(dialog, IDCANCEL), SW_HIDE);
    HWND yesAll = GetDlgItem(dialog, IDC_CONFIRM_YESALL);
    EnableWindow(yesAll, FALSE);
    ShowWindow(yesAll, SW_HIDE);

    HWND yes = GetDlgItem(dialog, IDC_CONFIRM_YES);
    HWND no = GetDlgItem(dialog, IDC_CONFIRM_NO);
    RECT yesRect, noRect, client;
    if (!kor::GetChildRect(yes, &yesRect) || !kor::GetChildRect(no, &noRect) || !GetClientRect(dialog, &client))
        return;
    int width = yesRect.right - yesRect.left;
    int x = (client.right - 3 * width) / 2;
    MoveWindow(yes, x, yesRect.top, width, yesRect.bottom - yesRect.top, FALSE);
    MoveWindow(no, x + 2 * width, noRect.top, noRect.right - noRect.left, noRect.bottom - noRect.top, FALSE);
}

void SetReportIcon(HWND dialog, const ReportDescription &report, bool isError)
{
    HICON icon = nullptr;
    if (LOWORD(report.icon)) {
        HINSTANCE module = CVU_GetResourceInstance(FALSE);
        if (module) icon = LoadIconA(module, MAKEINTRESOURCEA(LOWORD(report.icon)));
    } else {
        icon = LoadIconA(nullptr, isError ? IDI_HAND : IDI_QUESTION);
    }
    if (icon)
        SendDlgItemMessageA(dialog, IDC_CR_ICON, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

void SetCodeLine(HWND dialog, DWORD code)
{
    uint32_t shown = 0;
    UINT id = portable::ChooseCodeLine(code, &shown);
    char format[kLineSize] = "";
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (module) LoadStringA(module, id, format, sizeof format);
    char line[kLineSize];
    FormatWithOneArgument(line, sizeof line, format, shown);
    SetDlgItemTextA(dialog, IDC_CR_CODE, line);
}

void InitReportDialog(HWND dialog, const ReportDescription &report, bool isError)
{
    if (!isError && !(report.flags & CVU_CR_ALLBUTTONS)) ArrangeTwoButtons(dialog);
    if (report.flags & CVU_CR_TOPMOST)
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    BringWindowToTop(dialog);
    SetForegroundWindow(dialog);
    if (!(report.flags & CVU_CR_NOICON)) SetReportIcon(dialog, report, isError);

    // Without the text buffer the dialog keeps its template's texts and gets
    // no time-out.
    UniqueLocal buffer(LocalAlloc(LPTR, kReportTextSize));
    if (!buffer) return;
    char *text = static_cast<char *>(buffer.get());

    char title[kTextBuffer];
    if (const char *resolved = ResolveText(report.title, title)) SetWindowTextA(dialog, resolved);

    char message[kTextBuffer];
    if (const char *resolved = ResolveText(report.message, message)) {
        AppendText(text, kReportTextSize, resolved);
        AppendText(text, kReportTextSize, "\n");
    }

    char format[kTextBuffer];
    const char *detailFormat = ResolveText(report.detailFormat, format);
    if (detailFormat) {
        char detail[kLineSize];
        FormatWithOneArgument(detail, sizeof detail, detailFormat, report.detailArgument);
        AppendText(text, kReportTextSize, detail);
    }

    if (isError && report.code) {
        // A caller's own detail line replaces the explanation; the code line
        // is shown either way.
        if (!detailFormat) {
            UniqueLocal explanation = ExplainCode(report);
            if (explanation) {
                AppendText(text, kReportTextSize, "\n");
                AppendText(text, kReportTextSize, static_cast<const char *>(explanation.get()));
            }
        }
        SetCodeLine(dialog, report.code);
    }

    if (text[0]) SetDlgItemTextA(dialog, IDC_CR_TEXT, text);
    if (report.timeout) SetTimer(dialog, kCloseTimer, report.timeout, nullptr);
}

void CloseReport(HWND dialog, INT_PTR result)
{
    KillTimer(dialog, kCloseTimer);
    EndDialog(dialog, result);
}

INT_PTR CALLBACK ErrorReportProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitReportDialog(dialog, *reinterpret_cast<const ReportDescription *>(lParam), true);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            CloseReport(dialog, 1);
            return TRUE;
        case IDHELP:
            CVU_EasyHelp(dialog, HELP_CONTEXT, kHelpContextReport);
            return TRUE;
        }
        return FALSE;
    case WM_HELP:
        CVU_EasyHelp(dialog, HELP_CONTEXT, kHelpContextReport);
        return TRUE;
    case WM_TIMER:
        if (wParam != kCloseTimer) return FALSE;
        CloseReport(dialog, 1);
        return TRUE;
    case WM_DESTROY:
        CVU_EasyHelp(dialog, HELP_QUIT, 0);
        return FALSE;
    }
    if (message == StopMessage()) {
        CloseReport(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK ConfirmationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitReportDialog(dialog, *reinterpret_cast<const ReportDescription *>(lParam), false);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL:
        case IDC_CONFIRM_YES:
        case IDC_CONFIRM_YESALL:
        case IDC_CONFIRM_NO:
            CloseReport(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_TIMER:
        if (wParam != kCloseTimer) return FALSE;
        CloseReport(dialog, kClosedByTimer);
        return TRUE;
    }
    if (message == StopMessage()) {
        CloseReport(dialog, kClosedByStop);
        return TRUE;
    }
    return FALSE;
}

INT_PTR ShowReport(HWND owner, UINT templateId, DLGPROC procedure, const ReportDescription &report)
{
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (!module) return -1;
    StopMessage();
    return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, procedure,
                           reinterpret_cast<LPARAM>(&report));
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" int WINAPI CVU_ReportErrorExA(HWND owner, TextRef title, TextRef message, DWORD code,
                                         TextRef detailFormat, ULONG_PTR detailArgument, DWORD icon, WORD flags,
                                         DWORD timeout)
{
    const ReportDescription report{title, icon, code, message, detailFormat, detailArgument, flags, timeout};
    INT_PTR result = ShowReport(owner, IDD_ERROR_REPORT, ErrorReportProc, report);
    return result <= 0 ? static_cast<int>(result) : 1;
}

extern "C" int WINAPI CVU_ReportErrorA(HWND owner, TextRef title, TextRef message, DWORD code,
                                       TextRef detailFormat, ULONG_PTR detailArgument, DWORD icon, WORD flags)
{
    return CVU_ReportErrorExA(owner, title, message, code, detailFormat, detailArgument, icon, flags, 0);
}

extern "C" int WINAPI CVU_ConfirmActionExA(HWND owner, TextRef title, TextRef message, TextRef detailFormat,
                                           ULONG_PTR detailArgument, DWORD icon, WORD flags, DWORD timeout)
{
    const ReportDescription report{title, icon, 0, message, detailFormat, detailArgument, flags, timeout};
    INT_PTR result = ShowReport(owner, IDD_CONFIRM, ConfirmationProc, report);
    // Esc means "no" unless the caller asked for a separate Cancel.
    if (result == IDCANCEL && !(flags & CVU_CR_ALLBUTTONS)) result = IDC_CONFIRM_NO;
    switch (result) {
    case IDC_CONFIRM_YES:
        return CVU_CONFIRM_YES;
    case IDC_CONFIRM_YESALL:
        return CVU_CONFIRM_YESALL;
    case IDC_CONFIRM_NO:
        return CVU_CONFIRM_NO;
    case kClosedByTimer:
        return CVU_CONFIRM_TIMEOUT;
    case kClosedByStop:
        return CVU_CONFIRM_STOPPED;
    default:
        return CVU_CONFIRM_CANCEL;
    }
}

extern "C" int WINAPI CVU_ConfirmActionA(HWND owner, TextRef title, TextRef message, TextRef detailFormat,
                                         ULONG_PTR detailArgument, DWORD icon, WORD flags)
{
    return CVU_ConfirmActionExA(owner, title, message, detailFormat, detailArgument, icon, flags, 0);
}

extern "C" LRESULT WINAPI CVU_StopErrorandConfirms(void)
{
    return SendMessageA(HWND_BROADCAST, StopMessage(), 0, 0);
}
