// Helpers of the inter-process tests: names no other test uses, raw views of
// a block's mapping as another program would see it, and the queue calls as
// the tests make them.
#pragma once
#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "cvxutil.h"

namespace ipctest {

// Block header fields from the start of a mapping; the data area follows at 92.
constexpr size_t kFlags = 8, kBlockSize = 12, kDataOffset = 20, kData = 92;
// Queue header fields from the start of the data area.
constexpr size_t kQSize = 8, kQCount = 16, kQCapacity = 20, kQUsed = 24, kQArea = 28, kQLast = 32, kQName = 36,
                 kQEvent = 84, kQRecords = 136;

// An out value a failed call must leave alone or clear.
template <class T>
T *Sentinel()
{
    return reinterpret_cast<T *>(static_cast<ULONG_PTR>(0x5A5A5A5A));
}

inline std::string UniqueName(const std::string &tag) { return tag + "_" + std::to_string(GetCurrentProcessId()); }

inline std::vector<DWORD> Words(const void *base, size_t offset, size_t count)
{
    std::vector<DWORD> words(count);
    std::memcpy(words.data(), static_cast<const BYTE *>(base) + offset, count * sizeof(DWORD));
    return words;
}
inline DWORD Word(const void *base, size_t offset) { return Words(base, offset, 1)[0]; }
inline void SetWord(void *base, size_t offset, DWORD value) { std::memcpy(static_cast<BYTE *>(base) + offset, &value, 4); }

// The first failure of calls made in the order given, or 0.
inline DWORD First(std::initializer_list<DWORD> results)
{
    for (DWORD rc : results)
        if (rc) return rc;
    return 0;
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

inline bool MappingExists(const std::string &block)
{
    HANDLE h = OpenFileMappingA(FILE_MAP_READ, FALSE, ("cvuNsm_FM::" + block).c_str());
    return h && CloseHandle(h);
}

// The mapping of a block, opened and viewed with Win32 alone. Holding it
// keeps the block alive.
class RawBlock {
public:
    explicit RawBlock(const std::string &name)
        : mapping_(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, ("cvuNsm_FM::" + name).c_str())),
          view_(mapping_ ? static_cast<BYTE *>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr)
    {
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

private:
    HANDLE mapping_;
    BYTE *view_;
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

}  // namespace ipctest
