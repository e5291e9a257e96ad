// Inbound services through the exports, checked against what the registry
// holds afterwards.
#include <cstring>
#include <string>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

using Bytes = std::vector<BYTE>;
const char kServices[] = "Software\\Quillon\\Calvex\\InBound Services\\Services";

std::string KeyPath(int number)
{
    char path[128];
    wsprintfA(path, "%s\\ibs%02d", kServices, number);
    return path;
}

std::string Name(int number)
{
    std::string name;
    return GetRegString(HKEY_CURRENT_USER, KeyPath(number).c_str(), "Name", &name) ? name : "<none>";
}

bool HasValue(const std::string &path, const char *value)
{
    return RegGetValueA(HKEY_CURRENT_USER, path.c_str(), value, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

bool ReadBinary(const std::string &path, const char *value, Bytes *data, DWORD *type)
{
    DWORD size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), value, RRF_RT_ANY, type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data->resize(size);
    return RegGetValueA(HKEY_CURRENT_USER, path.c_str(), value, RRF_RT_ANY, type, data->data(), &size) ==
           ERROR_SUCCESS;
}

void WriteBinary(const std::string &path, const char *value, const Bytes &data)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    RegSetValueExA(key, value, 0, REG_BINARY, data.data(), DWORD(data.size()));
    RegCloseKey(key);
}

struct Listing {
    DWORD rc = 0;
    DWORD count = 0;
    std::vector<std::string> names;
};

Listing Enum(DWORD kind, DWORD size = 1024)
{
    Listing out;
    std::vector<char> buffer(size + 1, 'Z');
    out.count = 12345;
    out.rc = CVU_IbsEnumServices(kind, 0, buffer.data(), size, &out.count);
    if (out.rc == ERROR_INVALID_PARAMETER) return out;
    for (const char *p = buffer.data(); *p; p += std::strlen(p) + 1) out.names.push_back(p);
    return out;
}

std::string GetSecurity(const char *name, DWORD size = 256, BOOL *ok = nullptr)
{
    std::vector<char> buffer(size, 'x');
    BOOL rc = CVU_IbsGetServiceInfo(name, IBS_INFO_SECURITY, buffer.data(), size);
    if (ok) *ok = rc;
    return std::string(buffer.data(), size);
}

CVU_UNSEALBLOCK Unsealer()
{
    return reinterpret_cast<CVU_UNSEALBLOCK>(
        GetProcAddress(GetModuleHandleA("cvxutil.dll"), MAKEINTRESOURCEA(CVU_ORDINAL_UNSEALBLOCK)));
}
CVU_SEALBLOCK Sealer()
{
    return reinterpret_cast<CVU_SEALBLOCK>(
        GetProcAddress(GetModuleHandleA("cvxutil.dll"), MAKEINTRESOURCEA(CVU_ORDINAL_SEALBLOCK)));
}

IbsServiceInfo Record(const char *name, const char *program, DWORD options)
{
    IbsServiceInfo info;
    std::memset(&info, 0, sizeof info);
    lstrcpynA(info.Name, name, sizeof info.Name);
    lstrcpynA(info.Program, program, sizeof info.Program);
    info.Options = options;
    return info;
}

class IbsServices : public CleanTest {};

