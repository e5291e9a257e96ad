// The applet dialogs driven as a user would (keystrokes, buttons, Esc): the
// results they give, what they write back, the texts they show, and what
// another process sees of them.
#include <cstring>
#include <string>

#include "applet_dialogs.h"

using namespace applettest;

namespace {

using SimpleValue = CleanTest;

TEST_F(SimpleValue, TypedPastedAndCheckedAsTheRequestSays)
{
    const char *digits = "0123456789";
    const std::string a8(8, 'A'), a199(199, 'A'), onlyDigits = ResourceFormatted(IDS_VALUE_ALLOWED_CHARS, digits);
    const struct {
        const char *what;
        int size;
        WORD flags;
        TextRef set;
        std::string typed, kept;  // keys typed; the edit's text after them
        const char *pasted;       // then put in whole, null for none
        int press, result;
        std::string report, value;  // report: what it adds to the refusal; empty: no report
    } cases[] = {
        {"preset shown, Cancel keeps the value", 400, SV_PRESET, nullptr, "", "old", "new", IDCANCEL, 0, "", "old"},
        {"cut to the size", 9, 0, nullptr, std::string(10, 'A'), a8, nullptr, IDOK, 1, "", a8},
        {"never to 200 or more", 300, 0, nullptr, std::string(250, 'A'), a199, nullptr, IDOK, 1, "", a199},
        {"an empty value is taken", 400, 0, nullptr, "", "", nullptr, IDOK, 1, "", ""},
        {"a required one is not", 400, SV_REQUIRED, nullptr, "", "", nullptr, IDOK, 0,
         ResourceString(IDS_VALUE_REQUIRED), "old"},
        {"allowed digits", 400, SV_ALLOWEDSET, digits, "12a3", "123", "12a3", IDOK, 0, onlyDigits, "old"},
        {"forbidden digits", 400, 0, digits, "ab1c", "abc", "ab1", IDOK, 0,
         ResourceFormatted(IDS_VALUE_FORBIDDEN_CHARS, digits), "old"},
        {"blanks the set refuses go", 400, SV_ALLOWEDSET, digits, "", "", " 1 2  3 ", IDOK, 1, "", "123"},
    };
    for (const auto &c : cases) {
        char value[400];
        std::memset(value, '#', sizeof value);
        std::strcpy(value, "old");
        SimpleValueRequest request{value, c.size, nullptr, nullptr, c.set, 0, c.flags};
        std::string kept, report;
        int result = RunDialog([&] { return CVU_GetSimpleValueA(nullptr, &request); },
                               [&](HWND dialog) {
                                   HWND edit = GetDlgItem(dialog, IDC_VALUE_EDIT);
                                   Type(edit, c.typed);
                                   kept = WindowText(edit);
                                   if (c.pasted) SendMessageA(edit, WM_SETTEXT, 0, LPARAM(c.pasted));
                                   PressButton(dialog, c.press);
                                   if (c.report.empty()) return;
                                   report = ReadReport(dialog);
                                   PressButton(dialog, IDCANCEL);
                               });
        EXPECT_EQ(c.result, result) << c.what;
        EXPECT_EQ(c.kept, kept) << c.what << ": the keystroke filter or the length limit is wrong";
        EXPECT_EQ(c.report.empty(), report.find(ResourceString(IDS_VALUE_INVALID)) == std::string::npos) << c.what;
        EXPECT_NE(std::string::npos, report.find(c.report)) << c.what << ": " << report;
        EXPECT_EQ(c.value, value) << c.what;
        EXPECT_TRUE(c.value.size() <= 3 || value[c.value.size() + 1] == '#') << c.what << ": written past the value";
    }
}

std::string Record(const TriggerList &list)
{
    char text[64];
    int at = wsprintfA(text, "%u:", list.count);
    for (int i = 0; i < list.count && i < 16; ++i) at += wsprintfA(text + at, i ? ",%02X" : "%02X", list.characters[i]);
    return text;
}

// What the dialog hears of a click, sent so that it is done on return.
void Click(HWND dialog, int id, int code = BN_CLICKED)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(GetDlgItem(dialog, id)));
}

using TriggerDialog = CleanTest;

