// Internal interface of the inter-process primitives: the handles, the names
// of the kernel objects, and the one place where a call reaches a block by
// its name.
#pragma once
#include <windows.h>

#include "cvxutil.h"
#include "frame/owners.h"
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

// Waits for a mutex. A wait that ends without ownership is CVU_E_LOCK; so is
// an abandoned mutex, whose ownership is given back at once so that the
// next caller finds it free.
DWORD TakeMutex(HANDLE mutex, DWORD timeout);

struct NsmCloser {
    static NsmHandle *Invalid() { return nullptr; }
    static bool IsValid(NsmHandle *h) { return h != nullptr; }
    static void Close(NsmHandle *h) { CVU_NsmClose(h); }
};
using UniqueNsm = Unique<NsmHandle *, NsmCloser>;

// A block reached by name for one call, with its data lock held: every
// message and table call comes through here, so this is where a process
// would reuse a block it already holds open. Unlocks and closes on
// destruction.
class LockedBlock {
public:
    LockedBlock() = default;
    LockedBlock(const LockedBlock &) = delete;
    LockedBlock &operator=(const LockedBlock &) = delete;
    ~LockedBlock();

    // Opens the block by name and takes its data lock within kLockTimeout:
    // the errors of CVU_NsmOpen and CVU_NsmLockData.
    DWORD Open(const char *blockName);
    BYTE *Data() const { return block_.get()->data; }
    DWORD DataSize() const { return block_.get()->dataSize; }
    // Releases the lock and hands over the open block.
    NsmHandle *Keep();

private:
    UniqueNsm block_;
    bool locked_ = false;
};

}  // namespace cvx::ipc
