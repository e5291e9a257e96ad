// Internal interface of the inter-process primitives: the handles, the names
// of the kernel objects, the blocks this process holds, and the one place
// where a call reaches a block by its name.
#pragma once
#include <windows.h>

#include "cvxutil.h"
#include "frame/owners.h"
#include "ipc/portable/block.h"
#include "ipc/portable/layouts.h"

// An open block of this process, allocated from the process heap.
struct NsmHandle {
    DWORD magic;
    DWORD ownerProcessId;
    HANDLE structureMutex;
    HANDLE mapping;
    void *view;
    HANDLE dataMutex;
    BYTE *data;
    // Bytes from data to the end of the block, checked against this
    // process's view when the handle was opened.
    DWORD dataSize;
};

// A queue held open: its block and its event.
struct NmqHandle {
    DWORD magic;
    DWORD ownerProcessId;
    NsmHandle *block;
    HANDLE event;
};

namespace cvx::ipc {

constexpr DWORD kLockTimeout = 10000;
// Longest block name: the kernel-object names are formatted into 88-byte
// buffers, which the longest prefix ("cvuNsm_MT_DATA::") leaves 71 for.
constexpr size_t kMaxBlockName = 71;
constexpr size_t kObjectNameSize = 88;

// True for a name of 1 to maxLength characters.
bool IsValidName(const char *name, size_t maxLength);

// A kernel-object name formatted from a template and a name that
// IsValidName accepted.
class ObjectName {
public:
    ObjectName(const char *format, const char *name);
    operator const char *() const { return text_; }

private:
    char text_[kObjectNameSize];
};

// A handle of the given kind: readable memory that begins with magic.
bool IsValidHandle(const void *handle, DWORD magic, size_t size);

// Bytes from view that this process may read: the run of committed,
// readable pages of its allocation.
SIZE_T ReadableSize(const void *view);

// Checks the block header at the start of a view within its readable bytes,
// which it gives in viewSize.
bool CheckBlockView(const void *view, SIZE_T *viewSize, BlockLayout *layout);

// The name check of every open by name: CVU_E_NOTFOUND for a null or empty
// name, 87 for one longer than maxLength.
DWORD CheckOpenName(const char *name, size_t maxLength);

// Waits for a mutex. A wait that ends without ownership is CVU_E_LOCK; so is
// an abandoned mutex, whose ownership is given back at once so that the
// next caller finds it free.
DWORD TakeMutex(HANDLE mutex, DWORD timeout);

// Opens a block by name as CVU_NsmOpen does. A held handle is entered in
// this process's list of held blocks, where calls by name find it; a handle
// that lives for one call by name is not.
DWORD OpenBlock(const char *name, bool held, NsmHandle **handle);

// Closes a block's objects in this process: its data mutex, view and mapping.
void CloseBlockObjects(HANDLE dataMutex, void *view, HANDLE mapping);

struct NsmCloser {
    static NsmHandle *Invalid() { return nullptr; }
    static bool IsValid(NsmHandle *h) { return h != nullptr; }
    static void Close(NsmHandle *h) { CVU_NsmClose(h); }
};
using UniqueNsm = Unique<NsmHandle *, NsmCloser>;

// ---- blocks this process holds -------------------------------------------------------
// While the process holds a handle of its own to a block, the calls that take
// the block's name work through that handle's view, data mutex and queue event
// instead of opening and closing the block's objects on every call. The
// environment variable CVX_NO_FASTPATH, set to anything but "0", turns this
// off for the whole process; it is read once.

// A held handle's objects as the calls by name see them. The list holds one
// reference and every call working through it one more; the objects are
// closed by the holder's close, or, when calls are still working through them
// then, by the last of those calls. The entry keeps the structure mutex open
// as long as the objects, so that other processes find the block as long as
// it is there.
struct HeldBlock {
    volatile LONG references;
    HeldBlock *next;
    const NsmHandle *holder;
    char name[kMaxBlockName + 1];
    HANDLE structureMutex;
    HANDLE mapping;
    void *view;
    SIZE_T viewSize;
    HANDLE dataMutex;
    BlockLayout layout;
    // A queue's event, duplicated from the queue handle that holds it, and the
    // name it was opened by.
    HANDLE event;
    char eventName[sizeof(NmqHeader::eventName)];
};

// Enters a handle that OpenBlock has just made.
void HoldBlock(const NsmHandle *handle, const char *name, const BlockLayout &layout, SIZE_T viewSize);

// Gives a held block the event that its queue handle holds.
void HoldQueueEvent(const NsmHandle *block, HANDLE event, const char *eventName);

// Takes a handle out of the list as CVU_NsmClose closes it. False when its data
// mutex, view and mapping are the caller's to close; true when a call by name
// still works through them and will close them as it ends.
bool ReleaseHeldBlock(const NsmHandle *handle);

// One call's reference to a held block: its objects stay open until the call
// lets go, even when the holder closes the handle meanwhile.
class HeldBlockRef {
public:
    HeldBlockRef() = default;
    HeldBlockRef(const HeldBlockRef &) = delete;
    HeldBlockRef &operator=(const HeldBlockRef &) = delete;
    ~HeldBlockRef() { Reset(); }

    // Takes a block of that name that this process holds; false when it holds
    // none (or the process does not use held blocks).
    bool Find(const char *name);
    void Reset();
    const HeldBlock &Block() const { return *block_; }
    // The held queue event, when it was opened by that name; null otherwise.
    HANDLE Event(const char *eventName) const;

private:
    HeldBlock *block_ = nullptr;
    HANDLE event_ = nullptr;
};

// A block reached by name for one call, with its data lock held: every
// message and table call comes through here. Open works through a handle this
// process holds when there is one and otherwise opens the block by name, as a
// process that holds none does. Unlocks (and closes what it opened) on
// destruction.
class LockedBlock {
public:
    LockedBlock() = default;
    LockedBlock(const LockedBlock &) = delete;
    LockedBlock &operator=(const LockedBlock &) = delete;
    ~LockedBlock() { Unlock(); }

    // Reaches the block and takes its data lock within kLockTimeout: the
    // errors of CVU_NsmOpen and CVU_NsmLockData.
    DWORD Open(const char *blockName);
    // The same through a new handle of the caller's, always opened by name,
    // for Keep.
    DWORD OpenHandle(const char *blockName);
    BYTE *Data() const { return data_; }
    DWORD DataSize() const { return dataSize_; }
    // The queue event of the held block reached, when it has that name.
    HANDLE HeldEvent(const char *eventName) const { return held_.Event(eventName); }
    // Releases the lock and hands over the handle of OpenHandle.
    NsmHandle *Keep();

private:
    DWORD OpenByName(const char *blockName, bool held);
    DWORD Lock(HANDLE dataMutex, BYTE *data, DWORD dataSize);
    void Unlock();

    HeldBlockRef held_;
    UniqueNsm block_;
    HANDLE lockedMutex_ = nullptr;
    bool locked_ = false;
    BYTE *data_ = nullptr;
    DWORD dataSize_ = 0;
};

}  // namespace cvx::ipc
