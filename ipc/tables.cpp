// Shared status tables: IBDAT, named entries with a value each, and RMDAT,
// one status record read and written field by field. Queries and updates
// reach the tables by their fixed names; a missing table reads as defaults.
#include <windows.h>

#include <cstring>

#include "ipc/ipc.h"
#include "ipc/portable/tables.h"
#include "korutil/portable/korstr.h"

namespace cvx::ipc {

namespace {

constexpr char kIbdatName[] = "_Qlon_Cvex_IBDAT";
constexpr char kRmdatName[] = "_Qlon_Cvex_RMDAT";
constexpr DWORD kTableFlags = NSM_DATALOCK | NSM_CREATELOCKED | NSM_EXCLUSIVE;
constexpr DWORD kItemMask = 0x00FFFFFF;

bool SystemNamesEqual(const char *a, const char *b) { return lstrcmpiA(a, b) == 0; }

DWORD ReadValue(const void *buffer)
{
    DWORD value;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

void WriteValue(void *buffer, DWORD value) { std::memcpy(buffer, &value, sizeof value); }

bool Fits(const void *buffer, DWORD size, DWORD needed) { return kor::CheckBuffer(buffer, size, needed); }

// A table call's block, opened by name and locked, with its data checked.
class IbdatCall {
public:
    DWORD Open()
    {
        DWORD rc = block_.Open(kIbdatName);
        if (rc != ERROR_SUCCESS) return rc;
        return table_.Load(block_.Data(), block_.DataSize()) ? ERROR_SUCCESS : CVU_E_BADHEADER;
    }
    IbdatTable &Table() { return table_; }

private:
    LockedBlock block_;
    IbdatTable table_;
};

class RmdatCall {
public:
    DWORD Open()
    {
        DWORD rc = block_.Open(kRmdatName);
        if (rc != ERROR_SUCCESS) return rc;
        return CheckRmdat(block_.Data(), block_.DataSize()) ? ERROR_SUCCESS : CVU_E_BADHEADER;
    }
    BYTE *Table() const { return block_.Data(); }
    BYTE *Record() const { return block_.Data() + kRmdatRecordOffset; }

private:
    LockedBlock block_;
};

// Creates a table's block locked, lets init write its header, and unlocks.
template <typename Init>
DWORD CreateTable(const char *name, DWORD size, Init init, NsmHandle **handle)
{
    if (!handle) return ERROR_INVALID_PARAMETER;
    *handle = nullptr;
    if (!size) return ERROR_INVALID_PARAMETER;
    NsmHandle *created = nullptr;
    DWORD rc = CVU_NsmCreate(name, kTableFlags, size, &created);
    if (rc != ERROR_SUCCESS) return rc;
    std::memset(created->data, 0, created->dataSize);
    init(created->data);
    rc = CVU_NsmUnlockData(created);
    if (rc != ERROR_SUCCESS) {
        CVU_NsmClose(created);
        return rc;
    }
    *handle = created;
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace cvx::ipc

using namespace cvx;
using namespace cvx::ipc;

// ---- IBDAT -------------------------------------------------------------------------

extern "C" DWORD WINAPI CVU_IbdatCreate(DWORD entries, DWORD reserved, NsmHandle **handle)
{
    return CreateTable(kIbdatName, IbdatSize(entries), [entries](BYTE *data) { InitIbdat(data, entries); },
                       handle);
}

extern "C" DWORD WINAPI CVU_IbdatClose(NsmHandle *handle) { return CVU_NsmClose(handle); }

extern "C" DWORD WINAPI CVU_IbdatQuery(DWORD item, LPCSTR name, void *buffer, DWORD size)
{
    switch (item) {
    case IBDAT_ITEM_ENTRY: {
        if (!Fits(buffer, size, sizeof(DWORD))) return ERROR_INSUFFICIENT_BUFFER;
        WriteValue(buffer, 1);
        IbdatCall call;
        DWORD rc = call.Open();
        if (rc == CVU_E_NOTFOUND) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        WriteValue(buffer, call.Table().Query(name, SystemNamesEqual));
        return ERROR_SUCCESS;
    }
    case IBDAT_ITEM_TABLE: {
        if (!Fits(buffer, size, sizeof(DWORD))) return ERROR_INSUFFICIENT_BUFFER;
        IbdatCall call;
        DWORD rc = call.Open();
        if (rc == CVU_E_NOTFOUND) {
            WriteValue(buffer, 0);
            return ERROR_SUCCESS;
        }
        if (rc != ERROR_SUCCESS) return rc;
        WriteValue(buffer, call.Table().TableValue());
        return ERROR_SUCCESS;
    }
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

extern "C" DWORD WINAPI CVU_IbdatUpdate(DWORD item, LPCSTR name, const void *buffer, DWORD size)
{
    if (item & IBDAT_F_REMOVE) {
        if (kor::IsEmptyString(name)) return ERROR_INVALID_PARAMETER;
        IbdatCall call;
        DWORD rc = call.Open();
        if (rc != ERROR_SUCCESS) return rc;
        call.Table().Remove(name, SystemNamesEqual);
        return ERROR_SUCCESS;
    }

    switch (item & kItemMask) {
    case IBDAT_ITEM_ENTRY: {
        if (kor::IsEmptyString(name) || !Fits(buffer, size, sizeof(DWORD))) return ERROR_INVALID_PARAMETER;
        IbdatCall call;
        DWORD rc = call.Open();
        if (rc != ERROR_SUCCESS) return rc;
        return call.Table().Update(name, ReadValue(buffer), item & IBDAT_F_ADD, SystemNamesEqual);
    }
    case IBDAT_ITEM_TABLE: {
        if (!Fits(buffer, size, sizeof(DWORD))) return ERROR_INVALID_PARAMETER;
        IbdatCall call;
        DWORD rc = call.Open();
        if (rc != ERROR_SUCCESS) return rc;
        call.Table().SetTableValue(ReadValue(buffer));
        return ERROR_SUCCESS;
    }
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

// ---- RMDAT -------------------------------------------------------------------------

extern "C" DWORD WINAPI CVU_RmdatCreate(DWORD reserved, NsmHandle **handle)
{
    return CreateTable(kRmdatName, kRmdatTableSize, [](BYTE *data) { InitRmdat(data); }, handle);
}

extern "C" DWORD WINAPI CVU_RmdatClose(NsmHandle *handle) { return CVU_NsmClose(handle); }

extern "C" DWORD WINAPI CVU_RmdatQuery(DWORD item, DWORD reserved, void *buffer, DWORD size)
{
    switch (item) {
    case RMDAT_ITEM_STATE:
    case RMDAT_ITEM_VALUE: {
        if (!Fits(buffer, size, sizeof(DWORD))) return ERROR_INSUFFICIENT_BUFFER;
        RmdatCall call;
        DWORD rc = call.Open();
        if (rc == CVU_E_NOTFOUND) {
            WriteValue(buffer, item == RMDAT_ITEM_STATE ? 1 : 0);
            return ERROR_SUCCESS;
        }
        if (rc != ERROR_SUCCESS) return rc;
        WriteValue(buffer, item == RMDAT_ITEM_STATE ? LoadU32(call.Table() + kRmdatStateOffset)
                                                    : LoadU32(call.Table() + offsetof(RmdatHeader, tableValue)));
        return ERROR_SUCCESS;
    }
    case RMDAT_ITEM_RECORD: {
        if (!Fits(buffer, size, sizeof(RmdatRecord))) return ERROR_INSUFFICIENT_BUFFER;
        auto *record = static_cast<BYTE *>(buffer);
        DWORD mask = ReadValue(record);
        std::memset(record, 0, sizeof(RmdatRecord));
        RmdatCall call;
        DWORD rc = call.Open();
        if (rc == CVU_E_NOTFOUND) {
            WriteValue(record, RMDAT_F_STATE);
            WriteValue(record + offsetof(RmdatRecord, state), 1);
            return ERROR_SUCCESS;
        }
        if (rc != ERROR_SUCCESS) return rc;
        CopyRmdatFields(record, call.Record(), mask);
        WriteValue(record, mask);
        return ERROR_SUCCESS;
    }
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

extern "C" DWORD WINAPI CVU_RmdatUpdate(DWORD item, DWORD reserved, const void *buffer, DWORD size)
{
    switch (item) {
    case RMDAT_ITEM_STATE:
    case RMDAT_ITEM_VALUE: {
        if (!Fits(buffer, size, sizeof(DWORD))) return ERROR_INVALID_PARAMETER;
        RmdatCall call;
        DWORD rc = call.Open();
        if (rc != ERROR_SUCCESS) return rc;
        StoreU32(call.Table() + (item == RMDAT_ITEM_STATE ? kRmdatStateOffset : offsetof(RmdatHeader, tableValue)),
                 ReadValue(buffer));
        return ERROR_SUCCESS;
    }
    case RMDAT_ITEM_RECORD: {
        if (!Fits(buffer, size, sizeof(RmdatRecord))) return ERROR_INVALID_PARAMETER;
        RmdatCall call;
        DWORD rc = call.Open();
        if (rc != ERROR_SUCCESS) return rc;
        CopyRmdatFields(call.Record(), static_cast<const BYTE *>(buffer), ReadValue(buffer));
        return ERROR_SUCCESS;
    }
    default:
        return ERROR_INVALID_PARAMETER;
    }
}