TEST_F(TriggerDialog, SixteenAtMostNoDuplicatesOkWritesCancelKeeps)
{
    const struct {
        int press, result;
        const char *record;
    } cases[] = {{IDCANCEL, 0, "15:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,1B"},
                 {IDOK, 1, "15:01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,1B,0F"}};
    for (const auto &c : cases) {
        TriggerList list{15, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0x1B}};
        std::string steps, report;  // the edit's text and state after each step
        EXPECT_EQ(c.result, RunDialog([&] { return CVU_ModifyTriggersDialog(nullptr, &list); }, [&](HWND dialog) {
            HWND edit = GetDlgItem(dialog, IDC_TRIGGER_EDIT), items = GetDlgItem(dialog, IDC_TRIGGER_LIST);
            auto note = [&] { steps += WindowText(edit) + (IsWindowEnabled(edit) ? " open|" : " closed|"); };
            SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(edit), TRUE);
            Type(edit, "xF");
            note();
            Click(dialog, IDC_TRIGGER_ADD);
            note();
            SendMessageA(items, LB_SETCURSEL, 0, 0);
            Click(dialog, IDC_TRIGGER_LIST, LBN_SELCHANGE);
            Click(dialog, IDC_TRIGGER_REMOVE);
            note();
            Type(edit, "1b");
            PressButton(dialog, IDC_TRIGGER_ADD);  // posted: the report is modal
            report = ReadReport(dialog);
            PressButton(dialog, c.press);
        }));
        EXPECT_EQ("F open| closed| open|", steps) << "typed x and F, added the 16th, removed the first";
        EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_ERRTEXT_DUPTRIGGER))) << report;
        EXPECT_EQ(c.record, Record(list));
    }
}

using WaitWindow = CleanTest;

TEST_F(WaitWindow, ShowsItsMessageWithTheOwnerDisabledUntilTheEnd)
{
    for (TextRef message : {TextRef("Copying"), CVU_TEXTID(IDS_RESTART_TITLE)}) {
        const std::string shown = IS_INTRESOURCE(message) ? ResourceString(IDS_RESTART_TITLE) : message;
        HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 99, 99, nullptr, nullptr, nullptr, nullptr);
        HWND wait = CVU_StartWaitWindowA(owner, message);
        ASSERT_NE(nullptr, wait) << shown;
        EXPECT_EQ(shown, WindowText(GetDlgItem(wait, IDC_WAIT_TEXT)));
        EXPECT_TRUE(IsWindowVisible(owner)) << shown << ": a hidden owner is not shown";
        EXPECT_FALSE(IsWindowEnabled(owner)) << shown << ": the owner takes input under the wait window";
        CVU_EndWaitWindow(owner, wait);
        EXPECT_FALSE(IsWindow(wait)) << shown;
        EXPECT_TRUE(IsWindowEnabled(owner)) << shown << ": the owner stays disabled after the end";
        DestroyWindow(owner);
    }
}

std::string CodeLine(UINT format, unsigned long value)
{
    char text[300];
    std::snprintf(text, sizeof text, ResourceString(format).c_str(), value);
    return text;
}

using ReportText = CleanTest;

