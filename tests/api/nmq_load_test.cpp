// The queue under load from several processes, and a process that dies while
// it holds a queue's lock; both with processes that reach the queue by name
// alone, and mixed with processes that hold it open, with calls through their
// handles switched on or off.
#include <windows.h>

#include <algorithm>
#include <functional>
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
constexpr int kWriters = 4;
constexpr int kReaders = 4;
constexpr DWORD kStop = 0xFFFFFFFF;
constexpr DWORD kMaxPayload = 8 + 56;

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
    for (;;) {
        DWORD rc = CVU_NmqAdd(queue.c_str(), type, data.data(), DWORD(data.size()), 0);
        if (rc != 84) return rc;
        Sleep(1);
    }
}

// How a process of the load reaches the queue: by name alone, or holding it
// open with calls through its handle switched on or off.
enum class Reach { ByName, HeldOn, HeldOff };

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
    bool Ok() const { return ok_; }

private:
    NmqHandle *handle_ = nullptr;
    bool ok_ = true;
};

cvxtest::ChildProcess StartMember(const char *role, std::vector<std::string> args, Reach reach)
{
    cvxtest::ChildOptions options;
    if (reach != Reach::ByName) {
        args.push_back("hold");
        options.environment["CVX_NO_FASTPATH"] = reach == Reach::HeldOn ? "0" : "1";
    }
    return cvxtest::StartChild(role, args, options);
}

CVX_CHILD_ROLE(nmq_load_writer)
{
    const std::string &queue = args.at(0);
    DWORD writer = std::stoul(args.at(1)), count = std::stoul(args.at(2));
    ChildHold hold(args, queue);
    if (!hold.Ok()) return 9;
    for (DWORD seq = 0; seq < count; ++seq)
        if (AddWaiting(queue, writer, Payload(writer, seq))) return 10;
    return 0;
}

// Takes messages from the front until a stop message, checks each one, and
// writes the (writer, seq) pairs it received to a file.
CVX_CHILD_ROLE(nmq_load_reader)
{
    const std::string &queue = args.at(0), &results = args.at(1);
    ChildHold hold(args, queue);
    if (!hold.Ok()) return 9;
    HANDLE event = nullptr;
    if (CVU_NmqGetEvent(queue.c_str(), &event) || !event) return 10;
    std::vector<DWORD> received;
    DWORD lastSeq[kWriters + 1];
    std::fill(std::begin(lastSeq), std::end(lastSeq), kStop);
    for (;;) {
        WaitForSingleObject(event, 1000);
        char buffer[kMaxPayload + 16];
        DWORD type = 0, length = sizeof buffer;
        DWORD rc = CVU_NmqRemove(queue.c_str(), &type, buffer, &length, NMQ_FRONT);
        if (rc == 259) continue;
        if (rc) return 11;
        if (type == kStop) break;
        if (type < 1 || type > kWriters || length < 8) return 12;
        DWORD seq;
        std::memcpy(&seq, buffer + 4, 4);
        if (std::string(buffer, length) != Payload(type, seq)) return 13;
        // One queue, first in first out: a writer's messages come in order.
        if (lastSeq[type] != kStop && seq <= lastSeq[type]) return 14;
        lastSeq[type] = seq;
        received.push_back(type);
        received.push_back(seq);
    }
    CloseHandle(event);
    FILE *file = std::fopen(results.c_str(), "wb");
    if (!file) return 15;
    if (!received.empty()) std::fwrite(received.data(), sizeof(DWORD), received.size(), file);
    std::fclose(file);
    return 0;
}

std::vector<DWORD> ReadResults(const std::string &path)
{
    std::string bytes = cvxtest::ReadFileText(path);
    std::vector<DWORD> words(bytes.size() / sizeof(DWORD));
    std::memcpy(words.data(), bytes.data(), words.size() * sizeof(DWORD));
    return words;
}

