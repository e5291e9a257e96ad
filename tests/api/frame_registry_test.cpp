// Registry primitives, COM server registration and the component libraries.
#include <cstdio>
#include <cstring>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr char kBase[] = "Software\\CvxTests";
// {6C1E2F40-1A2B-4C3D-8E9F-0123456789AB}
const CLSID kClsid = {0x6C1E2F40, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}};
constexpr char kClsidText[] = "{6C1E2F40-1A2B-4C3D-8E9F-0123456789AB}";
constexpr char kClassKey[] = "CLSID\\{6C1E2F40-1A2B-4C3D-8E9F-0123456789AB}";
constexpr char kServerKey[] = "CLSID\\{6C1E2F40-1A2B-4C3D-8E9F-0123456789AB}\\InProcServer32";

class Registry : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        DeleteTree(HKEY_CLASSES_ROOT, kClassKey);
    }
    void TearDown() override
    {
        DeleteTree(HKEY_CLASSES_ROOT, kClassKey);
        CleanTest::TearDown();
    }
};

TEST_F(Registry, PathPartsComposeWithSingleBackslashes)
{
    DWORD value = 7;
    // NULL, empty, X -> X; A, empty, B -> A\B.
    ASSERT_EQ(0, CVU_WriteRegDataA(HKEY_CURRENT_USER, nullptr, "", kBase, "v", &value, 4, REG_DWORD));
    DWORD read = 0;
    EXPECT_TRUE(GetRegDword(HKEY_CURRENT_USER, kBase, "v", &read));
    EXPECT_EQ(7u, read);
    ASSERT_EQ(0, CVU_WriteRegDataA(HKEY_CURRENT_USER, kBase, "", "B", "v", &value, 4, REG_DWORD));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\CvxTests\\B"));
    ASSERT_EQ(0, CVU_WriteRegDataA(HKEY_CURRENT_USER, kBase, "Mid", "Sub", "v", &value, 4, REG_DWORD));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\CvxTests\\Mid\\Sub"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\CvxTests\\\\Sub"));

    read = 0;
    EXPECT_EQ(0, CVU_GetRegDataA(HKEY_CURRENT_USER, "Software", "CvxTests", "Mid\\Sub", "v", &read, 4, REG_DWORD));
    EXPECT_EQ(7u, read);
}

TEST_F(Registry, WriteCreatesAndReadChecksTheType)
{
    const char text[] = "twenty bytes of text";  // 21 with the terminator
    ASSERT_EQ(0, CVU_WriteRegDataA(HKEY_CURRENT_USER, kBase, "New\\Deep", nullptr, "s", text, sizeof text, REG_SZ));
    std::string stored;
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, "Software\\CvxTests\\New\\Deep", "s", &stored));
    EXPECT_EQ(text, stored);

    // A type mismatch reports 1010 but leaves the data in the buffer.
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ERROR_BADKEY,
              CVU_GetRegDataA(HKEY_CURRENT_USER, kBase, "New\\Deep", nullptr, "s", buffer, sizeof buffer, REG_DWORD));
    EXPECT_STREQ(text, buffer);

    // A short buffer gets the first bytes and success.
    char four[8];
    std::memset(four, 'x', sizeof four);
    EXPECT_EQ(0, CVU_GetRegDataA(HKEY_CURRENT_USER, kBase, "New\\Deep", nullptr, "s", four, 4, REG_SZ));
    EXPECT_EQ(0, std::memcmp(four, "twenxxxx", 8));

    // The default value is addressed by a null or empty name.
    ASSERT_EQ(0, CVU_WriteRegDataA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, "", "dflt", 5, REG_SZ));
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, kBase, nullptr, &stored));
    EXPECT_EQ("dflt", stored);
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(0, CVU_GetRegDataA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, nullptr, buffer, sizeof buffer, REG_SZ));
    EXPECT_STREQ("dflt", buffer);
}

