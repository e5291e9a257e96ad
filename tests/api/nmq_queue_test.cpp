// Named message queue through the exports, within one process and across
// processes.
#include <windows.h>

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

// Queue header fields, from the start of the block's data area.
constexpr size_t kQFlags = 4, kQSize = 8, kQMax = 12, kQCount = 16, kQCapacity = 20, kQUsed = 24, kQArea = 28,
                 kQLast = 32, kQName = 36, kQEvent = 84, kQRecords = 136;

NmqHandle *const kSentinel = reinterpret_cast<NmqHandle *>(static_cast<ULONG_PTR>(0x5A5A5A5A));

// The queue's block, viewed as any other program would: header at 92.
class RawQueue : public RawBlock {
public:
    explicit RawQueue(const std::string &queue) : RawBlock("~Nmq::" + queue) {}
    BYTE *Queue() const { return View() + 92; }
    DWORD Field(size_t offset) const { return Word(92 + offset); }
};

std::string Text(const std::vector<char> &buffer, DWORD length) { return std::string(buffer.data(), length); }

// Removes one message: its type and data, or the error.
DWORD Take(const std::string &queue, DWORD flags, DWORD *type, std::string *data)
{
    std::vector<char> buffer(4096);
    DWORD length = DWORD(buffer.size());
    DWORD rc = CVU_NmqRemove(queue.c_str(), type, buffer.data(), &length, flags);
    if (rc == 0) *data = Text(buffer, length);
    return rc;
}

DWORD Put(const std::string &queue, DWORD type, const std::string &data, DWORD flags = 0)
{
    return CVU_NmqAdd(queue.c_str(), type, data.data(), DWORD(data.size()), flags);
}

bool IsSignalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

TEST(NmqQueues, NewQueueLayout)
{
    const std::string name = UniqueName("NmqLayout");
    NmqHandle *handle = nullptr;
    SetLastError(55);
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 0, 0, &handle));
    EXPECT_EQ(0u, GetLastError());
    ASSERT_NE(nullptr, handle);

    RawQueue raw(name);
    ASSERT_TRUE(raw);
    EXPECT_TRUE(raw.HasSectionSize(4200)) << raw.SectionSize();
    EXPECT_EQ(4200u, raw.Word(12));
    EXPECT_EQ(4104u, raw.Word(16));
    EXPECT_EQ(unsigned(NSM_DATALOCK | NSM_CREATELOCKED), raw.Word(8));
    EXPECT_EQ(1u, raw.RefCount());
    EXPECT_EQ(0xE34CAB00u, raw.Field(0));
    EXPECT_EQ(1u, raw.Field(kQFlags));
    EXPECT_EQ(4104u, raw.Field(kQSize));
    EXPECT_EQ(0xFFFFFFFFu, raw.Field(kQMax));
    EXPECT_EQ(0u, raw.Field(kQCount));
    EXPECT_EQ(3964u, raw.Field(kQCapacity));
    EXPECT_EQ(0u, raw.Field(kQUsed));
    EXPECT_EQ(136u, raw.Field(kQArea));
    EXPECT_EQ(0u, raw.Field(kQLast));
    EXPECT_EQ(name, reinterpret_cast<const char *>(raw.Queue() + kQName));
    EXPECT_EQ("cvuNmq_EV::" + name, reinterpret_cast<const char *>(raw.Queue() + kQEvent));

    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, ("cvuNmq_EV::" + name).c_str());
    ASSERT_NE(nullptr, event);
    EXPECT_FALSE(IsSignalled(event));
    CloseHandle(event);
    // Create gave its data lock back: another thread can add.
    DWORD rc = 1;
    std::thread([&] { rc = Put(name, 1, "x"); }).join();
    EXPECT_EQ(0u, rc);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqQueues, QueueWithoutEventAndItsLimits)
{
    const std::string name = UniqueName("NmqPlain");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 10, 3, &handle));
    RawQueue raw(name);
    EXPECT_EQ(148u, raw.Field(kQSize));
    EXPECT_EQ(3u, raw.Field(kQMax));
    EXPECT_EQ(10u, raw.Field(kQCapacity));
    for (size_t i = kQEvent; i < kQEvent + 52; ++i) ASSERT_EQ(0, raw.Queue()[i]);
    HANDLE event = kSentinel;
    EXPECT_EQ(0u, CVU_NmqGetEvent(name.c_str(), &event));
    EXPECT_EQ(nullptr, event);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqQueues, CreateOfAnExistingQueueOpensIt)
{
    const std::string name = UniqueName("NmqExisting");
    NmqHandle *first = nullptr, *second = nullptr, *third = kSentinel;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 64, 5, &first));
    ASSERT_EQ(0u, Put(name, 7, "kept"));

    SetLastError(0);
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 1000, 0, &second));
    EXPECT_EQ(183u, GetLastError());
    ASSERT_NE(nullptr, second);
    RawQueue raw(name);
    EXPECT_EQ(64u, raw.Field(kQCapacity));
    EXPECT_EQ(5u, raw.Field(kQMax));
    EXPECT_EQ(0u, raw.Field(kQFlags));
    HANDLE event = kSentinel;
    EXPECT_EQ(0u, CVU_NmqGetEvent(name.c_str(), &event));
    EXPECT_EQ(nullptr, event);

    EXPECT_EQ(183u, CVU_NmqCreate(name.c_str(), NMQ_EXCLUSIVE, 64, 5, &third));
    EXPECT_EQ(nullptr, third);
    EXPECT_EQ(1u, raw.Field(kQCount));

    // The queue lives while any handle does.
    EXPECT_EQ(0u, CVU_NmqClose(first));
    DWORD type = 0;
    std::string data;
    EXPECT_EQ(0u, Take(name, 0, &type, &data));
    EXPECT_EQ(7u, type);
    EXPECT_EQ("kept", data);
    EXPECT_EQ(0u, CVU_NmqClose(second));
}

