// Every export family, called with what a careless or hostile caller hands
// over: null pointers, empty and 64 KiB strings, buffers of 0 and 1 bytes,
// stray and closed handles, selectors and codes out of range. No call may
// fault; each gives its documented result, and a refused call leaves
// CVEX.INI as it was. A row of several calls counts those that did not give
// the row's result.
#include <algorithm>
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
// Readable memory that is no handle of the library; 0x1234 is no memory.
const BYTE kJunk[64] = {0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3, 4};
template <class T>
T *Junk(ULONG_PTR at = ULONG_PTR(kJunk))
{
    return reinterpret_cast<T *>(at);
}

// rc, with 1000 added while the out value a call must clear is still set
// (read once the call is over).
template <class T>
long long Cleared(long long rc, const T &out)
{
    return rc + (out ? 1000 : 0);
}

long long Misses(long long expected, std::initializer_list<long long> results)
{
    return std::count_if(results.begin(), results.end(), [&](long long r) { return r != expected; });
}

struct Case {
    const char *what;
    std::function<long long()> call;
    long long expected;
    bool writes = false;  // the call may change CVEX.INI
};
#define ROW(what, expr, expected) {what, [&]() -> long long { return (expr); }, expected}
#define WRITING_ROW(what, expr, expected) {what, [&]() -> long long { return (expr); }, expected, true}

class HostileInputs : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        WriteFileText(ini_, "[SERVER]\nGROUPS=1\nLINES=1\n[LINE1]\nNAME=L1\n[GROUP1]\nNAME=Sales\nLINES=(L1)\n");
    }
    void Run(const std::vector<Case> &cases)
    {
        for (const auto &c : cases) {
            std::string before = ReadFileText(ini_);
            EXPECT_EQ(c.call(), c.expected) << c.what;
            EXPECT_TRUE(c.writes || ReadFileText(ini_) == before) << c.what << ": a refused call wrote the file";
        }
    }
};

TEST_F(HostileInputs, ServerAndClientSettings)
{
    ClientPortParams params;
    ClientSettings in{}, out{};
    char name[17];
    for (int i = 0; i < 16; ++i) in.triggers[i] = BYTE(i + 1);
    Run({
        ROW("Server settings out of range, null buffer",
            Misses(FALSE, {CVU_SetBufferSpace(INT_MIN), CVU_SetBufferSpace(INT_MAX), CVU_SetLogBuffSize(8193),
                           CVU_SetInvalidConTime(0), CVU_SetInvalidConTime(100), CVU_SetIPXSegmentMethod(0),
                           CVU_GetServerName(nullptr)}), 0),
        ROW("SetRemPassword: null, empty, 64 KiB",
            Misses(TRUE, {CVU_SetRemPassword(nullptr), CVU_SetRemPassword(""), CVU_SetRemPassword(kBig)}), 0),
        WRITING_ROW("SetServerStatus: a code of its own stores NO",
                    CVU_SetServerStatus(0x7FFF) && CVU_GetServerStatus() == CVU_SERVER_NOSTART, 1),
        // Whether the profile functions take a 64 KiB value is theirs to say;
        // what is read back never exceeds its field.
        WRITING_ROW("SetServerName: 64 KiB, read back at most 16",
                    (CVU_SetServerName(kBig), CVU_GetServerName(name) <= 16 && std::strlen(name) <= 16), 1),
        ROW("Redirections: null, COM0, 64 KiB port without a number; null record",
            Misses(FALSE, {CVU_SetClientRedirectionEx(nullptr, "Sales", nullptr), CVU_SetClientRedirection(nullptr, 0),
                           CVU_SetClientRedirectionEx("COM0", "Sales", nullptr), CVU_GetClientPortParams(kBig, &params),
                           CVU_SetClientRedirectionEx(kBig, "Sales", nullptr), CVU_GetClientPortParams("COM7", 0),
                           CVU_GetClientSettings(nullptr), CVU_SetClientSettings(nullptr)}), 0),
        WRITING_ROW("SetClientRedirectionEx: 64 KiB destination and a text id with no string",
                    (params.destination[16] = 'x', CVU_SetClientRedirectionEx("COM5", kBig, CVU_TEXTID(0xFFFF))) &&
                        (!CVU_GetClientPortParams("COM5", &params) || params.destination[16] == '\0'), 1),
        WRITING_ROW("SetClientSettings: a count beyond the array keeps 16",
                    (in.triggerCount = 0xFFFF, CVU_SetClientSettings(&in)) && CVU_GetClientSettings(&out) &&
                        out.triggerCount == 16 && std::memcmp(in.triggers, out.triggers, 16) == 0, 1),
    });
}

