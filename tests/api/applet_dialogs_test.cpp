// The applets driven as a user would (keystrokes, buttons, Esc): the results
// they give, what they write back, the texts they show, what another process
// sees of them, and the resource module a process loads.
#include <cstring>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/resources.h"
#include "resids.h"

namespace {

using namespace cvxtest;

// Runs call while act handles each dialog it opens: the call's result.
template <typename Call>
auto RunDialog(Call call, DialogDriver::Action act)
{
    DialogDriver driver(std::move(act));
    return call();
}

// Keystrokes as the edit control receives them from the keyboard.
void Type(HWND edit, const std::string &keys)
{
    for (unsigned char key : keys) SendMessageA(edit, WM_CHAR, key, 1);
}

// The texts of the error report that owner opened over itself, joined by
// "|"; the report is closed with OK.
std::string ReadReport(HWND owner)
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
int WaitPumping(ChildProcess &child)
{
    for (int i = 0; i < 300 && WaitForSingleObject(child.Handle(), 0) == WAIT_TIMEOUT; ++i) PumpMessages(100);
    return child.Wait(1000);
}

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
            Type(edit, "xF");
            note();
            SendMessageA(dialog, WM_COMMAND, IDC_TRIGGER_ADD, 0);  // sent: done on return
            note();
            SendMessageA(items, LB_SETCURSEL, 0, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRIGGER_LIST, LBN_SELCHANGE), LPARAM(items));
            SendMessageA(dialog, WM_COMMAND, IDC_TRIGGER_REMOVE, 0);
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
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 99, 99, nullptr, nullptr, nullptr, nullptr);
    HWND wait = CVU_StartWaitWindowA(owner, "Copying");
    EXPECT_EQ("Copying", WindowText(GetDlgItem(wait, IDC_WAIT_TEXT)));
    EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner takes input under the wait window";
    CVU_EndWaitWindow(owner, wait);
    EXPECT_FALSE(IsWindow(wait));
    EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner stays disabled after the end";
    DestroyWindow(owner);
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
    const std::string m2000(2000, 'm');
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
        {"system code", m, nullptr, 0, 5, CVU_CR_SYSTEMCODE, msg + "\n\n" + denied, CodeLine(S, 5)},
        {"detail and argument, no explanation", m, "Char %s", ULONG_PTR("0D"), CVU_E_DUPTRIGGER, 0, msg + "\nChar 0D",
         CodeLine(U, 8)},
        {"detail cut to 199", m, d300.c_str(), 0, 0, 0, msg + "\n" + std::string(199, 'd'), ""},
        {"text cut to 1023", m2000.c_str(), nullptr, 0, 0x20000005, 0, std::string(1023, 'm'), CodeLine(P, 5)},
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
        WORD flags;
        int close, result;
    } cases[] = {
        {"Yes", 0, IDC_CONFIRM_YES, CVU_CONFIRM_YES},
        {"Esc without Cancel is No", 0, kEscape, CVU_CONFIRM_NO},
        {"all buttons: Yes to all", CVU_CR_ALLBUTTONS, IDC_CONFIRM_YESALL, CVU_CONFIRM_YESALL},
        {"all buttons: Esc is Cancel", CVU_CR_ALLBUTTONS, kEscape, CVU_CONFIRM_CANCEL},
        {"time-out", 0, kWait, CVU_CONFIRM_TIMEOUT},
        {"closed from another process", CVU_CR_ALLBUTTONS, kStop, CVU_CONFIRM_STOPPED},
    };
    for (const auto &c : cases) {
        ChildProcess child;
        DWORD timeout = c.close == kWait ? 300 : 0, start = GetTickCount();
        auto call = [&] { return CVU_ConfirmActionExA(nullptr, "Confirm", "Delete?", nullptr, 0, 0, c.flags, timeout); };
        int result = RunDialog(call, [&](HWND dialog) {
            if (c.close > 0) PressButton(dialog, c.close);
            if (c.close == kEscape) PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            if (c.close == kStop) child = StartChild("stop_reports");
        });
        EXPECT_EQ(c.result, result) << c.what;
        EXPECT_TRUE(c.close != kWait || GetTickCount() - start >= 280) << c.what << ": closed before its time";
        // The broadcast reaches this thread's windows too: answer them until the child is done.
        EXPECT_TRUE(c.close != kStop || WaitPumping(child) == 7) << c.what << ": the child did not end";
    }
}