TEST(NmqQueues, BadArgumentsAndMissingQueues)
{
    const std::string missing = UniqueName("NmqMissing");
    NmqHandle *handle = kSentinel;
    EXPECT_EQ(87u, CVU_NmqCreate(missing.c_str(), 0, 0, 0, nullptr));
    EXPECT_EQ(87u, CVU_NmqCreate("", 0, 0, 0, &handle));
    EXPECT_EQ(nullptr, handle);
    handle = kSentinel;
    EXPECT_EQ(87u, CVU_NmqCreate(nullptr, 0, 0, 0, &handle));
    EXPECT_EQ(nullptr, handle);
    // A capacity whose block would not fit 32 bits.
    EXPECT_EQ(87u, CVU_NmqCreate(missing.c_str(), 0, 0xFFFFFFA0u, 0, &handle));
    EXPECT_FALSE(MappingExists("~Nmq::" + missing));
    EXPECT_EQ(87u, CVU_NmqOpen(missing.c_str(), nullptr));
    EXPECT_EQ(87u, CVU_NmqGetEvent(missing.c_str(), nullptr));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_NmqAdd("", 1, nullptr, 0, 0));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_NmqRemove(nullptr, nullptr, nullptr, nullptr, 0));

    handle = kSentinel;
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_NmqOpen(missing.c_str(), &handle));
    EXPECT_EQ(nullptr, handle);
    EXPECT_EQ(CVU_E_NOTFOUND, Put(missing, 1, "x"));
    DWORD type = 5, length = 5;
    char buffer[8];
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_NmqRemove(missing.c_str(), &type, buffer, &length, 0));
    HANDLE event = kSentinel;
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_NmqGetEvent(missing.c_str(), &event));
    EXPECT_EQ(nullptr, event);

    // Names of up to 40 characters; the event name then fills its field.
    const std::string longest = (UniqueName("NmqL") + std::string(40, 'n')).substr(0, 40);
    ASSERT_EQ(0u, CVU_NmqCreate(longest.c_str(), NMQ_EVENT, 0, 0, &handle));
    RawQueue raw(longest);
    EXPECT_EQ("cvuNmq_EV::" + longest, reinterpret_cast<const char *>(raw.Queue() + kQEvent));
    EXPECT_EQ(0u, Put(longest, 1, "x"));
    NmqHandle *other = kSentinel;
    EXPECT_EQ(87u, CVU_NmqCreate((longest + "n").c_str(), 0, 0, 0, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(87u, Put(longest + "n", 1, "x"));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqQueues, BadHandles)
{
    EXPECT_EQ(6u, CVU_NmqClose(nullptr));
    NsmHandle *block = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(UniqueName("NmqNotAQueue").c_str(), 0, 8, &block));
    EXPECT_EQ(6u, CVU_NmqClose(reinterpret_cast<NmqHandle *>(block)));
    EXPECT_EQ(0u, CVU_NsmClose(block));
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(UniqueName("NmqClosed").c_str(), 0, 0, 0, &handle));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
    EXPECT_EQ(6u, CVU_NmqClose(handle));
    EXPECT_EQ(CVU_E_NOTFOUND, Put(UniqueName("NmqClosed"), 1, "gone"));
}

