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
    DialogDriver driver([&](HWND dialog) {
        caption = WindowText(dialog);
        prompt = WindowText(GetDlgItem(dialog, IDC_VALUE_PROMPT));
        shown = WindowText(Edit(dialog));
        SendMessageA(Edit(dialog), WM_SETTEXT, 0, LPARAM("changed"));
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, CVU_GetSimpleValueA(nullptr, &request));
    EXPECT_EQ(1, driver.Finish());
    EXPECT_EQ("Share name", caption);
    EXPECT_EQ(ResourceString(IDS_RESTART_TITLE), prompt);
    EXPECT_EQ("COM7", shown) << "the preset value is not shown";
    EXPECT_STREQ("COM7", value_) << "Cancel changed the value";
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
    DialogDriver driver([&](HWND dialog) {
        PressButton(dialog, IDOK);
        report = ReadAndCloseReport(dialog);
        stayedOpen = IsWindowVisible(dialog);
        Type(Edit(dialog), "now");
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_GetSimpleValueA(nullptr, &request));
    EXPECT_EQ(1, driver.Finish());
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_VALUE_INVALID))) << report;
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_VALUE_REQUIRED))) << report;
    EXPECT_TRUE(stayedOpen) << "an empty required value closed the dialog";
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

TEST_F(SimpleValue, CharacterSetsFilterTypingAndCheckTheValue)
{
    const std::string triggers = ResourceString(IDS_TRIGGER_CHARS);
    const struct {
        const char *what;
        WORD flags;
        TextRef set;
        const char *typed, *kept, *pasted;
        std::string report;  // empty: the value is taken
        const char *value;
    } cases[] = {
        {"allowed digits", SV_ALLOWEDSET, kDigits, "12a3", "123", "12a3",
         Formatted(IDS_VALUE_ALLOWED_CHARS, kDigits), "old"},
        {"forbidden digits", 0, kDigits, "ab1c", "abc", "ab1", Formatted(IDS_VALUE_FORBIDDEN_CHARS, kDigits), "old"},
        {"blanks an allowed set refuses are taken out", SV_ALLOWEDSET, kDigits, "", "", " 1 2  3 ", "", "123"},
        {"blanks a forbidden set holds are taken out", 0, " #", "", "", "a b", "", "ab"},
        {"a set by string number", SV_ALLOWEDSET, CVU_TEXTID(IDS_TRIGGER_CHARS), "1g2F", "12F", "zz",
         Formatted(IDS_VALUE_ALLOWED_CHARS, triggers.c_str()), "old"},
    };
    for (const auto &c : cases) {
        std::strcpy(value_, "old");
        SimpleValueRequest request = Request(sizeof value_, c.flags, c.set);
        std::string kept, report;
        DialogDriver driver([&](HWND dialog) {
            Type(Edit(dialog), c.typed);
            kept = WindowText(Edit(dialog));
            SendMessageA(Edit(dialog), WM_SETTEXT, 0, LPARAM(c.pasted));
            PressButton(dialog, IDOK);
            if (c.report.empty()) return;
            report = ReadAndCloseReport(dialog);
            PressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(c.report.empty() ? 1 : 0, CVU_GetSimpleValueA(nullptr, &request)) << c.what;
        EXPECT_EQ(c.kept, kept) << c.what << ": the edit filter let the wrong keys through";
        if (!c.report.empty()) {
            EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_VALUE_INVALID))) << c.what << ": " << report;
            EXPECT_NE(std::string::npos, report.find(c.report)) << c.what << ": the report names the wrong set: "
                                                                << report;
        }
        EXPECT_STREQ(c.value, value_) << c.what;
    }
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
