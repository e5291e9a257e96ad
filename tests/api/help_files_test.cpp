// Help files: the file and window that WinHelpA is asked to open, as the
// help engine receives them.
#include "reports_helpers.h"
#include "resids.h"

using namespace cvxtest;

namespace {

class HelpFiles : public CleanTest {
protected:
    // The one request that a call made, or an empty one.
    template <typename Call>
    HelpEngine::Request RequestOf(Call call)
    {
        HelpEngine::Requests().clear();
        EXPECT_TRUE(call());
        EXPECT_EQ(1u, HelpEngine::Requests().size());
        return HelpEngine::Requests().empty() ? HelpEngine::Request{} : HelpEngine::Requests().back();
    }

    std::string FileFor(ULONG_PTR context)
    {
        return RequestOf([&] { return CVU_EasyHelp(nullptr, HELP_CONTEXT, context); }).file;
    }
};

// Asks for context help in a child with its own locale and engine; the
// file name goes to the file named by the first argument.
CVX_CHILD_ROLE(help_in_locale)
{
    HelpEngine engine;
    if (!CVU_EasyHelp(nullptr, HELP_CONTEXT, 450)) return 1;
    if (HelpEngine::Requests().size() != 1) return 2;
    return WriteFileText(args.at(0), HelpEngine::Requests()[0].file) ? 0 : 3;
}

TEST_F(HelpFiles, ContextChoosesTheAppletFamilyFile)
{
    HelpEngine engine;
    std::string lang = ResourceLanguage();
    ASSERT_EQ(3u, lang.size());
    const std::string window = ".HLP>(w95sec)";
    struct Case {
        ULONG_PTR context;
        const char *family;
    } cases[] = {{0, "CVX_"},     {98, "CVX_"},    {99, "CVSVR_"},  {150, "CVSVR_"}, {198, "CVSVR_"},
                 {199, "CVCLN_"}, {298, "CVCLN_"}, {299, "CVRC_"},  {398, "CVRC_"},  {399, "CVMON_"},
                 {450, "CVMON_"}, {499, "CVMON_"}, {500, "CVX_"},   {0xFFFFFFFF, "CVX_"}};
    for (const Case &c : cases) EXPECT_EQ(dir_ + c.family + lang + window, FileFor(c.context)) << c.context;

    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HelpEngine::Request request = RequestOf([&] { return CVU_EasyHelp(owner, HELP_CONTEXT, 150); });
    EXPECT_EQ(UINT(HELP_CONTEXT), request.command);
    EXPECT_EQ(150, request.data);
    EXPECT_EQ(owner, request.caller);
    DestroyWindow(owner);
}

TEST_F(HelpFiles, OtherCommandsNameTheFileWithoutTheWindow)
{
    HelpEngine engine;
    std::string lang = ResourceLanguage();
    HelpEngine::Request quit = RequestOf([] { return CVU_EasyHelp(nullptr, HELP_QUIT, 0); });
    EXPECT_EQ(UINT(HELP_QUIT), quit.command);
    EXPECT_EQ(dir_ + "CVX_" + lang + ".HLP", quit.file);

    HelpEngine::Request contents = RequestOf([] { return CVU_EasyHelp(nullptr, HELP_CONTENTS, 200); });
    EXPECT_EQ(UINT(HELP_CONTENTS), contents.command);
    EXPECT_EQ(dir_ + "CVCLN_" + lang + ".HLP", contents.file);
}

TEST_F(HelpFiles, SpecificFileAndFlags)
{
    HelpEngine engine;
    std::string lang = ResourceLanguage();
    auto file = [&](LPCSTR name, WORD flags, UINT command = HELP_CONTEXT) {
        return RequestOf([&] { return CVU_SpecificHelp(nullptr, command, 42, name, flags); }).file;
    };
    EXPECT_EQ("D:\\Other\\my help.hlp", file("D:\\Other\\my help.hlp", CVU_HELP_FULLPATH));
    EXPECT_EQ("plain.hlp", file("plain.hlp", CVU_HELP_FULLPATH));
    EXPECT_EQ("D:\\Other\\MY.HLP>(w95sec)", file("D:\\Other\\MY.HLP", CVU_HELP_FULLPATH | CVU_HELP_SECONDARY));
    EXPECT_EQ(dir_ + "OWN.HLP", file("OWN.HLP", 0));
    EXPECT_EQ(dir_ + "OWN.HLP>(w95sec)", file("OWN.HLP", CVU_HELP_SECONDARY, HELP_QUIT));
    // Without a file, the context number chooses it even for HELP_CONTEXT
    // without the secondary window.
    EXPECT_EQ(dir_ + "CVX_" + lang + ".HLP", file(nullptr, 0));
}

TEST_F(HelpFiles, WithoutInstallDirectoryTheComponentDirectoryIsUsed)
{
    // Set before the library's first look at the component directory.
    std::string components = TempDirectory("comp");
    components.pop_back();  // the library adds the backslash itself
    SetRegString(HKEY_CURRENT_USER, "Software\\Quillon\\Calvex", "ComponentPath", components);

    HelpEngine engine;
    std::string installed = FileFor(150);
    ASSERT_EQ(0u, installed.find(dir_));
    std::string name = installed.substr(dir_.size());
    EXPECT_EQ(0u, name.find("CVSVR_"));

    ForgetInstallDirectory();
    EXPECT_EQ(components + "\\" + name, FileFor(150));
}

TEST_F(HelpFiles, InstallDirectoryGivenWithDosDevicesPrefix)
{
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", "\\DosDevices\\C:\\Calvex");
    HelpEngine engine;
    EXPECT_EQ("C:\\Calvex\\CVMON_" + ResourceLanguage() + ".HLP>(w95sec)", FileFor(450));
}

TEST_F(HelpFiles, LanguageCodeComesFromTheUsersLocale)
{
    std::string out = dir_ + "help.txt";
    ChildOptions french;
    french.environment["LC_ALL"] = "fr_FR.UTF-8";
    ASSERT_EQ(0, RunChild("help_in_locale", {out}, french));
    EXPECT_EQ(dir_ + "CVMON_FRE.HLP>(w95sec)", ReadFileText(out));

    ChildOptions german;
    german.environment["LC_ALL"] = "de_DE.UTF-8";
    ASSERT_EQ(0, RunChild("help_in_locale", {out}, german));
    EXPECT_EQ(dir_ + "CVMON_GER.HLP>(w95sec)", ReadFileText(out));
}

TEST_F(HelpFiles, ErrorReportHelpOpensContextTen)
{
    HelpEngine engine;
    std::string lang = ResourceLanguage();
    HWND shown = nullptr;
    DialogDriver driver([&](HWND dialog) {
        shown = dialog;
        PressButton(dialog, IDHELP);
        HELPINFO info{sizeof info, HELPINFO_WINDOW, IDC_CR_TEXT, GetDlgItem(dialog, IDC_CR_TEXT), 0, {0, 0}};
        SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ReportErrorA(nullptr, nullptr, "Failed.", 0, nullptr, 0, 0, 0));
    EXPECT_EQ(1, driver.Finish());

    // The Help button, WM_HELP, then leaving the help engine as the dialog
    // goes.
    const auto &requests = HelpEngine::Requests();
    ASSERT_EQ(3u, requests.size());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(UINT(HELP_CONTEXT), requests[i].command);
        EXPECT_EQ(10, requests[i].data);
        EXPECT_EQ(dir_ + "CVX_" + lang + ".HLP>(w95sec)", requests[i].file);
        EXPECT_EQ(shown, requests[i].caller);
    }
    EXPECT_EQ(UINT(HELP_QUIT), requests[2].command);
    EXPECT_EQ(dir_ + "CVX_" + lang + ".HLP", requests[2].file);
}

}  // namespace
