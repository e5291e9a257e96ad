// The composed texts of error reports and confirmations: message, detail
// line, explanation of the code, and the code line.
#include <cstring>

#include "reports_helpers.h"
#include "resids.h"

using namespace cvxtest;

namespace {

struct Shown {
    std::string caption, text, code;
};

class ReportText : public CleanTest {
protected:
    template <typename Call>
    Shown Capture(Call call, int closeWith = IDOK)
    {
        Shown shown;
        DialogDriver driver([&](HWND dialog) {
            shown.caption = WindowText(dialog);
            shown.text = WindowText(GetDlgItem(dialog, IDC_CR_TEXT));
            HWND code = GetDlgItem(dialog, IDC_CR_CODE);
            shown.code = code ? WindowText(code) : "(none)";
            PressButton(dialog, closeWith);
        });
        call();
        EXPECT_EQ(1, driver.Finish());
        return shown;
    }

    Shown Report(DWORD code, TextRef detailFormat = nullptr, ULONG_PTR argument = 0, WORD flags = 0,
                 TextRef message = "Cannot share the port.")
    {
        return Capture([&] { CVU_ReportErrorA(nullptr, "Calvex test", message, code, detailFormat, argument, 0, flags); });
    }
};

std::string SystemText(DWORD code)
{
    char *text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = text ? text : "";
    LocalFree(text);
    return result;
}

TEST_F(ReportText, ListedUtilityCodeIsExplainedFromTheProductTable)
{
    ASSERT_FALSE(ResourceString(IDS_ERRTEXT_DUPTRIGGER).empty());
    Shown shown = Report(CVU_E_DUPTRIGGER);
    EXPECT_EQ("Calvex test", shown.caption);
    EXPECT_EQ("Cannot share the port.\n\n" + ResourceString(IDS_ERRTEXT_DUPTRIGGER), shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_UTILITY), 8), shown.code);

    shown = Report(CVU_E_NOENTRY);
    EXPECT_EQ("Cannot share the port.\n\n" + ResourceString(IDS_ERRTEXT_NOENTRY), shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_UTILITY), 0x195), shown.code);
}

TEST_F(ReportText, CodesShowTheirNumberWithoutTheProductMarkers)
{
    // Not in the table: the code line alone.
    Shown shown = Report(0x200E0007);
    EXPECT_EQ("Cannot share the port.\n", shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_UTILITY), 7), shown.code);

    shown = Report(0x20000005);
    EXPECT_EQ("Cannot share the port.\n", shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_PRODUCT), 5), shown.code);

    // Another facility keeps its bits; only the customer bit goes.
    shown = Report(0x20030005);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_PRODUCT), 0x30005), shown.code);

    // A Windows code without the system flag is looked up in the product
    // table, which does not list it.
    shown = Report(5);
    EXPECT_EQ("Cannot share the port.\n", shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_SYSTEM), 5), shown.code);

    shown = Report(0);
    EXPECT_EQ("Cannot share the port.\n", shown.text);
    EXPECT_EQ("", shown.code);
}

TEST_F(ReportText, SystemCodeIsExplainedByTheSystem)
{
    std::string system = SystemText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(system.empty());
    Shown shown = Report(ERROR_ACCESS_DENIED, nullptr, 0, CVU_CR_SYSTEMCODE);
    EXPECT_EQ("Cannot share the port.\n\n" + system, shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_SYSTEM), 5), shown.code);

    // The detail argument fills the system text's insert.
    const char *file = "PORTMON.EXE";
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(file)};
    char *expected = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                   nullptr, ERROR_BAD_EXE_FORMAT, 0, reinterpret_cast<LPSTR>(&expected), 0,
                   reinterpret_cast<va_list *>(inserts));
    ASSERT_NE(nullptr, expected);
    ASSERT_NE(nullptr, std::strstr(expected, file));
    shown = Report(ERROR_BAD_EXE_FORMAT, nullptr, reinterpret_cast<ULONG_PTR>(file), CVU_CR_SYSTEMCODE);
    EXPECT_EQ(std::string("Cannot share the port.\n\n") + expected, shown.text);
    LocalFree(expected);

    // A code the system does not know: no explanation, the code line stays.
    shown = Report(0x0000FFF0, nullptr, 0, CVU_CR_SYSTEMCODE);
    EXPECT_EQ("Cannot share the port.\n", shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_SYSTEM), 0xFFF0), shown.code);
}

