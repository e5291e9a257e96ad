// Named message queue: typed messages of any length in the data area of a
// named block, with an optional event that is signalled while messages wait.
#include <windows.h>

#include "ipc/ipc.h"
#include "ipc/portable/queue.h"

namespace cvx::ipc {

namespace {

constexpr char kBlockFormat[] = "~Nmq::%hs";
constexpr char kEventFormat[] = "cvuNmq_EV::%hs";

bool IsQueueName(const char *name) { return IsValidName(name, kNmqMaxName); }

// One message call on a queue reached by name: its block reached and locked
// (LockedBlock), its header and records checked, its event the one the header
// names. Every queue call reaches the queue's objects through here and
// nowhere else. Unlocks (and closes what it opened) when it goes.
class QueueCall {
public:
    explicit QueueCall(const char *name) : name_(name), eventName_(kEventFormat, name) {}
    DWORD Open() { return Load(block_.Open(ObjectName(kBlockFormat, name_))); }
    // Opens the queue through a handle of its own, for Keep.
    DWORD OpenHandle() { return Load(block_.OpenHandle(ObjectName(kBlockFormat, name_))); }
    QueueArea &Area() { return area_; }
    bool HasEvent() const { return area_.Header().flags & kNmqFlagEvent; }
    // A new handle to the queue's event, by the name its header keeps.
    HANDLE NewEventHandle() const { return OpenEventA(EVENT_ALL_ACCESS, FALSE, area_.EventName()); }
    // Makes the event show whether messages wait; a queue whose event cannot
    // be opened still works. The event a held queue keeps open is the one its
    // name leads to, so it is used as long as the header names it.
    void SignalEvent()
    {
        if (!HasEvent()) return;
        HANDLE event = block_.HeldEvent(area_.EventName());
        UniqueHandle opened;
        if (!event) {
            opened.reset(NewEventHandle());
            event = opened.get();
        }
        if (!event) return;
        if (area_.Count() > 0) SetEvent(event);
        else ResetEvent(event);
    }
    NsmHandle *Keep() { return block_.Keep(); }

private:
    DWORD Load(DWORD opened)
    {
        if (opened != ERROR_SUCCESS) return opened;
        // The event is the one the queue's own name gives: a header that
        // names another would have every call set or reset, and every open
        // hand out, some other program's event.
        return area_.Load(block_.Data(), block_.DataSize(), eventName_) ? ERROR_SUCCESS : CVU_E_BADHEADER;
    }

    const char *name_;
    ObjectName eventName_;
    LockedBlock block_;
    QueueArea area_;
};

void FreeQueueHandle(NmqHandle *handle)
{
    SecureZeroMemory(handle, sizeof *handle);
    HeapFree(GetProcessHeap(), 0, handle);
}

// Create's work once the block exists and is locked: the header and event of
// a new queue, then the open that gives the caller's handle. The block, its
// lock and the event go when this returns; the new handle holds its own.
DWORD FillAndOpenQueue(const char *name, NsmHandle *block, bool existed, DWORD flags, DWORD capacity,
                       DWORD maxCount, NmqHandle **handle)
{
    auto *header = reinterpret_cast<NmqHeader *>(block->data);
    if (!existed) {
        InitQueueHeader(block->data, flags, capacity, maxCount, name);
        if (flags & kNmqFlagEvent) wsprintfA(header->eventName, kEventFormat, name);
    }
    // A queue found existing gets its event made too: the last queue handle
    // elsewhere may have closed it while this call attached to the block.
    UniqueHandle event;
    if (block->dataSize >= sizeof(NmqHeader) && (LoadU32(&header->flags) & kNmqFlagEvent)) {
        event.reset(CreateEventA(nullptr, TRUE, FALSE, ObjectName(kEventFormat, name)));
        if (!event) return GetLastError();
    }
    return CVU_NmqOpen(name, handle);
}

DWORD CreateQueue(const char *name, DWORD flags, DWORD capacity, DWORD maxCount, bool *existed, NmqHandle **handle)
{
    DWORD blockFlags = NSM_DATALOCK | NSM_CREATELOCKED | ((flags & NMQ_EXCLUSIVE) ? NSM_EXCLUSIVE : 0);
    NsmHandle *created = nullptr;
    DWORD rc = CVU_NsmCreate(ObjectName(kBlockFormat, name), blockFlags, QueueSize(capacity), &created);
    if (rc != ERROR_SUCCESS) return rc;
    *existed = GetLastError() == ERROR_ALREADY_EXISTS;
    UniqueNsm block(created);

    rc = FillAndOpenQueue(name, created, *existed, flags, capacity, maxCount, handle);
    CVU_NsmUnlockData(created);
    return rc;
}

}  // namespace
}  // namespace cvx::ipc

