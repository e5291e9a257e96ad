// Calls by name on queues that the calling process holds open: they work
// through the process's own handles, and nothing another process or the
// caller can see differs from calls that open the queue by name.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace ipctest;

namespace {

// Block header fields, from the start of the mapping, and queue header fields
// from the start of the data area.
constexpr size_t kFlags = 8, kBlockSize = 12, kDataOffset = 20, kData = 92;
constexpr size_t kQCount = 16;

const HANDLE kSentinel = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5A5A5A5A));

DWORD Put(const std::string &queue, DWORD type, const std::string &data, DWORD flags = 0)
{
    return CVU_NmqAdd(queue.c_str(), type, data.data(), DWORD(data.size()), flags);
}

DWORD Take(const std::string &queue, DWORD flags, DWORD *type, std::string *data)
{
    char buffer[256];
    DWORD length = sizeof buffer;
    DWORD rc = CVU_NmqRemove(queue.c_str(), type, buffer, &length, flags);
    if (rc == 0) data->assign(buffer, length);
    return rc;
}

cvxtest::ChildOptions HeldPath(bool on)
{
    cvxtest::ChildOptions options;
    options.environment["CVX_NO_FASTPATH"] = on ? "0" : "1";
    return options;
}

// ---- which path a call takes ------------------------------------------------------
// A call that opens its queue by name takes the block's structure mutex, which
// opens and closes in any process hold for a moment; a call through a held
// handle takes only the data lock. Holding the structure mutex shows which
// path the switch chose.

// Holds the queue, then adds once while the test holds the structure mutex:
// 0 when the add went ahead, 1 when it waited for the release.
CVX_CHILD_ROLE(nmq_add_beside_an_open)
{
    const std::string &queue = args.at(0), &tag = args.at(1);
    Signal ready(tag + "_ready"), held(tag + "_held"), released(tag + "_released");
    NmqHandle *handle = nullptr;
    if (CVU_NmqOpen(queue.c_str(), &handle)) return 10;
    ready.Set();
    if (!held.Wait()) return 11;
    if (Put(queue, 1, "beside")) return 12;
    int waited = released.Wait(0) ? 1 : 0;
    return CVU_NmqClose(handle) ? 13 : waited;
}

TEST(NmqHeld, TheSwitchDecidesWhetherACallWaitsForOpensAndCloses)
{
    const std::string queue = UniqueName("NmqHeldSwitch");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), 0, 0, 0, &handle));
    const std::string structureName = "cvuNsm_MT::~Nmq::" + queue;

    // This process, with the switch its environment gives it.
    {
        StructureLockHolder holder("~Nmq::" + queue, 3000);
        ASSERT_FALSE(holder.Released());
        EXPECT_EQ(0u, Put(queue, 1, "here"));
        EXPECT_EQ(HeldPathOn(), !holder.Released());
    }

    // Child processes with the switch off and on.
    RawBlock raw("~Nmq::" + queue);
    for (bool on : {false, true}) {
        const std::string tag = queue + (on ? "_on" : "_off");
        Signal ready(tag + "_ready"), childHeld(tag + "_held"), childReleased(tag + "_released");
        cvxtest::ChildProcess child = cvxtest::StartChild("nmq_add_beside_an_open", {queue, tag}, HeldPath(on));
        ASSERT_TRUE(ready.Wait());
        HANDLE structure = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, structureName.c_str());
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(structure, 5000));
        childHeld.Set();
        // The child's message arrives while the mutex is held only when its
        // call went ahead.
        bool addedWhileHeld = false;
        for (DWORD waited = 0; waited < (on ? 10000u : 1000u) && !addedWhileHeld; waited += 20) {
            Sleep(20);
            addedWhileHeld = raw.Word(kData + kQCount) == 2;
        }
        childReleased.Set();
        ReleaseMutex(structure);
        CloseHandle(structure);
        EXPECT_EQ(on, addedWhileHeld);
        EXPECT_EQ(on ? 0 : 1, child.Wait()) << (on ? "switched on" : "switched off");
        DWORD type = 0;
        std::string data;
        EXPECT_EQ(0u, Take(queue, 0, &type, &data));
        EXPECT_EQ("beside", data);
    }
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

// ---- what the caller sees --------------------------------------------------------