TEST_F(ReportText, DetailLineReplacesTheExplanationButNotTheCodeLine)
{
    Shown shown = Report(CVU_E_DUPTRIGGER, "Character %s", reinterpret_cast<ULONG_PTR>("0DH"));
    EXPECT_EQ("Cannot share the port.\nCharacter 0DH", shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_UTILITY), 8), shown.code);

    shown = Report(ERROR_ACCESS_DENIED, "Line %lu", 12, CVU_CR_SYSTEMCODE);
    EXPECT_EQ("Cannot share the port.\nLine 12", shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_SYSTEM), 5), shown.code);
}

TEST_F(ReportText, TextsMayBeResourceStringIds)
{
    std::string format = ResourceString(IDS_VALUE_ALLOWED_CHARS);
    ASSERT_NE(std::string::npos, format.find("%s"));
    char detail[512];
    std::snprintf(detail, sizeof detail, format.c_str(), "0123456789");

    Shown shown = Capture([] {
        CVU_ReportErrorA(nullptr, CVU_TEXTID(IDS_ABOUT_CAPTION), CVU_TEXTID(IDS_VALUE_INVALID), 0,
                         CVU_TEXTID(IDS_VALUE_ALLOWED_CHARS), reinterpret_cast<ULONG_PTR>("0123456789"), 0, 0);
    });
    EXPECT_EQ(ResourceString(IDS_ABOUT_CAPTION), shown.caption);
    EXPECT_EQ(ResourceString(IDS_VALUE_INVALID) + "\n" + detail, shown.text);

    Shown confirm = Capture(
        [] {
            CVU_ConfirmActionA(nullptr, CVU_TEXTID(IDS_RESTART_TITLE), CVU_TEXTID(IDS_RESTART_MESSAGE), nullptr, 0,
                               0, 0);
        },
        IDC_CONFIRM_YES);
    EXPECT_EQ(ResourceString(IDS_RESTART_TITLE), confirm.caption);
    EXPECT_EQ(ResourceString(IDS_RESTART_MESSAGE) + "\n", confirm.text);
    EXPECT_EQ("(none)", confirm.code);
}

TEST_F(ReportText, MissingTextsKeepTheTemplate)
{
    Shown plain = Capture([] { CVU_ReportErrorA(nullptr, nullptr, nullptr, 0, nullptr, 0, 0, 0); });
    EXPECT_FALSE(plain.caption.empty());
    EXPECT_EQ("", plain.text);

    // Empty texts and string ids that name nothing count as no text.
    Shown empty = Capture([] { CVU_ReportErrorA(nullptr, "", CVU_TEXTID(1), 0, "", 0, 0, 0); });
    EXPECT_EQ(plain.caption, empty.caption);
    EXPECT_EQ("", empty.text);

    // Without a message the detail line starts the text.
    Shown detailOnly = Capture([] { CVU_ReportErrorA(nullptr, nullptr, nullptr, 0, "Port %s", (ULONG_PTR) "COM2", 0, 0); });
    EXPECT_EQ("Port COM2", detailOnly.text);
}

TEST_F(ReportText, EveryPartIsCutToItsBuffer)
{
    // The detail line holds 199 characters, the whole text 1023.
    std::string longDetail(300, 'd');
    Shown shown = Report(0, longDetail.c_str(), 0, 0, "Short.");
    EXPECT_EQ("Short.\n" + std::string(199, 'd'), shown.text);

    std::string longMessage(2000, 'm');
    shown = Report(0x20000005, nullptr, 0, 0, longMessage.c_str());
    EXPECT_EQ(std::string(1023, 'm'), shown.text);
    EXPECT_EQ(FormatNumber(ResourceString(IDS_ERRCODE_PRODUCT), 5), shown.code);

    std::string message(900, 'm');
    shown = Report(CVU_E_DUPTRIGGER, longDetail.c_str(), 0, 0, message.c_str());
    EXPECT_EQ(message + "\n" + std::string(1023 - 901, 'd'), shown.text);

    // The explanation too is cut at the end of the text.
    std::string nearlyFull(1015, 'm');
    shown = Report(CVU_E_DUPTRIGGER, nullptr, 0, 0, nearlyFull.c_str());
    EXPECT_EQ(nearlyFull + "\n\n" + ResourceString(IDS_ERRTEXT_DUPTRIGGER).substr(0, 6), shown.text);
}

}  // namespace
