// Calls by name on queues that the calling process holds open: they work
// through the process's own handles, and nothing another process or the
// caller can see differs from calls that open the queue by name.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace ipctest;

namespace {

// A call by name that opens its queue takes the block's structure mutex; a
// call through a held handle takes only the data lock.
TEST(NmqHeld, TheSwitchDecidesWhetherACallWaitsForOpensAndCloses)
{
    const std::string queue = UniqueName("NmqHeldSwitch");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), 0, 0, 0, &handle));
    EXPECT_EQ(!HeldPathOn(), WaitsForStructureMutex("~Nmq::" + queue, [&] { EXPECT_EQ(0u, Put(queue, 1, "x")); }));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

// Every call by name, first of all a process's calls, leaves the thread's
// last error as it found it when it succeeds or fails on the queue itself.
CVX_CHILD_ROLE(nmq_last_error)
{
    const std::string &queue = args.at(0);
    NmqHandle *handle = nullptr;
    if (args.size() > 1 && CVU_NmqOpen(queue.c_str(), &handle)) return 20;
    const DWORD mark = 0x1234;
    DWORD type = 0, length = 1;
    std::string data;
    char small[1];
    HANDLE event = nullptr;
    SetLastError(mark);
    const DWORD results[] = {Put(queue, 1, "first"), Put(queue, 2, "second", NMQ_FRONT),
                             CVU_NmqRemove(queue.c_str(), &type, small, &length, NMQ_KEEPIFSHORT),
                             Take(queue, 0, &type, &data), Take(queue, 0, &type, &data), Take(queue, 0, &type, &data),
                             CVU_NmqGetEvent(queue.c_str(), &event)};
    const DWORD expected[] = {0, 0, 234, 0, 0, 259, 0};
    if (GetLastError() != mark) return 1;
    if (event) CloseHandle(event);
    if (handle) CVU_NmqClose(handle);
    return std::equal(std::begin(results), std::end(results), expected) ? 0 : 2;
}

TEST(NmqHeld, CallsByNameLeaveTheLastErrorAlone)
{
    const std::string queue = UniqueName("NmqHeldLastError");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 0, 0, &handle));
    EXPECT_EQ(0, cvxtest::RunChild("nmq_last_error", {queue}));
    EXPECT_EQ(0, cvxtest::RunChild("nmq_last_error", {queue, "hold"}));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

// ---- handles closed while other threads use the name -----------------------------

std::string Message(DWORD adder, DWORD seq)
{
    std::string data(8 + seq % 23, char('a' + adder));
    std::memcpy(&data[0], &adder, 4);
    std::memcpy(&data[4], &seq, 4);
    return data;
}

