// Named shared memory through the exports, within one process and across
// processes.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace ipctest;

namespace {

constexpr size_t kDataOffset = 92;

NsmHandle *const kSentinel = reinterpret_cast<NsmHandle *>(static_cast<ULONG_PTR>(0x5A5A5A5A));

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
    const std::string name = UniqueName("NsmLayout");
    NsmHandle *handle = nullptr;
    SetLastError(1234);
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK | 0x100, 5, &handle));
    EXPECT_EQ(0u, GetLastError());
    ASSERT_NE(nullptr, handle);

    RawBlock raw(name);
    ASSERT_TRUE(raw);
    EXPECT_TRUE(raw.HasSectionSize(100)) << raw.SectionSize();
    EXPECT_EQ(0x274C7800u, raw.Word(0));
    EXPECT_EQ(1u, raw.RefCount());
    EXPECT_EQ(0x101u, raw.Word(8));
    EXPECT_EQ(100u, raw.Word(12));
    EXPECT_EQ(5u, raw.Word(16));
    EXPECT_EQ(92u, raw.Word(20));
    EXPECT_EQ(name, reinterpret_cast<const char *>(raw.View() + 24));
    for (size_t i = 24 + name.size(); i < 100; ++i) ASSERT_EQ(0, raw.View()[i]) << "byte " << i;

    // The data area starts at offset 92 in this process's own view too.
    BYTE *data = DataOf(handle);
    ASSERT_NE(nullptr, data);
    SetWord(data, 4, 0xC0FFEE);
    EXPECT_EQ(0xC0FFEEu, raw.Word(kDataOffset + 4));
    EXPECT_TRUE(ObjectExists("cvuNsm_MT::" + name));
    EXPECT_TRUE(ObjectExists("cvuNsm_MT_DATA::" + name));
    EXPECT_EQ(0u, CVU_NsmClose(handle));
}

TEST(NsmBlocks, MappingSizeDropsTheLowBits)
{
    // At a page boundary the mapping's size shows even where the system
    // rounds it to pages: 4003 bytes of data still fit one page, 4004 not.
    struct Case {
        DWORD requested, block;
    };
    for (Case c : {Case{4003, 4096}, Case{4004, 4100}, Case{1, 96}}) {
        const std::string name = UniqueName("NsmSize") + "_" + std::to_string(c.requested);
        NsmHandle *handle = nullptr;
        ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), 0, c.requested, &handle));
        RawBlock raw(name);
        EXPECT_TRUE(raw.HasSectionSize(c.block)) << c.requested << ": " << raw.SectionSize();
        EXPECT_EQ(c.block, raw.Word(12));
        EXPECT_EQ(c.requested, raw.Word(16));
        // The data area starts at 92 and runs to the end of the block.
        BYTE *data = DataOf(handle);
        data[0] = 0x7D;
        EXPECT_EQ(0x7D, raw.View()[92]);
        data[c.block - 92 - 1] = 0x7E;
        EXPECT_EQ(0x7E, raw.View()[c.block - 1]);
        EXPECT_EQ(0u, CVU_NsmClose(handle));
    }
}

TEST(NsmBlocks, NamesAreCutInTheHeaderOnly)
{
    const std::string name = UniqueName("NsmLong") + std::string(71, 'x');
    const std::string fits = name.substr(0, 71), tooLong = name.substr(0, 72);
    NsmHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(fits.c_str(), NSM_DATALOCK, 16, &handle));
    RawBlock raw(fits);
    ASSERT_TRUE(raw);
    EXPECT_EQ(fits.substr(0, 63), reinterpret_cast<const char *>(raw.View() + 24));
    EXPECT_TRUE(ObjectExists("cvuNsm_MT_DATA::" + fits));
    NsmHandle *other = kSentinel;
    EXPECT_EQ(87u, CVU_NsmCreate(tooLong.c_str(), 0, 16, &other));
    EXPECT_EQ(nullptr, other);
    other = kSentinel;
    EXPECT_EQ(87u, CVU_NsmOpen(tooLong.c_str(), &other));
    EXPECT_EQ(kSentinel, other);
    EXPECT_EQ(0u, CVU_NsmClose(handle));
}

