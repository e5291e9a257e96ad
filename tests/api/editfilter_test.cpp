// Edit filters on real edit controls fed with WM_CHAR, and the text checks.
#include <cstring>

#include "reports_helpers.h"
#include "resids.h"

using namespace cvxtest;

namespace {

// What reached the control behind the filter.
std::vector<WPARAM> g_reached;
WNDPROC g_editProc;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR) g_reached.push_back(wParam);
    return CallWindowProcA(g_editProc, window, message, wParam, lParam);
}

struct CallbackCall {
    HWND window;
    WPARAM character;
    LPARAM lParam;
};
std::vector<CallbackCall> g_callbackCalls;

BOOL CALLBACK RefuseAll(HWND window, WPARAM character, LPARAM lParam)
{
    g_callbackCalls.push_back({window, character, lParam});
    return FALSE;
}

BOOL CALLBACK DigitsOnly(HWND, WPARAM character, LPARAM) { return character >= '0' && character <= '9'; }

class EditFilter : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        g_reached.clear();
        g_callbackCalls.clear();
        parent_ = CreateWindowExA(0, "STATIC", "edits", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        edit_ = NewEdit();
    }
    void TearDown() override
    {
        DestroyWindow(parent_);
        CleanTest::TearDown();
    }

    // A multi-line edit (it takes tabs) whose own procedure records every
    // character that reaches it.
    HWND NewEdit()
    {
        HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0, 300,
                                    100, parent_, nullptr, nullptr, nullptr);
        g_editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
        return edit;
    }

    static void Type(HWND edit, const std::string &keys, LPARAM lParam = 1)
    {
        for (unsigned char key : keys) SendMessageA(edit, WM_CHAR, key, lParam);
    }

    // Types keys into a fresh filtered control; returns what reached it.
    std::string Filtered(ULONG_PTR data, DWORD mode, const std::string &keys)
    {
        SetWindowTextA(edit_, "");
        g_reached.clear();
        EXPECT_TRUE(CVU_StartSpecialEdit(edit_, data, mode));
        Type(edit_, keys);
        CVU_EndSpecialEdit(edit_);
        return Reached();
    }

    static std::string Reached()
    {
        std::string text;
        for (WPARAM c : g_reached) text += static_cast<char>(c);
        return text;
    }

    static std::string Text(HWND edit)
    {
        char text[256] = "";
        GetWindowTextA(edit, text, sizeof text);
        return text;
    }

    HWND parent_ = nullptr;
    HWND edit_ = nullptr;
};

ULONG_PTR Set(const char *characters) { return reinterpret_cast<ULONG_PTR>(characters); }

TEST_F(EditFilter, AllowedSetKeepsOtherCharactersFromTheControl)
{
    ASSERT_TRUE(CVU_StartSpecialEdit(edit_, Set("0123456789"), CVU_EDIT_ALLOWED));
    Type(edit_, "1a2Z 3");
    EXPECT_EQ("123", Text(edit_));
    // Backspace and tab pass the set, as do the codes from 80H up.
    Type(edit_, "\b\t\xE9\x80\xFF");
    EXPECT_EQ("12\t", Text(edit_).substr(0, 3));
    EXPECT_EQ("123\b\t\xE9\x80\xFF", Reached());
    // DEL (7FH) is no control character here: the set decides.
    Type(edit_, "\x7F\x1F");
    EXPECT_EQ("123\b\t\xE9\x80\xFF\x1F", Reached());
    CVU_EndSpecialEdit(edit_);
}

TEST_F(EditFilter, ForbiddenSetRefusesExactlyItsCharacters)
{
    EXPECT_EQ("dABC xyz\b\xE9", Filtered(Set("abc"), CVU_EDIT_FORBIDDEN, "abcdABC xyz\b\xE9"));
    // Codes from 80H up are not checked even when the set lists them.
    EXPECT_EQ("\xE9q", Filtered(Set("\xE9p"), CVU_EDIT_FORBIDDEN, "\xE9pq"));
}