using namespace cvx;
using namespace cvx::ipc;

extern "C" DWORD WINAPI CVU_NmqCreate(LPCSTR name, DWORD flags, DWORD capacity, DWORD maxCount, NmqHandle **handle)
{
    if (!handle) return ERROR_INVALID_PARAMETER;
    *handle = nullptr;
    if (!IsQueueName(name)) return ERROR_INVALID_PARAMETER;
    if (!capacity) capacity = kNmqDefaultCapacity;
    if (!maxCount) maxCount = kNmqNoLimit;
    if (!QueueSize(capacity)) return ERROR_INVALID_PARAMETER;

    bool existed = false;
    DWORD rc = CreateQueue(name, flags, capacity, maxCount, &existed, handle);
    if (rc != ERROR_SUCCESS) return rc;
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI CVU_NmqOpen(LPCSTR name, NmqHandle **handle)
{
    if (!handle) return ERROR_INVALID_PARAMETER;
    *handle = nullptr;
    if (!IsQueueName(name)) return ERROR_INVALID_PARAMETER;

    QueueCall queue(name);
    DWORD rc = queue.OpenHandle();
    if (rc != ERROR_SUCCESS) return rc;
    UniqueHandle event;
    if (queue.HasEvent()) {
        event.reset(queue.NewEventHandle());
        if (!event) return GetLastError();
    }
    UniqueNsm block(queue.Keep());

    auto *opened = static_cast<NmqHandle *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(NmqHandle)));
    if (!opened) return ERROR_NOT_ENOUGH_MEMORY;
    opened->magic = kNmqHandleMagic;
    opened->ownerProcessId = GetCurrentProcessId();
    opened->block = block.release();
    opened->event = event.release();
    if (opened->event) HoldQueueEvent(opened->block, opened->event, queue.Area().EventName());
    *handle = opened;
    return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI CVU_NmqClose(NmqHandle *handle)
{
    if (!IsValidHandle(handle, kNmqHandleMagic, sizeof *handle)) return ERROR_INVALID_HANDLE;
    if (handle->ownerProcessId != GetCurrentProcessId()) return CVU_E_NOTOWNER;
    // An abandoned structure mutex fails one wait and is free for the next.
    DWORD rc = CVU_NsmClose(handle->block);
    if (rc == CVU_E_LOCK) rc = CVU_NsmClose(handle->block);
    // The handle stays whole while its block is open, so that a retry can
    // close it.
    if (rc != ERROR_SUCCESS) return rc;
    if (handle->event) CloseHandle(handle->event);
    FreeQueueHandle(handle);
    return ERROR_SUCCESS;
}

extern "C" DWORD WINAPI CVU_NmqAdd(LPCSTR name, DWORD type, const void *data, DWORD length, DWORD flags)
{
    DWORD rc = CheckOpenName(name, kNmqMaxName);
    if (rc != ERROR_SUCCESS) return rc;
    QueueCall queue(name);
    rc = queue.Open();
    if (rc != ERROR_SUCCESS) return rc;
    rc = queue.Area().Add(type, data, length, flags & NMQ_FRONT);
    if (rc == ERROR_SUCCESS) queue.SignalEvent();
    return rc;
}

extern "C" DWORD WINAPI CVU_NmqRemove(LPCSTR name, DWORD *type, void *buffer, DWORD *length, DWORD flags)
{
    DWORD rc = CheckOpenName(name, kNmqMaxName);
    if (rc != ERROR_SUCCESS) return rc;
    QueueCall queue(name);
    rc = queue.Open();
    if (rc != ERROR_SUCCESS) return rc;
    uint32_t size = length ? *length : 0, kind = 0;
    rc = queue.Area().Remove(flags & NMQ_FRONT, flags & NMQ_KEEPIFSHORT, buffer, length ? &size : nullptr,
                             type ? &kind : nullptr);
    if (length) *length = size;
    if (type) *type = kind;
    queue.SignalEvent();
    return rc;
}

extern "C" DWORD WINAPI CVU_NmqGetEvent(LPCSTR name, HANDLE *event)
{
    if (!event) return ERROR_INVALID_PARAMETER;
    *event = nullptr;
    DWORD rc = CheckOpenName(name, kNmqMaxName);
    if (rc != ERROR_SUCCESS) return rc;
    QueueCall queue(name);
    rc = queue.Open();
    if (rc != ERROR_SUCCESS) return rc;
    if (!queue.HasEvent()) return ERROR_SUCCESS;
    HANDLE opened = queue.NewEventHandle();
    if (!opened) return GetLastError();
    *event = opened;
    return ERROR_SUCCESS;
}