TEST_F(HostileInputs, Groups)
{
    char buf[600];
    DWORD count = 77;
    GroupParams params{};
    const std::string hugeLine = kHuge + std::string(2, '\0');
    std::string manyLines;
    for (int i = 0; i < 200; ++i) manyLines += "LINE" + std::to_string(i) + '\0';
    const char *many = manyLines.c_str(), *huge = hugeLine.c_str();
    const long long bad = ERROR_INVALID_PARAMETER, small = ERROR_INSUFFICIENT_BUFFER;
    Run({
        ROW("Enum: selector 0, count zeroed", Cleared(CVU_EnumGroupsLinesA(0, nullptr, buf, 600, &count), count), bad),
        ROW("Enum: selector -1, null buffer, 1 byte, lines of a null group, not in a 64 KiB group",
            Misses(bad, {CVU_EnumGroupsLinesA(-1, "Sales", buf, 600, nullptr), CVU_EnumGroupsLinesA(1, 0, 0, 100, &count),
                         CVU_EnumGroupsLinesA(CVU_ENUM_ALLLINES, nullptr, buf, 1, &count),
                         CVU_EnumGroupsLinesA(CVU_ENUM_LINESOFGROUP, nullptr, buf, 600, &count),
                         CVU_EnumGroupsLinesA(CVU_ENUM_LINESNOTINGROUP, kBig, buf, 600, &count)}), 0),
        ROW("Enum: 2-byte buffer holds no name, count 0",
            Cleared(CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buf, 2, &count), count), small),
        ROW("Modify and AddGroup: operation 999, null and 64 KiB names, names spanning lines",
            Misses(bad, {CVU_ModifyGroupLinesA(999, "Sales", "L1"), CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, nullptr, "L2"),
                         CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "Sales", nullptr),
                         CVU_ModifyGroupLinesA(CVU_GL_ADDLINETOGROUPS, "L1", nullptr),
                         CVU_ModifyGroupLinesA(CVU_GL_REMOVELINE, kBig, "L1"), CVU_AddGroupA(nullptr, nullptr, FALSE),
                         CVU_AddGroupA("A\r\n[SERVER]", nullptr, FALSE), CVU_AddGroupA("Big", huge, FALSE),
                         CVU_DeleteGroupA(nullptr), CVU_DeleteGroupA(kBig)}), 0),
        ROW("Modify and AddGroup: lists that do not fit",
            Misses(small, {CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "Sales", kBig), CVU_AddGroupA("Big", many, FALSE)}), 0),
        ROW("Get/SetGroupParam: null group, selectors 4 and 0, null name, missing group, name spanning lines",
            Misses(bad, {CVU_GetGroupParamA(nullptr, 1, buf, 600), CVU_GetGroupParamA("Sales", 4, buf, 600),
                         CVU_SetGroupParamA(nullptr, 3, &params, TRUE), CVU_SetGroupParamA("Sales", 0, &params, TRUE),
                         CVU_SetGroupParamA("Sales", 1, nullptr, FALSE), CVU_SetGroupParamA("Nope", 3, &params, FALSE),
                         CVU_SetGroupParamA("Sales", 1, "X\r\n[SERVER]\r\nGROUPS=7", FALSE)}), 0),
        ROW("GetGroupParam: name into 0 bytes and null, lines into 1 byte, record into 49 bytes",
            Misses(small, {CVU_GetGroupParamA("Sales", 1, buf, 0), CVU_GetGroupParamA("Sales", 1, nullptr, 100),
                           CVU_GetGroupParamA("Sales", 2, buf, 1), CVU_GetGroupParamA("Sales", 3, buf, 49)}), 0),
        // A list that cannot be stored is not written; the group was found.
        ROW("SetGroupParam: 64 KiB line name, 200 lines; the group with a line is no empty one",
            Misses(0, {CVU_SetGroupParamA("Sales", 2, huge, FALSE), CVU_SetGroupParamA("Sales", 2, many, FALSE),
                       CVU_PurgeEmptyGroups()}), 0),
    });
}