TEST(NsmBlocks, BadArgumentsCreateNothing)
{
    const std::string name = UniqueName("NsmArgs");
    NsmHandle *handle = kSentinel;
    EXPECT_EQ(87u, CVU_NsmCreate(name.c_str(), 0, 0, &handle));
    EXPECT_EQ(nullptr, handle);
    handle = kSentinel;
    EXPECT_EQ(87u, CVU_NsmCreate("", 0, 5, &handle));
    EXPECT_EQ(nullptr, handle);
    EXPECT_EQ(87u, CVU_NsmCreate(nullptr, 0, 5, &handle));
    EXPECT_EQ(87u, CVU_NsmCreate(name.c_str(), 0, 5, nullptr));
    // A size whose block would not fit 32 bits.
    EXPECT_EQ(87u, CVU_NsmCreate(name.c_str(), 0, 0xFFFFFFF0u, &handle));
    EXPECT_FALSE(ObjectExists("cvuNsm_MT::" + name));
    EXPECT_FALSE(MappingExists(name));
    EXPECT_EQ(87u, CVU_NsmOpen(name.c_str(), nullptr));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_NsmOpen("", &handle));
}

TEST(NsmBlocks, CreateOfAnExistingBlockOpensIt)
{
    const std::string name = UniqueName("NsmExisting");
    NsmHandle *first = nullptr, *second = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 5, &first));
    SetWord(DataOf(first), 0, 77);

    // The existing header decides size and data lock.
    SetLastError(0);
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), 0, 1000, &second));
    EXPECT_EQ(183u, GetLastError());
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first, second);
    EXPECT_EQ(77u, Word(DataOf(second), 0));
    RawBlock raw(name);
    EXPECT_TRUE(raw.HasSectionSize(100)) << raw.SectionSize();
    EXPECT_EQ(1u, raw.Word(8));
    EXPECT_EQ(5u, raw.Word(16));
    EXPECT_EQ(2u, raw.RefCount());
    // The data lock exists, so the other thread must wait.
    ASSERT_EQ(0u, CVU_NsmLockData(second, 1000));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmLockData(first, 0); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(second));

    // Exclusive: 183, no handle, the block untouched.
    NsmHandle *third = kSentinel;
    EXPECT_EQ(183u, CVU_NsmCreate(name.c_str(), NSM_EXCLUSIVE | NSM_DATALOCK, 5, &third));
    EXPECT_EQ(nullptr, third);
    EXPECT_EQ(2u, raw.RefCount());
    EXPECT_EQ(77u, Word(DataOf(first), 0));

    // Two opens and one close leave one more.
    EXPECT_EQ(0u, CVU_NsmClose(second));
    EXPECT_EQ(1u, raw.RefCount());
    EXPECT_EQ(0u, CVU_NsmClose(first));
    EXPECT_EQ(0u, raw.RefCount());
}

TEST(NsmBlocks, AnExistingDataMutexLeavesNoBlockBehind)
{
    const std::string name = UniqueName("NsmDataMutex");
    HANDLE squatter = CreateMutexA(nullptr, FALSE, ("cvuNsm_MT_DATA::" + name).c_str());
    ASSERT_NE(nullptr, squatter);
    NsmHandle *handle = kSentinel;
    EXPECT_EQ(183u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 5, &handle));
    EXPECT_EQ(nullptr, handle);
    EXPECT_FALSE(MappingExists(name));
    EXPECT_FALSE(ObjectExists("cvuNsm_MT::" + name));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_NsmOpen(name.c_str(), &handle));
    CloseHandle(squatter);

    // Without the data lock the same name works.
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), 0, 5, &handle));
    EXPECT_EQ(0u, CVU_NsmClose(handle));
}

