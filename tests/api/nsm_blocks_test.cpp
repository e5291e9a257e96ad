// Named shared memory through the exports: layout, attaching, locking,
// ownership and abandoned locks.
#include <windows.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"

using namespace ipctest;

namespace {

BYTE *DataOf(NsmHandle *handle)
{
    void *data = nullptr;
    EXPECT_EQ(0u, CVU_NsmDataView(handle, &data));
    return static_cast<BYTE *>(data);
}

// Runs body on another thread of this process and returns its result.
template <typename Body>
DWORD OnOtherThread(Body body)
{
    DWORD result = 0xFFFFFFFF;
    std::thread([&] { result = body(); }).join();
    return result;
}

TEST(NsmBlocks, NewBlockLayout)
{
    struct Case {
        DWORD requested, flags, block;
        size_t nameLength;  // 0: the unique name as it is
    };
    // The mapping's size shows where the system rounds it to pages: 4003
    // bytes still fit one page. The longest name has 71 characters.
    const Case cases[] = {{5, NSM_DATALOCK | 0x100, 100, 0}, {4003, NSM_DATALOCK, 4096, 71}, {8, 0, 104, 0}};
    for (const Case &c : cases) {
        std::string name = UniqueName("NsmLayout" + std::to_string(c.requested));
        if (c.nameLength) name = (name + std::string(c.nameLength, 'x')).substr(0, c.nameLength);
        NsmHandle *handle = nullptr;
        SetLastError(1234);
        ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), c.flags, c.requested, &handle));
        EXPECT_EQ(0u, GetLastError());
        RawBlock raw(name);
        ASSERT_TRUE(raw);
        EXPECT_TRUE(raw.HasSectionSize(c.block)) << c.requested;
        EXPECT_EQ((std::vector<DWORD>{0x274C7800, 1, c.flags, c.block, c.requested, 92}), Words(raw.View(), 0, 6));
        EXPECT_EQ(name.substr(0, 63), reinterpret_cast<const char *>(raw.View() + 24));
        for (size_t i = 24 + std::min<size_t>(name.size(), 63); i < c.block; ++i) ASSERT_EQ(0, raw.View()[i]) << i;
        // The data area runs from 92 to the end of the block, in this
        // process's own view too.
        BYTE *data = DataOf(handle);
        data[0] = 0x7D;
        data[c.block - kData - 1] = 0x7E;
        EXPECT_EQ(0x7D, raw.View()[kData]);
        EXPECT_EQ(0x7E, raw.View()[c.block - 1]);
        EXPECT_EQ(bool(c.flags & NSM_DATALOCK), ObjectExists("cvuNsm_MT_DATA::" + name));
        EXPECT_EQ(0u, CVU_NsmClose(handle));
    }
}

TEST(NsmBlocks, CreateOfAnExistingBlockOpensIt)
{
    const std::string name = UniqueName("NsmExisting");
    NsmHandle *first = nullptr, *second = nullptr, *third = Sentinel<NsmHandle>();
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 5, &first));
    SetWord(DataOf(first), 0, 77);

    // The existing header decides size and data lock; the lock is taken.
    SetLastError(0);
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_CREATELOCKED, 1000, &second));
    EXPECT_EQ(183u, GetLastError());
    EXPECT_EQ(77u, Word(DataOf(second), 0));
    RawBlock raw(name);
    EXPECT_TRUE(raw.HasSectionSize(100));
    EXPECT_EQ((std::vector<DWORD>{2, NSM_DATALOCK, 100, 5}), Words(raw.View(), 4, 4));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmLockData(first, 0); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(second));

    // Exclusive: 183, no handle, the block untouched.
    EXPECT_EQ(183u, CVU_NsmCreate(name.c_str(), NSM_EXCLUSIVE | NSM_DATALOCK, 5, &third));
    EXPECT_EQ(nullptr, third);
    EXPECT_EQ(2u, raw.RefCount());
    EXPECT_EQ(0u, CVU_NsmClose(second));
    EXPECT_EQ(1u, raw.RefCount());
    EXPECT_EQ(0u, CVU_NsmClose(first));
    EXPECT_EQ(0u, raw.RefCount());
}

TEST(NsmBlocks, AnExistingDataMutexLeavesNoBlockBehind)
{
    const std::string name = UniqueName("NsmDataMutex");
    HANDLE squatter = CreateMutexA(nullptr, FALSE, ("cvuNsm_MT_DATA::" + name).c_str());
    NsmHandle *handle = Sentinel<NsmHandle>();
    EXPECT_EQ(183u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 5, &handle));
    EXPECT_EQ(nullptr, handle);
    EXPECT_FALSE(MappingExists(name));
    EXPECT_FALSE(ObjectExists("cvuNsm_MT::" + name));
    CloseHandle(squatter);
    // Without the data lock the same name works.
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), 0, 5, &handle));
    EXPECT_EQ(0u, CVU_NsmClose(handle));
}

TEST(NsmBlocks, LockingIsPerThreadAndRecursive)
{
    const std::string name = UniqueName("NsmLocks");
    NsmHandle *locked = nullptr, *free = nullptr;
    // Created locked: another thread waits until the creator unlocks.
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK | NSM_CREATELOCKED, 8, &locked));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmLockData(locked, 50); }));
    ASSERT_EQ(0u, CVU_NsmLockData(locked, 0));
    // Only the owning thread can unlock, once per lock.
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmUnlockData(locked); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(locked));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmLockData(locked, 0); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(locked));
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmUnlockData(locked));
    EXPECT_EQ(0u, OnOtherThread([&] { return CVU_NsmLockData(locked, 0) + CVU_NsmUnlockData(locked); }));

    // Without NSM_DATALOCK there is nothing to take.
    ASSERT_EQ(0u, CVU_NsmCreate(UniqueName("NsmNoLock").c_str(), NSM_CREATELOCKED, 8, &free));
    EXPECT_EQ(0u, OnOtherThread([&] { return CVU_NsmLockData(free, 0); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(free));
    EXPECT_EQ(0u, CVU_NsmClose(free));

    // A copy of the handle that names another process as its owner.
    BYTE copy[64];
    std::memcpy(copy, locked, sizeof copy);
    SetWord(copy, 4, GetCurrentProcessId() + 4);
    EXPECT_EQ(CVU_E_NOTOWNER, CVU_NsmClose(reinterpret_cast<NsmHandle *>(copy)));
    EXPECT_EQ(0u, CVU_NsmClose(locked));
}

TEST(NsmBlocks, AnAbandonedStructureMutexFailsOneCall)
{
    const std::string name = UniqueName("NsmAbandoned");
    NsmHandle *handle = nullptr, *other = Sentinel<NsmHandle>();
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 8, &handle));
    ASSERT_TRUE(AbandonStructureMutex(name));
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmOpen(name.c_str(), &other));
    EXPECT_EQ(Sentinel<NsmHandle>(), other);
    ASSERT_EQ(0u, CVU_NsmOpen(name.c_str(), &other));
    EXPECT_EQ(2u, RawBlock(name).RefCount());
    ASSERT_TRUE(AbandonStructureMutex(name));
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmClose(other));
    EXPECT_EQ(0u, CVU_NsmClose(other));
    EXPECT_EQ(0u, CVU_NsmClose(handle));

    // A queue's close gets past it and leaves nothing open.
    NmqHandle *queue = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 0, 0, &queue));
    ASSERT_TRUE(AbandonStructureMutex("~Nmq::" + name));
    EXPECT_EQ(0u, CVU_NmqClose(queue));
    EXPECT_FALSE(MappingExists("~Nmq::" + name));
}

}  // namespace