// Every call by name, first of all this process's calls, leaves the thread's
// last error as it found it when it succeeds or fails on the queue itself.
DWORD LastErrorAfterCalls(const std::string &queue)
{
    const DWORD mark = 0x1234;
    auto unchanged = [&](DWORD rc, DWORD expected) { return rc == expected && GetLastError() == mark; };
    DWORD type = 0;
    std::string data;
    char small[1];
    DWORD length = sizeof small;
    HANDLE event = nullptr;
    SetLastError(mark);
    if (!unchanged(Put(queue, 1, "first"), 0)) return 1;
    if (!unchanged(Put(queue, 2, "second", NMQ_FRONT), 0)) return 2;
    if (!unchanged(CVU_NmqRemove(queue.c_str(), &type, small, &length, NMQ_KEEPIFSHORT), 234)) return 3;
    if (!unchanged(Take(queue, 0, &type, &data), 0)) return 4;
    if (!unchanged(Take(queue, 0, &type, &data), 0)) return 5;
    if (!unchanged(Take(queue, 0, &type, &data), 259)) return 6;
    if (!unchanged(CVU_NmqGetEvent(queue.c_str(), &event), 0) || !event) return 7;
    CloseHandle(event);
    return 0;
}

CVX_CHILD_ROLE(nmq_last_error)
{
    NmqHandle *handle = nullptr;
    if (args.size() > 1 && CVU_NmqOpen(args[0].c_str(), &handle)) return 20;
    DWORD rc = LastErrorAfterCalls(args.at(0));
    if (handle) CVU_NmqClose(handle);
    return int(rc);
}