TEST(NsmBlocks, MissingBlocksAndBadHandles)
{
    NsmHandle *handle = kSentinel;
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_NsmOpen(UniqueName("NsmNever").c_str(), &handle));
    EXPECT_EQ(kSentinel, handle);

    void *data = &handle;
    EXPECT_EQ(6u, CVU_NsmClose(nullptr));
    EXPECT_EQ(6u, CVU_NsmDataView(nullptr, &data));
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(6u, CVU_NsmDataView(nullptr, nullptr));
    EXPECT_EQ(6u, CVU_NsmLockData(nullptr, 0));
    EXPECT_EQ(6u, CVU_NsmUnlockData(nullptr));

    // Memory that is not a block handle, readable or not.
    DWORD notAHandle[16] = {0x274C7800};
    auto *fake = reinterpret_cast<NsmHandle *>(notAHandle);
    EXPECT_EQ(6u, CVU_NsmClose(fake));
    EXPECT_EQ(6u, CVU_NsmLockData(fake, 0));
    EXPECT_EQ(6u, CVU_NsmClose(reinterpret_cast<NsmHandle *>(static_cast<ULONG_PTR>(0x10))));
    void *reserved = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_READWRITE);
    EXPECT_EQ(6u, CVU_NsmUnlockData(static_cast<NsmHandle *>(reserved)));
    VirtualFree(reserved, 0, MEM_RELEASE);

    // A queue handle is not a block handle, and a closed handle is no handle.
    const std::string queue = UniqueName("NsmQueueHandle");
    NmqHandle *q = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), 0, 0, 0, &q));
    EXPECT_EQ(6u, CVU_NsmClose(reinterpret_cast<NsmHandle *>(q)));
    EXPECT_EQ(0u, CVU_NmqClose(q));
    ASSERT_EQ(0u, CVU_NsmCreate(UniqueName("NsmTwice").c_str(), 0, 5, &handle));
    EXPECT_EQ(0u, CVU_NsmClose(handle));
    EXPECT_EQ(6u, CVU_NsmClose(handle));
}

TEST(NsmBlocks, LockingIsPerThreadAndRecursive)
{
    const std::string name = UniqueName("NsmLocks");
    NsmHandle *locked = nullptr, *free = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 8, &locked));
    ASSERT_EQ(0u, CVU_NsmLockData(locked, 0));
    ASSERT_EQ(0u, CVU_NsmLockData(locked, 0));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmLockData(locked, 50); }));
    // Only the owning thread can unlock.
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmUnlockData(locked); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(locked));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmLockData(locked, 0); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(locked));
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmUnlockData(locked));
    EXPECT_EQ(0u, OnOtherThread([&] {
                  DWORD rc = CVU_NsmLockData(locked, 0);
                  return rc ? rc : CVU_NsmUnlockData(locked);
              }));

    // Without NSM_DATALOCK there is nothing to take.
    ASSERT_EQ(0u, CVU_NsmCreate(UniqueName("NsmNoLock").c_str(), 0, 8, &free));
    EXPECT_EQ(0u, CVU_NsmLockData(free, 0));
    EXPECT_EQ(0u, OnOtherThread([&] { return CVU_NsmLockData(free, 0); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(free));
    EXPECT_EQ(0u, CVU_NsmUnlockData(free));
    EXPECT_FALSE(ObjectExists("cvuNsm_MT_DATA::" + UniqueName("NsmNoLock")));
    EXPECT_EQ(0u, CVU_NsmClose(free));
    EXPECT_EQ(0u, CVU_NsmClose(locked));
}

TEST(NsmBlocks, DamagedBlockHeadersAreRefused)
{
    const std::string name = UniqueName("NsmDamaged");
    NsmHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 5, &handle));
    RawBlock raw(name);
    struct Damage {
        const char *what;
        size_t offset;
        DWORD value;
    };
    const Damage damages[] = {
        {"magic", 0, 0x12345678},
        {"block size beyond the mapping", 12, 0x10000000},
        {"data offset inside the header", 20, 8},
        {"data offset beyond the block", 20, 0x7FFFFFF0},
    };
    for (const Damage &d : damages) {
        DWORD saved = raw.Word(d.offset);
        SetWord(raw.View(), d.offset, d.value);
        NsmHandle *other = kSentinel;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_NsmOpen(name.c_str(), &other)) << d.what;
        EXPECT_EQ(kSentinel, other);
        EXPECT_EQ(1u, raw.RefCount()) << d.what;
        SetLastError(0);
        EXPECT_EQ(CVU_E_BADHEADER, CVU_NsmCreate(name.c_str(), 0, 5, &other)) << d.what;
        EXPECT_EQ(nullptr, other);
        SetWord(raw.View(), d.offset, saved);
    }
    // A failed open released the structure mutex: the next one works.
    NsmHandle *other = nullptr;
    ASSERT_EQ(0u, CVU_NsmOpen(name.c_str(), &other));
    EXPECT_EQ(0u, CVU_NsmClose(other));
    EXPECT_EQ(0u, CVU_NsmClose(handle));
}

