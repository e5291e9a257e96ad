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

TEST_F(ReportText, MessageDetailExplanationAndCodeLine)
{
    const std::string msg = "Cannot share the port.", utility = ResourceString(IDS_ERRCODE_UTILITY);
    const std::string product = ResourceString(IDS_ERRCODE_PRODUCT), system = ResourceString(IDS_ERRCODE_SYSTEM);
    const std::string duplicate = ResourceString(IDS_ERRTEXT_DUPTRIGGER);
    ASSERT_FALSE(duplicate.empty());
    const char *file = "PORTMON.EXE";
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(file)};
    char *badExe = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                   nullptr, ERROR_BAD_EXE_FORMAT, 0, reinterpret_cast<LPSTR>(&badExe), 0,
                   reinterpret_cast<va_list *>(inserts));
    ASSERT_NE(nullptr, std::strstr(badExe, file));
    const std::string longDetail(300, 'd'), message900(900, 'm'), nearlyFull(1015, 'm');
    const struct {
        const char *what;
        DWORD code;
        const char *detail;
        ULONG_PTR argument;
        WORD flags;
        std::string message, text, codeLine;
    } cases[] = {
        {"listed utility code", CVU_E_DUPTRIGGER, nullptr, 0, 0, msg, msg + "\n\n" + duplicate, FormatNumber(utility, 8)},
        {"listed block code", CVU_E_NOENTRY, nullptr, 0, 0, msg, msg + "\n\n" + ResourceString(IDS_ERRTEXT_NOENTRY),
         FormatNumber(utility, 0x195)},
        {"unlisted utility code", 0x200E0007, nullptr, 0, 0, msg, msg + "\n", FormatNumber(utility, 7)},
        {"product code", 0x20000005, nullptr, 0, 0, msg, msg + "\n", FormatNumber(product, 5)},
        {"another facility keeps its bits", 0x20030005, nullptr, 0, 0, msg, msg + "\n", FormatNumber(product, 0x30005)},
        {"Windows code without the system flag", 5, nullptr, 0, 0, msg, msg + "\n", FormatNumber(system, 5)},
        {"no code", 0, nullptr, 0, 0, msg, msg + "\n", ""},
        {"system code", ERROR_ACCESS_DENIED, nullptr, 0, CVU_CR_SYSTEMCODE, msg,
         msg + "\n\n" + SystemText(ERROR_ACCESS_DENIED), FormatNumber(system, 5)},
        {"system text with its insert", ERROR_BAD_EXE_FORMAT, nullptr, reinterpret_cast<ULONG_PTR>(file),
         CVU_CR_SYSTEMCODE, msg, msg + "\n\n" + badExe, FormatNumber(system, ERROR_BAD_EXE_FORMAT)},
        {"code unknown to the system", 0xFFF0, nullptr, 0, CVU_CR_SYSTEMCODE, msg, msg + "\n",
         FormatNumber(system, 0xFFF0)},
        {"detail line replaces the explanation", CVU_E_DUPTRIGGER, "Character %s", reinterpret_cast<ULONG_PTR>("0DH"),
         0, msg, msg + "\nCharacter 0DH", FormatNumber(utility, 8)},
        {"detail line with a number", ERROR_ACCESS_DENIED, "Line %lu", 12, CVU_CR_SYSTEMCODE, msg, msg + "\nLine 12",
         FormatNumber(system, 5)},
        {"detail cut to 199", 0, longDetail.c_str(), 0, 0, "Short.", "Short.\n" + std::string(199, 'd'), ""},
        {"text cut to 1023", 0x20000005, nullptr, 0, 0, std::string(2000, 'm'), std::string(1023, 'm'),
         FormatNumber(product, 5)},
        {"detail cut at the end of the text", CVU_E_DUPTRIGGER, longDetail.c_str(), 0, 0, message900,
         message900 + "\n" + std::string(1023 - 901, 'd'), FormatNumber(utility, 8)},
        {"explanation cut at the end of the text", CVU_E_DUPTRIGGER, nullptr, 0, 0, nearlyFull,
         nearlyFull + "\n\n" + duplicate.substr(0, 6), FormatNumber(utility, 8)},
    };
    LocalFree(badExe);
    for (const auto &c : cases) {
        Shown shown = Report(c.code, c.detail, c.argument, c.flags, c.message.c_str());
        EXPECT_EQ("Calvex test", shown.caption) << c.what;
        EXPECT_EQ(c.text, shown.text) << c.what << ": wrong report text";
        EXPECT_EQ(c.codeLine, shown.code) << c.what << ": wrong code line";
    }
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

}  // namespace