TEST_F(EditFilter, SetMayBeAStringIdAndAMissingSetIsEmpty)
{
    std::string triggers = ResourceString(IDS_TRIGGER_CHARS);
    ASSERT_EQ("0123456789ABCDEFabcdef", triggers);
    EXPECT_EQ("09fA", Filtered(reinterpret_cast<ULONG_PTR>(CVU_TEXTID(IDS_TRIGGER_CHARS)), CVU_EDIT_ALLOWED, "0G9fxA"));

    EXPECT_EQ("\b", Filtered(0, CVU_EDIT_ALLOWED, "ab1\b"));
    EXPECT_EQ("\b", Filtered(Set(""), CVU_EDIT_ALLOWED, "ab1\b"));
    EXPECT_EQ("ab1\b", Filtered(0, CVU_EDIT_FORBIDDEN, "ab1\b"));

    // The filter works from its own copy of a caller's set.
    char set[] = "xyz";
    ASSERT_TRUE(CVU_StartSpecialEdit(edit_, Set(set), CVU_EDIT_ALLOWED));
    std::strcpy(set, "abc");
    g_reached.clear();
    Type(edit_, "axbyc");
    EXPECT_EQ("xy", Reached());
    CVU_EndSpecialEdit(edit_);
}

TEST_F(EditFilter, CallbackDecidesEveryCharacterOtherModesNone)
{
    // No callback: all passes.
    EXPECT_EQ("ab\b\t\xE9", Filtered(0, CVU_EDIT_CALLBACK, "ab\b\t\xE9"));

    // A callback that refuses everything: control characters too.
    ASSERT_TRUE(CVU_StartSpecialEdit(edit_, reinterpret_cast<ULONG_PTR>(&RefuseAll), CVU_EDIT_CALLBACK));
    SetWindowTextA(edit_, "");
    g_reached.clear();
    Type(edit_, "a\b\t\xE9", 0x00230001);
    EXPECT_EQ("", Reached());
    EXPECT_EQ("", Text(edit_));
    ASSERT_EQ(4u, g_callbackCalls.size());
    EXPECT_EQ(edit_, g_callbackCalls[0].window);
    EXPECT_EQ(WPARAM('a'), g_callbackCalls[0].character);
    EXPECT_EQ(WPARAM(0xE9), g_callbackCalls[3].character);
    EXPECT_EQ(0x00230001, g_callbackCalls[3].lParam);
    CVU_EndSpecialEdit(edit_);

    EXPECT_EQ("12", Filtered(reinterpret_cast<ULONG_PTR>(&DigitsOnly), CVU_EDIT_CALLBACK, "1a2\b"));

    // Any other mode lets everything through.
    EXPECT_EQ("abc\b\xE9", Filtered(Set("abc"), 0, "abc\b\xE9"));
    EXPECT_EQ("abc\b\xE9", Filtered(Set("abc"), 7, "abc\b\xE9"));
}

TEST_F(EditFilter, ThirtyThreeFiltersAreRefusedUntilOneEnds)
{
    std::vector<HWND> edits{edit_};
    for (int i = 1; i < 33; ++i) edits.push_back(NewEdit());
    for (int i = 0; i < 32; ++i) ASSERT_TRUE(CVU_StartSpecialEdit(edits[i], Set("0"), CVU_EDIT_ALLOWED)) << i;

    EXPECT_FALSE(CVU_StartSpecialEdit(edits[32], Set("0"), CVU_EDIT_ALLOWED));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(RecordingProc), GetWindowLongPtrA(edits[32], GWLP_WNDPROC));
    g_reached.clear();
    Type(edits[32], "a");
    EXPECT_EQ("a", Reached());

    CVU_EndSpecialEdit(edits[5]);
    EXPECT_TRUE(CVU_StartSpecialEdit(edits[32], Set("0"), CVU_EDIT_ALLOWED));
    g_reached.clear();
    Type(edits[32], "a0");
    Type(edits[6], "b0");
    Type(edits[5], "c");
    EXPECT_EQ("00c", Reached());

    for (HWND edit : edits) CVU_EndSpecialEdit(edit);
    for (HWND edit : edits) EXPECT_EQ(reinterpret_cast<LONG_PTR>(RecordingProc), GetWindowLongPtrA(edit, GWLP_WNDPROC));
    g_reached.clear();
    Type(edits[0], "x");
    Type(edits[32], "y");
    EXPECT_EQ("xy", Reached());
}