// ---- across processes -------------------------------------------------------------

// Opens a block, reports, and closes it when told (or never, with "keep").
CVX_CHILD_ROLE(nsm_open_hold)
{
    const std::string &name = args.at(0);
    Signal opened(name + "_opened"), release(name + "_release");
    NsmHandle *handle = nullptr;
    DWORD rc = CVU_NsmOpen(name.c_str(), &handle);
    if (rc) return 10;
    // The address of our handle, for a test that copies its bytes.
    SetWord(DataOf(handle), 0, static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(handle)));
#ifdef _WIN64
    SetWord(DataOf(handle), 4, static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(handle) >> 32));
#endif
    opened.Set();
    if (!release.Wait(60000)) return 11;
    if (args.size() > 1 && args[1] == "keep") return 0;
    return CVU_NsmClose(handle) == 0 ? 0 : 12;
}

TEST(NsmBlocks, ReferenceCountsAcrossProcesses)
{
    const std::string name = UniqueName("NsmRefs");
    NsmHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 16, &handle));
    RawBlock raw(name);
    Signal opened1(name + "_opened"), release(name + "_release");

    cvxtest::ChildProcess closer = cvxtest::StartChild("nsm_open_hold", {name});
    ASSERT_TRUE(opened1.Wait());
    EXPECT_EQ(2u, raw.RefCount());

    // A copy of the other process's handle is not ours to close.
    ULONG_PTR address = Word(DataOf(handle), 0);
#ifdef _WIN64
    address |= static_cast<ULONG_PTR>(Word(DataOf(handle), 4)) << 32;
#endif
    BYTE copy[64] = {};
    SIZE_T got = 0;
    ASSERT_TRUE(ReadProcessMemory(closer.Handle(), reinterpret_cast<void *>(address), copy, sizeof copy, &got));
    auto *foreign = reinterpret_cast<NsmHandle *>(copy);
    EXPECT_EQ(CVU_E_NOTOWNER, CVU_NsmClose(foreign));
    EXPECT_EQ(2u, raw.RefCount());
    EXPECT_EQ(0x274C7801u, Word(copy, 0));

    release.Set();
    EXPECT_EQ(0, closer.Wait());
    EXPECT_EQ(1u, raw.RefCount());

    // A process that ends without closing leaves its count behind.
    ResetEvent(OpenEventA(EVENT_ALL_ACCESS, FALSE, (name + "_opened").c_str()));
    cvxtest::ChildProcess keeper = cvxtest::StartChild("nsm_open_hold", {name, "keep"});
    ASSERT_TRUE(opened1.Wait());
    EXPECT_EQ(0, keeper.Wait());
    EXPECT_EQ(2u, raw.RefCount());
    EXPECT_EQ(0u, CVU_NsmClose(handle));
    EXPECT_EQ(1u, raw.RefCount());
}