TEST(NmqHeld, CallsByNameLeaveTheLastErrorAlone)
{
    const std::string queue = UniqueName("NmqHeldLastError");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 0, 0, &handle));
    EXPECT_EQ(0u, LastErrorAfterCalls(queue));
    // In processes whose first call is one of these, holding the queue or not.
    for (bool on : {false, true}) {
        EXPECT_EQ(0, cvxtest::RunChild("nmq_last_error", {queue}, HeldPath(on)));
        EXPECT_EQ(0, cvxtest::RunChild("nmq_last_error", {queue, "hold"}, HeldPath(on)));
    }
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqHeld, DamagedBlockHeadersAreRefusedOnEveryCall)
{
    const std::string queue = UniqueName("NmqHeldDamaged");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 64, 0, &handle));
    ASSERT_EQ(0u, Put(queue, 1, "kept"));
    RawBlock raw("~Nmq::" + queue);
    ASSERT_TRUE(raw);
    const DWORD blockSize = raw.Word(kBlockSize);

    struct Damage {
        const char *what;
        size_t offset;
        DWORD value;
    };
    // Each leaves a header that an open by name refuses, or one that puts the
    // queue somewhere the holder's handle does not: the calls follow the
    // header as it is now.
    const Damage damages[] = {
        {"magic", 0, 0x274C7802},
        {"block size beyond the mapping", kBlockSize, 0x10000000},
        {"block size cutting into the queue", kBlockSize, blockSize - 8},
        {"data offset moved by a word", kDataOffset, kData + 4},
    };
    for (const Damage &d : damages) {
        DWORD saved = raw.Word(d.offset);
        SetWord(raw.View(), d.offset, d.value);
        std::vector<BYTE> before(raw.View(), raw.View() + blockSize);
        DWORD type = 0;
        std::string data;
        EXPECT_EQ(CVU_E_BADHEADER, Put(queue, 2, "new")) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, Take(queue, NMQ_FRONT, &type, &data)) << d.what;
        HANDLE event = kSentinel;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_NmqGetEvent(queue.c_str(), &event)) << d.what;
        EXPECT_EQ(nullptr, event);
        EXPECT_EQ(before, std::vector<BYTE>(raw.View(), raw.View() + blockSize)) << d.what;
        SetWord(raw.View(), d.offset, saved);
    }

    // A header that says the block has no data lock is taken at its word: the
    // call does not wait for a lock that another thread holds.
    NsmHandle *block = nullptr;
    ASSERT_EQ(0u, CVU_NsmOpen(("~Nmq::" + queue).c_str(), &block));
    HANDLE locked = CreateEventA(nullptr, TRUE, FALSE, nullptr), done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread locker([&] {
        CVU_NsmLockData(block, 5000);
        SetEvent(locked);
        WaitForSingleObject(done, 30000);
        CVU_NsmUnlockData(block);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(locked, 20000));
    const DWORD flags = raw.Word(kFlags);
    SetWord(raw.View(), kFlags, flags & ~DWORD(NSM_DATALOCK));
    EXPECT_EQ(0u, Put(queue, 3, "unlocked"));
    SetWord(raw.View(), kFlags, flags);
    SetEvent(done);
    locker.join();
    CloseHandle(locked);
    CloseHandle(done);
    EXPECT_EQ(0u, CVU_NsmClose(block));

    // Repaired, nothing was lost.
    DWORD type = 0;
    std::string data;
    ASSERT_EQ(0u, Take(queue, NMQ_FRONT, &type, &data));
    EXPECT_EQ("kept", data);
    ASSERT_EQ(0u, Take(queue, NMQ_FRONT, &type, &data));
    EXPECT_EQ("unlocked", data);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

// ---- handles closed while other threads use the name -----------------------------

// A queue's named objects held with Win32 alone: they keep the queue alive
// while this process holds no handle of the library's.
class QueueObjects {
public:
    explicit QueueObjects(const std::string &queue)
    {
        const std::string block = "~Nmq::" + queue;
        handles_[0] = OpenMutexA(SYNCHRONIZE, FALSE, ("cvuNsm_MT::" + block).c_str());
        handles_[1] = OpenMutexA(SYNCHRONIZE, FALSE, ("cvuNsm_MT_DATA::" + block).c_str());
        handles_[2] = OpenFileMappingA(FILE_MAP_READ, FALSE, ("cvuNsm_FM::" + block).c_str());
        handles_[3] = OpenEventA(SYNCHRONIZE, FALSE, ("cvuNmq_EV::" + queue).c_str());
    }
    ~QueueObjects()
    {
        for (HANDLE h : handles_)
            if (h) CloseHandle(h);
    }
    QueueObjects(const QueueObjects &) = delete;
    bool AllOpen() const { return handles_[0] && handles_[1] && handles_[2] && handles_[3]; }

private:
    HANDLE handles_[4] = {};
};

constexpr DWORD kAdders = 2, kRemovers = 2, kAddsEach = 1500;

std::string Message(DWORD adder, DWORD seq)
{
    std::string data(8 + seq % 23, char('a' + adder));
    std::memcpy(&data[0], &adder, 4);
    std::memcpy(&data[4], &seq, 4);
    return data;
}

TEST(NmqHeld, HandlesCloseAndReopenWhileOtherThreadsAddAndRemove)
{
    const std::string queue = UniqueName("NmqHeldThreads");
    NmqHandle *first = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 1024, 0, &first));
    QueueObjects keep(queue);
    ASSERT_TRUE(keep.AllOpen());

    std::atomic<bool> adding{true};
    std::atomic<int> failures{0};
    std::atomic<DWORD> received{0}, reopened{0};
    std::vector<std::atomic<int>> seen(kAdders * kAddsEach);
    auto fail = [&](const char *what, DWORD rc) {
        if (failures++ < 5) ADD_FAILURE() << what << ": " << rc;
    };

    std::vector<std::thread> threads;
    // The queue handle, closed and opened again: at times this process holds
    // the queue, at times not, and closes come in the middle of calls.
    threads.emplace_back([&] {
        NmqHandle *handle = first;
        while (adding) {
            if (DWORD rc = CVU_NmqClose(handle)) fail("close", rc);
            if (DWORD rc = CVU_NmqOpen(queue.c_str(), &handle)) return fail("open", rc);
            ++reopened;
        }
        CVU_NmqClose(handle);
    });
    // A bare block handle of the queue, without the queue's event.
    threads.emplace_back([&] {
        const std::string block = "~Nmq::" + queue;
        while (adding) {
            NsmHandle *handle = nullptr;
            if (DWORD rc = CVU_NsmOpen(block.c_str(), &handle)) return fail("block open", rc);
            Sleep(0);
            if (DWORD rc = CVU_NsmClose(handle)) fail("block close", rc);
        }
    });
    std::vector<std::thread> adders;
    for (DWORD adder = 0; adder < kAdders; ++adder)
        adders.emplace_back([&, adder] {
            for (DWORD seq = 0; seq < kAddsEach; ++seq) {
                DWORD rc;
                while ((rc = Put(queue, adder + 1, Message(adder, seq))) == 84) Sleep(0);
                if (rc) return fail("add", rc);
            }
        });
    for (DWORD r = 0; r < kRemovers; ++r)
        threads.emplace_back([&] {
            DWORD last[kAdders];
            std::fill(std::begin(last), std::end(last), 0xFFFFFFFF);
            DWORD deadline = GetTickCount() + 90000;
            while (received < kAdders * kAddsEach && GetTickCount() < deadline) {
                DWORD type = 0;
                std::string data;
                DWORD rc = Take(queue, NMQ_FRONT, &type, &data);
                if (rc == 259) {
                    Sleep(0);
                    continue;
                }
                if (rc) return fail("remove", rc);
                DWORD adder = type - 1, seq = 0;
                if (adder >= kAdders || data.size() < 8) return fail("message", type);
                std::memcpy(&seq, &data[4], 4);
                if (seq >= kAddsEach || data != Message(adder, seq)) return fail("message data", seq);
                // One queue, first in first out: each adder's messages in order.
                if (last[adder] != 0xFFFFFFFF && seq <= last[adder]) fail("order", seq);
                last[adder] = seq;
                ++seen[adder * kAddsEach + seq];
                ++received;
            }
        });
    for (auto &t : adders) t.join();
    adding = false;
    for (auto &t : threads) t.join();

    EXPECT_EQ(0, failures.load());
    EXPECT_GT(reopened.load(), 0u);
    EXPECT_EQ(kAdders * kAddsEach, received.load());
    for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(1, seen[i].load()) << i;
    RawBlock raw("~Nmq::" + queue);
    ASSERT_TRUE(raw);
    EXPECT_EQ(0u, raw.RefCount()) << "every handle closed";
    EXPECT_EQ(0u, raw.Word(kData + kQCount));
}