TEST(NmqQueues, OrdersFromBothEnds)
{
    struct Case {
        DWORD addFlags, removeFlags;
        DWORD expected[3];
    };
    const Case cases[] = {
        {0, 0, {3, 2, 1}},
        {0, NMQ_FRONT, {1, 2, 3}},
        {NMQ_FRONT, 0, {1, 2, 3}},
        {NMQ_FRONT, NMQ_FRONT, {3, 2, 1}},
    };
    const std::string name = UniqueName("NmqOrder");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 0, 0, &handle));
    for (const Case &c : cases) {
        for (DWORD type = 1; type <= 3; ++type) ASSERT_EQ(0u, Put(name, type, std::string(type * 3, 'a' + type), c.addFlags));
        for (DWORD expected : c.expected) {
            DWORD type = 0;
            std::string data;
            ASSERT_EQ(0u, Take(name, c.removeFlags, &type, &data));
            EXPECT_EQ(expected, type) << c.addFlags << "/" << c.removeFlags;
            EXPECT_EQ(std::string(expected * 3, 'a' + expected), data);
        }
    }
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqQueues, FullByBytesAndByCount)
{
    const std::string name = UniqueName("NmqFull");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 100, 0, &handle));
    RawQueue raw(name);
    ASSERT_EQ(0u, Put(name, 1, std::string(40, 'a')));  // 48 used, 52 free
    // One byte over: 84 and nothing changes.
    std::vector<BYTE> before(raw.Queue(), raw.Queue() + 148 + 100);
    EXPECT_EQ(84u, Put(name, 2, std::string(45, 'b')));
    EXPECT_EQ(before, std::vector<BYTE>(raw.Queue(), raw.Queue() + 148 + 100));
    // Exactly full.
    EXPECT_EQ(0u, Put(name, 2, std::string(44, 'b')));
    EXPECT_EQ(100u, raw.Field(kQUsed));
    EXPECT_EQ(84u, CVU_NmqAdd(name.c_str(), 3, nullptr, 0, 0));
    EXPECT_EQ(0u, CVU_NmqClose(handle));

    const std::string counted = UniqueName("NmqCounted");
    ASSERT_EQ(0u, CVU_NmqCreate(counted.c_str(), 0, 0, 2, &handle));
    EXPECT_EQ(0u, Put(counted, 1, ""));
    EXPECT_EQ(0u, Put(counted, 2, "", NMQ_FRONT));
    EXPECT_EQ(84u, Put(counted, 3, ""));
    DWORD type = 0;
    std::string data;
    EXPECT_EQ(0u, Take(counted, 0, &type, &data));
    EXPECT_EQ(0u, Put(counted, 3, ""));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqQueues, EmptyMessagesShortBuffersAndEmptyQueues)
{
    const std::string name = UniqueName("NmqShort");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 0, 0, &handle));
    RawQueue raw(name);

    // Length 0, and null data with a length, both store 8-byte records.
    ASSERT_EQ(0u, CVU_NmqAdd(name.c_str(), 1, "ignored", 0, 0));
    ASSERT_EQ(0u, CVU_NmqAdd(name.c_str(), 2, nullptr, 33, 0));
    EXPECT_EQ(16u, raw.Field(kQUsed));
    EXPECT_EQ(8u, raw.Field(kQLast));
    EXPECT_EQ(0u, raw.Field(kQRecords + 4));
    EXPECT_EQ(0u, raw.Field(kQRecords + 12));
    char buffer[4];
    DWORD type = 0, length = sizeof buffer;
    ASSERT_EQ(0u, CVU_NmqRemove(name.c_str(), &type, buffer, &length, 0));
    EXPECT_EQ(2u, type);
    EXPECT_EQ(0u, length);
    ASSERT_EQ(0u, CVU_NmqRemove(name.c_str(), &type, nullptr, nullptr, 0));
    EXPECT_EQ(1u, type);

    // A short buffer: 234 and the full length; the message stays only when asked.
    ASSERT_EQ(0u, Put(name, 10, "0123456789"));
    ASSERT_EQ(0u, Put(name, 11, "abcdefghij"));
    length = sizeof buffer;
    EXPECT_EQ(234u, CVU_NmqRemove(name.c_str(), &type, buffer, &length, NMQ_FRONT | NMQ_KEEPIFSHORT));
    EXPECT_EQ(10u, type);
    EXPECT_EQ(10u, length);
    EXPECT_EQ("0123", std::string(buffer, 4));
    EXPECT_EQ(2u, raw.Field(kQCount));
    length = sizeof buffer;
    EXPECT_EQ(234u, CVU_NmqRemove(name.c_str(), &type, buffer, &length, NMQ_KEEPIFSHORT));
    EXPECT_EQ(11u, type);
    EXPECT_EQ(2u, raw.Field(kQCount));
    // A buffer without a length: 87, the message stays.
    EXPECT_EQ(87u, CVU_NmqRemove(name.c_str(), &type, buffer, nullptr, 0));
    EXPECT_EQ(2u, raw.Field(kQCount));
    length = sizeof buffer;
    EXPECT_EQ(234u, CVU_NmqRemove(name.c_str(), &type, buffer, &length, NMQ_FRONT));
    EXPECT_EQ(10u, type);
    EXPECT_EQ(1u, raw.Field(kQCount));
    // A null buffer discards and reports.
    length = 0;
    EXPECT_EQ(0u, CVU_NmqRemove(name.c_str(), &type, nullptr, &length, 0));
    EXPECT_EQ(11u, type);
    EXPECT_EQ(10u, length);
    EXPECT_EQ(0u, raw.Field(kQCount));
    EXPECT_EQ(0u, raw.Field(kQUsed));
    EXPECT_EQ(0u, raw.Field(kQLast));

    type = length = 9;
    EXPECT_EQ(259u, CVU_NmqRemove(name.c_str(), &type, buffer, &length, 0));
    EXPECT_EQ(0u, type);
    EXPECT_EQ(0u, length);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqQueues, TheEventShowsWhetherMessagesWait)
{
    const std::string name = UniqueName("NmqEvent");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 20, 0, &handle));
    HANDLE event = nullptr;
    ASSERT_EQ(0u, CVU_NmqGetEvent(name.c_str(), &event));
    ASSERT_NE(nullptr, event);
    EXPECT_FALSE(IsSignalled(event));

    ASSERT_EQ(0u, Put(name, 1, "a"));
    EXPECT_TRUE(IsSignalled(event));
    ASSERT_EQ(0u, Put(name, 2, "b"));
    // A full queue's refusal changes nothing.
    DWORD type = 0;
    std::string data;
    ASSERT_EQ(0u, Take(name, NMQ_FRONT, &type, &data));
    EXPECT_TRUE(IsSignalled(event)) << "one message still waits";
    ResetEvent(event);
    EXPECT_EQ(84u, Put(name, 3, std::string(20, 'c')));
    EXPECT_FALSE(IsSignalled(event));
    // A kept short message still counts: set again.
    char buffer[1];
    DWORD length = 0;
    EXPECT_EQ(234u, CVU_NmqRemove(name.c_str(), &type, buffer, &length, NMQ_KEEPIFSHORT));
    EXPECT_TRUE(IsSignalled(event));
    ASSERT_EQ(0u, Take(name, NMQ_FRONT, &type, &data));
    EXPECT_FALSE(IsSignalled(event));
    // An empty queue's remove leaves it reset even when someone set it.
    SetEvent(event);
    EXPECT_EQ(259u, Take(name, 0, &type, &data));
    EXPECT_FALSE(IsSignalled(event));
    CloseHandle(event);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqQueues, DamagedHeadersAreRefusedAndChangeNothing)
{
    const std::string name = UniqueName("NmqDamaged");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 64, 0, &handle));
    ASSERT_EQ(0u, Put(name, 1, "first"));   // 13 bytes at 0
    ASSERT_EQ(0u, Put(name, 2, "second"));  // 14 bytes at 13

    // Damaged through the block's own data view, as a faulty program would.
    NsmHandle *block = nullptr;
    ASSERT_EQ(0u, CVU_NsmOpen(("~Nmq::" + name).c_str(), &block));
    void *view = nullptr;
    ASSERT_EQ(0u, CVU_NsmDataView(block, &view));
    BYTE *queue = static_cast<BYTE *>(view);
    const size_t queueBytes = 136 + 68;

    struct Damage {
        const char *what;
        size_t offset;
        DWORD value;
    };
    const Damage damages[] = {
        {"magic", 0, 0},
        {"queue size beyond the block", kQSize, 0x00100000},
        {"capacity beyond the area", kQCapacity, 0x00010000},
        {"used above capacity", kQUsed, 65},
        {"area offset", kQArea, 0x1000},
        {"last offset outside the area", kQLast, 0x7FFFFFF0},
        {"last offset inside a record", kQLast, 5},
        {"record length past the used bytes", kQRecords + 4, 0x7FFFFFF0},
        {"count above the records", kQCount, 3},
        {"count below the records", kQCount, 1},
        {"event of another name", kQEvent, 0x626F6C47},
    };
    for (const Damage &d : damages) {
        DWORD saved = Word(queue, d.offset);
        SetWord(queue, d.offset, d.value);
        std::vector<BYTE> before(queue, queue + queueBytes);
        DWORD type = 0;
        std::string data;
        EXPECT_EQ(CVU_E_BADHEADER, Put(name, 3, "third")) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, Put(name, 3, "third", NMQ_FRONT)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, Take(name, 0, &type, &data)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, Take(name, NMQ_FRONT, &type, &data)) << d.what;
        HANDLE event = kSentinel;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_NmqGetEvent(name.c_str(), &event)) << d.what;
        EXPECT_EQ(nullptr, event);
        NmqHandle *other = kSentinel;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_NmqOpen(name.c_str(), &other)) << d.what;
        EXPECT_EQ(nullptr, other);
        EXPECT_EQ(before, std::vector<BYTE>(queue, queue + queueBytes)) << d.what;
        SetWord(queue, d.offset, saved);
    }
    // An event name without its terminator.
    std::vector<BYTE> name52(queue + kQEvent, queue + kQEvent + 52);
    std::memset(queue + kQEvent, 'e', 52);
    EXPECT_EQ(CVU_E_BADHEADER, Put(name, 3, "third"));
    std::memcpy(queue + kQEvent, name52.data(), 52);

    // Repaired, the queue works and nothing was lost.
    DWORD type = 0;
    std::string data;
    ASSERT_EQ(0u, Take(name, NMQ_FRONT, &type, &data));
    EXPECT_EQ("first", data);
    ASSERT_EQ(0u, Take(name, NMQ_FRONT, &type, &data));
    EXPECT_EQ("second", data);
    EXPECT_EQ(0u, CVU_NsmClose(block));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

