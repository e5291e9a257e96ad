// Named shared memory through the exports: the layout another process reads,
// attaching, locking, ownership and abandoned locks.
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"

using namespace ipctest;

namespace {

template <typename Body>
DWORD OnOtherThread(Body body)
{
    DWORD result = 0xFFFFFFFF;
    std::thread([&] { result = body(); }).join();
    return result;
}

TEST(NsmBlocks, NewBlockLayoutAndAnExistingBlock)
{
    // 4003 bytes still fit one page; the longest name has 71 characters.
    const struct {
        DWORD requested, flags, block;
        size_t nameLength;  // 0: the unique name as it is
    } cases[] = {{5, NSM_DATALOCK | 0x100, 100, 0}, {4003, NSM_DATALOCK, 4096, 71}, {8, 0, 104, 0}};
    for (const auto &c : cases) {
        std::string name = UniqueName("NsmLayout" + std::to_string(c.requested));
        if (c.nameLength) name = (name + std::string(c.nameLength, 'x')).substr(0, c.nameLength);
        NsmHandle *handle = nullptr, *second = nullptr, *third = Sentinel<NsmHandle>();
        void *data = nullptr;
        ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), c.flags, c.requested, &handle));
        RawBlock raw(name);
        ASSERT_TRUE(raw);
        EXPECT_EQ((std::vector<DWORD>{0x274C7800, 1, c.flags, c.block, c.requested, 92}), Words(raw.View(), 0, 6));
        EXPECT_EQ(name.substr(0, 63), reinterpret_cast<const char *>(raw.View() + 24));
        for (size_t i = 24 + std::min<size_t>(name.size(), 63); i < c.block; ++i) ASSERT_EQ(0, raw.View()[i]) << i;
        // The data area runs from 92 to the end of the block in every view.
        ASSERT_EQ(0u, CVU_NsmDataView(handle, &data));
        SetWord(data, c.block - kData - 4, 0x7E7D7C7B);
        EXPECT_EQ(0x7E7D7C7Bu, raw.Word(c.block - 4));
        // The existing header decides size and data lock; exclusive refuses.
        ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_CREATELOCKED, 9000, &second));
        EXPECT_EQ((std::vector<DWORD>{2, c.flags, c.block, c.requested}), Words(raw.View(), 4, 4));
        EXPECT_EQ(183u, CVU_NsmCreate(name.c_str(), NSM_EXCLUSIVE | NSM_DATALOCK, 5, &third));
        EXPECT_EQ(nullptr, third);
        EXPECT_EQ(c.flags & NSM_DATALOCK ? CVU_E_LOCK : 0u, OnOtherThread([&] { return CVU_NsmLockData(handle, 0); }));
        EXPECT_EQ(0u, CVU_NsmClose(second));
        EXPECT_EQ(0u, CVU_NsmClose(handle));
        EXPECT_EQ(0u, raw.RefCount());
    }
}

TEST(NsmBlocks, LockingIsPerThreadAndRecursive)
{
    const std::string name = UniqueName("NsmLocks");
    NsmHandle *locked = nullptr;
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
    EXPECT_EQ(0u, OnOtherThread([&] { return First({CVU_NsmLockData(locked, 0), CVU_NsmUnlockData(locked)}); }));
    // A copy of the handle that names another process as its owner.
    BYTE copy[64];
    std::memcpy(copy, locked, sizeof copy);
    SetWord(copy, 4, GetCurrentProcessId() + 4);
    EXPECT_EQ(CVU_E_NOTOWNER, CVU_NsmClose(reinterpret_cast<NsmHandle *>(copy)));
    EXPECT_EQ(0u, CVU_NsmClose(locked));
}

// An open or close that meets an abandoned structure mutex fails once; the
// next one works.
TEST(NsmBlocks, AnAbandonedStructureMutexFailsOneCall)
{
    const std::string name = UniqueName("NsmAbandoned");
    NsmHandle *handle = nullptr, *other = Sentinel<NsmHandle>();
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 8, &handle));
    ASSERT_TRUE(AbandonStructureMutex(name));
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmOpen(name.c_str(), &other));
    EXPECT_EQ(Sentinel<NsmHandle>(), other);
    ASSERT_EQ(0u, CVU_NsmOpen(name.c_str(), &other));
    ASSERT_TRUE(AbandonStructureMutex(name));
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmClose(other));
    EXPECT_EQ(0u, CVU_NsmClose(other));
    EXPECT_EQ(0u, CVU_NsmClose(handle));
}

}  // namespace
