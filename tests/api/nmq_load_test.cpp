// The queue under load from several processes, creates racing the last
// close, and a process that dies while it holds a queue's lock; with
// processes that reach the queue by name alone, and mixed with processes that
// hold it open, with calls through their handles switched on or off.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace ipctest;

namespace {

// Messages per writer. Every call of a process that holds no handle opens the
// queue by name, so each add or remove is a round of kernel-object calls;
// under Wine a run of such processes takes about 20 seconds. Lower this, never
// the number of processes, if a slower machine needs it.
constexpr DWORD kMessagesPerWriter = 10000;
constexpr int kWriters = 4, kReaders = 4;
constexpr DWORD kStop = 0xFFFFFFFF;

// The data of message seq from writer: its origin, then bytes that depend on
// both, 8 to 64 bytes in all.
std::string Payload(DWORD writer, DWORD seq)
{
    std::string data(8 + seq % 57, '\0');
    std::memcpy(&data[0], &writer, 4);
    std::memcpy(&data[4], &seq, 4);
    for (size_t i = 8; i < data.size(); ++i) data[i] = char(writer * 31 + seq * 7 + i);
    return data;
}

// Adds one message, waiting while the queue is full.
DWORD AddWaiting(const std::string &queue, DWORD type, const std::string &data)
{
    DWORD rc;
    while ((rc = Put(queue, type, data)) == 84) Sleep(1);
    return rc;
}

// How a process reaches the queue: by name alone, or holding it open with
// calls through its handle switched on or off.
enum class Reach { ByName, HeldOn, HeldOff };

cvxtest::ChildProcess StartMember(const char *role, std::vector<std::string> args, Reach reach)
{
    cvxtest::ChildOptions options;
    if (reach != Reach::ByName) {
        args.push_back("hold");
        options.environment["CVX_NO_FASTPATH"] = reach == Reach::HeldOn ? "0" : "1";
    }
    return cvxtest::StartChild(role, args, options);
}

// Holds the queue for the life of a child that is told to ("hold" as its
// last argument).
class ChildHold {
public:
    ChildHold(const std::vector<std::string> &args, const std::string &queue)
    {
        if (args.back() == "hold") ok_ = CVU_NmqOpen(queue.c_str(), &handle_) == 0;
    }
    ~ChildHold()
    {
        if (handle_) CVU_NmqClose(handle_);
    }
    bool ok_ = true;

private:
    NmqHandle *handle_ = nullptr;
};

CVX_CHILD_ROLE(nmq_load_writer)
{
    const std::string &queue = args.at(0);
    DWORD writer = std::stoul(args.at(1));
    ChildHold hold(args, queue);
    for (DWORD seq = 0; hold.ok_ && seq < kMessagesPerWriter; ++seq)
        if (AddWaiting(queue, writer, Payload(writer, seq))) return 10;
    return hold.ok_ ? 0 : 9;
}

// Takes messages from the front until a stop message, checks each one, and
// writes the (writer, seq) pairs it received to a file.
CVX_CHILD_ROLE(nmq_load_reader)
{
    const std::string &queue = args.at(0);
    ChildHold hold(args, queue);
    HANDLE event = nullptr;
    if (!hold.ok_ || CVU_NmqGetEvent(queue.c_str(), &event) || !event) return 10;
    std::vector<DWORD> received, lastSeq(kWriters + 1, kStop);
    for (;;) {
        WaitForSingleObject(event, 1000);
        DWORD type = 0, seq = 0;
        std::string data;
        DWORD rc = Take(queue, NMQ_FRONT, &type, &data);
        if (rc == 259) continue;
        if (rc) return 11;
        if (type == kStop) break;
        if (type < 1 || type > kWriters || data.size() < 8) return 12;
        std::memcpy(&seq, &data[4], 4);
        if (data != Payload(type, seq)) return 13;
        // One queue, first in first out: a writer's messages come in order.
        if (lastSeq[type] != kStop && seq <= lastSeq[type]) return 14;
        lastSeq[type] = seq;
        received.insert(received.end(), {type, seq});
    }
    CloseHandle(event);
    FILE *file = std::fopen(args.at(1).c_str(), "wb");
    if (!file) return 15;
    std::fwrite(received.data(), sizeof(DWORD), received.size(), file);
    std::fclose(file);
    return 0;
}

// Four writers and four readers, each a process that reaches the queue as
// given; every message arrives exactly once and in its writer's order.
void RunLoad(const char *tag, const Reach (&writerReach)[kWriters], const Reach (&readerReach)[kReaders])
{
    const std::string queue = UniqueName(tag), dir = cvxtest::TempDirectory("nmqload");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 8192, 0, &handle));
    std::vector<cvxtest::ChildProcess> readers, writers;
    for (int r = 0; r < kReaders; ++r)
        readers.push_back(StartMember("nmq_load_reader", {queue, dir + "reader" + std::to_string(r)}, readerReach[r]));
    for (int w = 1; w <= kWriters; ++w)
        writers.push_back(StartMember("nmq_load_writer", {queue, std::to_string(w)}, writerReach[w - 1]));
    for (auto &writer : writers) EXPECT_EQ(0, writer.Wait(100000));
    // Behind every message: one stop for each reader.
    for (int r = 0; r < kReaders; ++r) ASSERT_EQ(0u, AddWaiting(queue, kStop, ""));
    for (auto &reader : readers) EXPECT_EQ(0, reader.Wait(60000));

    std::vector<int> seen(kWriters * kMessagesPerWriter, 0);
    for (int r = 0; r < kReaders; ++r) {
        std::string bytes = cvxtest::ReadFileText(dir + "reader" + std::to_string(r));
        std::vector<DWORD> pairs(bytes.size() / sizeof(DWORD));
        std::memcpy(pairs.data(), bytes.data(), pairs.size() * sizeof(DWORD));
        for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
            ASSERT_TRUE(pairs[i] >= 1 && pairs[i] <= kWriters && pairs[i + 1] < kMessagesPerWriter);
            ++seen[(pairs[i] - 1) * kMessagesPerWriter + pairs[i + 1]];
        }
    }
    EXPECT_EQ(seen.end(), std::find_if(seen.begin(), seen.end(), [](int n) { return n != 1; }));
    RawBlock raw("~Nmq::" + queue);
    EXPECT_EQ((std::vector<DWORD>{0, 8192, 0}), Words(raw.View(), kData + kQCount, 3)) << "count, capacity, used";
    EXPECT_EQ(1u, raw.RefCount()) << "the children closed what they held";
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqLoad, FourWritersAndFourReadersShareOneQueue)
{
    constexpr Reach byName[] = {Reach::ByName, Reach::ByName, Reach::ByName, Reach::ByName};
    RunLoad("NmqLoad", byName, byName);
}

