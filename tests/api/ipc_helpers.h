// Helpers of the inter-process tests: names no other test uses, raw views of
// a block's mapping as another program would see it, the queue calls as the
// tests make them, and named events for the steps between a test and its
// child processes.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "cvxutil.h"

namespace ipctest {

// Block header fields from the start of a mapping; the data area follows at 92.
constexpr size_t kFlags = 8, kBlockSize = 12, kDataOffset = 20, kData = 92;
// Queue header fields from the start of the data area.
constexpr size_t kQSize = 8, kQMax = 12, kQCount = 16, kQCapacity = 20, kQUsed = 24, kQArea = 28, kQLast = 32,
                 kQName = 36, kQEvent = 84, kQRecords = 136;

template <class T>
T *Sentinel()
{
    return reinterpret_cast<T *>(static_cast<ULONG_PTR>(0x5A5A5A5A));
}

// Whether this process's calls by name work through the blocks it holds: the
// library's switch, CVX_NO_FASTPATH set to anything but "0", turns it off.
inline bool HeldPathOn()
{
    char value[4];
    DWORD length = GetEnvironmentVariableA("CVX_NO_FASTPATH", value, sizeof value);
    return length == 0 || (length == 1 && value[0] == '0');
}

// A name unique to this test process.
inline std::string UniqueName(const std::string &tag) { return tag + "_" + std::to_string(GetCurrentProcessId()); }

inline DWORD Word(const void *base, size_t offset)
{
    DWORD value;
    std::memcpy(&value, static_cast<const BYTE *>(base) + offset, sizeof value);
    return value;
}

inline void SetWord(void *base, size_t offset, DWORD value)
{
    std::memcpy(static_cast<BYTE *>(base) + offset, &value, sizeof value);
}

inline std::vector<DWORD> Words(const void *base, size_t offset, size_t count)
{
    std::vector<DWORD> words(count);
    std::memcpy(words.data(), static_cast<const BYTE *>(base) + offset, count * sizeof(DWORD));
    return words;
}

inline DWORD Put(const std::string &queue, DWORD type, const std::string &data, DWORD flags = 0)
{
    return CVU_NmqAdd(queue.c_str(), type, data.data(), DWORD(data.size()), flags);
}

// Removes one message into a 256-byte buffer: its type and data, or the error.
inline DWORD Take(const std::string &queue, DWORD flags, DWORD *type, std::string *data)
{
    char buffer[256];
    DWORD length = sizeof buffer;
    DWORD rc = CVU_NmqRemove(queue.c_str(), type, buffer, &length, flags);
    if (rc == 0) data->assign(buffer, length);
    return rc;
}

inline bool IsSignalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

// The mapping of block name, opened and viewed with Win32 alone. Holding it
// keeps the block alive.
class RawBlock {
public:
    explicit RawBlock(const std::string &name)
    {
        mapping_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, ("cvuNsm_FM::" + name).c_str());
        if (mapping_) view_ = static_cast<BYTE *>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    ~RawBlock()
    {
        if (view_) UnmapViewOfFile(view_);
        if (mapping_) CloseHandle(mapping_);
    }
    RawBlock(const RawBlock &) = delete;
    explicit operator bool() const { return view_ != nullptr; }
    BYTE *View() const { return view_; }
    DWORD Word(size_t offset) const { return ipctest::Word(view_, offset); }
    DWORD RefCount() const { return Word(4); }
    std::vector<BYTE> Bytes(size_t count) const { return std::vector<BYTE>(view_, view_ + count); }
    // Whether the mapping object has the given size: exactly, or rounded up
    // to whole pages as Wine keeps anonymous sections.
    bool HasSectionSize(LONGLONG size) const
    {
        struct {
            PVOID base;
            ULONG attributes;
            LARGE_INTEGER size;
        } info{};
        using Query = LONG(WINAPI *)(HANDLE, int, PVOID, SIZE_T, PSIZE_T);
        auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySection"));
        if (!query || query(mapping_, 0, &info, sizeof info, nullptr) != 0) return false;
        return info.size.QuadPart == size || info.size.QuadPart == (size + 4095) / 4096 * 4096;
    }

private:
    HANDLE mapping_ = nullptr;
    BYTE *view_ = nullptr;
};

inline bool ObjectExists(const std::string &mutexName)
{
    HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, mutexName.c_str());
    if (h) CloseHandle(h);
    return h != nullptr;
}

inline bool MappingExists(const std::string &blockName)
{
    HANDLE h = OpenFileMappingA(FILE_MAP_READ, FALSE, ("cvuNsm_FM::" + blockName).c_str());
    if (h) CloseHandle(h);
    return h != nullptr;
}

// A manual-reset event that test and children share by name.
class Signal {
public:
    explicit Signal(const std::string &name) : handle_(CreateEventA(nullptr, TRUE, FALSE, name.c_str())) {}
    ~Signal()
    {
        if (handle_) CloseHandle(handle_);
    }
    Signal(const Signal &) = delete;
    void Set() const { SetEvent(handle_); }
    bool Wait(DWORD ms = 20000) const { return WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }

private:
    HANDLE handle_;
};

// Takes a block's structure mutex on a thread that then ends without
// releasing it: the next wait for it finds it abandoned.
inline bool AbandonStructureMutex(const std::string &block)
{
    bool taken = false;
    std::thread([&] {
        HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, ("cvuNsm_MT::" + block).c_str());
        taken = mutex && WaitForSingleObject(mutex, 5000) == WAIT_OBJECT_0;
        if (mutex) CloseHandle(mutex);
    }).join();
    return taken;
}

// Whether call waited for the block's structure mutex, which another thread
// holds meanwhile for up to 2 seconds, as an open or a close in progress does
// for a moment. A call by name that opens the block waits for it; a call
// through a handle this process holds does not.
template <class Call>
bool WaitsForStructureMutex(const std::string &block, Call call)
{
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> released{false}, done{false};
    std::thread holder([&] {
        HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, ("cvuNsm_MT::" + block).c_str());
        WaitForSingleObject(mutex, 5000);
        SetEvent(held);
        for (int i = 0; i < 100 && !done; ++i) Sleep(20);
        released = true;
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    WaitForSingleObject(held, 20000);
    call();
    bool waited = released;
    done = true;
    holder.join();
    CloseHandle(held);
    return waited;
}

}  // namespace ipctest
