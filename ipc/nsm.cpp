// Named shared memory: a block of a paging-file mapping, its structure mutex
// and its optional data mutex, all named after the block.
#include <windows.h>

#include <cstring>

#include "ipc/ipc.h"
#include "ipc/portable/block.h"
#include "korutil/portable/korstr.h"

namespace cvx::ipc {

namespace {

constexpr char kStructureMutexFormat[] = "cvuNsm_MT::%hs";
constexpr char kMappingFormat[] = "cvuNsm_FM::%hs";
constexpr char kDataMutexFormat[] = "cvuNsm_MT_DATA::%hs";

// The three object names of a block.
struct BlockNames {
    explicit BlockNames(const char *name)
        : structure(kStructureMutexFormat, name), mapping(kMappingFormat, name), data(kDataMutexFormat, name)
    {
    }
    ObjectName structure, mapping, data;
};

NsmHeader *HeaderOf(const NsmHandle *handle) { return static_cast<NsmHeader *>(handle->view); }

void FreeHandle(NsmHandle *handle)
{
    SecureZeroMemory(handle, sizeof *handle);
    HeapFree(GetProcessHeap(), 0, handle);
}

// Create's part between its structure mutex and the open: the mapping, the
// data mutex and the header of a new block. Its own handles go when it
// returns; the open has taken handles of its own by then.
DWORD OpenOrCreateBlock(const char *name, const BlockNames &names, DWORD flags, DWORD size, bool *existed,
                        NsmHandle **handle)
{
    DWORD blockSize = BlockSize(size);
    UniqueHandle mapping(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, blockSize, names.mapping));
    if (!mapping) return GetLastError();
    *existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (*existed && (flags & NSM_EXCLUSIVE)) return ERROR_ALREADY_EXISTS;

    UniqueView view;
    UniqueHandle dataMutex;
    if (!*existed) {
        view.reset(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (!view) return GetLastError();
        if (flags & NSM_DATALOCK) {
            dataMutex.reset(CreateMutexA(nullptr, FALSE, names.data));
            if (!dataMutex) return GetLastError();
            if (GetLastError() == ERROR_ALREADY_EXISTS) return ERROR_ALREADY_EXISTS;
        }
        InitBlockHeader(view.get(), blockSize, flags, size, name);
    }
    return CVU_NsmOpen(name, handle);
}

DWORD CreateBlock(const char *name, DWORD flags, DWORD size, bool *existed, NsmHandle **handle)
{
    BlockNames names(name);
    UniqueHandle structure(CreateMutexA(nullptr, TRUE, names.structure));
    if (!structure) return GetLastError();
    // A mutex that existed comes back without ownership. Create waits for it:
    // without it, a block whose last handle is closing meanwhile, or another
    // creator's header half written, would be opened.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        DWORD rc = TakeMutex(structure.get(), kLockTimeout);
        if (rc != ERROR_SUCCESS) return rc;
    }
    MutexHold creating(structure.get());

    NsmHandle *opened = nullptr;
    DWORD rc = OpenOrCreateBlock(name, names, flags, size, existed, &opened);
    if (rc != ERROR_SUCCESS) return rc;
    UniqueNsm block(opened);

    // The lock is taken under the structure mutex only while the block has
    // no other handle, so a creator never waits for a data lock while it
    // keeps others from opening and closing.
    bool lock = flags & NSM_CREATELOCKED;
    bool lockFirst = lock && HeaderOf(opened)->refCount <= 1;
    if (lockFirst && (rc = CVU_NsmLockData(opened, INFINITE)) != ERROR_SUCCESS) return rc;
    creating.Release();
    structure.reset();
    if (lock && !lockFirst && (rc = CVU_NsmLockData(opened, INFINITE)) != ERROR_SUCCESS) return rc;

    *handle = block.release();
    return ERROR_SUCCESS;
}

}  // namespace

bool IsValidName(const char *name, size_t maxLength)
{
    return !kor::IsEmptyString(name) && strnlen(name, maxLength + 1) <= maxLength;
}

ObjectName::ObjectName(const char *format, const char *name) { wsprintfA(text_, format, name); }

namespace {
bool IsCommittedReadable(const MEMORY_BASIC_INFORMATION &info)
{
    if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS))) return false;
    return info.Protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY);
}
}  // namespace