TEST_F(IbsServices, CreateReadChangeDelete)
{
    ASSERT_TRUE(CVU_IbsCreateService("Fax", "Incoming faxes", "C:\\Calvex\\fax.exe", "/in /q", 0x9, "s3cret", 30,
                                     FALSE));
    const std::string key = KeyPath(0);
    std::string text;
    DWORD number = 0;
    EXPECT_EQ("Fax", Name(0));
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, key.c_str(), "Description", &text));
    EXPECT_EQ("Incoming faxes", text);
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, key.c_str(), "Program", &text));
    EXPECT_EQ("C:\\Calvex\\fax.exe", text);
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, key.c_str(), "CmdLine", &text));
    EXPECT_EQ("/in /q", text);
    ASSERT_TRUE(GetRegDword(HKEY_CURRENT_USER, key.c_str(), "Options", &number));
    EXPECT_EQ(9u, number);
    ASSERT_TRUE(GetRegDword(HKEY_CURRENT_USER, key.c_str(), "AccessTmo", &number));
    EXPECT_EQ(30u, number);
    EXPECT_TRUE(CVU_IbsDoesServiceExist("Fax"));

    // The reader clears the whole record before filling it.
    BYTE raw[sizeof(IbsServiceInfo)];
    std::memset(raw, 0xCC, sizeof raw);
    ASSERT_TRUE(CVU_IbsGetServiceInfo("fax", IBS_INFO_SERVICE, raw, sizeof raw));
    IbsServiceInfo info;
    std::memcpy(&info, raw, sizeof info);
    EXPECT_STREQ("Fax", info.Name);
    EXPECT_STREQ("Incoming faxes", info.Description);
    EXPECT_STREQ("C:\\Calvex\\fax.exe", info.Program);
    EXPECT_STREQ("/in /q", info.CmdLine);
    EXPECT_EQ(9u, info.Options);
    EXPECT_EQ(30u, info.AccessTmo);
    EXPECT_EQ(0, raw[4]);
    EXPECT_EQ(0, raw[16]);
    EXPECT_EQ(0, raw[17 + 99]);
    EXPECT_EQ(std::string("s3cret", 7), GetSecurity("Fax").substr(0, 7));

    // A record under another name renames the service in its own key.
    IbsServiceInfo changed = Record("Telefax", "C:\\tfx.exe", 0);
    changed.AccessTmo = 0xFFFFFFFF;
    ASSERT_TRUE(CVU_IbsSetServiceInfo("FAX", IBS_INFO_SERVICE, &changed, FALSE));
    EXPECT_EQ("Telefax", Name(0));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, KeyPath(1).c_str()));
    EXPECT_FALSE(CVU_IbsDoesServiceExist("Fax"));
    ASSERT_TRUE(CVU_IbsGetServiceInfo("telefax", IBS_INFO_SERVICE, &info, sizeof info));
    EXPECT_STREQ("", info.Description);
    EXPECT_STREQ("C:\\tfx.exe", info.Program);
    EXPECT_EQ(0xFFFFFFFFu, info.AccessTmo);
    ASSERT_TRUE(CVU_IbsSetServiceInfo("Telefax", IBS_INFO_SECURITY, "changed", FALSE));
    EXPECT_EQ(std::string("changed", 8), GetSecurity("Telefax").substr(0, 8));

    // Without create, an unknown name changes nothing.
    EXPECT_FALSE(CVU_IbsSetServiceInfo("Modem", IBS_INFO_SERVICE, &changed, FALSE));
    EXPECT_FALSE(CVU_IbsSetServiceInfo("Modem", IBS_INFO_SECURITY, "x", FALSE));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, KeyPath(1).c_str()));

    IbsServiceInfo modem = Record("Modem", "C:\\modem.exe", 0);
    ASSERT_TRUE(CVU_IbsAddService("Modem", &modem));
    EXPECT_EQ("Modem", Name(1));
    EXPECT_FALSE(HasValue(KeyPath(1), "Security"));
    EXPECT_FALSE(CVU_IbsSetServiceInfo("Modem", 3, "x", FALSE));

    ASSERT_TRUE(CVU_IbsDeleteService("TELEFAX"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.c_str()));
    EXPECT_FALSE(CVU_IbsDeleteService("Telefax"));
    EXPECT_FALSE(CVU_IbsGetServiceInfo("Telefax", IBS_INFO_SERVICE, &info, sizeof info));
    EXPECT_TRUE(CVU_IbsDoesServiceExist("Modem"));
}