TEST_F(Registry, MissingKeysAndValues)
{
    char buffer[16];
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              CVU_GetRegDataA(HKEY_CURRENT_USER, kBase, "Nowhere", nullptr, "v", buffer, sizeof buffer, REG_SZ));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, CVU_DeleteRegKeyA(HKEY_CURRENT_USER, kBase, "Nowhere", nullptr, "Sub"));
    SetRegString(HKEY_CURRENT_USER, kBase, "other", "x");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              CVU_GetRegDataA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, "v", buffer, sizeof buffer, REG_SZ));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, CVU_DeleteRegKeyA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, "Sub"));

    SetRegString(HKEY_CURRENT_USER, "Software\\CvxTests\\Sub", "v", "x");
    EXPECT_EQ(0, CVU_DeleteRegKeyA(HKEY_CURRENT_USER, "Software", "CvxTests", nullptr, "Sub"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\CvxTests\\Sub"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase));
}

TEST_F(Registry, PathsOf512BytesAreRefusedNotTakenAsTheRoot)
{
    // Every key name is short enough for the registry; only the whole path is long.
    std::string a = std::string(kBase) + "\\" + std::string(200, 'a');  // 218 characters
    std::string b(200, 'b');
    std::string tooLong(91, 'c');  // 218 + 1 + 200 + 1 + 91 = 511 characters, 512 bytes
    std::string fits(90, 'c');
    DWORD value = 1;
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              CVU_WriteRegDataA(HKEY_CURRENT_USER, a.c_str(), b.c_str(), tooLong.c_str(), "cvxroot", &value, 4,
                                REG_DWORD));
    EXPECT_FALSE(GetRegDword(HKEY_CURRENT_USER, nullptr, "cvxroot", &value));
    char buffer[8];
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CVU_GetRegDataA(HKEY_CURRENT_USER, a.c_str(), b.c_str(), tooLong.c_str(),
                                                       "v", buffer, sizeof buffer, REG_SZ));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              CVU_DeleteRegKeyA(HKEY_CURRENT_USER, a.c_str(), b.c_str(), tooLong.c_str(), "x"));
    // One byte less is passed on to the registry, which has its own say.
    EXPECT_NE(ERROR_INVALID_PARAMETER,
              CVU_GetRegDataA(HKEY_CURRENT_USER, a.c_str(), b.c_str(), fits.c_str(), "v", buffer, sizeof buffer,
                              REG_SZ));
}

TEST_F(Registry, ClsidTexts)
{
    char narrow[40];
    std::memset(narrow, 'x', sizeof narrow);
    CVU_CLSIDtoStringA(&kClsid, narrow, sizeof narrow);
    EXPECT_STREQ(kClsidText, narrow);

    WCHAR wide[40];
    CVU_CLSIDtoStringW(&kClsid, wide, 40);
    EXPECT_EQ(38, lstrlenW(wide));
    CVU_CLSIDtoStringW(&kClsid, wide, 39);
    EXPECT_EQ(37, lstrlenW(wide));  // the closing brace is cut
    EXPECT_EQ(L'B', wide[36]);
    wide[0] = L'z';
    CVU_CLSIDtoStringW(&kClsid, wide, 0);
    EXPECT_EQ(L'z', wide[0]);
    CVU_CLSIDtoStringW(&kClsid, wide, 1);
    EXPECT_EQ(L'\0', wide[0]);
}

