// Which resource module a process loads, and what it tells the user when
// none of its choices loads: each case runs in a child process whose locale
// comes from LC_ALL, with the module files it needs in a directory of its own.
#include <string>
#include <vector>

#include "applet_dialogs.h"

using namespace applettest;

namespace {

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
        {"es_ES.UTF-8", kNone, {}, nullptr, "*CV32_SPA.DLL", true, ""},
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
