// Product locations, CVEX.INI helpers, language codes and texts, linked from
// the library's objects (the test executable plays the library).
#include <cstring>
#include <string>

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
    EXPECT_EQ("C:\\APPS\\", InstallDirectory("\\DosDevices\\C:\\APPS"));
    EXPECT_EQ("D:\\APPS\\X\\", InstallDirectory("\\dosdevices\\D:\\APPS\\X"));
    EXPECT_EQ("C:\\APPS\\", InstallDirectory("C:\\APPS\\"));
    EXPECT_EQ("\\DosDevice\\C\\", InstallDirectory("\\DosDevice\\C"));  // not the prefix
    EXPECT_EQ("FALSE:untouched", InstallDirectory(""));
    ForgetInstallDirectory();
    char out[MAX_PATH] = "untouched";
    EXPECT_FALSE(cvx::GetInstallDirectory(out));
    EXPECT_STREQ("untouched", out);

    // 258 characters take the backslash; 259 would leave no room for it.
    std::string longest = "C:\\" + std::string(255, 'd');
    EXPECT_EQ(longest + "\\", InstallDirectory(longest));
    EXPECT_EQ("FALSE:untouched", InstallDirectory(longest + "e"));
    EXPECT_EQ(longest.substr(0) + "\\", InstallDirectory("\\DosDevices\\" + longest));
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

TEST_F(Locations, ProfileIntegersAndSectionCopies)
{
    const char *file = ini_.c_str();
    ASSERT_TRUE(cvx::WriteProfileUInt("SERVER", "MAX", 4294967295u, file));
    ASSERT_TRUE(cvx::WriteProfileUInt("SERVER", "ZERO", 0, file));
    EXPECT_EQ("[SERVER]\r\nMAX=4294967295\r\nZERO=0\r\n", ReadFileText(ini_));

    ASSERT_TRUE(WriteFileText(ini_, "[LINE2]\r\nNAME=COM2\r\nODD=~bo|gU@s\r\nBAUD=9600\r\n"
                                    "[LINE1]\r\nNAME=COM1\r\nODD=keep\r\nEXTRA=stays\r\n"));
    ASSERT_TRUE(cvx::CopySection("LINE1", "LINE2", nullptr, file));
    // ODD reads as the marker, so it counts as absent and goes; EXTRA was not
    // in the source and stays.
    EXPECT_EQ("[LINE2]\r\nNAME=COM2\r\nODD=~bo|gU@s\r\nBAUD=9600\r\n"
              "[LINE1]\r\nNAME=COM2\r\nEXTRA=stays\r\nBAUD=9600\r\n",
              ReadFileText(ini_));

    const char *keys[] = {"BAUD", "", "MISSING", "NAME", nullptr};
    WritePrivateProfileStringA("COPY", "MISSING", "old", file);
    ASSERT_TRUE(cvx::CopySection("COPY", "LINE2", keys, file));
    char value[32];
    GetPrivateProfileStringA("COPY", "MISSING", "gone", value, sizeof value, file);
    EXPECT_STREQ("gone", value);
    GetPrivateProfileStringA("COPY", "NAME", "", value, sizeof value, file);
    EXPECT_STREQ("COM2", value);

    // A source of any size is copied whole.
    std::string keys100;
    for (int i = 0; i < 100; ++i) keys100 += "KEY" + std::to_string(i) + "=" + std::string(600, 'x') + "\r\n";
    ASSERT_TRUE(WriteFileText(ini_, "[BIG]\r\n" + keys100));
    EXPECT_TRUE(cvx::CopySection("OTHER", "BIG", nullptr, file));
    EXPECT_EQ("[BIG]\r\n" + keys100 + "[OTHER]\r\n" + keys100, ReadFileText(ini_));
}