TEST_F(IbsServices, NamesDifferingInCaseAreOneService)
{
    ASSERT_TRUE(CVU_IbsCreateService("FAX", "first", "a.exe", "", 0, "one", 1, FALSE));
    EXPECT_FALSE(CVU_IbsCreateService("fax", "second", "b.exe", "", 0, "two", 2, FALSE));
    std::string program;
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, KeyPath(0).c_str(), "Program", &program));
    EXPECT_EQ("a.exe", program);

    ASSERT_TRUE(CVU_IbsCreateService("fax", "second", "b.exe", "", 0, "two", 2, TRUE));
    EXPECT_EQ("fax", Name(0));
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, KeyPath(0).c_str(), "Program", &program));
    EXPECT_EQ("b.exe", program);
    EXPECT_EQ(std::string("two", 4), GetSecurity("Fax").substr(0, 4));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, KeyPath(1).c_str()));
    Listing all = Enum(IBS_ENUM_ALL);
    EXPECT_EQ(std::vector<std::string>{"fax"}, all.names);
}

TEST_F(IbsServices, HundredServicesThenFreedNumberReused)
{
    for (int i = 0; i < 100; ++i) {
        char name[16];
        wsprintfA(name, "svc%d", i);
        ASSERT_TRUE(CVU_IbsCreateService(name, nullptr, "p.exe", nullptr, 0, nullptr, 0, FALSE)) << name;
    }
    EXPECT_EQ("svc99", Name(99));
    EXPECT_FALSE(CVU_IbsCreateService("one more", nullptr, "p.exe", nullptr, 0, nullptr, 0, FALSE));
    EXPECT_FALSE(CVU_IbsDoesServiceExist("one more"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, (std::string(kServices) + "\\ibs100").c_str()));
    Listing all = Enum(IBS_ENUM_ALL, 4096);
    EXPECT_EQ(0u, all.rc);
    EXPECT_EQ(100u, all.count);

    ASSERT_TRUE(CVU_IbsDeleteService("svc5"));
    ASSERT_TRUE(CVU_IbsCreateService("one more", nullptr, "p.exe", nullptr, 0, nullptr, 0, FALSE));
    EXPECT_EQ("one more", Name(5));
}

TEST_F(IbsServices, KeysWithoutNameNeverListedOrFound)
{
    SetRegString(HKEY_CURRENT_USER, KeyPath(0).c_str(), "Name", "");
    SetRegString(HKEY_CURRENT_USER, KeyPath(1).c_str(), "Description", "no name at all");
    SetRegDword(HKEY_CURRENT_USER, KeyPath(1).c_str(), "Options", IBS_OPTION_SELECTED);
    ASSERT_TRUE(CVU_IbsCreateService("Real", nullptr, "r.exe", nullptr, IBS_OPTION_SELECTED, "pw", 0, FALSE));
    EXPECT_EQ("Real", Name(2));

    for (DWORD kind : {IBS_ENUM_ALL, IBS_ENUM_SELECTED}) {
        Listing list = Enum(kind);
        EXPECT_EQ(0u, list.rc);
        EXPECT_EQ(1u, list.count);
        EXPECT_EQ(std::vector<std::string>{"Real"}, list.names);
    }
    IbsServiceInfo info;
    EXPECT_FALSE(CVU_IbsDoesServiceExist(""));
    EXPECT_FALSE(CVU_IbsDoesServiceExist(nullptr));
    EXPECT_FALSE(CVU_IbsGetServiceInfo("", IBS_INFO_SERVICE, &info, sizeof info));
    EXPECT_FALSE(CVU_IbsDeleteService(""));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, KeyPath(0).c_str()));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, KeyPath(1).c_str()));
}