TEST_F(EditFilter, EndingRestoresTheWindowProcedure)
{
    ASSERT_TRUE(CVU_StartSpecialEdit(edit_, Set("9"), CVU_EDIT_ALLOWED));
    EXPECT_NE(reinterpret_cast<LONG_PTR>(RecordingProc), GetWindowLongPtrA(edit_, GWLP_WNDPROC));
    // A second filter on the control is taken; the first still decides.
    EXPECT_TRUE(CVU_StartSpecialEdit(edit_, Set("8"), CVU_EDIT_ALLOWED));
    Type(edit_, "98");
    EXPECT_EQ("9", Reached());
    CVU_EndSpecialEdit(edit_);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(RecordingProc), GetWindowLongPtrA(edit_, GWLP_WNDPROC));
    // A second end, or one for a control without a filter, does nothing.
    CVU_EndSpecialEdit(edit_);
    CVU_EndSpecialEdit(nullptr);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(RecordingProc), GetWindowLongPtrA(edit_, GWLP_WNDPROC));
    Type(edit_, "abc");
    EXPECT_EQ("9abc", Text(edit_));

    EXPECT_FALSE(CVU_StartSpecialEdit(nullptr, Set("9"), CVU_EDIT_ALLOWED));
}

TEST_F(EditFilter, UnicodeControlIsFilteredInAnsi)
{
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, parent_, nullptr, nullptr,
                                nullptr);
    ASSERT_TRUE(IsWindowUnicode(edit));
    ASSERT_TRUE(CVU_StartSpecialEdit(edit, Set("0123456789"), CVU_EDIT_ALLOWED));
    for (wchar_t c : std::wstring(L"4x2")) SendMessageW(edit, WM_CHAR, c, 1);
    EXPECT_EQ("42", Text(edit));
    CVU_EndSpecialEdit(edit);
    SendMessageW(edit, WM_CHAR, L'y', 1);
    EXPECT_EQ("42y", Text(edit));
}

class TextCheck : public CleanTest {};

std::pair<BOOL, std::string> Check(const std::string &text, TextRef set, BOOL forbidden)
{
    char buffer[64];
    std::strcpy(buffer, text.c_str());
    BOOL result = CVU_CheckInvalidChars(buffer, set, forbidden);
    return {result, buffer};
}

TEST_F(TextCheck, BlanksTheSetRefusesAreRemovedNotReported)
{
    using Result = std::pair<BOOL, std::string>;
    EXPECT_EQ(Result(TRUE, "ab"), Check("a b", "ab", FALSE));
    EXPECT_EQ(Result(TRUE, "ab"), Check("a b", "x ", TRUE));
    EXPECT_EQ(Result(FALSE, "abc"), Check("abc", "ab", FALSE));
    EXPECT_EQ(Result(FALSE, "axb"), Check("a x b", "x ", TRUE));
    // Blanks the set allows stay.
    EXPECT_EQ(Result(TRUE, "a b"), Check("a b", "ab ", FALSE));
    EXPECT_EQ(Result(TRUE, "a b"), Check("a b", "-", TRUE));
    EXPECT_EQ(Result(FALSE, "a-b"), Check("a-b", "-", TRUE));
    // Nothing left, or nothing to check against.
    EXPECT_EQ(Result(TRUE, ""), Check("   ", "ab", FALSE));
    EXPECT_EQ(Result(TRUE, ""), Check("", "ab", FALSE));
    EXPECT_EQ(Result(TRUE, "a b c"), Check("a b c", nullptr, FALSE));
    EXPECT_EQ(Result(TRUE, "a b c"), Check("a b c", "", FALSE));
}

TEST_F(TextCheck, SetMayBeAStringId)
{
    using Result = std::pair<BOOL, std::string>;
    TextRef triggers = CVU_TEXTID(IDS_TRIGGER_CHARS);
    EXPECT_EQ(Result(TRUE, "0DFF"), Check("0D FF", triggers, FALSE));
    EXPECT_EQ(Result(FALSE, "0G"), Check("0G", triggers, FALSE));
    EXPECT_EQ(Result(FALSE, "x1"), Check("x1", triggers, TRUE));
}

TEST_F(TextCheck, RemoveBlanks)
{
    char text[] = "  a b ";
    EXPECT_FALSE(CVU_RemoveBlanks(text));
    EXPECT_STREQ("ab", text);
    char empty[] = "";
    EXPECT_TRUE(CVU_RemoveBlanks(empty));
    EXPECT_STREQ("", empty);
    EXPECT_TRUE(CVU_RemoveBlanks(nullptr));
    char blanks[] = "   ";
    EXPECT_FALSE(CVU_RemoveBlanks(blanks));
    EXPECT_STREQ("", blanks);
    char tabs[] = "a\tb";
    EXPECT_FALSE(CVU_RemoveBlanks(tabs));
    EXPECT_STREQ("a\tb", tabs);
}

}  // namespace