// Four writers and four readers, each a process that reaches the queue as
// given; every message arrives exactly once and in its writer's order.
void RunLoad(const char *tag, const Reach (&writerReach)[kWriters], const Reach (&readerReach)[kReaders])
{
    const std::string queue = UniqueName(tag);
    const std::string dir = cvxtest::TempDirectory("nmqload");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 8192, 0, &handle));

    std::vector<cvxtest::ChildProcess> readers, writers;
    for (int r = 0; r < kReaders; ++r)
        readers.push_back(StartMember("nmq_load_reader", {queue, dir + "reader" + std::to_string(r)}, readerReach[r]));
    for (int w = 1; w <= kWriters; ++w)
        writers.push_back(StartMember("nmq_load_writer",
                                      {queue, std::to_string(w), std::to_string(kMessagesPerWriter)},
                                      writerReach[w - 1]));
    for (auto &writer : writers) EXPECT_EQ(0, writer.Wait(100000));
    // Behind every message: one stop for each reader.
    for (int r = 0; r < kReaders; ++r) ASSERT_EQ(0u, AddWaiting(queue, kStop, ""));
    for (auto &reader : readers) EXPECT_EQ(0, reader.Wait(60000));

    // Every message arrived exactly once.
    std::vector<int> seen(kWriters * kMessagesPerWriter, 0);
    size_t total = 0;
    for (int r = 0; r < kReaders; ++r) {
        std::vector<DWORD> pairs = ReadResults(dir + "reader" + std::to_string(r));
        for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
            ASSERT_GE(pairs[i], 1u);
            ASSERT_LE(pairs[i], DWORD(kWriters));
            ASSERT_LT(pairs[i + 1], kMessagesPerWriter);
            ++seen[(pairs[i] - 1) * kMessagesPerWriter + pairs[i + 1]];
        }
        total += pairs.size() / 2;
    }
    EXPECT_EQ(seen.size(), total);
    EXPECT_EQ(seen.end(), std::find_if(seen.begin(), seen.end(), [](int n) { return n != 1; }));

    RawBlock raw("~Nmq::" + queue);
    EXPECT_EQ(0u, raw.Word(92 + 16)) << "count";
    EXPECT_EQ(0u, raw.Word(92 + 24)) << "used";
    EXPECT_EQ(1u, raw.RefCount()) << "the children closed what they held";
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqLoad, FourWritersAndFourReadersShareOneQueue)
{
    constexpr Reach byName[] = {Reach::ByName, Reach::ByName, Reach::ByName, Reach::ByName};
    RunLoad("NmqLoad", byName, byName);
}

// Processes that work through their handles beside processes that open the
// queue on every call, as an older build of the library does.
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

// ---- a holder killed while it holds the lock ------------------------------------------

// Takes a queue's data lock the way every queue call does, and keeps it until
// the test kills this process.
CVX_CHILD_ROLE(nmq_hold_lock)
{
    const std::string &queue = args.at(0);
    Signal locked(queue + "_locked");
    NsmHandle *block = nullptr;
    if (CVU_NsmOpen(("~Nmq::" + queue).c_str(), &block)) return 10;
    if (CVU_NsmLockData(block, 10000)) return 11;
    locked.Set();
    Sleep(INFINITE);
    return 12;
}

// Adds while the lock is held by a process that the test then kills: the
// waiting call fails once, and the next one works.
CVX_CHILD_ROLE(nmq_add_through_abandon)
{
    const std::string &queue = args.at(0);
    Signal trying(queue + "_trying");
    trying.Set();
    if (CVU_NmqAdd(queue.c_str(), 20, "w", 1, 0) != CVU_E_LOCK) return 10;
    return CVU_NmqAdd(queue.c_str(), 21, "w", 1, 0) == 0 ? 0 : 11;
}

CVX_CHILD_ROLE(nmq_add_one)
{
    return CVU_NmqAdd(args.at(0).c_str(), std::stoul(args.at(1)), "c", 1, 0) == 0 ? 0 : 10;
}

// Starts a holder, waits until it has the lock, and kills it.
void KillHolderWhileLocked(const std::string &queue, const std::function<void()> &whileHeld = {})
{
    Signal locked(queue + "_locked");
    ResetEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, (queue + "_locked").c_str()));
    cvxtest::ChildProcess holder = cvxtest::StartChild("nmq_hold_lock", {queue});
    ASSERT_TRUE(locked.Wait());
    if (whileHeld) whileHeld();
    holder.Kill();
}