TEST(NmqHeld, HandlesCloseAndReopenWhileOtherThreadsAddAndRemove)
{
    constexpr DWORD kAdders = 2, kAddsEach = 1500;
    const std::string queue = UniqueName("NmqHeldThreads"), block = "~Nmq::" + queue;
    NmqHandle *first = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 1024, 0, &first));
    // The queue's objects held with Win32 alone keep it alive while this
    // process holds no handle of the library's.
    RawBlock keep(block);
    HANDLE objects[] = {OpenMutexA(SYNCHRONIZE, FALSE, ("cvuNsm_MT::" + block).c_str()),
                        OpenMutexA(SYNCHRONIZE, FALSE, ("cvuNsm_MT_DATA::" + block).c_str()),
                        OpenEventA(SYNCHRONIZE, FALSE, ("cvuNmq_EV::" + queue).c_str())};

    std::atomic<bool> adding{true};
    std::atomic<int> failures{0};
    std::atomic<DWORD> received{0}, reopened{0};
    std::vector<std::atomic<int>> seen(kAdders * kAddsEach);
    auto fail = [&](const char *what, DWORD rc) {
        if (failures++ < 5) ADD_FAILURE() << what << ": " << rc;
    };
    std::vector<std::thread> adders, others;
    // The queue handle closed and opened again, and a bare block handle: at
    // times this process holds the queue, at times not, and closes come in
    // the middle of calls.
    others.emplace_back([&] {
        NmqHandle *handle = first;
        for (; adding; ++reopened) {
            if (DWORD rc = CVU_NmqClose(handle)) fail("close", rc);
            if (DWORD rc = CVU_NmqOpen(queue.c_str(), &handle)) return fail("open", rc);
        }
        CVU_NmqClose(handle);
    });
    others.emplace_back([&] {
        for (NsmHandle *handle = nullptr; adding; Sleep(0)) {
            if (DWORD rc = CVU_NsmOpen(block.c_str(), &handle)) return fail("block open", rc);
            if (DWORD rc = CVU_NsmClose(handle)) fail("block close", rc);
        }
    });
    for (DWORD adder = 0; adder < kAdders; ++adder)
        adders.emplace_back([&, adder] {
            for (DWORD seq = 0; seq < kAddsEach; ++seq) {
                DWORD rc;
                while ((rc = Put(queue, adder + 1, Message(adder, seq))) == 84 && !failures) Sleep(0);
                if (rc) return fail("add", rc);
            }
        });
    for (int r = 0; r < 2; ++r)
        others.emplace_back([&] {
            DWORD last[kAdders] = {0xFFFFFFFF, 0xFFFFFFFF};
            for (DWORD deadline = GetTickCount() + 90000; received < kAdders * kAddsEach && GetTickCount() < deadline;) {
                DWORD type = 0, seq = 0;
                std::string data;
                DWORD rc = Take(queue, NMQ_FRONT, &type, &data);
                if (rc == 259) {
                    Sleep(0);
                    continue;
                }
                if (rc || type - 1 >= kAdders || data.size() < 8) return fail("remove", rc);
                std::memcpy(&seq, &data[4], 4);
                if (seq >= kAddsEach || data != Message(type - 1, seq)) return fail("message data", seq);
                // One queue, first in first out: each adder's messages in order.
                if (last[type - 1] != 0xFFFFFFFF && seq <= last[type - 1]) fail("order", seq);
                last[type - 1] = seq;
                ++seen[(type - 1) * kAddsEach + seq];
                ++received;
            }
        });
    for (auto &t : adders) t.join();
    adding = false;
    for (auto &t : others) t.join();
    for (HANDLE h : objects) CloseHandle(h);

    EXPECT_EQ(0, failures.load());
    EXPECT_GT(reopened.load(), 0u);
    for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(1, seen[i].load()) << i;
    EXPECT_EQ(0u, keep.RefCount()) << "every handle closed";
}

// A holder that closes while one of its own calls by name waits for the data
// lock leaves the queue where other openers find it until that call ends;
// with no handle left anywhere, the queue is gone.
TEST(NmqHeld, TheLastCloseRemovesTheQueueOnceItsCallsEnd)
{
    const std::string queue = UniqueName("NmqHeldClosing"), block = "~Nmq::" + queue;
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 0, 0, &handle));
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
    CloseHandle(data);
    EXPECT_EQ(0u, added);
    EXPECT_EQ(1u, RawBlock(block).Word(kData + kQCount));
    EXPECT_EQ(0u, CVU_NsmClose(other));

    EXPECT_FALSE(MappingExists(block));
    EXPECT_FALSE(ObjectExists("cvuNsm_MT::" + block));
    EXPECT_FALSE(ObjectExists("cvuNsm_MT_DATA::" + block));
    HANDLE gone = OpenEventA(SYNCHRONIZE, FALSE, ("cvuNmq_EV::" + queue).c_str());
    EXPECT_EQ(nullptr, gone);
    if (gone) CloseHandle(gone);
    EXPECT_EQ(CVU_E_NOTFOUND, Put(queue, 3, "three"));
}

}  // namespace
