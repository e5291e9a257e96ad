// Registry primitives, COM server registration and the component libraries.
#include <functional>
#include <string>
#include <tuple>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr char kBase[] = "Software\\CvxTests";
const CLSID kClsid = {0x6C1E2F40, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}};
constexpr char kClassKey[] = "CLSID\\{6C1E2F40-1A2B-4C3D-8E9F-0123456789AB}";
constexpr char kTrace[] = "Software\\CvxTests\\Components";

// A value as text: the string, the number in decimal, or "-" when absent.
std::string Stored(HKEY root, const std::string &path, const char *name)
{
    std::string text;
    DWORD number;
    if (GetRegString(root, path.c_str(), name, &text)) return text;
    return GetRegDword(root, path.c_str(), name, &number) ? std::to_string(number) : "-";
}
std::string Installed() { return Stored(HKEY_LOCAL_MACHINE, ProductKeyPath(), "dwInstalledValue"); }

using Call = std::function<long()>;

// The classes root is no part of the clean state: each test takes away the classes it registers.
class Registry : public CleanTest {};

TEST_F(Registry, WriteReadDelete)
{
    const std::string a = std::string(kBase) + "\\" + std::string(200, 'a'), b(200, 'b'), c(91, 'c');  // 512 bytes
    std::string read;
    // 'w' writes "seven", 'r' reads into a buffer of 'x' (what it read is kept), 'd' deletes the subkey name.
    auto call = [&](char op, const char *p1, const char *p2, const char *p3, const char *name, DWORD size = 0,
                    DWORD type = 0) -> Call {
        return [=, &read] {
            char buffer[32] = "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";
            const long rc = op == 'w'   ? CVU_WriteRegDataA(HKEY_CURRENT_USER, p1, p2, p3, name, "seven", 6, REG_SZ)
                            : op == 'r' ? CVU_GetRegDataA(HKEY_CURRENT_USER, p1, p2, p3, name, buffer, size, type)
                                        : CVU_DeleteRegKeyA(HKEY_CURRENT_USER, p1, p2, p3, name);
            return read = buffer, rc;
        };
    };
    // Each row: the call, its code, and the value then at "path|name" below kBase (or what was read).
    const std::tuple<const char *, Call, long, std::string, std::string> rows[] = {
        {"null, empty, X compose to X", call('w', nullptr, "", kBase, "v"), 0, "|v", "seven"},
        {"A, empty, B compose to A\\B", call('w', kBase, "", "B", "v"), 0, "\\B|v", "seven"},
        {"write creates the keys", call('w', kBase, "N\\D", 0, "s"), 0, "\\N\\D|s", "seven"},
        {"an empty name is the default", call('w', kBase, nullptr, nullptr, ""), 0, "|", "seven"},
        {"read of another type gives the data", call('r', kBase, "N", "D", "s", 31, REG_DWORD), ERROR_BADKEY, "", "seven"},
        {"a short buffer gets the first bytes", call('r', kBase, "N\\D", 0, "s", 4, REG_SZ), 0, "", "seve" + std::string(27, 'x')},
        {"a null name reads the default", call('r', "Software", "CvxTests", 0, 0, 31, REG_SZ), 0, "", "seven"},
        {"delete takes the subkey only", call('d', "Software", "CvxTests", 0, "B"), 0, "\\B|v", "-"},
        // 512 bytes are not taken as the root either.
        {"512 bytes are refused", call('w', a.c_str(), b.c_str(), c.c_str(), "v"), ERROR_INVALID_PARAMETER, "..|v", "-"},
        {"511 bytes go to the registry, which has its own say", call('r', a.c_str(), b.c_str(), c.c_str() + 1, "v", 8, REG_SZ),
         ERROR_MORE_DATA, "|v", "seven"},
    };
    for (const auto &[what, run, rc, where, expected] : rows) {
        EXPECT_EQ(rc, run()) << what;
        const size_t bar = where.find('|');
        const std::string path = where.substr(0, bar) == ".." ? "" : kBase + where.substr(0, bar);
        EXPECT_EQ(expected, where.empty() ? read : Stored(HKEY_CURRENT_USER, path, where.substr(bar + 1).c_str())) << what;
    }
}

TEST_F(Registry, ServerRegistration)
{
    const std::string self = ExeDirectory() + "cvxutil_tests.exe";
    auto at = [](const std::string &key, const char *name) { return Stored(HKEY_CLASSES_ROOT, key, name); };
    const std::string server = std::string(kClassKey) + "\\InProcServer32";
    auto reg = [&](DWORD version, const char *text, DWORD bits) -> Call {
        return [=] { return CVU_RegBasicServerA(&kClsid, version, text, GetModuleHandleA(nullptr), bits); };
    };
    auto unreg = [&](DWORD version, BOOL keep) -> Call { return [=] { return CVU_UnregBasicServer(&kClsid, version, 4, keep); }; };
    // Each row: the call, its code, then the class's description, version, threading model, server and the bits.
    const std::tuple<const char *, Call, long, std::string> rows[] = {
        {"register", reg(5, "Test", 4), 0, "Test|5|Apartment|self|4"},
        {"a lower version changes nothing", reg(3, "Old", 1), 1, "Test|5|Apartment|self|4"},
        {"an equal version registers, keeping the description", reg(5, nullptr, 1), 0, "Test|5|Apartment|self|5"},
        {"a lower version cannot unregister", unreg(3, FALSE), 1, "Test|5|Apartment|self|5"},
        {"keep leaves keys and bits", unreg(5, TRUE), 0, "Test|5|Apartment|self|5"},
        {"unregister", unreg(5, FALSE), 0, "-|-|-|-|1"},
    };
    for (const auto &[what, call, rc, after] : rows) {
        EXPECT_EQ(rc, call()) << what;
        EXPECT_EQ(after, at(kClassKey, nullptr) + "|" + at(kClassKey, "dwVersion") + "|" + at(server, "ThreadingModel") + "|" +
                             (at(server, nullptr) == self ? "self" : "-") + "|" + Installed()) << what;
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(Registry, ComponentsInOrderFromTheirDirectory)
{
    ASSERT_TRUE(SetCurrentDirectoryA(TempDirectory("cwd").c_str()));
    char before[MAX_PATH], after[MAX_PATH];
    GetCurrentDirectoryA(sizeof before, before);
    CVU_RegisterComponents();
    EXPECT_EQ("CVXNAME:register=0;CVXCLI:register=0;CVXSERV:register=0;CVXREMON:register=0;CVXIBS:register=0;",
              Stored(HKEY_CURRENT_USER, kTrace, "Log"));
    EXPECT_EQ("31", Installed());
    // Each library runs with its own directory as the current one; the caller's is put back.
    EXPECT_EQ(0, lstrcmpiA(ExeDirectory().c_str(), (Stored(HKEY_CURRENT_USER, kTrace, "CVXIBS") + "\\").c_str()));
    EXPECT_STREQ(before, (GetCurrentDirectoryA(sizeof after, after), after));
    CVU_UnregisterComponents();
    EXPECT_EQ("0", Installed());
}

}  // namespace