// The About box is exported by ordinal only.
int ShowAboutBox()
{
    FARPROC show = GetProcAddress(GetModuleHandleA("cvxutil.dll"), MAKEINTRESOURCEA(CVU_ORDINAL_SHOWABOUTBOX));
    return show && (reinterpret_cast<CVU_SHOWABOUTBOX>(show)(nullptr), true);
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
    EXPECT_TRUE(RunDialog(ShowAboutBox, [&](HWND dialog) {
        EXPECT_EQ(0, RunChild("about_box"));
        PressButton(dialog, IDOK);
    })) << "ordinal 61 is not exported";
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
        {"the window is restored", kCaption, false, 1},
        {"a window of another caption is not the instance", "Calvex (other)", false, 0},
        {"the mark ended, the later one is first", kCaption, true, 10},
    };
    for (const auto &c : cases) {
        HANDLE mark = nullptr;
        ASSERT_FALSE(CVU_IsPreviousWindowActive(kCaption, kClass, kMutex, &mark)) << c.what;
        if (c.endMark) CVU_EndSingleInstanceWindow(std::exchange(mark, nullptr));
        HWND first = CreateWindowExA(0, kClass, c.window, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 9, 9, 300, 200, nullptr,
                                     nullptr, nullptr, nullptr);
        ShowWindow(first, SW_MINIMIZE);
        ChildProcess child = StartChild("previous_instance");
        EXPECT_EQ(c.child, WaitPumping(child)) << c.what;
        PumpMessages(50);
        EXPECT_TRUE(c.child != 1 || !IsIconic(first)) << c.what << ": left minimized";
        DestroyWindow(first);
        CVU_EndSingleInstanceWindow(mark);
    }
}

// Edit filters on real edit controls fed with WM_CHAR, and the text checks
// that judge by the same character sets.

// What reached the control behind the filter.
std::string g_reached;
WNDPROC g_editProc;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR) g_reached += char(wParam);
    return CallWindowProcA(g_editProc, window, message, wParam, lParam);
}

BOOL CALLBACK RefuseAll(HWND, WPARAM, LPARAM) { return FALSE; }

ULONG_PTR Set(const char *characters) { return reinterpret_cast<ULONG_PTR>(characters); }

// A multi-line edit (it takes tabs) whose own procedure records every
// character that reaches it.
HWND NewEdit()
{
    static HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE, 0, 0, 300, 100, parent, nullptr, nullptr, nullptr);
    g_editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, LONG_PTR(RecordingProc)));
    return edit;
}

using EditFilter = CleanTest;