TEST_F(IbsServices, EnumerationKinds)
{
    // No services key at all: an empty list.
    Listing none = Enum(IBS_ENUM_ALL);
    EXPECT_EQ(0u, none.rc);
    EXPECT_EQ(0u, none.count);
    EXPECT_TRUE(none.names.empty());

    ASSERT_TRUE(CVU_IbsCreateService("A", nullptr, "a", nullptr, 0x8, nullptr, 0, FALSE));
    ASSERT_TRUE(CVU_IbsCreateService("B", nullptr, "b", nullptr, 0x7, nullptr, 0, FALSE));
    ASSERT_TRUE(CVU_IbsCreateService("C", nullptr, "c", nullptr, 0xFFFFFFFF, nullptr, 0, FALSE));
    ASSERT_TRUE(CVU_IbsCreateService("D", nullptr, "d", nullptr, 0x10, nullptr, 0, FALSE));

    Listing all = Enum(IBS_ENUM_ALL);
    EXPECT_EQ(0u, all.rc);
    EXPECT_EQ(4u, all.count);
    EXPECT_EQ((std::vector<std::string>{"A", "B", "C", "D"}), all.names);
    Listing selected = Enum(IBS_ENUM_SELECTED);
    EXPECT_EQ(0u, selected.rc);
    EXPECT_EQ(2u, selected.count);
    EXPECT_EQ((std::vector<std::string>{"A", "C"}), selected.names);

    char buffer[64];
    EXPECT_EQ(0u, CVU_IbsEnumServices(IBS_ENUM_SELECTED, 0xFFFFFFFF, buffer, sizeof buffer, nullptr));
    EXPECT_EQ(0, std::memcmp("A\0C\0", buffer, 5));
}

TEST_F(IbsServices, EnumerationStopsAtTheFirstNameThatDoesNotFit)
{
    for (const char *name : {"svc1", "svc2", "svc3", "svc4", "svc5"})
        ASSERT_TRUE(CVU_IbsCreateService(name, nullptr, "p", nullptr, 0, nullptr, 0, FALSE));
    // Two names take 10 bytes and the list's end one more; a third needs 16.
    std::vector<char> buffer(32, 'Z');
    DWORD count = 0;
    EXPECT_EQ(122u, CVU_IbsEnumServices(IBS_ENUM_ALL, 0, buffer.data(), 15, &count));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(std::string("svc1\0svc2\0\0", 11), std::string(buffer.data(), 11));
    EXPECT_EQ('Z', buffer[15]);

    EXPECT_EQ(0u, CVU_IbsEnumServices(IBS_ENUM_ALL, 0, buffer.data(), 26, &count));
    EXPECT_EQ(5u, count);
}

TEST_F(IbsServices, BufferSizesOfGetServiceInfo)
{
    ASSERT_TRUE(CVU_IbsCreateService("Fax", nullptr, "fax.exe", nullptr, 0, "pw", 0, FALSE));
    std::vector<BYTE> buffer(600, 0xCC);
    EXPECT_FALSE(CVU_IbsGetServiceInfo("Fax", IBS_INFO_SERVICE, buffer.data(), 580));
    EXPECT_EQ(std::vector<BYTE>(600, 0xCC), buffer);
    EXPECT_FALSE(CVU_IbsGetServiceInfo("Fax", IBS_INFO_SERVICE, nullptr, 581));
    EXPECT_TRUE(CVU_IbsGetServiceInfo("Fax", IBS_INFO_SERVICE, buffer.data(), 581));
    EXPECT_EQ(0xCC, buffer[581]);
    EXPECT_FALSE(CVU_IbsGetServiceInfo("Fax", 3, buffer.data(), 600));

    // The stored text is "pw" with its zero: 3 bytes.
    EXPECT_FALSE(CVU_IbsGetServiceInfo("Fax", IBS_INFO_SECURITY, buffer.data(), 0));
    EXPECT_FALSE(CVU_IbsGetServiceInfo("Fax", IBS_INFO_SECURITY, buffer.data(), 2));
    BOOL ok = FALSE;
    EXPECT_EQ(std::string("pw\0", 3), GetSecurity("Fax", 3, &ok));
    EXPECT_TRUE(ok);
}

