// Every export, called with what a careless or hostile caller hands over:
// null pointers, empty and 64 KiB strings, buffers of 0 and 1 bytes, stray
// and closed handles, selectors and codes out of range. No call may fault;
// each gives its documented result, and a refused call leaves CVEX.INI as
// it was.
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

const std::string kHuge(64 * 1024, 'A');
const char *const kBig = kHuge.c_str();
// Readable memory that is no handle of the library.
const BYTE kJunk[64] = {0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3, 4};
template <class T>
T *Stray()
{
    return reinterpret_cast<T *>(0x1234);
}
template <class T>
T *Junk()
{
    return reinterpret_cast<T *>(const_cast<BYTE *>(kJunk));
}

// refused: the call must also leave CVEX.INI untouched.
struct Case {
    const char *what;
    std::function<long long()> call;
    long long expected;
    bool refused;
};

class HostileInputs : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        WriteFileText(ini_, kIni);
    }

    void Run(const std::vector<Case> &cases)
    {
        for (const auto &c : cases) {
            std::string before = ReadFileText(ini_);
            EXPECT_EQ(c.call(), c.expected) << c.what;
            if (c.refused) {
                EXPECT_EQ(ReadFileText(ini_), before) << c.what << ": a refused call wrote the file";
            }
        }
    }

    static constexpr char kIni[] = "[SERVER]\nGROUPS=1\nLINES=1\n[LINE1]\nNAME=L1\n[GROUP1]\nNAME=Sales\nLINES=(L1)\n";
};

TEST_F(HostileInputs, ServerSettings)
{
    Run({
        {"GetServerName: null buffer", [] { return CVU_GetServerName(nullptr); }, 0, true},
        {"SetBufferSpace: INT_MIN", [] { return CVU_SetBufferSpace(INT_MIN); }, FALSE, true},
        {"SetBufferSpace: INT_MAX", [] { return CVU_SetBufferSpace(INT_MAX); }, FALSE, true},
        {"SetLogBuffSize: -1", [] { return CVU_SetLogBuffSize(-1); }, FALSE, true},
        {"SetLogBuffSize: 8193", [] { return CVU_SetLogBuffSize(8193); }, FALSE, true},
        {"SetInvalidConTime: 0", [] { return CVU_SetInvalidConTime(0); }, FALSE, true},
        {"SetInvalidConTime: 100", [] { return CVU_SetInvalidConTime(100); }, FALSE, true},
        {"SetIPXSegmentMethod: 0", [] { return CVU_SetIPXSegmentMethod(0); }, FALSE, true},
        {"SetIPXSegmentMethod: -1", [] { return CVU_SetIPXSegmentMethod(-1); }, FALSE, true},
        {"SetServerStatus: a code of its own stores NO",
         [] { return CVU_SetServerStatus(0x7FFF) && CVU_GetServerStatus() == CVU_SERVER_NOSTART; }, 1, false},
        // Whether the profile functions take a 64 KiB value is theirs to say;
        // what is read back never exceeds its field.
        {"SetServerName: 64 KiB, read back at most 16",
         [] {
             char name[17];
             CVU_SetServerName(kBig);
             return CVU_GetServerName(name) <= 16 && std::strlen(name) <= 16;
         },
         1, false},
        {"SetServerName: empty", [] { return CVU_SetServerName("") != FALSE; }, 1, false},
        {"SetRemPassword: null", [] { return CVU_SetRemPassword(nullptr); }, 1, true},
        {"SetRemPassword: empty", [] { return CVU_SetRemPassword(""); }, 1, true},
        {"SetRemPassword: 64 KiB", [] { return CVU_SetRemPassword(kBig); }, 1, true},
    });
}