TEST_F(Registry, ServerRegistrationRespectsHigherVersions)
{
    HMODULE self = GetModuleHandleA(nullptr);
    char selfPath[MAX_PATH];
    GetModuleFileNameA(self, selfPath, sizeof selfPath);

    EXPECT_EQ(0u, CVU_RegBasicServerA(&kClsid, 5, "Test server", self, 0x4));
    DWORD version = 0, installed = 0;
    std::string text;
    EXPECT_TRUE(GetRegDword(HKEY_CLASSES_ROOT, kClassKey, "dwVersion", &version));
    EXPECT_EQ(5u, version);
    EXPECT_TRUE(GetRegString(HKEY_CLASSES_ROOT, kClassKey, nullptr, &text));
    EXPECT_EQ("Test server", text);
    EXPECT_TRUE(GetRegString(HKEY_CLASSES_ROOT, kServerKey, nullptr, &text));
    EXPECT_EQ(selfPath, text);
    EXPECT_TRUE(GetRegString(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", &text));
    EXPECT_EQ("Apartment", text);
    EXPECT_TRUE(GetRegDword(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue", &installed));
    EXPECT_EQ(0x4u, installed);
    EXPECT_TRUE(CVU_IsComponentInstalled(0x6));

    // A lower version changes nothing, not even the component bits.
    EXPECT_EQ(1u, CVU_RegBasicServerA(&kClsid, 3, "Older", self, 0x1));
    EXPECT_TRUE(GetRegString(HKEY_CLASSES_ROOT, kClassKey, nullptr, &text));
    EXPECT_EQ("Test server", text);
    EXPECT_FALSE(CVU_IsComponentInstalled(0x1));

    // An equal version registers again.
    EXPECT_EQ(0u, CVU_RegBasicServerA(&kClsid, 5, nullptr, self, 0x1));
    EXPECT_TRUE(GetRegString(HKEY_CLASSES_ROOT, kClassKey, nullptr, &text));
    EXPECT_EQ("Test server", text);  // no description: the old one stays
    EXPECT_TRUE(GetRegDword(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue", &installed));
    EXPECT_EQ(0x5u, installed);

    // Unregistering: lower version refused, keep flag changes nothing, then
    // both keys go and the bits are cleared.
    EXPECT_EQ(1u, CVU_UnregBasicServer(&kClsid, 3, 0x4, FALSE));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    EXPECT_EQ(0u, CVU_UnregBasicServer(&kClsid, 5, 0x4, TRUE));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    EXPECT_TRUE(CVU_IsComponentInstalled(0x4));
    EXPECT_EQ(0u, CVU_UnregBasicServer(&kClsid, 5, 0x4, FALSE));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_TRUE(GetRegDword(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue", &installed));
    EXPECT_EQ(0x1u, installed);
}

TEST_F(Registry, ComponentBits)
{
    EXPECT_FALSE(CVU_IsComponentInstalled(0xFFFFFFFF));  // absent counts as 0
    SetRegDword(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue", 2);
    EXPECT_TRUE(CVU_IsComponentInstalled(3));
    EXPECT_FALSE(CVU_IsComponentInstalled(0));
    EXPECT_FALSE(CVU_IsComponentInstalled(4));
}

// Class keys of the five stand-in component libraries (last byte 01..05).
std::string ComponentClassKey(int index)
{
    char key[80];
    std::snprintf(key, sizeof key, "CLSID\\{6C1E2F50-1A2B-4C3D-8E9F-0123456789%02X}", index);
    return key;
}

class Components : public Registry {
protected:
    void SetUp() override
    {
        Registry::SetUp();
        for (int i = 1; i <= 5; ++i) DeleteTree(HKEY_CLASSES_ROOT, ComponentClassKey(i).c_str());
    }
    void TearDown() override
    {
        for (int i = 1; i <= 5; ++i) DeleteTree(HKEY_CLASSES_ROOT, ComponentClassKey(i).c_str());
        Registry::TearDown();
    }
    std::string Log()
    {
        std::string log;
        GetRegString(HKEY_CURRENT_USER, kTrace, "Log", &log);
        return log;
    }
    std::string DirectorySeenBy(const char *component)
    {
        std::string dir;
        GetRegString(HKEY_CURRENT_USER, kTrace, component, &dir);
        return dir;
    }
    DWORD Installed()
    {
        DWORD value = 0;
        GetRegDword(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue", &value);
        return value;
    }
    static constexpr char kTrace[] = "Software\\CvxTests\\Components";
};

TEST_F(Components, AllFiveInOrderFromTheComponentDirectory)
{
    char before[MAX_PATH];
    std::string start = TempDirectory("cwd");
    SetCurrentDirectoryA(start.c_str());
    GetCurrentDirectoryA(sizeof before, before);

    CVU_RegisterComponents();
    EXPECT_EQ("CVXNAME:register=0;CVXCLI:register=0;CVXSERV:register=0;CVXREMON:register=0;CVXIBS:register=0;",
              Log());
    std::string bin = ExeDirectory();
    bin.pop_back();
    EXPECT_EQ(0, lstrcmpiA(bin.c_str(), DirectorySeenBy("CVXIBS").c_str())) << DirectorySeenBy("CVXIBS");
    char after[MAX_PATH];
    GetCurrentDirectoryA(sizeof after, after);
    EXPECT_STREQ(before, after);
    EXPECT_EQ(0x1Fu, Installed());
    std::string file;
    ASSERT_TRUE(GetRegString(HKEY_CLASSES_ROOT, (ComponentClassKey(3) + "\\InProcServer32").c_str(), nullptr, &file));
    EXPECT_EQ(0, lstrcmpiA((ExeDirectory() + "CVXSERV.DLL").c_str(), file.c_str())) << file;

    SetRegString(HKEY_CURRENT_USER, kTrace, "Log", "");
    CVU_UnregisterComponents();
    EXPECT_EQ("CVXNAME:unregister=0;CVXCLI:unregister=0;CVXSERV:unregister=0;CVXREMON:unregister=0;"
              "CVXIBS:unregister=0;",
              Log());
    GetCurrentDirectoryA(sizeof after, after);
    EXPECT_STREQ(before, after);
    EXPECT_EQ(0u, Installed());
    for (int i = 1; i <= 5; ++i) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ComponentClassKey(i).c_str())) << i;
}

TEST_F(Components, HigherVersionsAndTheKeepFlagProtectRegistrations)
{
    // CVXCLI's class is already registered at version 5; the libraries bring 3.
    DWORD five = 5;
    SetRegDword(HKEY_CLASSES_ROOT, ComponentClassKey(2).c_str(), "dwVersion", five);
    SetRegDword(HKEY_CURRENT_USER, kTrace, "Version", 3);
    CVU_RegisterComponents();
    EXPECT_EQ("CVXNAME:register=0;CVXCLI:register=1;CVXSERV:register=0;CVXREMON:register=0;CVXIBS:register=0;",
              Log());
    EXPECT_EQ(0x1Du, Installed());
    DWORD version = 0;
    EXPECT_TRUE(GetRegDword(HKEY_CLASSES_ROOT, ComponentClassKey(2).c_str(), "dwVersion", &version));
    EXPECT_EQ(5u, version);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, (ComponentClassKey(2) + "\\InProcServer32").c_str()));

    // Equal versions register again.
    SetRegDword(HKEY_CURRENT_USER, kTrace, "Version", 5);
    SetRegString(HKEY_CURRENT_USER, kTrace, "Log", "");
    CVU_RegisterComponents();
    EXPECT_EQ("CVXNAME:register=0;CVXCLI:register=0;CVXSERV:register=0;CVXREMON:register=0;CVXIBS:register=0;",
              Log());
    EXPECT_EQ(0x1Fu, Installed());

    // Keep: nothing is removed, the bits stay.
    SetRegDword(HKEY_CURRENT_USER, kTrace, "Keep", 1);
    CVU_UnregisterComponents();
    for (int i = 1; i <= 5; ++i) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ComponentClassKey(i).c_str())) << i;
    EXPECT_EQ(0x1Fu, Installed());

    // An older library cannot remove a newer registration.
    SetRegDword(HKEY_CURRENT_USER, kTrace, "Keep", 0);
    SetRegDword(HKEY_CURRENT_USER, kTrace, "Version", 4);
    SetRegString(HKEY_CURRENT_USER, kTrace, "Log", "");
    CVU_UnregisterComponents();
    EXPECT_EQ("CVXNAME:unregister=1;CVXCLI:unregister=1;CVXSERV:unregister=1;CVXREMON:unregister=1;"
              "CVXIBS:unregister=1;",
              Log());
    EXPECT_EQ(0x1Fu, Installed());
}

CVX_CHILD_ROLE(register_components)
{
    CVU_RegisterComponents();
    return 0;
}

TEST_F(Components, MissingLibrariesAreSkipped)
{
    std::string dir = TempDirectory("comps");
    for (const char *name : {"CVXCLI.DLL", "CVXIBS.DLL"})
        ASSERT_TRUE(CopyFileA((ExeDirectory() + name).c_str(), (dir + name).c_str(), FALSE));
    SetRegString(HKEY_CURRENT_USER, "Software\\Quillon\\Calvex", "ComponentPath", dir);
    // The component directory is computed once per process: a fresh one.
    ASSERT_EQ(0, RunChild("register_components"));
    EXPECT_EQ("CVXCLI:register=0;CVXIBS:register=0;", Log());
    EXPECT_EQ(0, lstrcmpiA(dir.substr(0, dir.size() - 1).c_str(), DirectorySeenBy("CVXCLI").c_str()));
    EXPECT_EQ(0x12u, Installed());
}

}  // namespace
