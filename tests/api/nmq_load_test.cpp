// One queue under load from four writer and four reader processes: every
// message arrives once, whole and in its writer's order. By name alone, and
// mixed with processes that hold the queue open, with calls through their
// handles switched on or off.
#include <windows.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace ipctest;

namespace {

// Messages per writer. Every call of a process that holds no handle opens the
// queue by name; under Wine a run takes about 20 seconds. Lower this, never
// the number of processes, if a slower machine needs it.
constexpr DWORD kMessagesPerWriter = 10000, kStop = 0xFFFFFFFF;
constexpr int kWriters = 4, kReaders = 4;

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

// Adds one message, waiting while the queue is full; a queue that stays full
// for 30 seconds has lost its readers.
DWORD AddWaiting(const std::string &queue, DWORD type, const std::string &data)
{
    DWORD rc;
    for (DWORD start = GetTickCount(); (rc = Put(queue, type, data)) == 84 && GetTickCount() - start < 30000;) Sleep(1);
    return rc;
}

// How a process reaches the queue: 'n' by name alone, or holding it open
// ("hold" as its last argument) with calls through its handle on ('h') or
// switched off ('s').
cvxtest::ChildProcess StartMember(const char *role, std::vector<std::string> args, char reach)
{
    cvxtest::ChildOptions options;
    if (reach != 'n') {
        args.push_back("hold");
        options.environment["CVX_NO_FASTPATH"] = std::string(1, reach == 'h' ? '0' : '1');
    }
    return cvxtest::StartChild(role, args, options);
}

CVX_CHILD_ROLE(nmq_load_writer)
{
    const std::string &queue = args.at(0);
    const DWORD writer = std::stoul(args.at(1));
    NmqHandle *held = nullptr;
    if (args.back() == "hold" && CVU_NmqOpen(queue.c_str(), &held)) return 9;
    for (DWORD seq = 0; seq < kMessagesPerWriter; ++seq)
        if (AddWaiting(queue, writer, Payload(writer, seq))) return 10;
    return held ? CVU_NmqClose(held) : 0;
}

// Takes messages from the front until a stop message, checks each, and
// reports how many it took and the sum of their numbers.
CVX_CHILD_ROLE(nmq_load_reader)
{
    const std::string &queue = args.at(0);
    NmqHandle *held = nullptr;
    HANDLE event = nullptr;
    if (args.back() == "hold" && CVU_NmqOpen(queue.c_str(), &held)) return 9;
    if (CVU_NmqGetEvent(queue.c_str(), &event) || !event) return 10;
    std::vector<DWORD> lastSeq(kWriters + 1, kStop);
    unsigned long long count = 0, sum = 0;
    for (;;) {
        WaitForSingleObject(event, 1000);
        DWORD type = 0, seq = 0;
        std::string data;
        DWORD rc = Take(queue, NMQ_FRONT, &type, &data);
        if (rc == 259) continue;
        if (rc) return 11;
        if (type == kStop) break;
        std::memcpy(&seq, data.data() + 4, data.size() >= 8 ? 4 : 0);
        // A writer's messages come in order: one queue, first in first out.
        if (type < 1 || type > kWriters || data != Payload(type, seq) || (lastSeq[type] != kStop && seq <= lastSeq[type]))
            return 12;
        lastSeq[type] = seq;
        ++count;
        sum += (type - 1) * kMessagesPerWriter + seq;
    }
    CloseHandle(event);
    cvxtest::PutResult(args.at(1).c_str(), std::to_string(count) + " " + std::to_string(sum));
    return held ? CVU_NmqClose(held) : 0;
}

// Four writers, then four readers, each reaching the queue as given.
void RunLoad(const char *tag, const char (&reach)[kWriters + kReaders + 1])
{
    const std::string queue = UniqueName(tag);
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 8192, 0, &handle));
    std::vector<cvxtest::ChildProcess> readers, writers;
    for (int r = 0; r < kReaders; ++r)
        readers.push_back(StartMember("nmq_load_reader", {queue, "reader" + std::to_string(r)}, reach[kWriters + r]));
    for (int w = 1; w <= kWriters; ++w)
        writers.push_back(StartMember("nmq_load_writer", {queue, std::to_string(w)}, reach[w - 1]));
    for (auto &writer : writers) EXPECT_EQ(0, writer.Wait(100000));
    for (int r = 0; r < kReaders; ++r) ASSERT_EQ(0u, AddWaiting(queue, kStop, ""));
    unsigned long long count = 0, sum = 0;
    for (int r = 0; r < kReaders; ++r) {
        EXPECT_EQ(0, readers[r].Wait(60000));
        unsigned long long c = 0, s = 0;
        std::istringstream(cvxtest::GetResult(("reader" + std::to_string(r)).c_str())) >> c >> s;
        count += c, sum += s;
    }
    const unsigned long long total = kWriters * kMessagesPerWriter;
    EXPECT_EQ(total, count);
    EXPECT_EQ(total * (total - 1) / 2, sum);
    RawBlock raw("~Nmq::" + queue);
    EXPECT_EQ((std::vector<DWORD>{0, 8192, 0}), Words(raw.View(), kData + kQCount, 3)) << "count, capacity, used";
    EXPECT_EQ(1u, raw.RefCount()) << "the children closed what they held";
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqLoad, FourWritersAndFourReadersByName) { RunLoad("NmqLoad", "nnnnnnnn"); }

TEST(NmqHeld, HeldAndByNameProcessesShareOneQueue) { RunLoad("NmqLoadMixed", "hshnshnh"); }

}  // namespace