TEST(NmqLoad, AKilledLockHolderCostsOneCallAndNoMessage)
{
    const std::string queue = UniqueName("NmqKilled");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 0, 0, &handle));
    for (DWORD type = 1; type <= 5; ++type) ASSERT_EQ(0u, CVU_NmqAdd(queue.c_str(), type, "q", 1, 0));

    // This process is the next caller.
    KillHolderWhileLocked(queue);
    EXPECT_EQ(CVU_E_LOCK, CVU_NmqAdd(queue.c_str(), 6, "q", 1, 0));
    EXPECT_EQ(0u, CVU_NmqAdd(queue.c_str(), 6, "q", 1, 0));

    // Another process is already waiting when the holder dies.
    cvxtest::ChildProcess waiter;
    KillHolderWhileLocked(queue, [&] {
        Signal trying(queue + "_trying");
        waiter = cvxtest::StartChild("nmq_add_through_abandon", {queue});
        ASSERT_TRUE(trying.Wait());
        Sleep(300);
    });
    EXPECT_EQ(0, waiter.Wait());
    // Everyone carries on.
    EXPECT_EQ(0u, CVU_NmqAdd(queue.c_str(), 7, "q", 1, 0));
    EXPECT_EQ(0, cvxtest::RunChild("nmq_add_one", {queue, "8"}));
    EXPECT_EQ(0, cvxtest::RunChild("nmq_add_one", {queue, "9"}));

    std::vector<DWORD> types;
    for (;;) {
        DWORD type = 0, length = 0;
        char buffer[4];
        length = sizeof buffer;
        DWORD rc = CVU_NmqRemove(queue.c_str(), &type, buffer, &length, NMQ_FRONT);
        if (rc == 259) break;
        ASSERT_EQ(0u, rc);
        ASSERT_EQ(1u, length);
        types.push_back(type);
    }
    EXPECT_EQ((std::vector<DWORD>{1, 2, 3, 4, 5, 6, 21, 7, 8, 9}), types);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

// Holds the queue and, once told, adds while the lock's holder is killed:
// 1 when that add failed for the abandoned lock, 0 when it went in. The next
// add goes in either way.
CVX_CHILD_ROLE(nmq_add_after_abandon)
{
    const std::string &queue = args.at(0), &tag = args.at(1);
    DWORD type = std::stoul(args.at(2));
    Signal opened(tag + "_opened"), go(queue + "_go"), trying(tag + "_trying");
    ChildHold hold(args, queue);
    if (!hold.Ok()) return 9;
    opened.Set();
    if (!go.Wait()) return 10;
    trying.Set();
    DWORD first = CVU_NmqAdd(queue.c_str(), type, "a", 1, 0);
    if (first != 0 && first != CVU_E_LOCK) return 11;
    if (CVU_NmqAdd(queue.c_str(), type + 1, "a", 1, 0)) return 12;
    return first == CVU_E_LOCK ? 1 : 0;
}

TEST(NmqLoad, AKilledLockHolderCostsOneCallOnEitherPath)
{
    const std::string queue = UniqueName("NmqKilledMixed");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 0, 0, &handle));
    Signal go(queue + "_go");
    // One waiter works through its handle, the other opens the queue by name.
    const std::string onTag = queue + "_on", offTag = queue + "_off";
    Signal onOpened(onTag + "_opened"), offOpened(offTag + "_opened");
    cvxtest::ChildProcess on = StartMember("nmq_add_after_abandon", {queue, onTag, "30"}, Reach::HeldOn);
    cvxtest::ChildProcess off = StartMember("nmq_add_after_abandon", {queue, offTag, "40"}, Reach::HeldOff);
    ASSERT_TRUE(onOpened.Wait());
    ASSERT_TRUE(offOpened.Wait());

    KillHolderWhileLocked(queue, [&] {
        Signal onTrying(onTag + "_trying"), offTrying(offTag + "_trying");
        go.Set();
        ASSERT_TRUE(onTrying.Wait());
        ASSERT_TRUE(offTrying.Wait());
        Sleep(300);
    });
    int onFailed = on.Wait(), offFailed = off.Wait();
    ASSERT_TRUE(onFailed == 0 || onFailed == 1) << onFailed;
    ASSERT_TRUE(offFailed == 0 || offFailed == 1) << offFailed;
    EXPECT_EQ(1, onFailed + offFailed) << "exactly one of the waiters meets the abandoned lock";

    // Everyone carries on, this process too.
    EXPECT_EQ(0u, CVU_NmqAdd(queue.c_str(), 50, "p", 1, 0));
    std::vector<DWORD> types;
    for (;;) {
        DWORD type = 0, length = 0;
        DWORD rc = CVU_NmqRemove(queue.c_str(), &type, nullptr, &length, NMQ_FRONT);
        if (rc == 259) break;
        ASSERT_EQ(0u, rc);
        types.push_back(type);
    }
    std::sort(types.begin(), types.end());
    std::vector<DWORD> expected = {onFailed ? 40u : 30u, 31, 41, 50};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, types);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

}  // namespace