bool IsValidHandle(const void *handle, DWORD magic, size_t size)
{
    if (!handle) return false;
    // Asked of the memory manager rather than touched, so that a stray value
    // gives 6 and never a fault.
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(handle, &info, sizeof info) || !IsCommittedReadable(info)) return false;
    const BYTE *end = static_cast<const BYTE *>(info.BaseAddress) + info.RegionSize;
    if (static_cast<const BYTE *>(handle) + size > end) return false;
    return *static_cast<const DWORD *>(handle) == magic;
}

SIZE_T ReadableSize(const void *view)
{
    // The mapping's maker may have reserved its pages without committing
    // them (SEC_RESERVE): only the committed, readable run from the start of
    // the view may be read.
    const BYTE *at = static_cast<const BYTE *>(view);
    SIZE_T size = 0;
    const void *allocation = nullptr;
    MEMORY_BASIC_INFORMATION info;
    while (VirtualQuery(at, &info, sizeof info) && IsCommittedReadable(info)) {
        if (!allocation) allocation = info.AllocationBase;
        if (info.AllocationBase != allocation) break;
        SIZE_T run = info.RegionSize - (at - static_cast<const BYTE *>(info.BaseAddress));
        size += run;
        at += run;
    }
    return size;
}

bool CheckBlockView(const void *view, SIZE_T *viewSize, BlockLayout *layout)
{
    *viewSize = ReadableSize(view);
    return CheckBlockHeader(view, *viewSize, layout);
}

DWORD TakeMutex(HANDLE mutex, DWORD timeout)
{
    DWORD wait = WaitForSingleObject(mutex, timeout);
    if (wait == WAIT_OBJECT_0) return ERROR_SUCCESS;
    if (wait == WAIT_ABANDONED) ReleaseMutex(mutex);
    return CVU_E_LOCK;
}

DWORD CheckOpenName(const char *name, size_t maxLength)
{
    // No block or queue is ever made under an empty name.
    if (kor::IsEmptyString(name)) return CVU_E_NOTFOUND;
    return strnlen(name, maxLength + 1) <= maxLength ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

DWORD OpenBlock(const char *name, bool held, NsmHandle **handle)
{
    if (!handle) return ERROR_INVALID_PARAMETER;
    DWORD rc = CheckOpenName(name, kMaxBlockName);
    if (rc != ERROR_SUCCESS) return rc;
    BlockNames names(name);

    UniqueHandle structure(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, names.structure));
    if (!structure) return CVU_E_NOTFOUND;
    rc = TakeMutex(structure.get(), kLockTimeout);
    if (rc != ERROR_SUCCESS) return rc;
    MutexHold opening(structure.get());

    UniqueHandle mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, names.mapping));
    if (!mapping) return CVU_E_NOTFOUND;
    UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!view) return CVU_E_MAPVIEW;
    SIZE_T viewSize = 0;
    BlockLayout layout;
    if (!CheckBlockView(view.get(), &viewSize, &layout)) return CVU_E_BADHEADER;

    UniqueHandle dataMutex;
    if (layout.flags & kNsmFlagDataLock) {
        dataMutex.reset(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, names.data));
        if (!dataMutex) return CVU_E_NOTFOUND;
    }

    auto *opened = static_cast<NsmHandle *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(NsmHandle)));
    if (!opened) return ERROR_NOT_ENOUGH_MEMORY;
    opened->magic = kNsmHandleMagic;
    opened->ownerProcessId = GetCurrentProcessId();
    opened->structureMutex = structure.release();
    opened->mapping = mapping.release();
    opened->view = view.release();
    opened->dataMutex = dataMutex.release();
    opened->data = static_cast<BYTE *>(opened->view) + layout.dataOffset;
    opened->dataSize = layout.dataSize;

    HeaderOf(opened)->refCount += 1;
    if (held) HoldBlock(opened, name, layout, viewSize);
    *handle = opened;
    return ERROR_SUCCESS;
}

void CloseBlockObjects(HANDLE dataMutex, void *view, HANDLE mapping)
{
    if (dataMutex) CloseHandle(dataMutex);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

}  // namespace cvx::ipc

using namespace cvx;
using namespace cvx::ipc;

namespace {
bool IsBlockHandle(const NsmHandle *handle) { return IsValidHandle(handle, kNsmHandleMagic, sizeof *handle); }
}  // namespace