TEST_F(HostileInputs, ClientRedirectionAndSettings)
{
    const std::string hugePort = "COM" + std::string(64 * 1024, '9');
    ClientPortParams params;
    Run({
        {"SetClientRedirectionEx: null port", [] { return CVU_SetClientRedirectionEx(nullptr, "Sales", nullptr); },
         FALSE, true},
        {"SetClientRedirectionEx: empty port", [] { return CVU_SetClientRedirectionEx("", "Sales", nullptr); }, FALSE,
         true},
        {"SetClientRedirectionEx: COM0", [] { return CVU_SetClientRedirectionEx("COM0", "Sales", nullptr); }, FALSE,
         true},
        {"SetClientRedirectionEx: 64 KiB port without a number",
         [] { return CVU_SetClientRedirectionEx(kBig, "Sales", nullptr); }, FALSE, true},
        {"SetClientRedirection: 64 KiB of digits read as the largest number",
         [&] {
             return CVU_SetClientRedirection(hugePort.c_str(), "Sales") &&
                    ReadFileText(ini_).find("COM2147483647DEST=Sales") != std::string::npos &&
                    CVU_SetClientRedirection(hugePort.c_str(), nullptr);
         },
         1, false},
        {"SetClientRedirection: null port, null destination",
         [] { return CVU_SetClientRedirection(nullptr, nullptr); }, FALSE, true},
        {"GetClientPortParams: null port", [&] { return CVU_GetClientPortParams(nullptr, &params); }, FALSE, true},
        {"GetClientPortParams: 64 KiB port", [&] { return CVU_GetClientPortParams(kBig, &params); }, FALSE, true},
        {"GetClientPortParams: not redirected, null record",
         [] { return CVU_GetClientPortParams("COM7", nullptr); }, FALSE, true},
        {"GetClientSettings: null record", [] { return CVU_GetClientSettings(nullptr); }, FALSE, true},
        {"SetClientSettings: null record", [] { return CVU_SetClientSettings(nullptr); }, FALSE, true},
        {"SetClientRedirectionEx: 64 KiB destination and a text id with no string",
         [&] {
             params.destination[16] = 'x';
             return CVU_SetClientRedirectionEx("COM5", kBig, CVU_TEXTID(0xFFFF)) &&
                    (!CVU_GetClientPortParams("COM5", &params) || params.destination[16] == '\0');
         },
         1, false},
        {"SetClientSettings: a count beyond the array keeps 16",
         [] {
             ClientSettings in{}, out{};
             for (int i = 0; i < 16; ++i) in.triggers[i] = BYTE(i + 1);
             in.triggerCount = 0xFFFF;
             return CVU_SetClientSettings(&in) && CVU_GetClientSettings(&out) && out.triggerCount == 16 &&
                    std::memcmp(in.triggers, out.triggers, 16) == 0;
         },
         1, false},
    });
}