TEST(NmqLoad, HeldAndByNameProcessesShareOneQueue)
{
    constexpr Reach writers[] = {Reach::HeldOn, Reach::HeldOff, Reach::HeldOn, Reach::ByName};
    constexpr Reach readers[] = {Reach::HeldOff, Reach::HeldOn, Reach::ByName, Reach::HeldOn};
    RunLoad("NmqLoadMixed", writers, readers);
}

// Creates and closes one queue, over and over.
CVX_CHILD_ROLE(nmq_create_close)
{
    for (int round = std::stoi(args.at(1)); round > 0; --round) {
        NmqHandle *handle = nullptr;
        if (CVU_NmqCreate(args.at(0).c_str(), NMQ_EVENT, 0, 0, &handle) || CVU_NmqClose(handle)) return 10;
    }
    return 0;
}

TEST(NmqLoad, CreatesRacingTheLastCloseAllSucceed)
{
    const std::string queue = UniqueName("NmqRace");
    cvxtest::ChildProcess a = cvxtest::StartChild("nmq_create_close", {queue, "1500"});
    cvxtest::ChildProcess b = cvxtest::StartChild("nmq_create_close", {queue, "1500"});
    EXPECT_EQ(0, a.Wait(60000));
    EXPECT_EQ(0, b.Wait(60000));
}

// Takes a queue's data lock the way every queue call does, and keeps it until
// the test kills this process.
CVX_CHILD_ROLE(nmq_hold_lock)
{
    Signal locked(args.at(0) + "_locked");
    NsmHandle *block = nullptr;
    if (CVU_NsmOpen(("~Nmq::" + args.at(0)).c_str(), &block) || CVU_NsmLockData(block, 10000)) return 10;
    locked.Set();
    Sleep(INFINITE);
    return 12;
}

// Holds the queue or not and, once told, adds while the lock's holder is
// killed: 1 when that add failed for the abandoned lock, 0 when it went in.
// The next add goes in either way.
CVX_CHILD_ROLE(nmq_add_after_abandon)
{
    const std::string &queue = args.at(0), &tag = args.at(1);
    DWORD type = std::stoul(args.at(2));
    Signal opened(tag + "_opened"), go(queue + "_go"), trying(tag + "_trying");
    ChildHold hold(args, queue);
    opened.Set();
    if (!hold.ok_ || !go.Wait()) return 10;
    trying.Set();
    DWORD first = Put(queue, type, "a");
    if (first != 0 && first != CVU_E_LOCK) return 11;
    if (Put(queue, type + 1, "a")) return 12;
    return first == CVU_E_LOCK ? 1 : 0;
}

TEST(NmqLoad, AKilledLockHolderCostsOneCallAndNoMessage)
{
    const std::string queue = UniqueName("NmqKilled");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 0, 0, &handle));
    ASSERT_EQ(0u, Put(queue, 10, "p"));
    Signal go(queue + "_go"), locked(queue + "_locked");
    // Waiters that work through their handles, and one that opens by name.
    const Reach reaches[] = {Reach::HeldOn, Reach::HeldOff, Reach::ByName};
    std::vector<cvxtest::ChildProcess> waiters;
    for (int i = 0; i < 3; ++i) {
        const std::string tag = queue + std::to_string(i);
        Signal opened(tag + "_opened");
        waiters.push_back(StartMember("nmq_add_after_abandon", {queue, tag, std::to_string(20 + 10 * i)}, reaches[i]));
        ASSERT_TRUE(opened.Wait());
    }
    cvxtest::ChildProcess holder = cvxtest::StartChild("nmq_hold_lock", {queue});
    ASSERT_TRUE(locked.Wait());
    go.Set();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(Signal(queue + std::to_string(i) + "_trying").Wait());
    Sleep(300);
    holder.Kill();
    std::vector<DWORD> expected = {10, 50}, types;
    int failed = 0;
    for (int i = 0; i < 3; ++i) {
        int rc = waiters[i].Wait();
        ASSERT_TRUE(rc == 0 || rc == 1) << rc;
        failed += rc;
        if (!rc) expected.push_back(20 + 10 * i);
        expected.push_back(21 + 10 * i);
    }
    EXPECT_EQ(1, failed) << "exactly one of the waiters meets the abandoned lock";

    // Everyone carries on, this process too; nothing was lost.
    EXPECT_EQ(0u, Put(queue, 50, "p"));
    DWORD type = 0;
    while (CVU_NmqRemove(queue.c_str(), &type, nullptr, nullptr, NMQ_FRONT) == 0) types.push_back(type);
    std::sort(types.begin(), types.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, types);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

}  // namespace