// ---- across processes -------------------------------------------------------------

// Adds messages of the types given, each with data "m<type>".
CVX_CHILD_ROLE(nmq_add)
{
    const std::string &name = args.at(0);
    DWORD flags = std::stoul(args.at(1));
    for (size_t i = 2; i < args.size(); ++i) {
        DWORD type = std::stoul(args[i]);
        if (Put(name, type, "m" + args[i], flags)) return 10;
    }
    return 0;
}

// Removes messages and expects the types given, in that order, then an
// empty queue.
CVX_CHILD_ROLE(nmq_expect)
{
    const std::string &name = args.at(0);
    DWORD flags = std::stoul(args.at(1));
    for (size_t i = 2; i < args.size(); ++i) {
        DWORD type = 0;
        std::string data;
        if (Take(name, flags, &type, &data)) return 10;
        if (type != std::stoul(args[i]) || data != "m" + args[i]) return 11;
    }
    DWORD type, length = 0;
    return CVU_NmqRemove(name.c_str(), &type, nullptr, &length, flags) == 259 ? 0 : 12;
}

TEST(NmqQueues, OrdersAcrossProcesses)
{
    const std::string name = UniqueName("NmqProcesses");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 0, 0, &handle));
    // Appended by one process, taken from the back by another: a stack.
    ASSERT_EQ(0, cvxtest::RunChild("nmq_add", {name, "0", "1", "2", "3"}));
    EXPECT_EQ(0, cvxtest::RunChild("nmq_expect", {name, "0", "3", "2", "1"}));
    // From the front: first in, first out.
    ASSERT_EQ(0, cvxtest::RunChild("nmq_add", {name, "0", "1", "2", "3"}));
    EXPECT_EQ(0, cvxtest::RunChild("nmq_expect", {name, "1", "1", "2", "3"}));
    // Put at the front, taken from the back: first in, first out.
    ASSERT_EQ(0, cvxtest::RunChild("nmq_add", {name, "1", "4", "5"}));
    ASSERT_EQ(0, cvxtest::RunChild("nmq_add", {name, "1", "6"}));
    EXPECT_EQ(0, cvxtest::RunChild("nmq_expect", {name, "0", "4", "5", "6"}));
    // This process's own messages are seen there too.
    ASSERT_EQ(0u, Put(name, 7, "m7", NMQ_FRONT));
    ASSERT_EQ(0u, Put(name, 8, "m8", NMQ_FRONT));
    EXPECT_EQ(0, cvxtest::RunChild("nmq_expect", {name, "1", "8", "7"}));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