TEST_F(HostileInputs, Groups)
{
    char buffer[600];
    DWORD count = 77;
    GroupParams params{};
    const std::string hugeLine = kHuge + std::string(2, '\0');
    std::string manyLines;
    for (int i = 0; i < 200; ++i) manyLines += "LINE" + std::to_string(i) + '\0';
    manyLines += '\0';
    Run({
        {"Enum: selector 0", [&] { return CVU_EnumGroupsLinesA(0, nullptr, buffer, sizeof buffer, &count) + count; },
         ERROR_INVALID_PARAMETER, true},
        {"Enum: selector -1", [&] { return CVU_EnumGroupsLinesA(-1, "Sales", buffer, sizeof buffer, nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"Enum: null buffer", [&] { return CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, nullptr, 100, &count); },
         ERROR_INVALID_PARAMETER, true},
        {"Enum: 1-byte buffer", [&] { return CVU_EnumGroupsLinesA(CVU_ENUM_ALLLINES, nullptr, buffer, 1, &count); },
         ERROR_INVALID_PARAMETER, true},
        {"Enum: 2-byte buffer holds no name, count 0",
         [&] { return CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, 2, &count) * 10 + count; },
         ERROR_INSUFFICIENT_BUFFER * 10, true},
        {"Enum: lines of a null group",
         [&] { return CVU_EnumGroupsLinesA(CVU_ENUM_LINESOFGROUP, nullptr, buffer, sizeof buffer, &count); },
         ERROR_INVALID_PARAMETER, true},
        {"Enum: lines of a 64 KiB group",
         [&] { return CVU_EnumGroupsLinesA(CVU_ENUM_LINESNOTINGROUP, kBig, buffer, sizeof buffer, &count); },
         ERROR_INVALID_PARAMETER, true},
        {"Enum: groups with a 64 KiB line lists none",
         [&] { return CVU_EnumGroupsLinesA(CVU_ENUM_GROUPSWITHLINE, kBig, buffer, sizeof buffer, &count) + count; },
         ERROR_SUCCESS, true},
        {"Modify: operation 999", [] { return CVU_ModifyGroupLinesA(999, "Sales", "L1"); }, ERROR_INVALID_PARAMETER,
         true},
        {"Modify: null group", [] { return CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, nullptr, "L2"); },
         ERROR_INVALID_PARAMETER, true},
        {"Modify: null line", [] { return CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "Sales", nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"Modify: null list of groups", [] { return CVU_ModifyGroupLinesA(CVU_GL_ADDLINETOGROUPS, "L1", nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"Modify: 64 KiB line does not fit the list",
         [] { return CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "Sales", kBig); }, ERROR_INSUFFICIENT_BUFFER, true},
        {"Modify: remove from a 64 KiB group",
         [] { return CVU_ModifyGroupLinesA(CVU_GL_REMOVELINE, kBig, "L1"); }, ERROR_INVALID_PARAMETER, true},
        {"AddGroup: null name", [] { return CVU_AddGroupA(nullptr, nullptr, FALSE); }, ERROR_INVALID_PARAMETER, true},
        {"AddGroup: empty name", [] { return CVU_AddGroupA("", "(L1)", TRUE); }, ERROR_INVALID_PARAMETER, true},
        {"AddGroup: 64 KiB name", [] { return CVU_AddGroupA(kBig, nullptr, FALSE); }, ERROR_INVALID_PARAMETER, true},
        {"AddGroup: 64 KiB line name", [&] { return CVU_AddGroupA("Big", hugeLine.c_str(), FALSE); },
         ERROR_INVALID_PARAMETER, true},
        {"AddGroup: 200 lines do not fit", [&] { return CVU_AddGroupA("Big", manyLines.c_str(), FALSE); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"DeleteGroup: null", [] { return CVU_DeleteGroupA(nullptr); }, ERROR_INVALID_PARAMETER, true},
        {"DeleteGroup: 64 KiB", [] { return CVU_DeleteGroupA(kBig); }, ERROR_INVALID_PARAMETER, true},
        {"GetGroupParam: null group", [&] { return CVU_GetGroupParamA(nullptr, 1, buffer, sizeof buffer); },
         ERROR_INVALID_PARAMETER, true},
        {"GetGroupParam: selector 4", [&] { return CVU_GetGroupParamA("Sales", 4, buffer, sizeof buffer); },
         ERROR_INVALID_PARAMETER, true},
        {"GetGroupParam: name into 0 bytes", [&] { return CVU_GetGroupParamA("Sales", 1, buffer, 0); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"GetGroupParam: name into null", [&] { return CVU_GetGroupParamA("Sales", 1, nullptr, 100); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"GetGroupParam: lines into 1 byte", [&] { return CVU_GetGroupParamA("Sales", 2, buffer, 1); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"GetGroupParam: record into 49 bytes", [&] { return CVU_GetGroupParamA("Sales", 3, buffer, 49); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"SetGroupParam: null group", [&] { return CVU_SetGroupParamA(nullptr, 3, &params, TRUE); },
         ERROR_INVALID_PARAMETER, true},
        {"SetGroupParam: selector 0", [&] { return CVU_SetGroupParamA("Sales", 0, &params, TRUE); },
         ERROR_INVALID_PARAMETER, true},
        {"SetGroupParam: null new name", [] { return CVU_SetGroupParamA("Sales", 1, nullptr, FALSE); },
         ERROR_INVALID_PARAMETER, true},
        {"SetGroupParam: missing group without create", [&] { return CVU_SetGroupParamA("Nope", 3, &params, FALSE); },
         ERROR_INVALID_PARAMETER, true},
        // A list that cannot be stored is not written; the group was found.
        {"SetGroupParam: 64 KiB line name", [&] { return CVU_SetGroupParamA("Sales", 2, hugeLine.c_str(), FALSE); },
         ERROR_SUCCESS, true},
        {"SetGroupParam: 200 lines do not fit", [&] { return CVU_SetGroupParamA("Sales", 2, manyLines.c_str(), FALSE); },
         ERROR_SUCCESS, true},
        {"SetGroupParam: a name that would span lines",
         [&] { return CVU_SetGroupParamA("Sales", 1, "X\r\n[SERVER]\r\nGROUPS=7", FALSE); }, ERROR_INVALID_PARAMETER,
         true},
        {"AddGroup: a name that would span lines", [&] { return CVU_AddGroupA("A\r\n[SERVER]", nullptr, FALSE); },
         ERROR_INVALID_PARAMETER, true},
        // No group holds an empty line name: none is with it, every one without.
        {"Enum: groups with an empty line",
         [&] { return CVU_EnumGroupsLinesA(CVU_ENUM_GROUPSWITHLINE, "", buffer, sizeof buffer, &count) * 10 + count; },
         0, true},
        {"Enum: groups without a null line",
         [&] { return CVU_EnumGroupsLinesA(CVU_ENUM_GROUPSWITHOUTLINE, nullptr, buffer, sizeof buffer, &count) * 10 + count; },
         1, true},
        {"PurgeEmptyGroups keeps the group with a line", [] { return CVU_PurgeEmptyGroups(); }, ERROR_SUCCESS, true},
    });
}

TEST_F(HostileInputs, InboundServicesAndSealedBlocks)
{
    HMODULE dll = GetModuleHandleA("cvxutil.dll");
    auto seal = reinterpret_cast<CVU_SEALBLOCK>(GetProcAddress(dll, MAKEINTRESOURCEA(CVU_ORDINAL_SEALBLOCK)));
    auto unseal = reinterpret_cast<CVU_UNSEALBLOCK>(GetProcAddress(dll, MAKEINTRESOURCEA(CVU_ORDINAL_UNSEALBLOCK)));
    ASSERT_TRUE(seal && unseal);
    ASSERT_TRUE(CVU_IbsCreateService("Fax", "d", "fax.exe", "", 0, nullptr, 0, FALSE));
    char buffer[600];
    DWORD count = 9, size = 9;
    std::vector<BYTE> hugeBlock(64 * 1024, 0xA5);
    Run({
        {"Exists: null", [] { return CVU_IbsDoesServiceExist(nullptr); }, FALSE, true},
        {"Exists: 64 KiB", [] { return CVU_IbsDoesServiceExist(kBig); }, FALSE, true},
        {"Enum: kind 3", [&] { return CVU_IbsEnumServices(3, 0, buffer, sizeof buffer, &count) + count; },
         ERROR_INVALID_PARAMETER, true},
        {"Enum: null buffer", [&] { return CVU_IbsEnumServices(IBS_ENUM_ALL, 0, nullptr, 100, &count); },
         ERROR_INVALID_PARAMETER, true},
        {"Enum: 1-byte buffer", [&] { return CVU_IbsEnumServices(IBS_ENUM_ALL, 0, buffer, 1, nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"Create: null name", [] { return CVU_IbsCreateService(nullptr, "", "p", "", 0, nullptr, 0, TRUE); }, FALSE,
         true},
        {"Create: null program", [] { return CVU_IbsCreateService("X", "", nullptr, "", 0, nullptr, 0, TRUE); }, FALSE,
         true},
        {"Create: security too long to seal still stores the record",
         [] {
             return CVU_IbsCreateService("Sec", kBig, "p", kBig, 0, kBig, 0, TRUE) && CVU_IbsDoesServiceExist("Sec");
         },
         1, true},
        {"Add: null record", [] { return CVU_IbsAddService("X", nullptr); }, FALSE, true},
        {"Delete: null", [] { return CVU_IbsDeleteService(nullptr); }, FALSE, true},
        {"Delete: 64 KiB", [] { return CVU_IbsDeleteService(kBig); }, FALSE, true},
        {"Get: record into 580 bytes", [&] { return CVU_IbsGetServiceInfo("Fax", IBS_INFO_SERVICE, buffer, 580); },
         FALSE, true},
        {"Get: security into 0 bytes", [&] { return CVU_IbsGetServiceInfo("Fax", IBS_INFO_SECURITY, buffer, 0); },
         FALSE, true},
        {"Get: info type 7", [&] { return CVU_IbsGetServiceInfo("Fax", 7, buffer, sizeof buffer); }, FALSE, true},
        {"Get: null name", [&] { return CVU_IbsGetServiceInfo(nullptr, 1, buffer, sizeof buffer); }, FALSE, true},
        {"Set: info type 0", [&] { return CVU_IbsSetServiceInfo("Fax", 0, buffer, FALSE); }, FALSE, true},
        {"Set: null record", [] { return CVU_IbsSetServiceInfo("Fax", IBS_INFO_SERVICE, nullptr, FALSE); }, FALSE,
         true},
        {"Set: 64 KiB security", [] { return CVU_IbsSetServiceInfo("Fax", IBS_INFO_SECURITY, kBig, FALSE); }, FALSE,
         true},
        {"Seal: 0-byte output reports the size",
         [&] { return seal(reinterpret_cast<BYTE *>(buffer), 0, kJunk, 10, &size) * 1000 + size; }, 22, true},
        {"Seal: 64 KiB input is beyond the format",
         [&] { return seal(reinterpret_cast<BYTE *>(buffer), sizeof buffer, hugeBlock.data(), 65536, &size) + size; },
         0, true},
        {"Unseal: 1 byte of junk", [&] { return unseal(reinterpret_cast<BYTE *>(buffer), 600, kJunk, 1, nullptr); },
         FALSE, true},
        {"Unseal: null input", [&] { return unseal(reinterpret_cast<BYTE *>(buffer), 600, nullptr, 0, &size); }, FALSE,
         true},
        {"Unseal: 64 KiB of junk",
         [&] { return unseal(reinterpret_cast<BYTE *>(buffer), 600, hugeBlock.data(), DWORD(hugeBlock.size()), &size); },
         FALSE, true},
    });
}

TEST_F(HostileInputs, InterProcessHandlesAndNames)
{
    NsmHandle *block = nullptr;
    ASSERT_EQ(CVU_NsmCreate("HostileClosed", 0, 16, &block), 0u);
    ASSERT_EQ(CVU_NsmClose(block), 0u);
    NmqHandle *queue = nullptr;
    ASSERT_EQ(CVU_NmqCreate("HostileClosedQ", 0, 0, 0, &queue), 0u);
    ASSERT_EQ(CVU_NmqClose(queue), 0u);

    NsmHandle *nsm = Junk<NsmHandle>();
    NmqHandle *nmq = Junk<NmqHandle>();
    void *view = Junk<void>();
    BYTE buffer[400] = {};
    DWORD type = 5, length = 0;
    HANDLE event = INVALID_HANDLE_VALUE;
    const std::string name72(72, 'n'), name41(41, 'q');
    Run({
        {"NsmCreate: null name", [&] { return CVU_NsmCreate(nullptr, 0, 16, &nsm) + (nsm != nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"NsmCreate: size 0", [&] { return CVU_NsmCreate("HostileZero", 0, 0, &nsm); }, ERROR_INVALID_PARAMETER, true},
        {"NsmCreate: null out", [] { return CVU_NsmCreate("HostileOut", 0, 16, nullptr); }, ERROR_INVALID_PARAMETER,
         true},
        {"NsmCreate: 64 KiB name fails with no handle",
         [&] { return CVU_NsmCreate(kBig, 0, 16, &nsm) != 0 && nsm == nullptr; }, 1, true},
        {"NsmCreate: 4 GiB of data, no handle",
         [&] { return CVU_NsmCreate("HostileHuge", 0, 0xFFFFFFF0u, &nsm) + (nsm != nullptr); }, ERROR_INVALID_PARAMETER,
         true},
        {"NsmCreate: empty name, no handle", [&] { return CVU_NsmCreate("", 0, 16, &nsm) + (nsm != nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"NsmCreate: 72 characters", [&] { return CVU_NsmCreate(name72.c_str(), 0, 16, &nsm) + (nsm != nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"NsmOpen: 72 characters", [&] { return CVU_NsmOpen(name72.c_str(), &nsm); }, ERROR_INVALID_PARAMETER, true},
        {"NsmOpen: empty name", [&] { return CVU_NsmOpen("", &nsm); }, CVU_E_NOTFOUND, true},
        {"NsmOpen: null out", [] { return CVU_NsmOpen("HostileClosed", nullptr); }, ERROR_INVALID_PARAMETER, true},
        {"NsmOpen: a block that is gone", [&] { return CVU_NsmOpen("HostileClosed", &nsm); }, CVU_E_NOTFOUND, true},
        {"NsmClose: null", [] { return CVU_NsmClose(nullptr); }, ERROR_INVALID_HANDLE, true},
        {"NsmClose: stray", [] { return CVU_NsmClose(Stray<NsmHandle>()); }, ERROR_INVALID_HANDLE, true},
        {"NsmClose: junk", [] { return CVU_NsmClose(Junk<NsmHandle>()); }, ERROR_INVALID_HANDLE, true},
        {"NsmClose: closed", [&] { return CVU_NsmClose(block); }, ERROR_INVALID_HANDLE, true},
        {"NsmDataView: closed, view nulled", [&] { return CVU_NsmDataView(block, &view) + (view != nullptr); },
         ERROR_INVALID_HANDLE, true},
        {"NsmDataView: null out", [] { return CVU_NsmDataView(Stray<NsmHandle>(), nullptr); }, ERROR_INVALID_HANDLE,
         true},
        {"NsmLockData: stray", [] { return CVU_NsmLockData(Stray<NsmHandle>(), 0); }, ERROR_INVALID_HANDLE, true},
        {"NsmUnlockData: closed", [&] { return CVU_NsmUnlockData(block); }, ERROR_INVALID_HANDLE, true},
        {"NmqCreate: null name", [&] { return CVU_NmqCreate(nullptr, 0, 0, 0, &nmq) + (nmq != nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"NmqCreate: 64 KiB name", [&] { return CVU_NmqCreate(kBig, 0, 0, 0, &nmq) + (nmq != nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"NmqCreate: 41 characters", [&] { return CVU_NmqCreate(name41.c_str(), 0, 0, 0, &nmq) + (nmq != nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"NmqCreate: 4 GiB capacity", [&] { return CVU_NmqCreate("HostileHugeQ", 0, 0xFFFFFFA0u, 0, &nmq); },
         ERROR_INVALID_PARAMETER, true},
        {"NmqOpen: null out", [] { return CVU_NmqOpen("HostileQ", nullptr); }, ERROR_INVALID_PARAMETER, true},
        {"NmqCreate: null out", [] { return CVU_NmqCreate("HostileQ", 0, 0, 0, nullptr); }, ERROR_INVALID_PARAMETER,
         true},
        {"NmqOpen: empty name", [&] { return CVU_NmqOpen("", &nmq) + (nmq != nullptr); }, ERROR_INVALID_PARAMETER,
         true},
        {"NmqOpen: a queue that is gone", [&] { return CVU_NmqOpen("HostileClosedQ", &nmq) + (nmq != nullptr); },
         CVU_E_NOTFOUND, true},
        {"NmqClose: null", [] { return CVU_NmqClose(nullptr); }, ERROR_INVALID_HANDLE, true},
        {"NmqClose: stray", [] { return CVU_NmqClose(Stray<NmqHandle>()); }, ERROR_INVALID_HANDLE, true},
        {"NmqClose: junk", [] { return CVU_NmqClose(Junk<NmqHandle>()); }, ERROR_INVALID_HANDLE, true},
        {"NmqClose: closed", [&] { return CVU_NmqClose(queue); }, ERROR_INVALID_HANDLE, true},
        {"NmqAdd: null name", [&] { return CVU_NmqAdd(nullptr, 1, buffer, 4, 0); }, CVU_E_NOTFOUND, true},
        {"NmqAdd: 64 KiB name", [&] { return CVU_NmqAdd(kBig, 1, buffer, 4, 0); }, ERROR_INVALID_PARAMETER, true},
        {"NmqAdd: 41 characters", [&] { return CVU_NmqAdd(name41.c_str(), 1, buffer, 4, 0); }, ERROR_INVALID_PARAMETER,
         true},
        {"NmqAdd: a queue that is gone", [&] { return CVU_NmqAdd("HostileClosedQ", 1, buffer, 4, 0); },
         CVU_E_NOTFOUND, true},
        {"NmqRemove: null name", [&] { return CVU_NmqRemove(nullptr, &type, buffer, &length, 0); },
         CVU_E_NOTFOUND, true},
        {"NmqGetEvent: empty name, event nulled", [&] { return CVU_NmqGetEvent("", &event) + (event != nullptr); },
         CVU_E_NOTFOUND, true},
        {"NmqRemove: a queue that is gone", [&] { return CVU_NmqRemove("HostileClosedQ", &type, buffer, &length, 0); },
         CVU_E_NOTFOUND, true},
        {"NmqGetEvent: null out", [] { return CVU_NmqGetEvent("HostileClosedQ", nullptr); }, ERROR_INVALID_PARAMETER,
         true},
        {"NmqGetEvent: a queue that is gone, event nulled",
         [&] { return CVU_NmqGetEvent("HostileClosedQ", &event) + (event != nullptr); }, CVU_E_NOTFOUND, true},
        {"IbdatCreate: null out", [] { return CVU_IbdatCreate(4, 0, nullptr); }, ERROR_INVALID_PARAMETER, true},
        {"IbdatClose: null", [] { return CVU_IbdatClose(nullptr); }, ERROR_INVALID_HANDLE, true},
        {"IbdatClose: closed", [&] { return CVU_IbdatClose(block); }, ERROR_INVALID_HANDLE, true},
        {"IbdatQuery: item 9", [&] { return CVU_IbdatQuery(9, "x", buffer, 4); }, ERROR_INVALID_PARAMETER, true},
        {"IbdatQuery: 3-byte buffer", [&] { return CVU_IbdatQuery(IBDAT_ITEM_ENTRY, "x", buffer, 3); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"IbdatQuery: null buffer", [&] { return CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, nullptr, 4); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"IbdatUpdate: empty name", [&] { return CVU_IbdatUpdate(IBDAT_ITEM_ENTRY, "", buffer, 4); },
         ERROR_INVALID_PARAMETER, true},
        {"IbdatUpdate: remove a null name", [&] { return CVU_IbdatUpdate(IBDAT_F_REMOVE, nullptr, buffer, 4); },
         ERROR_INVALID_PARAMETER, true},
        {"IbdatUpdate: 1-byte buffer", [&] { return CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, buffer, 1); },
         ERROR_INVALID_PARAMETER, true},
        {"IbdatUpdate: entry from 3 bytes", [&] { return CVU_IbdatUpdate(IBDAT_ITEM_ENTRY, "x", buffer, 3); },
         ERROR_INVALID_PARAMETER, true},
        {"IbdatUpdate: item 3", [&] { return CVU_IbdatUpdate(3, "x", buffer, 4); }, ERROR_INVALID_PARAMETER, true},
        {"RmdatCreate: null out", [] { return CVU_RmdatCreate(0, nullptr); }, ERROR_INVALID_PARAMETER, true},
        {"RmdatClose: junk", [] { return CVU_RmdatClose(Junk<NsmHandle>()); }, ERROR_INVALID_HANDLE, true},
        {"RmdatQuery: item 0", [&] { return CVU_RmdatQuery(0, 0, buffer, sizeof buffer); }, ERROR_INVALID_PARAMETER,
         true},
        {"RmdatQuery: record into 371 bytes", [&] { return CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, buffer, 371); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"RmdatUpdate: record from 371 bytes", [&] { return CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, buffer, 371); },
         ERROR_INVALID_PARAMETER, true},
        {"RmdatUpdate: null value", [&] { return CVU_RmdatUpdate(RMDAT_ITEM_VALUE, 0, nullptr, 4); },
         ERROR_INVALID_PARAMETER, true},
        {"RmdatQuery: state into 3 bytes", [&] { return CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, buffer, 3); },
         ERROR_INSUFFICIENT_BUFFER, true},
        {"RmdatUpdate: state from 3 bytes", [&] { return CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, buffer, 3); },
         ERROR_INVALID_PARAMETER, true},
        {"RmdatUpdate: item 0", [&] { return CVU_RmdatUpdate(0, 0, buffer, 4); }, ERROR_INVALID_PARAMETER, true},
    });
}

TEST_F(HostileInputs, FrameAndUserInterfaceWithoutADialog)
{
    // Any dialog here is a fault: the guard fails the test and cancels it.
    DialogDriver guard([](HWND dialog) {
        ADD_FAILURE() << "a dialog appeared: " << WindowText(dialog);
        PressButton(dialog, IDCANCEL);
    });
    HWND stray = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));
    char text[8] = "a b";
    char value[4];
    Run({
        {"WriteRegData: stray root",
         [] { return CVU_WriteRegDataA(reinterpret_cast<HKEY>(0x1234), "x", nullptr, nullptr, "v", "", 1, REG_SZ); },
         ERROR_INVALID_HANDLE, true},
        {"DeleteRegKey: null subkey",
         [] { return CVU_DeleteRegKeyA(HKEY_CURRENT_USER, "Software", nullptr, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER, true},
        {"RegBasicServer: null CLSID", [] { return CVU_RegBasicServerA(nullptr, 1, kBig, nullptr, 1); },
         ERROR_INVALID_PARAMETER, true},
        {"UnregBasicServer: null CLSID", [] { return CVU_UnregBasicServer(nullptr, 1, 1, FALSE); },
         ERROR_INVALID_PARAMETER, true},
        {"CLSIDtoStringA: 1-byte buffer holds the brace, no terminator",
         [&] {
             value[0] = 'x', value[1] = 'y';
             CVU_CLSIDtoStringA(&CLSID_NULL, value, 1);
             return value[0] == '{' && value[1] == 'y';
         },
         1, true},
        {"IsComponentInstalled: mask 0", [] { return CVU_IsComponentInstalled(0); }, 0, true},
        {"CleanupPorts on Windows NT", [] { return CVU_CleanupPorts() + CVU_Clean70Ports(); }, 0, true},
        {"ReportErrorEx: stray owner", [&] { return CVU_ReportErrorExA(stray, kBig, kBig, 5, nullptr, 0, 0, 0, 0); },
         0, true},
        {"ReportError: stray owner", [&] { return CVU_ReportErrorA(stray, nullptr, nullptr, 0, nullptr, 0, 0, 0); },
         0, true},
        {"ConfirmActionEx: stray owner",
         [&] { return CVU_ConfirmActionExA(stray, kBig, kBig, nullptr, 0, 0, CVU_CR_ALLBUTTONS, 1); },
         CVU_CONFIRM_CANCEL, true},
        {"ConfirmAction: stray owner", [&] { return CVU_ConfirmActionA(stray, nullptr, nullptr, nullptr, 0, 0, 0); },
         CVU_CONFIRM_CANCEL, true},
        {"StartSpecialEdit: null window", [] { return CVU_StartSpecialEdit(nullptr, 0, CVU_EDIT_ALLOWED); }, FALSE,
         true},
        {"StartSpecialEdit: stray window", [&] { return CVU_StartSpecialEdit(stray, 0, 99); }, FALSE, true},
        {"EndSpecialEdit: stray window",
         [&] {
             CVU_EndSpecialEdit(stray);
             CVU_EndSpecialEdit(nullptr);
             return 1;
         },
         1, true},
        {"CheckInvalidChars: null text", [] { return CVU_CheckInvalidChars(nullptr, "ab", FALSE); }, TRUE, true},
        {"CheckInvalidChars: 64 KiB forbidden set without a blank keeps the blank",
         [&] { return CVU_CheckInvalidChars(text, kBig, TRUE) && !strcmp(text, "a b"); }, TRUE, true},
        {"RemoveBlanks: null", [] { return CVU_RemoveBlanks(nullptr) != FALSE; }, 1, true},
        {"IsPreviousWindowActive: no names makes the caller the first instance",
         [] {
             HANDLE mutex = nullptr;
             BOOL found = CVU_IsPreviousWindowActive(nullptr, nullptr, nullptr, &mutex);
             bool held = mutex != nullptr;
             CVU_EndSingleInstanceWindow(mutex);
             return found * 10 + held;
         },
         1, true},
        {"EndSingleInstanceWindow: null and stray handles",
         [] {
             CVU_EndSingleInstanceWindow(nullptr);
             CVU_EndSingleInstanceWindow(reinterpret_cast<HANDLE>(0x1234));
             return 1;
         },
         1, true},
    });
    EXPECT_EQ(guard.Finish(), 0);
}

}  // namespace
