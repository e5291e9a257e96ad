// Helpers of the inter-process tests: names no other test uses, raw views of
// a block's mapping as another program would see it, and named events for
// the steps between a test and its child processes.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "cvxutil.h"

namespace ipctest {

// Whether this process's calls by name work through the blocks it holds: the
// library's switch, CVX_NO_FASTPATH set to anything but "0", turns it off.
inline bool HeldPathOn()
{
    char value[4];
    DWORD length = GetEnvironmentVariableA("CVX_NO_FASTPATH", value, sizeof value);
    return length == 0 || (length == 1 && value[0] == '0');
}

// A name unique to this test process.
inline std::string UniqueName(const char *tag) { return std::string(tag) + "_" + std::to_string(GetCurrentProcessId()); }

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
    // Whether the mapping object has the given size: exactly, or rounded up
    // to whole pages as Wine keeps anonymous sections.
    bool HasSectionSize(LONGLONG size) const
    {
        LONGLONG actual = SectionSize();
        return actual == size || actual == (size + 4095) / 4096 * 4096;
    }
    // Size of the mapping object itself, as the system keeps it.
    LONGLONG SectionSize() const
    {
        struct SectionBasicInformation {
            PVOID base;
            ULONG attributes;
            LARGE_INTEGER size;
        } info{};
        using Query = LONG(WINAPI *)(HANDLE, int, PVOID, SIZE_T, PSIZE_T);
        auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySection"));
        if (!query || query(mapping_, 0, &info, sizeof info, nullptr) != 0) return -1;
        return info.size.QuadPart;
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

// Holds a block's structure mutex on a thread of its own, as an open or a
// close in progress does for a moment, until it goes or for at most ms. A
// call by name that opens the block waits for it; a call through a handle
// this process holds does not.
class StructureLockHolder {
public:
    StructureLockHolder(const std::string &block, DWORD ms)
        : held_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        thread_ = std::thread([this, block, ms] {
            HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, ("cvuNsm_MT::" + block).c_str());
            if (mutex && WaitForSingleObject(mutex, 5000) == WAIT_OBJECT_0) {
                SetEvent(held_);
                WaitForSingleObject(release_, ms);
                released_ = true;
                ReleaseMutex(mutex);
            }
            if (mutex) CloseHandle(mutex);
            released_ = true;
            SetEvent(held_);
        });
        WaitForSingleObject(held_, 20000);
    }
    ~StructureLockHolder()
    {
        SetEvent(release_);
        thread_.join();
        CloseHandle(held_);
        CloseHandle(release_);
    }
    StructureLockHolder(const StructureLockHolder &) = delete;
    // Whether the mutex has been let go (or was never taken).
    bool Released() const { return released_; }

private:
    HANDLE held_, release_;
    std::atomic<bool> released_{false};
    std::thread thread_;
};

}  // namespace ipctest