TEST_F(Locations, ListingSectionKeysStaysInItsBuffer)
{
    const char *file = ini_.c_str();
    ASSERT_TRUE(WriteFileText(ini_, "[S]\r\nAB=1\r\nCDE=2\r\n[E]\r\n"));
    alignas(void *) char buffer[64];
    DWORD count = 99;
    EXPECT_FALSE(cvx::ListSectionKeys("S", buffer, 15, &count, file));
    EXPECT_EQ(0u, count);
    EXPECT_FALSE(cvx::ListSectionKeys("S", nullptr, 64, &count, file));

    ASSERT_TRUE(cvx::ListSectionKeys("S", buffer, sizeof buffer, &count, file));
    EXPECT_EQ(2u, count);
    char **keys = reinterpret_cast<char **>(buffer);
    EXPECT_STREQ("AB", keys[0]);
    EXPECT_STREQ("CDE", keys[1]);
    EXPECT_EQ(nullptr, keys[2]);
    EXPECT_GE(keys[0], buffer + 3 * sizeof(char *));
    EXPECT_LE(keys[1] + 4, buffer + sizeof buffer);

    // Array (3 pointers) and list (8 bytes) exactly fill the buffer.
    const DWORD exact = 3 * sizeof(char *) + 8;
    EXPECT_TRUE(cvx::ListSectionKeys("S", buffer, exact, &count, file));
    EXPECT_FALSE(cvx::ListSectionKeys("S", buffer, exact - 1, &count, file));

    ASSERT_TRUE(cvx::ListSectionKeys("E", buffer, sizeof buffer, &count, file));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, keys[0]);
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
    cvx::CopyStringBounded(out, "ABCDEFG", 5);
    EXPECT_STREQ("ABCD", out);
    cvx::CopyStringBounded(out, "AB", 5);
    EXPECT_STREQ("AB", out);
    cvx::CopyStringBounded(out, nullptr, 5);
    EXPECT_STREQ("", out);

    char path[cvx::kKeyPathSize];
    EXPECT_TRUE(cvx::ComposeKeyPath(path, nullptr, "", "X"));
    EXPECT_STREQ("X", path);
    EXPECT_TRUE(cvx::ComposeKeyPath(path, "A", "", "B"));
    EXPECT_STREQ("A\\B", path);
    EXPECT_TRUE(cvx::ComposeKeyPath(path, "System\\CurrentControlSet\\Services\\Cvex", nullptr, "Parameters"));
    EXPECT_STREQ("System\\CurrentControlSet\\Services\\Cvex\\Parameters", path);
    EXPECT_TRUE(cvx::ComposeKeyPath(path, "", "", ""));
    EXPECT_STREQ("", path);
    std::string p510(510, 'x'), p511(511, 'x');
    EXPECT_TRUE(cvx::ComposeKeyPath(path, p510.c_str(), nullptr, nullptr));
    EXPECT_FALSE(cvx::ComposeKeyPath(path, p511.c_str(), nullptr, nullptr));
    EXPECT_STREQ("", path);
    EXPECT_FALSE(cvx::ComposeKeyPath(path, p510.c_str(), "y", nullptr));
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
    EXPECT_EQ("ENG", LanguageOf("en_US.UTF-8"));
    EXPECT_EQ("ENG", LanguageOf("en_GB.UTF-8"));
    EXPECT_EQ("ENG", LanguageOf("en_AU.UTF-8"));
    EXPECT_EQ("FRE", LanguageOf("fr_FR.UTF-8"));
    EXPECT_EQ("FRE", LanguageOf("fr_CA.UTF-8"));
    EXPECT_EQ("SPA", LanguageOf("es_ES.UTF-8"));
    EXPECT_EQ("SPA", LanguageOf("es_MX.UTF-8"));
    EXPECT_EQ("GER", LanguageOf("de_DE.UTF-8"));
    EXPECT_EQ("GER", LanguageOf("de_CH.UTF-8"));
    EXPECT_EQ("ITA", LanguageOf("it_IT.UTF-8"));
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
