// Inbound services through the exports, checked against what the registry
// holds afterwards.
#include <cstring>
#include <string>
#include <tuple>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

const std::string kServices = "Software\\Quillon\\Calvex\\InBound Services\\Services\\ibs";
std::string Key(int number) { return kServices + (number < 10 ? "0" : "") + std::to_string(number); }

// The value's text (REG_SZ), number (REG_DWORD) or raw bytes; "-" when absent.
std::string Value(int number, const char *name)
{
    char data[512];
    DWORD type = 0, size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, Key(number).c_str(), name, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
        return "-";
    return type == REG_DWORD ? std::to_string(*(DWORD *)data) : type == REG_SZ ? data : std::string(data, size);
}

// The security text read into a buffer of size bytes filled with 'x'; "FALSE" on failure.
std::string Security(const char *name, DWORD size = 64)
{
    std::string buffer(size, 'x');
    return CVU_IbsGetServiceInfo(name, IBS_INFO_SECURITY, buffer.data(), size) ? buffer : "FALSE";
}

BOOL Create(const char *name, DWORD options = 0)
{
    return CVU_IbsCreateService(name, nullptr, "p.exe", nullptr, options, nullptr, 0, FALSE);
}

class IbsServices : public CleanTest {};

TEST_F(IbsServices, CreateReadRenameAddDelete)
{
    ASSERT_TRUE(CVU_IbsCreateService("Fax", "Incoming faxes", "C:\\fax.exe", "/in", 9, "s3cret", 30, FALSE));
    EXPECT_FALSE(CVU_IbsCreateService("fax", "other", "b.exe", "", 0, nullptr, 0, FALSE));  // one name in any case
    std::string stored;
    for (const char *name : {"Name", "Description", "Program", "CmdLine", "Options", "AccessTmo"}) stored += Value(0, name) + "|";
    EXPECT_EQ("Fax|Incoming faxes|C:\\fax.exe|/in|9|30|", stored);
    // The security text is sealed (with its zero); read back, it comes with its zero and leaves the rest.
    EXPECT_EQ(19u, Value(0, "Security").size());
    EXPECT_EQ(std::string::npos, Value(0, "Security").find("s3cret"));
    EXPECT_EQ(std::string("s3cret\0x", 8), Security("Fax", 8));
    EXPECT_EQ("FALSE", Security("Fax", 6));  // no room for the whole text
    // The reader clears the whole record before filling it.
    IbsServiceInfo info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_TRUE(CVU_IbsGetServiceInfo("FAX", IBS_INFO_SERVICE, &info, sizeof info));
    EXPECT_EQ(std::string("Fax\0\0|/in\0\0|9|30", 16), std::string(info.Name, 5) + "|" + std::string(info.CmdLine, 5) + "|" +
                                                          std::to_string(info.Options) + "|" + std::to_string(info.AccessTmo));

    // A record of another name renames the service in its own key; a name
    // that fills its field is cut to it.
    std::memset(&info, 0, sizeof info);
    std::memset(info.Name, 'N', sizeof info.Name);
    ASSERT_TRUE(CVU_IbsSetServiceInfo("fax", IBS_INFO_SERVICE, &info, FALSE));
    EXPECT_EQ(std::string(16, 'N') + "|", Value(0, "Name") + "|" + Value(0, "Description"));
    EXPECT_EQ("s3cret", Security(std::string(16, 'n').c_str()).substr(0, 6));
    EXPECT_FALSE(CVU_IbsSetServiceInfo("Modem", IBS_INFO_SERVICE, &info, FALSE) ||  // no such service
                 CVU_IbsSetServiceInfo("Modem", IBS_INFO_SECURITY, "x", FALSE));
    lstrcpyA(info.Name, "Modem");
    ASSERT_TRUE(CVU_IbsAddService("Modem", &info));
    EXPECT_EQ("Modem|-|xxxx", Value(1, "Name") + "|" + Value(1, "Security") + "|" + Security("Modem", 4));
    // A security text too long to seal does not undo the replacement.
    ASSERT_TRUE(CVU_IbsCreateService("MODEM", "", "m.exe", "", 0, std::string(244, 'k').c_str(), 0, TRUE));
    EXPECT_EQ("MODEM|m.exe|-", Value(1, "Name") + "|" + Value(1, "Program") + "|" + Value(1, "Security"));
    // 243 characters fill the value; one more is refused and the old text stays; a null text is the empty one.
    const std::string longest(243, 'k');
    EXPECT_TRUE(CVU_IbsSetServiceInfo("Modem", IBS_INFO_SECURITY, longest.c_str(), FALSE));
    EXPECT_FALSE(CVU_IbsSetServiceInfo("Modem", IBS_INFO_SECURITY, (longest + 'k').c_str(), FALSE));
    EXPECT_EQ(longest + '\0', Security("Modem", 256).substr(0, 244));
    ASSERT_TRUE(CVU_IbsSetServiceInfo("Modem", IBS_INFO_SECURITY, nullptr, FALSE));
    EXPECT_EQ(std::string("\0xxx", 4), Security("Modem", 4));

    ASSERT_TRUE(CVU_IbsDeleteService(std::string(16, 'N').c_str()));
    EXPECT_FALSE(CVU_IbsDeleteService(std::string(16, 'N').c_str()) || KeyExists(HKEY_CURRENT_USER, Key(0).c_str()));

    // A hundred services at most; a freed number is taken again.
    for (int i = 2; i < 101; ++i) ASSERT_TRUE(Create(("svc" + std::to_string(i)).c_str())) << i;
    EXPECT_EQ("svc100|svc2", Value(99, "Name") + "|" + Value(0, "Name"));
    EXPECT_FALSE(Create("one more") || KeyExists(HKEY_CURRENT_USER, Key(100).c_str()));
    ASSERT_TRUE(CVU_IbsDeleteService("svc5"));
    ASSERT_TRUE(Create("one more"));
    EXPECT_EQ("one more", Value(4, "Name"));
}