// Opens a block that its creator holds locked: it must wait for the data the
// creator writes before unlocking.
CVX_CHILD_ROLE(nsm_wait_for_creator)
{
    const std::string &name = args.at(0);
    Signal waiting(name + "_waiting");
    NsmHandle *handle = nullptr;
    if (CVU_NsmOpen(name.c_str(), &handle)) return 10;
    if (CVU_NsmLockData(handle, 0) != CVU_E_LOCK) return 11;
    waiting.Set();
    if (CVU_NsmLockData(handle, 30000)) return 12;
    DWORD seen = Word(DataOf(handle), 0);
    CVU_NsmUnlockData(handle);
    CVU_NsmClose(handle);
    return seen == 4242 ? 0 : 13;
}

TEST(NsmBlocks, CreateLockedMakesOtherProcessesWait)
{
    const std::string name = UniqueName("NsmCreateLocked");
    Signal waiting(name + "_waiting");
    NsmHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK | NSM_CREATELOCKED, 8, &handle));
    cvxtest::ChildProcess reader = cvxtest::StartChild("nsm_wait_for_creator", {name});
    ASSERT_TRUE(waiting.Wait());
    Sleep(100);
    SetWord(DataOf(handle), 0, 4242);
    EXPECT_EQ(0u, CVU_NsmUnlockData(handle));
    EXPECT_EQ(0, reader.Wait());
    EXPECT_EQ(0u, CVU_NsmClose(handle));
}

// Creates (attaches to) an existing block with NSM_CREATELOCKED and holds the
// lock until told.
CVX_CHILD_ROLE(nsm_create_locked_existing)
{
    const std::string &name = args.at(0);
    Signal locked(name + "_locked"), release(name + "_release");
    NsmHandle *handle = nullptr;
    if (CVU_NsmCreate(name.c_str(), NSM_CREATELOCKED, 8, &handle)) return 10;
    if (GetLastError() != 183) return 11;
    locked.Set();
    if (!release.Wait(60000)) return 12;
    if (CVU_NsmUnlockData(handle)) return 13;
    return CVU_NsmClose(handle) ? 14 : 0;
}

TEST(NsmBlocks, CreateLockedOfAnExistingBlockHoldsTheLock)
{
    const std::string name = UniqueName("NsmLockedExisting");
    Signal locked(name + "_locked"), release(name + "_release");
    NsmHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 8, &handle));
    cvxtest::ChildProcess child = cvxtest::StartChild("nsm_create_locked_existing", {name});
    ASSERT_TRUE(locked.Wait());
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmLockData(handle, 0));
    release.Set();
    EXPECT_EQ(0u, CVU_NsmLockData(handle, 20000));
    EXPECT_EQ(0u, CVU_NsmUnlockData(handle));
    EXPECT_EQ(0, child.Wait());
    EXPECT_EQ(0u, CVU_NsmClose(handle));
}

// Takes a block's structure mutex directly and ends without releasing it.
CVX_CHILD_ROLE(nsm_abandon_structure)
{
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, ("cvuNsm_MT::" + args.at(0)).c_str());
    if (!mutex || WaitForSingleObject(mutex, 5000) != WAIT_OBJECT_0) return 10;
    return 0;
}

TEST(NsmBlocks, AnAbandonedStructureMutexFailsOneCall)
{
    const std::string name = UniqueName("NsmAbandoned");
    NsmHandle *handle = nullptr, *other = kSentinel;
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 8, &handle));
    ASSERT_EQ(0, cvxtest::RunChild("nsm_abandon_structure", {name}));
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmOpen(name.c_str(), &other));
    EXPECT_EQ(kSentinel, other);
    ASSERT_EQ(0u, CVU_NsmOpen(name.c_str(), &other));
    RawBlock raw(name);
    EXPECT_EQ(2u, raw.RefCount());
    EXPECT_EQ(0u, CVU_NsmClose(other));
    EXPECT_EQ(0u, CVU_NsmClose(handle));

    // A queue's close gets past it and leaves nothing open.
    NmqHandle *queue = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 0, 0, &queue));
    ASSERT_EQ(0, cvxtest::RunChild("nsm_abandon_structure", {"~Nmq::" + name}));
    EXPECT_EQ(0u, CVU_NmqClose(queue));
    EXPECT_FALSE(MappingExists("~Nmq::" + name));
}

}  // namespace
