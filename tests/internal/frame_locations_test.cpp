// Product locations, CVEX.INI helpers, language codes and texts, linked from
// the library's objects (the test executable plays the library).
#include <cstring>
#include <string>
#include <utility>

#include "frame/frame.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

class Locations : public CleanTest {
protected:
    std::string InstallDirectory(const std::string &value)
    {
        SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", value);
        char out[MAX_PATH];
        std::strcpy(out, "untouched");
        return cvx::GetInstallDirectory(out) ? std::string(out) : "FALSE:" + std::string(out);
    }
};

TEST_F(Locations, InstallDirectoryForms)
{
    // 258 characters take the backslash; 259 would leave no room for it.
    const std::string longest = "C:\\" + std::string(255, 'd');
    for (auto [value, directory] : std::initializer_list<std::pair<std::string, std::string>>{
             {"\\DosDevices\\C:\\APPS", "C:\\APPS\\"},
             {"\\dosdevices\\D:\\APPS\\X", "D:\\APPS\\X\\"},
             {"C:\\APPS\\", "C:\\APPS\\"},
             {"\\DosDevice\\C", "\\DosDevice\\C\\"},  // not the prefix
             {"", "FALSE:untouched"},
             {longest, longest + "\\"},
             {longest + "e", "FALSE:untouched"},
             {"\\DosDevices\\" + longest, longest + "\\"}})
        EXPECT_EQ(directory, InstallDirectory(value)) << value;
    ForgetInstallDirectory();
    char out[MAX_PATH] = "untouched";
    EXPECT_FALSE(cvx::GetInstallDirectory(out));
    EXPECT_STREQ("untouched", out);
}

TEST_F(Locations, ConfigFileFollowsDirectoryOncePerProcess)
{
    EXPECT_EQ(ini_, cvx::GetServerConfigFile());
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", "C:\\elsewhere");
    EXPECT_EQ(ini_, cvx::GetServerConfigFile());
}

TEST_F(Locations, ConfigFileBesideTheLibraryWithoutDirectory)
{
    ForgetInstallDirectory();
    EXPECT_EQ(ExeDirectory() + "CVEX.INI", cvx::GetServerConfigFile());
}

TEST_F(Locations, SectionCopiesAndKeyLists)
{
    const char *file = ini_.c_str();
    ASSERT_TRUE(WriteFileText(ini_, "[LINE2]\r\nNAME=COM2\r\nODD=~bo|gU@s\r\nBAUD=9600\r\n"
                                    "[LINE1]\r\nNAME=COM1\r\nODD=keep\r\nEXTRA=stays\r\n"));
    ASSERT_TRUE(cvx::CopySection("LINE1", "LINE2", nullptr, file));
    // ODD reads as the marker, so it counts as absent and goes; EXTRA was not
    // in the source and stays.
    EXPECT_EQ("[LINE2]\r\nNAME=COM2\r\nODD=~bo|gU@s\r\nBAUD=9600\r\n"
              "[LINE1]\r\nNAME=COM2\r\nEXTRA=stays\r\nBAUD=9600\r\n",
              ReadFileText(ini_));
    // Named keys only; one the source lacks goes from the copy.
    const char *keys[] = {"BAUD", "", "EXTRA", nullptr};
    ASSERT_TRUE(cvx::CopySection("LINE1", "LINE2", keys, file));
    EXPECT_EQ("[LINE2]\r\nNAME=COM2\r\nODD=~bo|gU@s\r\nBAUD=9600\r\n[LINE1]\r\nNAME=COM2\r\nBAUD=9600\r\n",
              ReadFileText(ini_));

    // A source of any size is copied whole.
    std::string keys100;
    for (int i = 0; i < 100; ++i) keys100 += "KEY" + std::to_string(i) + "=" + std::string(600, 'x') + "\r\n";
    ASSERT_TRUE(WriteFileText(ini_, "[BIG]\r\n" + keys100 + "[S]\r\nAB=1\r\nCDE=2\r\n[E]\r\n"));
    EXPECT_TRUE(cvx::CopySection("OTHER", "BIG", nullptr, file));
    EXPECT_EQ("[BIG]\r\n" + keys100 + "[S]\r\nAB=1\r\nCDE=2\r\n[E]\r\n[OTHER]\r\n" + keys100, ReadFileText(ini_));

    // The pointer array (3 pointers) and the names (8 bytes) fill the buffer exactly.
    alignas(void *) char buffer[64];
    char **names = reinterpret_cast<char **>(buffer);
    DWORD count = 99;
    const DWORD exact = 3 * sizeof(char *) + 8;
    EXPECT_FALSE(cvx::ListSectionKeys("S", buffer, exact - 1, &count, file));
    EXPECT_EQ(0u, count);
    EXPECT_FALSE(cvx::ListSectionKeys("S", nullptr, 64, &count, file));
    ASSERT_TRUE(cvx::ListSectionKeys("S", buffer, exact, &count, file));
    EXPECT_EQ(2u, count);
    EXPECT_STREQ("AB", names[0]);
    EXPECT_STREQ("CDE", names[1]);
    EXPECT_EQ(nullptr, names[2]);
    EXPECT_EQ(buffer + 3 * sizeof(char *), names[0]);
    ASSERT_TRUE(cvx::ListSectionKeys("E", buffer, sizeof buffer, &count, file));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, names[0]);
}