TEST_F(HostileInputs, InboundServicesAndSealedBlocks)
{
    HMODULE dll = GetModuleHandleA("cvxutil.dll");
    auto seal = reinterpret_cast<CVU_SEALBLOCK>(GetProcAddress(dll, MAKEINTRESOURCEA(CVU_ORDINAL_SEALBLOCK)));
    auto unseal = reinterpret_cast<CVU_UNSEALBLOCK>(GetProcAddress(dll, MAKEINTRESOURCEA(CVU_ORDINAL_UNSEALBLOCK)));
    ASSERT_TRUE(seal && unseal && CVU_IbsCreateService("Fax", "d", "fax.exe", "", 0, nullptr, 0, FALSE));
    char buf[600];
    BYTE *out = reinterpret_cast<BYTE *>(buf);
    DWORD count = 9, size = 9;
    std::vector<BYTE> hugeBlock(64 * 1024, 0xA5);
    const BYTE *junk = hugeBlock.data();
    Run({
        ROW("Enum: kind 3 with count zeroed, null buffer, 1 byte",
            Misses(ERROR_INVALID_PARAMETER, {Cleared(CVU_IbsEnumServices(3, 0, buf, 600, &count), count),
                                             CVU_IbsEnumServices(IBS_ENUM_ALL, 0, nullptr, 100, &count),
                                             CVU_IbsEnumServices(IBS_ENUM_ALL, 0, buf, 1, nullptr)}), 0),
        ROW("Services: null and 64 KiB names, null program and record, short buffers, info types 7 and 0",
            Misses(FALSE, {CVU_IbsDoesServiceExist(nullptr), CVU_IbsDoesServiceExist(kBig), CVU_IbsDeleteService(0),
                           CVU_IbsCreateService(nullptr, "", "p", "", 0, nullptr, 0, TRUE), CVU_IbsDeleteService(kBig),
                           CVU_IbsCreateService("X", "", nullptr, "", 0, nullptr, 0, TRUE), CVU_IbsAddService("X", 0),
                           CVU_IbsGetServiceInfo("Fax", 1, buf, 580), CVU_IbsGetServiceInfo("Fax", 2, buf, 0),
                           CVU_IbsGetServiceInfo("Fax", 7, buf, 600), CVU_IbsGetServiceInfo(nullptr, 1, buf, 600),
                           CVU_IbsSetServiceInfo("Fax", 0, buf, FALSE), CVU_IbsSetServiceInfo("Fax", 1, nullptr, FALSE),
                           CVU_IbsSetServiceInfo("Fax", 2, kBig, FALSE)}), 0),
        ROW("Create: security too long to seal still stores the record",
            CVU_IbsCreateService("Sec", kBig, "p", kBig, 0, kBig, 0, TRUE) && CVU_IbsDoesServiceExist("Sec"), 1),
        ROW("Seal into 0 bytes reports the size; unsealed, the block gives the data back",
            seal(out, 0, kJunk, 10, &size) + (size == 22 && seal(out, 600, kJunk, 10, &size) &&
                                               unseal(out + 100, 10, out, size, &size) && !std::memcmp(out + 100, kJunk, 10)), 1),
        ROW("Unseal: 1 byte and 64 KiB of junk, null input",
            Misses(FALSE, {unseal(out, 600, kJunk, 1, nullptr), unseal(out, 600, junk, 65536, &size),
                           unseal(out, 600, nullptr, 0, &size)}), 0),
    });
}

