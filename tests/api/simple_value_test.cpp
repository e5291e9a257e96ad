// The simple value dialog, driven as a user would: keystrokes into the
// edit control, OK and Cancel, and the error reports it opens.
#include <cstring>
#include <string>

#include "applet_dialogs.h"
#include "cvxutil.h"
#include "harness/harness.h"
#include "resids.h"

using namespace cvxtest;
using namespace applettest;

namespace {

constexpr char kDigits[] = "0123456789";

class SimpleValue : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        std::memset(value_, '#', sizeof value_);
        value_[sizeof value_ - 1] = '\0';
    }
    SimpleValueRequest Request(int size, WORD flags, TextRef set = nullptr)
    {
        return SimpleValueRequest{value_, size, nullptr, nullptr, set, 0, flags};
    }
    static HWND Edit(HWND dialog) { return GetDlgItem(dialog, IDC_VALUE_EDIT); }
    // The report the dialog opened: its texts, after which it is closed.
    static std::string ReadAndCloseReport(HWND dialog)
    {
        HWND report = WaitForOwnedDialog(dialog);
        if (!report) return "<no report>";
        std::string texts = JoinedTexts(report);
        PressButton(report, IDOK);
        WaitUntil([&] { return !IsWindow(report); });
        return texts;
    }
    static std::string Formatted(UINT id, const char *argument)
    {
        char text[400];
        wsprintfA(text, ResourceString(id).c_str(), argument);
        return text;
    }
    char value_[400];
};

TEST_F(SimpleValue, PresetTextIsShownAndCancelKeepsTheBuffer)
{
    std::strcpy(value_, "COM7");
    SimpleValueRequest request = Request(sizeof value_, SV_PRESET);
    request.title = "Share name";
    request.prompt = CVU_TEXTID(IDS_RESTART_TITLE);
    std::string caption, prompt, shown;
    HWND focus = nullptr, edit = nullptr;
    DialogDriver driver([&](HWND dialog) {
        edit = Edit(dialog);
        caption = WindowText(dialog);
        prompt = WindowText(GetDlgItem(dialog, IDC_VALUE_PROMPT));
        shown = WindowText(edit);
        focus = FocusOf(dialog);
        SendMessageA(edit, WM_SETTEXT, 0, LPARAM("changed"));
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, CVU_GetSimpleValueA(nullptr, &request));
    EXPECT_EQ(1, driver.Finish());
    EXPECT_EQ("Share name", caption);
    EXPECT_EQ(ResourceString(IDS_RESTART_TITLE), prompt);
    EXPECT_EQ("COM7", shown);
    EXPECT_EQ(edit, focus);
    EXPECT_STREQ("COM7", value_);
}

TEST_F(SimpleValue, TextIsCutToTheSizeAndNeverTo200OrMore)
{
    const struct {
        int size;
        size_t typed, kept;
    } cases[] = {{9, 10, 8}, {300, 250, 199}};
    for (const auto &c : cases) {
        SimpleValueRequest request = Request(c.size, 0);
        std::string shown;
        DialogDriver driver([&](HWND dialog) {
            Type(Edit(dialog), std::string(c.typed, 'A'));
            shown = WindowText(Edit(dialog));
            PressButton(dialog, IDOK);
        });
        EXPECT_EQ(1, CVU_GetSimpleValueA(nullptr, &request));
        EXPECT_EQ(std::string(c.kept, 'A'), shown) << "the edit control takes too much or too little, size " << c.size;
        EXPECT_EQ(std::string(c.kept, 'A'), value_) << "size " << c.size;
        EXPECT_EQ('#', value_[c.kept + 1]) << "written past the value, size " << c.size;
    }
}

TEST_F(SimpleValue, RequiredValueIsRefusedWithTheDialogKeptOpen)
{
    std::strcpy(value_, "old");
    SimpleValueRequest request = Request(sizeof value_, SV_REQUIRED);
    std::string report;
    bool stayedOpen = false;
    HWND focus = nullptr, edit = nullptr;
    DialogDriver driver([&](HWND dialog) {
        edit = Edit(dialog);
        PressButton(dialog, IDOK);
        report = ReadAndCloseReport(dialog);
        stayedOpen = IsWindowVisible(dialog);
        WaitUntil([&] { return FocusOf(dialog) == edit; }, 2000);
        focus = FocusOf(dialog);
        Type(edit, "now");
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_GetSimpleValueA(nullptr, &request));
    EXPECT_EQ(1, driver.Finish());
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_VALUE_INVALID))) << report;
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_VALUE_REQUIRED))) << report;
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(edit, focus);
    EXPECT_STREQ("now", value_);
}

TEST_F(SimpleValue, EmptyValueIsAcceptedWhenNotRequired)
{
    std::strcpy(value_, "old");
    SimpleValueRequest request = Request(sizeof value_, 0);
    DialogDriver driver([&](HWND dialog) { PressButton(dialog, IDOK); });
    EXPECT_EQ(1, CVU_GetSimpleValueA(nullptr, &request));
    EXPECT_EQ(1, driver.Finish());
    EXPECT_STREQ("", value_);
}