TEST_F(ReportText, MessageDetailExplanationAndCodeLine)
{
    const UINT U = IDS_ERRCODE_UTILITY, P = IDS_ERRCODE_PRODUCT, S = IDS_ERRCODE_SYSTEM;
    char denied[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 5, 0, denied, 512, nullptr);
    const std::string msg = "Cannot share.", dup = ResourceString(IDS_ERRTEXT_DUPTRIGGER), d300(300, 'd');
    const std::string m2000(2000, 'm'), m1015(1015, 'm');
    const char *m = msg.c_str();
    const struct {
        const char *what;
        TextRef message, detail;
        ULONG_PTR argument;
        DWORD code;
        WORD flags;
        std::string text, codeLine;
        TextRef title = "Calvex test";
        std::string caption = "Calvex test";
    } cases[] = {
        {"listed utility code", m, nullptr, 0, CVU_E_DUPTRIGGER, 0, msg + "\n\n" + dup, CodeLine(U, 8)},
        {"product code", m, nullptr, 0, 0x20000005, 0, msg + "\n", CodeLine(P, 5)},
        {"no code, no code line", m, nullptr, 0, 0, 0, msg + "\n", ""},
        {"system code", m, nullptr, 0, 5, CVU_CR_SYSTEMCODE, msg + "\n\n" + denied, CodeLine(S, 5)},
        {"detail and argument, no explanation", m, "Char %s", ULONG_PTR("0D"), CVU_E_DUPTRIGGER, 0, msg + "\nChar 0D",
         CodeLine(U, 8)},
        {"detail cut to 199", m, d300.c_str(), 0, 0, 0, msg + "\n" + std::string(199, 'd'), ""},
        {"text cut to 1023", m2000.c_str(), nullptr, 0, 0x20000005, 0, std::string(1023, 'm'), CodeLine(P, 5)},
        {"explanation cut at the text's end", m1015.c_str(), nullptr, 0, CVU_E_DUPTRIGGER, 0,
         m1015 + "\n\n" + dup.substr(0, 6), CodeLine(U, 8)},
        {"texts by string number", CVU_TEXTID(IDS_VALUE_INVALID), CVU_TEXTID(IDS_VALUE_ALLOWED_CHARS), ULONG_PTR("01"),
         0, 0, ResourceString(IDS_VALUE_INVALID) + "\n" + ResourceFormatted(IDS_VALUE_ALLOWED_CHARS, "01"), "",
         CVU_TEXTID(IDS_ABOUT_CAPTION), ResourceString(IDS_ABOUT_CAPTION)},
    };
    for (const auto &c : cases) {
        std::string shown;
        auto call = [&] { return CVU_ReportErrorA(nullptr, c.title, c.message, c.code, c.detail, c.argument, 0, c.flags); };
        EXPECT_EQ(1, RunDialog(call, [&](HWND dialog) {
            shown = WindowText(dialog) + "|" + WindowText(GetDlgItem(dialog, IDC_CR_TEXT)) + "|" +
                    WindowText(GetDlgItem(dialog, IDC_CR_CODE));
            PressButton(dialog, IDOK);
        })) << c.what;
        EXPECT_EQ(c.caption + "|" + c.text + "|" + c.codeLine, shown) << c.what;
    }
}

CVX_CHILD_ROLE(stop_reports)
{
    CVU_StopErrorandConfirms();
    return 7;
}

using ConfirmDialog = CleanTest;

TEST_F(ConfirmDialog, EveryWayOfClosingGivesItsResult)
{
    enum { kEscape = -1, kWait = -2, kStop = -3 };
    const struct {
        const char *what;
        bool confirm;
        WORD flags;
        int close, result;
    } cases[] = {
        {"Yes", true, 0, IDC_CONFIRM_YES, CVU_CONFIRM_YES},
        {"Esc without Cancel is No", true, 0, kEscape, CVU_CONFIRM_NO},
        {"all buttons: Yes to all", true, CVU_CR_ALLBUTTONS, IDC_CONFIRM_YESALL, CVU_CONFIRM_YESALL},
        {"all buttons: Cancel", true, CVU_CR_ALLBUTTONS, IDCANCEL, CVU_CONFIRM_CANCEL},
        {"all buttons: Esc is Cancel", true, CVU_CR_ALLBUTTONS, kEscape, CVU_CONFIRM_CANCEL},
        {"time-out", true, 0, kWait, CVU_CONFIRM_TIMEOUT},
        {"closed from another process", true, CVU_CR_ALLBUTTONS, kStop, CVU_CONFIRM_STOPPED},
        {"report: OK", false, 0, IDOK, 1},
        {"report: closed from another process", false, 0, kStop, 1},
    };
    for (const auto &c : cases) {
        ChildProcess child;
        DWORD timeout = c.close == kWait ? 300 : 0, start = GetTickCount();
        int seen = 0;
        auto call = [&] {
            return c.confirm ? CVU_ConfirmActionExA(nullptr, "Confirm", "Delete?", nullptr, 0, 0, c.flags, timeout)
                             : CVU_ReportErrorExA(nullptr, "Error", "Failed.", 5, nullptr, 0, 0, c.flags, timeout);
        };
        int result = RunDialog(call, [&](HWND dialog) {
            if (c.close > 0) PressButton(dialog, c.close);
            if (c.close == kEscape) PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            if (c.close == kStop) child = StartChild("stop_reports");
        }, &seen);
        EXPECT_EQ(c.result, result) << c.what;
        EXPECT_EQ(1, seen) << c.what;
        EXPECT_TRUE(c.close != kWait || GetTickCount() - start >= 280) << c.what << ": closed before its time";
        // The broadcast reaches this thread's windows too: answer them until the child is done.
        EXPECT_TRUE(c.close != kStop || WaitPumping(child) == 7) << c.what << ": the child did not end";
    }
}