TEST_F(HostileInputs, InterProcessHandlesAndNames)
{
    NsmHandle *closed = nullptr, *nsm = nullptr;
    NmqHandle *closedQueue = nullptr, *nmq = nullptr;
    ASSERT_EQ(Misses(0, {CVU_NsmCreate("HostileClosed", 0, 16, &closed), CVU_NsmClose(closed)}), 0);
    ASSERT_EQ(Misses(0, {CVU_NmqCreate("HostileGone", 0, 0, 0, &closedQueue), CVU_NmqClose(closedQueue)}), 0);
    void *view = Junk<void>();
    BYTE buf[400] = {};
    DWORD type = 5, length = 0;
    HANDLE event = INVALID_HANDLE_VALUE;
    const std::string name72(72, 'n'), name41(41, 'q');
    const char *n72 = name72.c_str(), *n41 = name41.c_str(), *gone = "HostileGone";
    const long long bad = ERROR_INVALID_PARAMETER, handle = ERROR_INVALID_HANDLE, small = ERROR_INSUFFICIENT_BUFFER;
    // A failed create or open leaves no handle behind: its out value is null.
    auto nsmCreate = [&](const char *name, DWORD size) {
        nsm = Junk<NsmHandle>();
        return Cleared(CVU_NsmCreate(name, 0, size, &nsm), nsm);
    };
    auto nmqCreate = [&](const char *name, DWORD size) {
        nmq = Junk<NmqHandle>();
        return Cleared(CVU_NmqCreate(name, 0, size, 0, &nmq), nmq);
    };
    Run({
        ROW("NsmCreate: null, empty, 72-character name, size 0, 4 GiB of data, null out; NsmOpen: long name, null out",
            Misses(bad, {nsmCreate(nullptr, 16), nsmCreate("", 16), nsmCreate(n72, 16), nsmCreate("HostileZero", 0),
                         nsmCreate("HostileHuge", 0xFFFFFFF0u), CVU_NsmCreate("HostileOut", 0, 16, nullptr),
                         CVU_NsmOpen(n72, &nsm), CVU_NsmOpen("HostileClosed", nullptr)}), 0),
        ROW("NsmOpen: empty name, a block that is gone",
            Misses(CVU_E_NOTFOUND, {CVU_NsmOpen("", &nsm), CVU_NsmOpen("HostileClosed", &nsm)}), 0),
        ROW("Nsm, Nmq, Ibdat, Rmdat: null, stray, junk and closed handles; the view nulled",
            Misses(handle, {CVU_NsmClose(nullptr), CVU_NsmClose(Junk<NsmHandle>(0x1234)), CVU_NsmClose(Junk<NsmHandle>()),
                            CVU_NsmClose(closed), Cleared(CVU_NsmDataView(closed, &view), view),
                            CVU_NsmDataView(Junk<NsmHandle>(0x1234), nullptr), CVU_NsmUnlockData(closed),
                            CVU_NsmLockData(Junk<NsmHandle>(0x1234), 0), CVU_NmqClose(nullptr),
                            CVU_NmqClose(Junk<NmqHandle>(0x1234)), CVU_NmqClose(Junk<NmqHandle>()),
                            CVU_NmqClose(closedQueue), CVU_IbdatClose(nullptr), CVU_IbdatClose(closed),
                            CVU_RmdatClose(Junk<NsmHandle>())}), 0),
        ROW("Nmq: null, 64 KiB, 41-character names, 4 GiB capacity, null outs",
            Misses(bad, {nmqCreate(nullptr, 0), nmqCreate(kBig, 0), nmqCreate(n41, 0), nmqCreate("Q", 0xFFFFFFA0u),
                         CVU_NmqCreate("Q", 0, 0, 0, nullptr), CVU_NmqOpen("", &nmq), CVU_NmqOpen("Q", nullptr),
                         CVU_NmqAdd(kBig, 1, buf, 4, 0), CVU_NmqAdd(n41, 1, buf, 4, 0), CVU_NmqGetEvent(gone, 0)}), 0),
        ROW("Nmq calls by name: null, empty name or a queue that is gone",
            Misses(CVU_E_NOTFOUND, {CVU_NmqOpen(gone, &nmq), CVU_NmqAdd(nullptr, 1, buf, 4, 0), CVU_NmqAdd(gone, 1, buf, 4, 0),
                                    CVU_NmqRemove(nullptr, &type, buf, &length, 0), CVU_NmqGetEvent("", &event),
                                    CVU_NmqGetEvent(gone, &event), CVU_NmqRemove(gone, &type, buf, &length, 0)}), 0),
        ROW("Ibdat/Rmdat: null out, item out of range, too few bytes to write, null name or value",
            Misses(bad, {CVU_IbdatCreate(4, 0, nullptr), CVU_RmdatCreate(0, nullptr), CVU_IbdatQuery(9, "x", buf, 4),
                         CVU_IbdatUpdate(IBDAT_ITEM_ENTRY, "", buf, 4), CVU_IbdatUpdate(3, "x", buf, 4),
                         CVU_IbdatUpdate(IBDAT_F_REMOVE, nullptr, buf, 4), CVU_RmdatUpdate(0, 0, buf, 4),
                         CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, buf, 1), CVU_RmdatQuery(0, 0, buf, 400),
                         CVU_IbdatUpdate(IBDAT_ITEM_ENTRY, "x", buf, 3), CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, buf, 3),
                         CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, buf, 371), CVU_RmdatUpdate(RMDAT_ITEM_VALUE, 0, 0, 4)}), 0),
        ROW("Ibdat/Rmdat: too few bytes to read into",
            Misses(small, {CVU_IbdatQuery(IBDAT_ITEM_ENTRY, "x", buf, 3), CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, buf, 3),
                           CVU_IbdatQuery(IBDAT_ITEM_TABLE, 0, 0, 4), CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, buf, 371)}), 0),
    });
}