TEST_F(IbsServices, Enumeration)
{
    char buffer[32];
    DWORD count = 9;
    EXPECT_EQ(0u, CVU_IbsEnumServices(IBS_ENUM_ALL, 0, buffer, 32, &count) + count);  // no services key
    // Keys without a name are no services; "svc2" is the one selected.
    SetRegString(HKEY_CURRENT_USER, Key(0).c_str(), "Name", "");
    SetRegDword(HKEY_CURRENT_USER, Key(1).c_str(), "Options", IBS_OPTION_SELECTED);
    for (const char *name : {"svc1", "svc2", "svc3", "svc4", "svc5"})
        ASSERT_TRUE(Create(name, name[3] == '2' ? 0xFFFFFFFF : 0x7));
    // kind, buffer size, code, count, the list.
    const std::tuple<const char *, DWORD, DWORD, DWORD, DWORD, std::string> rows[] = {
        {"all", IBS_ENUM_ALL, 26, 0, 5, std::string("svc1\0svc2\0svc3\0svc4\0svc5\0\0", 26)},
        {"selected", IBS_ENUM_SELECTED, 26, 0, 1, std::string("svc2\0\0", 6)},
        {"the first name that does not fit", IBS_ENUM_ALL, 15, ERROR_INSUFFICIENT_BUFFER, 2, std::string("svc1\0svc2\0\0", 11)},
    };
    for (const auto &[what, kind, size, rc, listed, list] : rows) {
        std::memset(buffer, 'Z', sizeof buffer);
        EXPECT_EQ(rc, CVU_IbsEnumServices(kind, 0, buffer, size, &count)) << what;
        EXPECT_EQ(listed, count) << what;
        EXPECT_EQ(list, std::string(buffer, list.size())) << what;
        EXPECT_EQ('Z', buffer[size]) << what;
    }
}

}  // namespace