// The About box is exported by ordinal only.
int ShowAboutBox()
{
    auto show = reinterpret_cast<CVU_SHOWABOUTBOX>(
        GetProcAddress(GetModuleHandleA("cvxutil.dll"), MAKEINTRESOURCEA(CVU_ORDINAL_SHOWABOUTBOX)));
    if (show) show(nullptr);
    return show != nullptr;
}

// Child: asks for the About box; reports the captions of those it closed.
CVX_CHILD_ROLE(about_box)
{
    std::string captions;
    RunDialog(ShowAboutBox, [&](HWND dialog) {
        captions += WindowText(dialog) + "|";
        PressButton(dialog, IDOK);
    });
    PutResult("about", captions);
    return 0;
}

using AboutBox = CleanTest;

TEST_F(AboutBox, OpenOnceAcrossProcesses)
{
    int childWhileOpen = -1, seen = 0;
    EXPECT_TRUE(RunDialog(ShowAboutBox, [&](HWND dialog) {
        childWhileOpen = RunChild("about_box");
        PressButton(dialog, IDOK);
    }, &seen)) << "ordinal 61 is not exported";
    EXPECT_EQ(1, seen);
    EXPECT_EQ(0, childWhileOpen);
    EXPECT_EQ("", GetResult("about")) << "another process opened a second About box";
    // Closed, it opens again in another process, captioned with its string.
    EXPECT_EQ(0, RunChild("about_box"));
    EXPECT_EQ(ResourceString(IDS_ABOUT_CAPTION) + "|", GetResult("about"));
}

constexpr char kClass[] = "Static", kCaption[] = "Calvex Monitor", kMutex[] = "CvxTestInstance";

// Child: 1 when it found an earlier window, plus 10 when it got the mark (it was first).
CVX_CHILD_ROLE(previous_instance)
{
    HANDLE mark = nullptr;
    return CVU_IsPreviousWindowActive(kCaption, kClass, kMutex, &mark) + (mark ? 10 : 0);
}

using SingleInstance = CleanTest;

TEST_F(SingleInstance, ALaterProcessFindsTheFirstOnesWindow)
{
    const struct {
        const char *what, *window;  // window: the first one's caption
        bool endMark;
        int child;
    } cases[] = {
        {"the window is restored and brought forward", kCaption, false, 1},
        {"a window of another caption is not the instance", "Calvex (other)", false, 0},
        {"the mark ended, the later one is first", kCaption, true, 10},
    };
    for (const auto &c : cases) {
        HANDLE mark = nullptr;
        ASSERT_FALSE(CVU_IsPreviousWindowActive(kCaption, kClass, kMutex, &mark)) << c.what;
        if (c.endMark) CVU_EndSingleInstanceWindow(std::exchange(mark, nullptr));
        HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 99, 99, nullptr, nullptr, nullptr, nullptr);
        HWND first = CreateWindowExA(0, kClass, c.window, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 9, 9, 300, 200, nullptr,
                                     nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        ShowWindow(first, SW_MINIMIZE);
        PumpMessages(50);
        ChildProcess child = StartChild("previous_instance");
        EXPECT_EQ(c.child, WaitPumping(child)) << c.what;
        PumpMessages(50);
        EXPECT_TRUE(c.child != 1 || (!IsIconic(first) && GetForegroundWindow() == first)) << c.what << ": not forward";
        DestroyWindow(other);
        DestroyWindow(first);
        CVU_EndSingleInstanceWindow(mark);
    }
}

}  // namespace
