// The blocks this process holds open, found by name for the calls that take a
// name: a short shared lock and a name compare instead of opening and closing
// the block's kernel objects on every call.
#include <windows.h>

#include <cstring>
#include <utility>

#include "ipc/ipc.h"
#include "korutil/portable/korstr.h"

namespace cvx::ipc {

namespace {

SRWLOCK heldLock = SRWLOCK_INIT;
HeldBlock *heldBlocks = nullptr;

// 0 until the switch is read, then 1 (held blocks in use) or 2 (not).
volatile LONG heldSwitch = 0;

// The environment switch, read without touching the caller's last error.
bool ReadSwitch()
{
    DWORD saved = GetLastError();
    char value[4];
    DWORD length = GetEnvironmentVariableA("CVX_NO_FASTPATH", value, sizeof value);
    SetLastError(saved);
    return length == 0 || (length == 1 && value[0] == '0');
}

bool HeldBlocksInUse()
{
    LONG state = heldSwitch;
    if (!state) {
        InterlockedCompareExchange(&heldSwitch, ReadSwitch() ? 1 : 2, 0);
        state = heldSwitch;
    }
    return state == 1;
}

void FreeHeldBlock(HeldBlock *block)
{
    if (block->event) CloseHandle(block->event);
    CloseHandle(block->structureMutex);
    HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace

void HoldBlock(const NsmHandle *handle, const char *name, const BlockLayout &layout, SIZE_T viewSize)
{
    if (!HeldBlocksInUse()) return;
    // Without memory for the entry the handle still works; calls by name then
    // open the block as before.
    auto *block = static_cast<HeldBlock *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(HeldBlock)));
    if (!block) return;
    HANDLE process = GetCurrentProcess();
    if (!DuplicateHandle(process, handle->structureMutex, process, &block->structureMutex, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        HeapFree(GetProcessHeap(), 0, block);
        return;
    }
    block->references = 1;
    block->holder = handle;
    std::memcpy(block->name, name, std::strlen(name) + 1);
    block->mapping = handle->mapping;
    block->view = handle->view;
    block->viewSize = viewSize;
    block->dataMutex = handle->dataMutex;
    block->layout = layout;

    AcquireSRWLockExclusive(&heldLock);
    block->next = heldBlocks;
    heldBlocks = block;
    ReleaseSRWLockExclusive(&heldLock);
}

void HoldQueueEvent(const NsmHandle *handle, HANDLE event, const char *eventName)
{
    if (!HeldBlocksInUse()) return;
    // A duplicate of its own, so that the queue handle's close never takes the
    // event from a call that is signalling it.
    HANDLE process = GetCurrentProcess(), copy = nullptr;
    if (!DuplicateHandle(process, event, process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) return;

    AcquireSRWLockExclusive(&heldLock);
    for (HeldBlock *block = heldBlocks; block; block = block->next) {
        if (block->holder != handle || block->event) continue;
        kor::CopyStringLimited(eventName, block->eventName, sizeof block->eventName);
        block->event = std::exchange(copy, nullptr);
        break;
    }
    ReleaseSRWLockExclusive(&heldLock);
    if (copy) CloseHandle(copy);
}

bool ReleaseHeldBlock(const NsmHandle *handle)
{
    if (!HeldBlocksInUse()) return false;
    HeldBlock *released = nullptr;
    AcquireSRWLockExclusive(&heldLock);
    for (HeldBlock **link = &heldBlocks; *link; link = &(*link)->next) {
        if ((*link)->holder != handle) continue;
        released = *link;
        *link = released->next;
        break;
    }
    ReleaseSRWLockExclusive(&heldLock);
    if (!released) return false;
    if (InterlockedDecrement(&released->references) == 0) {
        FreeHeldBlock(released);
        return false;
    }
    return true;
}

bool HeldBlockRef::Find(const char *name)
{
    Reset();
    if (!HeldBlocksInUse()) return false;
    AcquireSRWLockShared(&heldLock);
    // The block of a queue handle, which keeps the event, before a bare one.
    HeldBlock *found = nullptr;
    for (HeldBlock *block = heldBlocks; block; block = block->next) {
        if (std::strcmp(block->name, name) != 0) continue;
        if (!found || (block->event && !found->event)) found = block;
        if (found->event) break;
    }
    if (found) {
        InterlockedIncrement(&found->references);
        event_ = found->event;
    }
    ReleaseSRWLockShared(&heldLock);
    block_ = found;
    return found != nullptr;
}

void HeldBlockRef::Reset()
{
    HeldBlock *block = std::exchange(block_, nullptr);
    event_ = nullptr;
    if (!block || InterlockedDecrement(&block->references) != 0) return;
    // The holder closed while this call worked: the objects are this call's
    // to close, under the structure mutex as every close is, so that a
    // creator never finds the mapping without its data mutex.
    bool taken = TakeMutex(block->structureMutex, kLockTimeout) == ERROR_SUCCESS;
    CloseBlockObjects(block->dataMutex, block->view, block->mapping);
    if (taken) ReleaseMutex(block->structureMutex);
    FreeHeldBlock(block);
}

HANDLE HeldBlockRef::Event(const char *eventName) const
{
    if (!event_ || std::strcmp(block_->eventName, eventName) != 0) return nullptr;
    return event_;
}

}  // namespace cvx::ipc