TEST_F(IbsServices, SecurityIsStoredSealed)
{
    const char secret[] = "open sesame";
    ASSERT_TRUE(CVU_IbsCreateService("Fax", nullptr, "fax.exe", nullptr, 0, secret, 0, FALSE));
    Bytes value;
    DWORD type = 0;
    ASSERT_TRUE(ReadBinary(KeyPath(0), "Security", &value, &type));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    ASSERT_EQ(sizeof secret + 12, value.size());
    EXPECT_EQ(std::string::npos, std::string(value.begin(), value.end()).find("sesame"));

    CVU_UNSEALBLOCK unseal = Unsealer();
    ASSERT_NE(nullptr, unseal);
    char text[64];
    DWORD length = 0;
    ASSERT_TRUE(unseal(reinterpret_cast<BYTE *>(text), sizeof text, value.data(), DWORD(value.size()), &length));
    EXPECT_EQ(sizeof secret, length);
    EXPECT_EQ(std::string(secret, sizeof secret), std::string(text, length));

    // A NULL text is stored as the empty one.
    ASSERT_TRUE(CVU_IbsSetServiceInfo("Fax", IBS_INFO_SECURITY, nullptr, FALSE));
    ASSERT_TRUE(ReadBinary(KeyPath(0), "Security", &value, &type));
    EXPECT_EQ(13u, value.size());
    EXPECT_EQ('\0', GetSecurity("Fax")[0]);
}

TEST_F(IbsServices, SecurityTextLimit)
{
    const std::string longest(243, 'k');
    ASSERT_TRUE(CVU_IbsCreateService("Fax", nullptr, "fax.exe", nullptr, 0, longest.c_str(), 0, FALSE));
    Bytes value;
    DWORD type = 0;
    ASSERT_TRUE(ReadBinary(KeyPath(0), "Security", &value, &type));
    EXPECT_EQ(256u, value.size());
    EXPECT_EQ(longest + '\0', GetSecurity("Fax").substr(0, 244));

    // 244 characters and the zero need 257 bytes; the stored text stays.
    for (size_t n : {244u, 245u}) {
        EXPECT_FALSE(CVU_IbsSetServiceInfo("Fax", IBS_INFO_SECURITY, std::string(n, 'x').c_str(), FALSE)) << n;
        EXPECT_EQ(longest + '\0', GetSecurity("Fax").substr(0, 244));
    }
    // The service is still created, without a security text.
    ASSERT_TRUE(CVU_IbsCreateService("Modem", nullptr, "m.exe", nullptr, 0, std::string(245, 'x').c_str(), 0, FALSE));
    EXPECT_EQ("Modem", Name(1));
    EXPECT_FALSE(HasValue(KeyPath(1), "Security"));
}

TEST_F(IbsServices, MissingSecurityLeavesBufferAlone)
{
    IbsServiceInfo info = Record("Fax", "fax.exe", 0);
    ASSERT_TRUE(CVU_IbsAddService("Fax", &info));
    BOOL ok = FALSE;
    EXPECT_EQ(std::string(8, 'x'), GetSecurity("Fax", 8, &ok));
    EXPECT_TRUE(ok);
}

TEST_F(IbsServices, DamagedSecurityGivesZero)
{
    ASSERT_TRUE(CVU_IbsCreateService("Fax", nullptr, "fax.exe", nullptr, 0, "secret", 0, FALSE));
    Bytes good;
    DWORD type = 0;
    ASSERT_TRUE(ReadBinary(KeyPath(0), "Security", &good, &type));

    Bytes flipped = good, cut(good.begin(), good.end() - 1);
    flipped[10] ^= 0x01;
    for (const Bytes &damaged : {flipped, cut}) {
        WriteBinary(KeyPath(0), "Security", damaged);
        BOOL ok = TRUE;
        GetSecurity("Fax", 64, &ok);
        EXPECT_FALSE(ok) << "a damaged security value was read as intact";
    }
    // Spare bytes after an intact block are no damage.
    Bytes padded = good;
    padded.resize(256, 0);
    WriteBinary(KeyPath(0), "Security", padded);
    BOOL ok = FALSE;
    EXPECT_EQ(std::string("secret", 7), GetSecurity("Fax", 64, &ok).substr(0, 7));
    EXPECT_TRUE(ok);
}