extern "C" DWORD WINAPI CVU_NsmCreate(LPCSTR name, DWORD flags, DWORD size, NsmHandle **handle)
{
    if (!handle) return ERROR_INVALID_PARAMETER;
    *handle = nullptr;
    if (!size || !BlockSize(size) || !IsValidName(name, kMaxBlockName)) return ERROR_INVALID_PARAMETER;

    bool existed = false;
    DWORD rc = CreateBlock(name, flags, size, &existed, handle);
    if (rc != ERROR_SUCCESS) return rc;
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI CVU_NsmOpen(LPCSTR name, NsmHandle **handle) { return OpenBlock(name, true, handle); }

extern "C" DWORD WINAPI CVU_NsmClose(NsmHandle *handle)
{
    if (!IsBlockHandle(handle)) return ERROR_INVALID_HANDLE;
    if (handle->ownerProcessId != GetCurrentProcessId()) return CVU_E_NOTOWNER;
    DWORD rc = TakeMutex(handle->structureMutex, kLockTimeout);
    if (rc != ERROR_SUCCESS) return rc;

    HeaderOf(handle)->refCount -= 1;
    // A call by name still working through these objects closes them itself.
    if (!ReleaseHeldBlock(handle)) CloseBlockObjects(handle->dataMutex, handle->view, handle->mapping);
    ReleaseMutex(handle->structureMutex);
    CloseHandle(handle->structureMutex);
    FreeHandle(handle);
    return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI CVU_NsmDataView(NsmHandle *handle, void **data)
{
    if (!IsBlockHandle(handle)) {
        if (data) *data = nullptr;
        return ERROR_INVALID_HANDLE;
    }
    if (data) *data = handle->data;
    return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI CVU_NsmLockData(NsmHandle *handle, DWORD timeout)
{
    if (!IsBlockHandle(handle)) return ERROR_INVALID_HANDLE;
    if (!handle->dataMutex) return ERROR_SUCCESS;
    return TakeMutex(handle->dataMutex, timeout);
}

extern "C" DWORD WINAPI CVU_NsmUnlockData(NsmHandle *handle)
{
    if (!IsBlockHandle(handle)) return ERROR_INVALID_HANDLE;
    if (!handle->dataMutex) return ERROR_SUCCESS;
    return ReleaseMutex(handle->dataMutex) ? ERROR_SUCCESS : CVU_E_LOCK;
}

// ---- LockedBlock -------------------------------------------------------------------

namespace cvx::ipc {

DWORD LockedBlock::Open(const char *blockName)
{
    if (held_.Find(blockName)) {
        const HeldBlock &block = held_.Block();
        // The header is checked on every call, as an open by name checks it.
        BlockLayout layout;
        if (!CheckBlockHeader(block.view, block.viewSize, &layout)) return CVU_E_BADHEADER;
        bool sameObjects = layout.dataOffset == block.layout.dataOffset && layout.dataSize == block.layout.dataSize &&
                           (layout.flags & kNsmFlagDataLock) == (block.layout.flags & kNsmFlagDataLock);
        if (sameObjects) return Lock(block.dataMutex, static_cast<BYTE *>(block.view) + layout.dataOffset, layout.dataSize);
        // A header rewritten since the holder opened the block may name a data
        // lock the holder lacks: an open by name follows it as it is now.
        held_.Reset();
    }
    return OpenByName(blockName, false);
}

DWORD LockedBlock::OpenHandle(const char *blockName) { return OpenByName(blockName, true); }

DWORD LockedBlock::OpenByName(const char *blockName, bool held)
{
    NsmHandle *opened = nullptr;
    DWORD rc = OpenBlock(blockName, held, &opened);
    if (rc != ERROR_SUCCESS) return rc;
    block_.reset(opened);
    rc = Lock(opened->dataMutex, opened->data, opened->dataSize);
    if (rc != ERROR_SUCCESS) block_.reset();
    return rc;
}

// Takes the data lock, as CVU_NsmLockData does: none to take without a data
// mutex.
DWORD LockedBlock::Lock(HANDLE dataMutex, BYTE *data, DWORD dataSize)
{
    if (dataMutex) {
        DWORD rc = TakeMutex(dataMutex, kLockTimeout);
        if (rc != ERROR_SUCCESS) return rc;
    }
    lockedMutex_ = dataMutex;
    locked_ = true;
    data_ = data;
    dataSize_ = dataSize;
    return ERROR_SUCCESS;
}

void LockedBlock::Unlock()
{
    if (locked_ && lockedMutex_) ReleaseMutex(lockedMutex_);
    locked_ = false;
}

NsmHandle *LockedBlock::Keep()
{
    Unlock();
    return block_.release();
}

}  // namespace cvx::ipc