TEST_F(SimpleValue, AllowedDigitsRefuseALetter)
{
    std::strcpy(value_, "old");
    SimpleValueRequest request = Request(sizeof value_, SV_ALLOWEDSET, kDigits);
    std::string typed, report, afterReport;
    DialogDriver driver([&](HWND dialog) {
        // The filter keeps the letter out of the control...
        Type(Edit(dialog), "12a3");
        typed = WindowText(Edit(dialog));
        // ... a pasted one is refused on OK.
        SendMessageA(Edit(dialog), WM_SETTEXT, 0, LPARAM("12a3"));
        PressButton(dialog, IDOK);
        report = ReadAndCloseReport(dialog);
        afterReport = IsWindowVisible(dialog) ? WindowText(Edit(dialog)) : "<closed>";
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, CVU_GetSimpleValueA(nullptr, &request));
    EXPECT_EQ("123", typed);
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_VALUE_INVALID))) << report;
    EXPECT_NE(std::string::npos, report.find(Formatted(IDS_VALUE_ALLOWED_CHARS, kDigits))) << report;
    EXPECT_EQ("12a3", afterReport);
    EXPECT_STREQ("old", value_);
}

TEST_F(SimpleValue, ForbiddenDigitsRefuseADigit)
{
    SimpleValueRequest request = Request(sizeof value_, 0, kDigits);
    std::string typed, report;
    DialogDriver driver([&](HWND dialog) {
        Type(Edit(dialog), "ab1c");
        typed = WindowText(Edit(dialog));
        SendMessageA(Edit(dialog), WM_SETTEXT, 0, LPARAM("ab1"));
        PressButton(dialog, IDOK);
        report = ReadAndCloseReport(dialog);
        // Corrected, the value goes through.
        SendMessageA(Edit(dialog), WM_SETTEXT, 0, LPARAM("abc"));
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_GetSimpleValueA(nullptr, &request));
    EXPECT_EQ("abc", typed);
    EXPECT_NE(std::string::npos, report.find(Formatted(IDS_VALUE_FORBIDDEN_CHARS, kDigits))) << report;
    EXPECT_EQ(std::string::npos, report.find(Formatted(IDS_VALUE_ALLOWED_CHARS, kDigits))) << report;
    EXPECT_STREQ("abc", value_);
}

TEST_F(SimpleValue, BlanksTheSetRefusesAreTakenOut)
{
    // Allowed digits, no blank among them.
    SimpleValueRequest request = Request(sizeof value_, SV_ALLOWEDSET, kDigits);
    DialogDriver driver([&](HWND dialog) {
        SendMessageA(Edit(dialog), WM_SETTEXT, 0, LPARAM(" 1 2  3 "));
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_GetSimpleValueA(nullptr, &request));
    driver.Finish();
    EXPECT_STREQ("123", value_);

    // Forbidden characters that include the blank.
    SimpleValueRequest forbidden = Request(sizeof value_, 0, " #");
    DialogDriver second([&](HWND dialog) {
        SendMessageA(Edit(dialog), WM_SETTEXT, 0, LPARAM("a b"));
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_GetSimpleValueA(nullptr, &forbidden));
    EXPECT_STREQ("ab", value_);
}

TEST_F(SimpleValue, CharacterSetByStringNumber)
{
    // The accepted characters of the trigger edit: hexadecimal digits.
    SimpleValueRequest request = Request(sizeof value_, SV_ALLOWEDSET, CVU_TEXTID(IDS_TRIGGER_CHARS));
    std::string typed, report;
    DialogDriver driver([&](HWND dialog) {
        Type(Edit(dialog), "1g2F");
        typed = WindowText(Edit(dialog));
        SendMessageA(Edit(dialog), WM_SETTEXT, 0, LPARAM("zz"));
        PressButton(dialog, IDOK);
        report = ReadAndCloseReport(dialog);
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, CVU_GetSimpleValueA(nullptr, &request));
    EXPECT_EQ("12F", typed);
    // The report names the set's characters, not its number.
    EXPECT_NE(std::string::npos,
              report.find(Formatted(IDS_VALUE_ALLOWED_CHARS, ResourceString(IDS_TRIGGER_CHARS).c_str())))
        << report;
}

TEST_F(SimpleValue, BadRequestsShowNothing)
{
    DialogDriver driver([&](HWND dialog) { PressButton(dialog, IDCANCEL); });
    EXPECT_EQ(0, CVU_GetSimpleValueA(nullptr, nullptr));
    SimpleValueRequest zero = Request(0, SV_PRESET);
    EXPECT_EQ(0, CVU_GetSimpleValueA(nullptr, &zero));
    SimpleValueRequest negative = Request(-5, 0);
    EXPECT_EQ(0, CVU_GetSimpleValueA(nullptr, &negative));
    SimpleValueRequest noBuffer = Request(10, 0);
    noBuffer.value = nullptr;
    EXPECT_EQ(0, CVU_GetSimpleValueA(nullptr, &noBuffer));
    PumpMessages(200);
    EXPECT_EQ(0, driver.Finish());
}

}  // namespace