TEST_F(Locations, ComponentBitsReadModifyWrite)
{
    SetRegDword(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue", 7);
    cvx::SetComponentInstalled(4, FALSE);
    DWORD value = 0;
    ASSERT_TRUE(GetRegDword(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue", &value));
    EXPECT_EQ(3u, value);
    cvx::SetComponentInstalled(0x30, TRUE);
    EXPECT_EQ(0x33u, cvx::GetInstalledComponents());

    // The key is created when missing.
    DeleteTree(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Cvex");
    EXPECT_EQ(0u, cvx::GetInstalledComponents());
    cvx::SetComponentInstalled(8, TRUE);
    ASSERT_TRUE(GetRegDword(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue", &value));
    EXPECT_EQ(8u, value);
}

TEST(FrameText, BoundedCopiesAndKeyPaths)
{
    char out[16];
    for (auto [from, to] : std::initializer_list<std::pair<const char *, const char *>>{
             {"ABCDEFG", "ABCD"}, {"AB", "AB"}, {nullptr, ""}}) {
        cvx::CopyStringBounded(out, from, 5);
        EXPECT_STREQ(to, out);
    }
    const std::string p510(510, 'x'), p511(511, 'x');
    struct Row {
        const char *a, *b, *c;
        bool ok;
        std::string path;
    } rows[] = {
        {nullptr, "", "X", true, "X"},
        {"A", "", "B", true, "A\\B"},
        {"System\\Cvex", nullptr, "Parameters", true, "System\\Cvex\\Parameters"},
        {"", "", "", true, ""},
        {p510.c_str(), nullptr, nullptr, true, p510},
        {p511.c_str(), nullptr, nullptr, false, ""},
        {p510.c_str(), "y", nullptr, false, "?"},
    };
    for (const Row &r : rows) {
        char path[cvx::kKeyPathSize];
        EXPECT_EQ(r.ok, cvx::ComposeKeyPath(path, r.a, r.b, r.c)) << r.path.size();
        if (r.path != "?") { EXPECT_EQ(r.path, path); }
    }
}

// ---- language code and texts, in child processes with their own locale ----

CVX_CHILD_ROLE(language_code)
{
    char code[4] = "???";
    cvx::GetLanguageCode(code);
    PutResult("code", code);
    return 0;
}

std::string LanguageOf(const char *locale)
{
    ChildOptions options;
    options.environment["LC_ALL"] = locale;
    if (RunChild("language_code", {}, options) != 0) return "<child failed>";
    return GetResult("code");
}

class Language : public CleanTest {};

TEST_F(Language, LocalesMapToTheFourLanguagesOrStayAsTheyAre)
{
    for (auto [locale, code] : std::initializer_list<std::pair<const char *, const char *>>{
             {"en_US.UTF-8", "ENG"}, {"en_GB.UTF-8", "ENG"}, {"fr_CA.UTF-8", "FRE"}, {"es_MX.UTF-8", "SPA"},
             {"de_CH.UTF-8", "GER"}, {"it_IT.UTF-8", "ITA"}})
        EXPECT_EQ(code, LanguageOf(locale)) << locale;
}

CVX_CHILD_ROLE(resolve_texts)
{
    char buffer[cvx::kTextBuffer];
    std::string out;
    const char *none = cvx::ResolveText(nullptr, buffer);
    out += none ? "text" : "none";
    out += "|";
    const char *literal = "literal";
    out += cvx::ResolveText(literal, buffer) == literal ? "same" : "copy";
    out += "|";
    out += cvx::ResolveText("", buffer) ? "text" : "none";
    out += "|";
    const char *loaded = cvx::ResolveText(CVU_TEXTID(10215), buffer);
    out += loaded == buffer ? std::string(loaded) : "not in buffer";
    out += "|";
    out += cvx::ResolveText(CVU_TEXTID(9999), buffer) ? "text" : "none";
    PutResult("texts", out);

    // Once the module is freed at detach, nothing loads it again.
    HINSTANCE before = CVU_GetResourceInstance(FALSE);
    cvx::FreeResourceModule();
    PutResult("after", before && !CVU_GetResourceInstance(TRUE) ? "null" : "still loaded");
    return 0;
}

TEST_F(Language, TextsResolveFromTheModuleOfTheLocale)
{
    ChildOptions options;
    options.environment["LC_ALL"] = "en_US.UTF-8";
    ASSERT_EQ(0, RunChild("resolve_texts", {}, options));
    HMODULE english = LoadLibraryExA((ExeDirectory() + "CV32_ENG.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char pool[200] = "";
    LoadStringA(english, 10215, pool, sizeof pool);
    FreeLibrary(english);
    ASSERT_STRNE("", pool);
    EXPECT_EQ(std::string("none|same|none|") + pool + "|none", GetResult("texts"));
    EXPECT_EQ("null", GetResult("after"));
}

}  // namespace