TEST_F(HostileInputs, FrameAndUserInterfaceWithoutADialog)
{
    // Any dialog here is a fault: the guard fails the test and cancels it.
    DialogDriver guard([](HWND dialog) {
        ADD_FAILURE() << "a dialog appeared: " << WindowText(dialog);
        PressButton(dialog, IDCANCEL);
    });
    HWND stray = Junk<HWND__>(0x1234);
    HANDLE mutex = nullptr;
    char text[8] = "a b", small[8] = "keep";
    WCHAR wide[40] = L"keep";
    const CLSID clsid = {0x6C1E2F41, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}};
    const HKEY user = HKEY_CURRENT_USER;
    const char *key = "Software\\CvxTests";
    Run({
        ROW("Registry: write null data with a size, delete a null or empty subkey, (un)register a null CLSID",
            Misses(ERROR_INVALID_PARAMETER, {CVU_WriteRegDataA(user, key, nullptr, nullptr, "v", nullptr, 4, REG_DWORD),
                                             CVU_DeleteRegKeyA(user, key, nullptr, nullptr, nullptr),
                                             CVU_DeleteRegKeyA(user, key, nullptr, nullptr, ""),
                                             CVU_RegBasicServerA(nullptr, 1, kBig, nullptr, 1),
                                             CVU_UnregBasicServer(nullptr, 1, 1, FALSE)}), 0),
        ROW("Registry: write under a stray root",
            CVU_WriteRegDataA(Junk<HKEY__>(0x1234), key, nullptr, nullptr, "v", "", 1, REG_SZ), ERROR_INVALID_HANDLE),
        ROW("Registry: null data of size 0 is an empty value; a null buffer only asks; 2 bytes take a part",
            Misses(0, {CVU_WriteRegDataA(user, key, nullptr, nullptr, "e", nullptr, 0, REG_BINARY),
                       CVU_WriteRegDataA(user, key, nullptr, nullptr, "s", "text", 5, REG_SZ),
                       CVU_GetRegDataA(user, key, nullptr, nullptr, "s", nullptr, 8, REG_SZ),
                       CVU_GetRegDataA(user, key, nullptr, nullptr, "s", small, 2, REG_SZ)}), 0),
        // The narrow text keeps its buffer on a null CLSID; the wide one is emptied.
        ROW("CLSID text: null CLSID or buffer, size 0 or below write nothing; 5 bytes hold 5 characters",
            (std::strcpy(small, "keep"), CVU_CLSIDtoStringA(nullptr, small, 8), CVU_CLSIDtoStringA(&clsid, nullptr, 40),
             CVU_CLSIDtoStringA(&clsid, small, 0), CVU_CLSIDtoStringW(&clsid, nullptr, 40),
             CVU_CLSIDtoStringW(&clsid, wide, -3), CVU_CLSIDtoStringW(nullptr, wide, 40),
             !std::strcmp(small, "keep") && !wide[0] &&
                 (std::memset(small, 'x', 8), CVU_CLSIDtoStringA(&clsid, small, 5), std::string(small, 6) == "{6C1Ex")), 1),
        ROW("Reports and confirmations with a stray owner show nothing",
            Misses(0, {CVU_ReportErrorExA(stray, kBig, kBig, 5, nullptr, 0, 0, 0, 0),
                       CVU_ReportErrorA(stray, nullptr, nullptr, 0, nullptr, 0, 0, 0),
                       CVU_ConfirmActionExA(stray, kBig, kBig, nullptr, 0, 0, CVU_CR_ALLBUTTONS, 1) - CVU_CONFIRM_CANCEL,
                       CVU_ConfirmActionA(stray, nullptr, nullptr, nullptr, 0, 0, 0) - CVU_CONFIRM_CANCEL}), 0),
        ROW("Special edits: null window, stray window with mode 99, ends of either",
            (CVU_EndSpecialEdit(stray), CVU_EndSpecialEdit(nullptr),
             CVU_StartSpecialEdit(nullptr, 0, CVU_EDIT_ALLOWED) + CVU_StartSpecialEdit(stray, 0, 99)), 0),
        ROW("CheckInvalidChars, RemoveBlanks: null text; a 64 KiB forbidden set without a blank keeps the blank",
            Misses(1, {CVU_CheckInvalidChars(nullptr, "ab", FALSE), CVU_RemoveBlanks(nullptr) != FALSE,
                       CVU_CheckInvalidChars(text, kBig, TRUE) && !std::strcmp(text, "a b")}), 0),
        ROW("IsPreviousWindowActive: no names makes the caller the first instance; ends of stray instances",
            Misses(0, {CVU_IsPreviousWindowActive(nullptr, nullptr, nullptr, &mutex), mutex == nullptr,
                       (CVU_EndSingleInstanceWindow(mutex), CVU_EndSingleInstanceWindow(nullptr),
                        CVU_EndSingleInstanceWindow(Junk<void>(0x1234)), 0)}), 0),
    });
    EXPECT_EQ(guard.Finish(), 0);
}

}  // namespace