TEST_F(IbsServices, TextSealedWithoutZeroComesBackTerminated)
{
    IbsServiceInfo info = Record("Fax", "fax.exe", 0);
    ASSERT_TRUE(CVU_IbsAddService("Fax", &info));
    CVU_SEALBLOCK seal = Sealer();
    ASSERT_NE(nullptr, seal);
    Bytes block(15);
    ASSERT_TRUE(seal(block.data(), 15, reinterpret_cast<const BYTE *>("abc"), 3, nullptr));
    WriteBinary(KeyPath(0), "Security", block);

    BOOL ok = FALSE;
    EXPECT_EQ(std::string("abc\0xxxx", 8), GetSecurity("Fax", 8, &ok));
    EXPECT_TRUE(ok);
    // No room for the zero: the stored bytes only.
    EXPECT_EQ("abc", GetSecurity("Fax", 3, &ok));
    EXPECT_TRUE(ok);
}

TEST_F(IbsServices, LongNameIsCutAndItsSecurityLost)
{
    const char longName[] = "ABCDEFGHIJKLMNOPQRST";
    ASSERT_TRUE(CVU_IbsCreateService(longName, nullptr, "p.exe", nullptr, 0, "pw", 0, FALSE));
    EXPECT_EQ("ABCDEFGHIJKLMNOP", Name(0));
    EXPECT_FALSE(HasValue(KeyPath(0), "Security"));
    EXPECT_FALSE(CVU_IbsDoesServiceExist(longName));
    EXPECT_TRUE(CVU_IbsDoesServiceExist("abcdefghijklmnop"));

    // A record whose Name fills its field without a zero is cut the same way.
    IbsServiceInfo info = Record("", "q.exe", 0);
    std::memset(info.Name, 'N', sizeof info.Name);
    ASSERT_TRUE(CVU_IbsAddService("other", &info));
    EXPECT_EQ(std::string(16, 'N'), Name(1));
    EXPECT_TRUE(CVU_IbsGetServiceInfo(std::string(16, 'n').c_str(), IBS_INFO_SERVICE, &info, sizeof info));
    EXPECT_STREQ("q.exe", info.Program);
}

TEST_F(IbsServices, SecurityForUnknownNameMakesAnUnnamedKey)
{
    EXPECT_FALSE(CVU_IbsSetServiceInfo("ghost", IBS_INFO_SECURITY, "pw", FALSE));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, KeyPath(0).c_str()));
    ASSERT_TRUE(CVU_IbsSetServiceInfo("ghost", IBS_INFO_SECURITY, "pw", TRUE));
    EXPECT_TRUE(HasValue(KeyPath(0), "Security"));
    EXPECT_FALSE(HasValue(KeyPath(0), "Name"));
    EXPECT_FALSE(CVU_IbsDoesServiceExist("ghost"));
    ASSERT_TRUE(CVU_IbsCreateService("ghost", nullptr, "g.exe", nullptr, 0, nullptr, 0, FALSE));
    EXPECT_EQ("ghost", Name(1));
}

CVX_CHILD_ROLE(ibs_read_service)
{
    char secret[32] = "";
    if (!CVU_IbsDoesServiceExist(args.at(0).c_str())) return 1;
    if (!CVU_IbsGetServiceInfo(args.at(0).c_str(), IBS_INFO_SECURITY, secret, sizeof secret)) return 2;
    return args.at(1) == secret ? 0 : 3;
}

TEST_F(IbsServices, AnotherProcessSeesTheService)
{
    ASSERT_TRUE(CVU_IbsCreateService("Fax", nullptr, "fax.exe", nullptr, 0, "shared secret", 0, FALSE));
    EXPECT_EQ(0, RunChild("ibs_read_service", {"FAX", "shared secret"}));
    ASSERT_TRUE(CVU_IbsDeleteService("Fax"));
    EXPECT_EQ(1, RunChild("ibs_read_service", {"FAX", "shared secret"}));
}

}  // namespace
