// Which resource module a process loads, and what it tells the user when
// none of its choices loads. Each case runs in a child process whose locale
// comes from LC_ALL, with the module files it needs in a directory of its own.
#include <optional>
#include <string>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr char kUserKey[] = "Software\\Quillon\\Calvex";
constexpr char kLanguageKey[] = "Software\\Quillon\\Calvex\\Language";

std::string LoadedModuleName(HINSTANCE module)
{
    if (!module) return "<null>";
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    std::string name = path;
    return name.substr(name.find_last_of('\\') + 1);
}

// Child: asks for the module (showErrors from args[0]), handling every
// message box; reports the module loaded and the texts shown.
CVX_CHILD_ROLE(load_resource_module)
{
    BOOL showErrors = args.size() > 0 && args[0] == "1";
    std::string shown;
    HINSTANCE module;
    {
        DialogDriver driver([&](HWND box) {
            shown += WindowText(box) + "|";
            for (const std::string &text : StaticTexts(box)) shown += text + "|";
            PressButton(box, IDOK);
        });
        module = CVU_GetResourceInstance(showErrors);
        driver.Finish();
    }
    PutResult("module", LoadedModuleName(module));
    PutResult("shown", shown);
    // A second call never loads again and never complains again.
    std::string again;
    {
        DialogDriver driver([&](HWND box) {
            again += "box";
            PressButton(box, IDOK);
        });
        HINSTANCE second = CVU_GetResourceInstance(TRUE);
        driver.Finish();
        PutResult("second", second == module ? "same" : LoadedModuleName(second));
    }
    PutResult("again", again);
    return 0;
}

class ResourceModule : public CleanTest {
protected:
    // A component directory holding copies of the named modules.
    std::string ModuleDirectory(const std::vector<std::pair<std::string, std::string>> &copies)
    {
        std::string dir = TempDirectory("mods");
        for (const auto &[from, to] : copies)
            EXPECT_TRUE(CopyFileA((ExeDirectory() + from).c_str(), (dir + to).c_str(), FALSE)) << from;
        return dir;
    }
    void UseComponentPath(const std::string &dir) { SetRegString(HKEY_CURRENT_USER, kUserKey, "ComponentPath", dir); }
    void ChooseModule(const std::string &file) { SetRegString(HKEY_CURRENT_USER, kLanguageKey, "ResDll", file); }
    int Load(const char *locale, bool showErrors)
    {
        ChildOptions options;
        options.environment["LC_ALL"] = locale;
        return RunChild("load_resource_module", {showErrors ? "1" : "0"}, options);
    }
};

TEST_F(ResourceModule, LocaleAndUserChoiceAndWhatIsShown)
{
    using Copies = std::vector<std::pair<std::string, std::string>>;
    const Copies english = {{"CV32_ENG.DLL", "CV32_ENG.DLL"}};
    const struct {
        const char *locale;
        std::optional<Copies> directory;  // none: the modules beside the library
        const char *choice;
        bool showErrors;
        const char *module;
        std::string shown;
    } cases[] = {
        {"fr_FR.UTF-8", std::nullopt, nullptr, true, "CV32_FRE.DLL", ""},
        {"de_DE.UTF-8", std::nullopt, nullptr, true, "CV32_GER.DLL", ""},
        {"es_ES.UTF-8", std::nullopt, nullptr, true, "CV32_SPA.DLL", ""},
        {"en_GB.UTF-8", std::nullopt, nullptr, true, "CV32_ENG.DLL", ""},
        {"it_IT.UTF-8", Copies{{"CV32_ENG.DLL", "CV32_ENG.DLL"}, {"CV32_FRE.DLL", "CV32_ITA.DLL"}}, nullptr, true,
         "CV32_ITA.DLL", ""},
        {"it_IT.UTF-8", english, nullptr, true, "CV32_ENG.DLL", ""},
        {"en_US.UTF-8", english, "CV32_GER.DLL", true, "CV32_ENG.DLL",
         "Error|User specifed language file:  CV32_GER.DLL  could not be loaded!  Will attempt to find an alternate.|"},
        {"en_US.UTF-8", Copies{{"CV32_ENG.DLL", "CV32_ENG.DLL"}, {"CV32_SPA.DLL", "CV32_SPA.DLL"}}, "CV32_SPA.DLL",
         true, "CV32_SPA.DLL", ""},
        {"en_US.UTF-8", Copies{}, nullptr, true, "<null>",
         "Error|Product default language file:  CV32_ENG.DLL  could not be loaded!|"},
        {"en_US.UTF-8", Copies{}, "cv32_eng.dll", true, "<null>",
         "Error|User specifed language file:  cv32_eng.dll  could not be loaded!  Will attempt to find an alternate.|"},
        {"en_US.UTF-8", Copies{}, "cv32_eng.dll", false, "<null>", ""},
    };
    for (const auto &c : cases) {
        ResetProductRegistry();
        if (c.directory) UseComponentPath(ModuleDirectory(*c.directory));
        if (c.choice) ChooseModule(c.choice);
        std::string what = std::string(c.locale) + (c.choice ? std::string(", chosen ") + c.choice : "");
        ASSERT_EQ(0, Load(c.locale, c.showErrors)) << what;
        EXPECT_EQ(c.module, GetResult("module")) << what << ": the wrong resource module loaded";
        EXPECT_EQ(c.shown, GetResult("shown")) << what << ": the wrong messages were shown";
        // The first attempt is final: no second load, no second message.
        EXPECT_EQ("same", GetResult("second")) << what;
        EXPECT_EQ("", GetResult("again")) << what;
    }
}

CVX_CHILD_ROLE(resource_module_path)
{
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    char path[MAX_PATH] = "";
    if (module) GetModuleFileNameA(module, path, sizeof path);
    PutResult("path", path);
    return 0;
}

TEST_F(ResourceModule, LoadsFromTheComponentDirectory)
{
    std::string dir = ModuleDirectory({{"CV32_ENG.DLL", "CV32_ENG.DLL"}});
    ChildOptions options;
    options.environment["LC_ALL"] = "en_US.UTF-8";
    // With and without the trailing backslash.
    for (const std::string &path : {dir, dir.substr(0, dir.size() - 1)}) {
        UseComponentPath(path);
        ASSERT_EQ(0, RunChild("resource_module_path", {}, options));
        EXPECT_EQ(0, lstrcmpiA((dir + "CV32_ENG.DLL").c_str(), GetResult("path").c_str())) << GetResult("path");
    }

    // Unset, or too long to take a file name: beside the library.
    for (size_t length : {0, 250, 259, 300}) {
        DeleteTree(HKEY_CURRENT_USER, kUserKey);
        if (length) UseComponentPath(dir + std::string(length - dir.size(), 'x'));
        ASSERT_EQ(0, RunChild("resource_module_path", {}, options));
        EXPECT_EQ(0, lstrcmpiA((ExeDirectory() + "CV32_ENG.DLL").c_str(), GetResult("path").c_str()))
            << length << ": " << GetResult("path");
    }
}

}  // namespace