// Waits on the queue's event, takes what arrived, and checks that the event
// is reset once the queue is empty.
CVX_CHILD_ROLE(nmq_wait_reader)
{
    const std::string &name = args.at(0);
    Signal ready(name + "_ready");
    HANDLE event = nullptr;
    if (CVU_NmqGetEvent(name.c_str(), &event) || !event) return 10;
    ready.Set();
    int received = 0;
    while (received < 3) {
        if (WaitForSingleObject(event, 20000) != WAIT_OBJECT_0) return 11;
        DWORD type = 0;
        std::string data;
        DWORD rc = Take(name, NMQ_FRONT, &type, &data);
        if (rc == 259) continue;
        std::string expected = "m";
        expected += std::to_string(received + 1);
        if (rc || type != DWORD(received + 1) || data != expected) return 12;
        ++received;
    }
    DWORD wait = WaitForSingleObject(event, 200);
    CloseHandle(event);
    return wait == WAIT_TIMEOUT ? 0 : 13;
}

TEST(NmqQueues, AReaderInAnotherProcessWaitsOnTheEvent)
{
    const std::string name = UniqueName("NmqReader");
    Signal ready(name + "_ready");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 0, 0, &handle));
    cvxtest::ChildProcess reader = cvxtest::StartChild("nmq_wait_reader", {name});
    ASSERT_TRUE(ready.Wait());
    Sleep(150);
    ASSERT_EQ(0u, Put(name, 1, "m1"));
    Sleep(150);
    ASSERT_EQ(0u, Put(name, 2, "m2"));
    ASSERT_EQ(0u, Put(name, 3, "m3"));
    EXPECT_EQ(0, reader.Wait());
    RawQueue raw(name);
    EXPECT_EQ(0u, raw.Field(kQCount));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

}  // namespace