TEST_F(EditFilter, KeystrokesAndTextsJudgedByTheSets)
{
    enum Way { kTyped, kChecked, kUnblanked };
    const ULONG_PTR triggers = ULONG_PTR(CVU_TEXTID(IDS_TRIGGER_CHARS));
    const DWORD allowed = CVU_EDIT_ALLOWED, forbidden = CVU_EDIT_FORBIDDEN;
    const struct {
        const char *what;
        Way way;
        ULONG_PTR set;
        DWORD mode;
        const char *input, *output;  // typed: what reached the control; else the text after
        BOOL result = TRUE;          // of the check
    } cases[] = {
        {"allowed set: control codes and codes from 80H up pass, DEL does not", kTyped, Set("0123456789"), allowed,
         "1a2Z 3\b\t\xE9\x80\xFF\x7F\x1F", "123\b\t\xE9\x80\xFF\x1F"},
        {"forbidden set", kTyped, Set("abc"), forbidden, "abcdABC xyz\b\xE9", "dABC xyz\b\xE9"},
        {"codes from 80H up pass a set that lists them", kTyped, Set("\xE9p"), forbidden, "\xE9pq", "\xE9q"},
        {"set by string number", kTyped, triggers, allowed, "0G9fxA", "09fA"},
        {"no allowed set allows nothing", kTyped, 0, allowed, "ab1\b", "\b"},
        {"no callback lets all through", kTyped, 0, CVU_EDIT_CALLBACK, "ab\b\t\xE9", "ab\b\t\xE9"},
        {"a callback decides control codes too", kTyped, ULONG_PTR(&RefuseAll), CVU_EDIT_CALLBACK, "a\b\t\xE9", ""},
        {"check: blanks the allowed set lacks go", kChecked, Set("ab"), allowed, "a b", "ab", TRUE},
        {"check: blanks the forbidden set holds go", kChecked, Set("x "), forbidden, "a b", "ab", TRUE},
        {"check: outside the allowed set", kChecked, Set("ab"), allowed, "abc", "abc", FALSE},
        {"check: blanks the allowed set holds stay", kChecked, Set("ab "), allowed, "a b", "a b", TRUE},
        {"blanks removed", kUnblanked, 0, 0, "  a b ", "ab", FALSE},
    };
    HWND edit = NewEdit();
    for (const auto &c : cases) {
        char text[64];
        std::strcpy(text, c.input);
        BOOL result = TRUE;
        if (c.way == kTyped) {
            g_reached.clear();
            EXPECT_TRUE(CVU_StartSpecialEdit(edit, c.set, c.mode)) << c.what;
            Type(edit, c.input);
            CVU_EndSpecialEdit(edit);
            std::strcpy(text, g_reached.c_str());
        } else if (c.way == kChecked) {
            result = CVU_CheckInvalidChars(text, reinterpret_cast<TextRef>(c.set), c.mode == forbidden);
        } else {
            result = CVU_RemoveBlanks(text);
        }
        EXPECT_EQ(std::string(c.output), text) << c.what;
        EXPECT_EQ(c.result, result) << c.what;
    }
}

TEST_F(EditFilter, ThirtyTwoAtOnceAndEndingRestoresTheControl)
{
    std::vector<HWND> edits;
    for (int i = 0; i < 32; ++i) edits.push_back(NewEdit());
    char set[] = "0";
    ASSERT_TRUE(CVU_StartSpecialEdit(edits[0], Set(set), CVU_EDIT_ALLOWED));
    std::strcpy(set, "x");  // the filter judges by its own copy
    EXPECT_TRUE(CVU_StartSpecialEdit(edits[0], Set("a"), CVU_EDIT_ALLOWED)) << "a second filter is refused";
    for (int i = 1; i < 31; ++i) ASSERT_TRUE(CVU_StartSpecialEdit(edits[i], Set("0"), CVU_EDIT_ALLOWED)) << i;
    EXPECT_FALSE(CVU_StartSpecialEdit(edits[31], Set("0"), CVU_EDIT_ALLOWED)) << "a 33rd filter was taken";
    CVU_EndSpecialEdit(edits[5]);
    EXPECT_TRUE(CVU_StartSpecialEdit(edits[31], Set("0"), CVU_EDIT_ALLOWED)) << "an ended filter's place stays taken";
    g_reached.clear();
    Type(edits[0], "0ax");
    Type(edits[5], "c");
    Type(edits[31], "a0");
    EXPECT_EQ("0c0", g_reached) << "on edit 0 the first filter decides, edit 5's ended, 31's took its place";
    for (HWND edit : edits) CVU_EndSpecialEdit(edit);  // edit 0 has a second filter left
    CVU_EndSpecialEdit(edits[0]);
    g_reached.clear();
    for (HWND edit : edits) Type(edit, "y");
    EXPECT_EQ(std::string(32, 'y'), g_reached) << "a control was left filtered";
}

// Which resource module a process loads, and what it tells the user when
// none of its choices loads: each case runs in a child process whose locale
// comes from LC_ALL, with the module files it needs in a directory of its own.

// Child: asks for the module (showing errors when args[0] is "1"), closing
// every message box; reports the module and the texts shown.
CVX_CHILD_ROLE(load_resource_module)
{
    std::string shown;
    auto close = [&](HWND box) {
        shown += WindowText(box) + "|";
        for (const std::string &text : StaticTexts(box)) shown += text + "|";
        PressButton(box, IDOK);
    };
    HINSTANCE module = RunDialog([&] { return CVU_GetResourceInstance(args.at(0) == "1"); }, close);
    char path[MAX_PATH] = "<null>";
    if (module) GetModuleFileNameA(module, path, sizeof path);
    PutResult("module", path);
    PutResult("shown", shown);
    return 0;
}