// With no handle left anywhere, the queue is gone, whichever path its last
// calls took.
TEST(NmqHeld, TheLastCloseStillRemovesTheQueue)
{
    const std::string queue = UniqueName("NmqHeldLast");
    NmqHandle *first = nullptr, *second = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 0, 0, &first));
    ASSERT_EQ(0u, CVU_NmqOpen(queue.c_str(), &second));
    ASSERT_EQ(0u, Put(queue, 1, "one"));
    EXPECT_EQ(0u, CVU_NmqClose(first));
    ASSERT_EQ(0u, Put(queue, 2, "two"));
    HANDLE event = nullptr;
    ASSERT_EQ(0u, CVU_NmqGetEvent(queue.c_str(), &event));
    CloseHandle(event);
    EXPECT_EQ(0u, CVU_NmqClose(second));
    EXPECT_FALSE(MappingExists("~Nmq::" + queue));
    EXPECT_FALSE(ObjectExists("cvuNsm_MT::~Nmq::" + queue));
    EXPECT_FALSE(ObjectExists("cvuNsm_MT_DATA::~Nmq::" + queue));
    HANDLE gone = OpenEventA(SYNCHRONIZE, FALSE, ("cvuNmq_EV::" + queue).c_str());
    EXPECT_EQ(nullptr, gone);
    if (gone) CloseHandle(gone);
    EXPECT_EQ(CVU_E_NOTFOUND, Put(queue, 3, "three"));
}

}  // namespace

// A holder that closes while one of its own calls by name waits for the data
// lock leaves the queue where other openers find it until that call ends.
TEST(NmqHeld, ACloseDuringTheHoldersOwnCallKeepsTheQueueFindable)
{
    const std::string queue = UniqueName("NmqHeldClosing"), block = "~Nmq::" + queue;
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), 0, 0, 0, &handle));
    HANDLE data = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, ("cvuNsm_MT_DATA::" + block).c_str());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(data, 0));
    DWORD added = 1;
    std::thread adder([&] { added = Put(queue, 1, "x"); });
    Sleep(300);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
    NsmHandle *other = nullptr;
    EXPECT_EQ(0u, CVU_NsmOpen(block.c_str(), &other));
    ReleaseMutex(data);
    adder.join();
    EXPECT_EQ(0u, added);
    if (other) EXPECT_EQ(0u, CVU_NsmClose(other));
    CloseHandle(data);
    EXPECT_FALSE(MappingExists(block));
}
