// Edit filters on real edit controls fed with WM_CHAR, and the text checks
// that judge by the same character sets.
#include <cstring>
#include <string>
#include <vector>

#include "applet_dialogs.h"

using namespace applettest;

namespace {

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
        {"check: allowed by string number", kChecked, triggers, allowed, "0D FF", "0DFF", TRUE},
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
    CVU_EndSpecialEdit(edits[0]);  // one end too many does nothing
    g_reached.clear();
    for (HWND edit : edits) Type(edit, "y");
    EXPECT_EQ(std::string(32, 'y'), g_reached) << "a control was left filtered";
}

}  // namespace