using ResourceModule = CleanTest;

TEST_F(ResourceModule, LocaleUserChoiceAndComponentDirectory)
{
    using Copies = std::vector<std::pair<const char *, const char *>>;
    const Copies english = {{"CV32_ENG.DLL", "CV32_ENG.DLL"}};
    const std::string userFailed =  // %s: the choice
        "Error|User specifed language file:  %s  could not be loaded!  Will attempt to find an alternate.|";
    enum Path { kNone, kAsMade, kNoBackslash, kTooLong };  // the component directory as given
    const struct {
        const char *locale;
        Path path;
        Copies copies;
        const char *choice, *module;  // module: "@" the component directory, "*" beside the library
        bool showErrors;
        std::string shown;
    } cases[] = {
        {"fr_FR.UTF-8", kNone, {}, nullptr, "*CV32_FRE.DLL", true, ""},
        {"it_IT.UTF-8", kAsMade, {{"CV32_ENG.DLL", "CV32_ENG.DLL"}, {"CV32_FRE.DLL", "CV32_ITA.DLL"}}, nullptr,
         "@CV32_ITA.DLL", true, ""},
        {"it_IT.UTF-8", kAsMade, english, nullptr, "@CV32_ENG.DLL", true, ""},
        {"en_US.UTF-8", kNoBackslash, english, nullptr, "@CV32_ENG.DLL", true, ""},
        {"en_US.UTF-8", kTooLong, english, nullptr, "*CV32_ENG.DLL", true, ""},
        {"en_US.UTF-8", kAsMade, english, "CV32_GER.DLL", "@CV32_ENG.DLL", true, userFailed},
        {"en_US.UTF-8", kAsMade, {{"CV32_SPA.DLL", "CV32_SPA.DLL"}}, "CV32_SPA.DLL", "@CV32_SPA.DLL", true, ""},
        {"en_US.UTF-8", kAsMade, {}, nullptr, "<null>", true,
         "Error|Product default language file:  CV32_ENG.DLL  could not be loaded!|"},
        {"en_US.UTF-8", kAsMade, {}, "cv32_eng.dll", "<null>", true, userFailed},
        {"en_US.UTF-8", kAsMade, {}, "cv32_eng.dll", "<null>", false, ""},
    };
    for (const auto &c : cases) {
        ResetProductRegistry();
        std::string dir = TempDirectory("mods"), module = c.module, shown = c.shown;
        for (const auto &[from, to] : c.copies)
            EXPECT_TRUE(CopyFileA((ExeDirectory() + from).c_str(), (dir + to).c_str(), FALSE)) << from;
        const std::string given[] = {"", dir, dir.substr(0, dir.size() - 1), dir + std::string(259 - dir.size(), 'x')};
        if (c.path != kNone) SetRegString(HKEY_CURRENT_USER, "Software\\Quillon\\Calvex", "ComponentPath", given[c.path]);
        if (c.choice) SetRegString(HKEY_CURRENT_USER, "Software\\Quillon\\Calvex\\Language", "ResDll", c.choice);
        if (module[0] == '@' || module[0] == '*') module.replace(0, 1, module[0] == '@' ? dir : ExeDirectory());
        if (size_t at = shown.find("%s"); at != std::string::npos) shown.replace(at, 2, c.choice);
        ChildOptions options;
        options.environment["LC_ALL"] = c.locale;
        std::string what = std::string(c.locale) + ", " + std::to_string(c.path) + (c.choice ? c.choice : "");
        ASSERT_EQ(0, RunChild("load_resource_module", {c.showErrors ? "1" : "0"}, options)) << what;
        EXPECT_EQ(0, lstrcmpiA(module.c_str(), GetResult("module").c_str())) << what << ": " << GetResult("module");
        EXPECT_EQ(shown, GetResult("shown")) << what << ": the wrong messages were shown";
    }
}

}  // namespace
