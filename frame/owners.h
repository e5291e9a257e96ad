// Owners of Win32 resources, so that every early return releases what the
// function took.
#pragma once
#include <windows.h>

#include <utility>

namespace cvx {

template <typename T, typename Traits>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value) {}
    Unique(const Unique &) = delete;
    Unique &operator=(const Unique &) = delete;
    Unique(Unique &&other) noexcept : value_(other.release()) {}
    Unique &operator=(Unique &&other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~Unique() { reset(); }

    T get() const { return value_; }
    T *put()
    {
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(T value = Traits::Invalid())
    {
        T old = std::exchange(value_, value);
        if (Traits::IsValid(old)) Traits::Close(old);
    }
    explicit operator bool() const { return Traits::IsValid(value_); }

private:
    T value_ = Traits::Invalid();
};

struct HkeyTraits {
    static HKEY Invalid() { return nullptr; }
    static bool IsValid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
// Kernel handles whose "none" is NULL (mutexes, events, mappings, processes).
struct HandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
// File handles, whose "none" is INVALID_HANDLE_VALUE.
struct FileTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct HmoduleTraits {
    static HMODULE Invalid() { return nullptr; }
    static bool IsValid(HMODULE h) { return h != nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};
struct ViewTraits {
    static void *Invalid() { return nullptr; }
    static bool IsValid(void *p) { return p != nullptr; }
    static void Close(void *p) { UnmapViewOfFile(p); }
};
struct LocalTraits {
    static HLOCAL Invalid() { return nullptr; }
    static bool IsValid(HLOCAL h) { return h != nullptr; }
    static void Close(HLOCAL h) { LocalFree(h); }
};

using UniqueHkey = Unique<HKEY, HkeyTraits>;
using UniqueHandle = Unique<HANDLE, HandleTraits>;
using UniqueFile = Unique<HANDLE, FileTraits>;
using UniqueModule = Unique<HMODULE, HmoduleTraits>;
using UniqueView = Unique<void *, ViewTraits>;
using UniqueLocal = Unique<HLOCAL, LocalTraits>;

// A mutex held by this thread; released when the holder goes.
class MutexHold {
public:
    MutexHold() = default;
    // Takes ownership of a wait that already succeeded on mutex.
    explicit MutexHold(HANDLE mutex) : mutex_(mutex) {}
    MutexHold(const MutexHold &) = delete;
    MutexHold &operator=(const MutexHold &) = delete;
    MutexHold(MutexHold &&other) noexcept : mutex_(std::exchange(other.mutex_, nullptr)) {}
    MutexHold &operator=(MutexHold &&other) noexcept
    {
        if (this != &other) {
            Release();
            mutex_ = std::exchange(other.mutex_, nullptr);
        }
        return *this;
    }
    ~MutexHold() { Release(); }

    // Returns FALSE when the release failed (the thread did not own it).
    BOOL Release()
    {
        HANDLE m = std::exchange(mutex_, nullptr);
        return m ? ReleaseMutex(m) : TRUE;
    }
    HANDLE Detach() { return std::exchange(mutex_, nullptr); }
    explicit operator bool() const { return mutex_ != nullptr; }

private:
    HANDLE mutex_ = nullptr;
};

}  // namespace cvx
