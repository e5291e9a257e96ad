// The inter-process exports as other programs see them: named shared memory,
// message queues and status tables, their layouts, locking, damaged headers
// and several processes at once.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cvxutil.h"
#include "harness/harness.h"

namespace {

// Block header fields from the start of a mapping; the data area follows at 92.
constexpr size_t kRefCount = 4, kBlockSize = 12, kDataOffset = 20, kData = 92;
// Queue header fields from the start of the data area.
constexpr size_t kQSize = 8, kQCount = 16, kQCapacity = 20, kQUsed = 24, kQArea = 28, kQLast = 32, kQName = 36,
                 kQEvent = 84, kQRecords = 136;
constexpr char kIbdatName[] = "_Qlon_Cvex_IBDAT", kRmdatName[] = "_Qlon_Cvex_RMDAT";

// An out value a failed call must leave alone or clear.
template <class T>
T *Sentinel()
{
    return reinterpret_cast<T *>(static_cast<ULONG_PTR>(0x5A5A5A5A));
}

std::string UniqueName(const std::string &tag) { return tag + "_" + std::to_string(GetCurrentProcessId()); }

std::vector<DWORD> Words(const void *base, size_t offset, size_t count)
{
    std::vector<DWORD> words(count);
    std::memcpy(words.data(), static_cast<const BYTE *>(base) + offset, count * sizeof(DWORD));
    return words;
}
void SetWord(void *base, size_t offset, DWORD value) { std::memcpy(static_cast<BYTE *>(base) + offset, &value, 4); }

// The first failure of calls made in the order given, or 0.
DWORD First(std::initializer_list<DWORD> results)
{
    const DWORD *failed = std::find_if(results.begin(), results.end(), [](DWORD rc) { return rc != 0; });
    return failed == results.end() ? 0 : *failed;
}

DWORD Put(const std::string &queue, DWORD type, const std::string &data, DWORD flags = 0)
{
    return CVU_NmqAdd(queue.c_str(), type, data.data(), DWORD(data.size()), flags);
}

// Removes one message into a 256-byte buffer: its type and data, or the error.
DWORD Take(const std::string &queue, DWORD flags, DWORD *type, std::string *data)
{
    char buffer[256];
    DWORD length = sizeof buffer;
    DWORD rc = CVU_NmqRemove(queue.c_str(), type, buffer, &length, flags);
    if (rc == 0) data->assign(buffer, length);
    return rc;
}

// The mapping of a block, opened and viewed with Win32 alone. Holding it
// keeps the block alive.
struct RawBlock {
    explicit RawBlock(const std::string &name)
        : mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, ("cvuNsm_FM::" + name).c_str())),
          view(mapping ? static_cast<BYTE *>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr)
    {
    }
    ~RawBlock()
    {
        if (view) UnmapViewOfFile(view);
        if (mapping) CloseHandle(mapping);
    }
    DWORD Word(size_t offset) const { return Words(view, offset, 1)[0]; }
    HANDLE mapping;
    BYTE *view;
};

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
        DWORD requested, flags, block, nameLength;  // name length 0: the unique name as it is
    } cases[] = {{5, NSM_DATALOCK | 0x100, 100, 0}, {4003, 0, 4096, 71}};
    for (const auto &c : cases) {
        std::string name = UniqueName("NsmLayout" + std::to_string(c.requested));
        if (c.nameLength) name = (name + std::string(c.nameLength, 'x')).substr(0, c.nameLength);
        NsmHandle *handle = nullptr, *second = nullptr, *third = Sentinel<NsmHandle>();
        void *data = nullptr;
        ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), c.flags, c.requested, &handle));
        RawBlock raw(name);
        ASSERT_TRUE(raw.view);
        EXPECT_EQ((std::vector<DWORD>{0x274C7800, 1, c.flags, c.block, c.requested, 92}), Words(raw.view, 0, 6));
        EXPECT_EQ(name.substr(0, 63), reinterpret_cast<const char *>(raw.view + 24));
        // The data area runs from 92 to the end of the block in every view.
        ASSERT_EQ(0u, CVU_NsmDataView(handle, &data));
        SetWord(data, c.block - kData - 4, 0x7E7D7C7B);
        EXPECT_EQ(0x7E7D7C7Bu, raw.Word(c.block - 4));
        // The existing header decides size and data lock; exclusive refuses.
        ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_CREATELOCKED, 9000, &second));
        EXPECT_EQ((std::vector<DWORD>{2, c.flags, c.block, c.requested}), Words(raw.view, 4, 4));
        EXPECT_EQ(183u, CVU_NsmCreate(name.c_str(), NSM_EXCLUSIVE | NSM_DATALOCK, 5, &third));
        EXPECT_EQ(nullptr, third);
        EXPECT_EQ(c.flags & NSM_DATALOCK ? CVU_E_LOCK : 0u, OnOtherThread([&] { return CVU_NsmLockData(handle, 0); }));
        EXPECT_EQ(0u, CVU_NsmClose(second) + CVU_NsmClose(handle));
        EXPECT_EQ(0u, raw.Word(kRefCount));
    }
}

// Locks belong to a thread and count; a handle copied from another process
// closes nothing.
TEST(NsmBlocks, LockOwnership)
{
    const std::string name = UniqueName("NsmLocks");
    NsmHandle *locked = nullptr;
    ASSERT_EQ(0u, CVU_NsmCreate(name.c_str(), NSM_DATALOCK | NSM_CREATELOCKED, 8, &locked));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmLockData(locked, 50); }));
    ASSERT_EQ(0u, CVU_NsmLockData(locked, 0));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmUnlockData(locked); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(locked));
    EXPECT_EQ(CVU_E_LOCK, OnOtherThread([&] { return CVU_NsmLockData(locked, 0); }));
    EXPECT_EQ(0u, CVU_NsmUnlockData(locked));
    EXPECT_EQ(CVU_E_LOCK, CVU_NsmUnlockData(locked));
    EXPECT_EQ(0u, OnOtherThread([&] { return First({CVU_NsmLockData(locked, 0), CVU_NsmUnlockData(locked)}); }));
    std::vector<BYTE> copy(reinterpret_cast<BYTE *>(locked), reinterpret_cast<BYTE *>(locked) + 64);
    SetWord(copy.data(), 4, GetCurrentProcessId() + 4);
    EXPECT_EQ(CVU_E_NOTOWNER, CVU_NsmClose(reinterpret_cast<NsmHandle *>(copy.data())));
    EXPECT_EQ(0u, CVU_NsmClose(locked));
}

// The header another process reads; a second create opens the queue as it is.
TEST(NmqQueues, NewQueueLayoutAndAnExistingQueue)
{
    // Defaults; and the longest name, whose event name fills its field.
    const struct {
        DWORD flags, capacity, maxCount, nameLength, block, queueSize, expectedCapacity, expectedMax;
    } cases[] = {{0, 0, 0, 0, 4200, 4104, 3964, 0xFFFFFFFF}, {NMQ_EVENT, 10, 3, 40, 244, 148, 10, 3}};
    for (const auto &c : cases) {
        std::string name = UniqueName("NmqLayout" + std::to_string(c.capacity));
        if (c.nameLength) name = (name + std::string(c.nameLength, 'n')).substr(0, c.nameLength);
        NmqHandle *first = nullptr, *second = nullptr;
        ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), c.flags, c.capacity, c.maxCount, &first));
        RawBlock raw("~Nmq::" + name);
        ASSERT_TRUE(raw.view);
        EXPECT_EQ((std::vector<DWORD>{1, NSM_DATALOCK | NSM_CREATELOCKED, c.block, c.queueSize}), Words(raw.view, 4, 4));
        const std::vector<DWORD> header{0xE34CAB00, c.flags, c.queueSize, c.expectedMax, 0, c.expectedCapacity, 0, 136, 0};
        EXPECT_EQ(header, Words(raw.view, kData, 9));
        EXPECT_EQ(name, reinterpret_cast<const char *>(raw.view + kData + kQName));
        const std::string eventName = c.flags ? "cvuNmq_EV::" + name : "";
        EXPECT_EQ(eventName, std::string(reinterpret_cast<const char *>(raw.view + kData + kQEvent), 52).c_str());

        ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), c.flags ^ NMQ_EVENT, 1000, 0, &second));
        EXPECT_EQ(header, Words(raw.view, kData, 9));
        EXPECT_EQ(0u, CVU_NmqClose(first) + CVU_NmqClose(second));
    }
}

TEST(NmqQueues, RemoveWithShortEmptyAndMissingBuffers)
{
    const std::string name = UniqueName("NmqShort");
    NmqHandle *handle = nullptr;
    HANDLE event = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 0, 0, &handle) + CVU_NmqGetEvent(name.c_str(), &event));
    RawBlock raw("~Nmq::" + name);
    // Length 0, and null data with a length, both store empty messages.
    ASSERT_EQ(0u, First({CVU_NmqAdd(name.c_str(), 1, "ignored", 0, 0), CVU_NmqAdd(name.c_str(), 2, nullptr, 33, 0),
                         Put(name, 10, "0123456789", NMQ_FRONT), Put(name, 11, "abcdefghij")}));

    // A 4-byte buffer each time: 234 with the full length, the message kept
    // only when asked; no length for a buffer is 87; no buffer discards. The
    // event stays set while a message waits, a kept one too.
    // Flags, buffer and length given; result, type, length, messages left.
    const struct Step {
        DWORD flags, buffer, lengthGiven, rc, type, length, count;
    } steps[] = {{NMQ_FRONT | NMQ_KEEPIFSHORT, 1, 1, 234, 10, 10, 4}, {NMQ_KEEPIFSHORT, 1, 1, 234, 11, 10, 4},
                 {0, 1, 0, 87, 11, 0, 4}, {NMQ_FRONT, 1, 1, 234, 10, 10, 3}, {0, 0, 1, 0, 11, 10, 2},
                 {0, 1, 1, 0, 2, 0, 1}, {0, 0, 0, 0, 1, 0, 0}, {0, 1, 1, 259, 0, 0, 0}};
    for (const Step &s : steps) {
        char buffer[4] = {};
        DWORD type = 99, length = sizeof buffer;
        EXPECT_EQ(s.rc, CVU_NmqRemove(name.c_str(), &type, s.buffer ? buffer : nullptr,
                                      s.lengthGiven ? &length : nullptr, s.flags)) << &s - steps;
        EXPECT_EQ((std::vector<DWORD>{s.type, s.lengthGiven ? s.length : 4, s.count, s.count != 0}),
                  (std::vector<DWORD>{type, length, raw.Word(kData + kQCount), WaitForSingleObject(event, 0) == 0}))
            << "type, length, count, event of step " << &s - steps;
        EXPECT_EQ(s.rc != 234 ? "" : s.type == 10 ? "0123" : "abcd", std::string(buffer, s.rc == 234 ? 4 : 0));
    }
    EXPECT_EQ((std::vector<DWORD>{0, 3964, 0, 136, 0}), Words(raw.view, kData + kQCount, 5));
    // A full queue's refusal does not set the event.
    EXPECT_EQ(84u, Put(name, 3, std::string(4000, 'c')));
    EXPECT_NE(WAIT_OBJECT_0, WaitForSingleObject(event, 0));
    CloseHandle(event);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

// Damaged headers of every inter-process block: the block's own, a queue's
// and the status tables'. Each damage, written into the shared memory as a
// faulty program would write it, gives CVU_E_BADHEADER from every call that
// reads that header, leaves the out values alone and changes nothing;
// repaired, everything works as before.
enum Kind { kBlock, kQueue, kIbdat, kRmdat };

// rc, or 0xBAD0BAD when a failed call left its out value other than allowed
// (read once the call is over).
template <class T>
DWORD Checked(DWORD rc, T *const &out, T *allowed)
{
    return rc == 0 || out == allowed ? rc : 0xBAD0BAD;
}

// Every call that reads a header of that kind, with its code.
std::vector<std::pair<const char *, DWORD>> Calls(Kind kind, const std::string &name)
{
    DWORD type = 0, value = 0;
    std::string data;
    NsmHandle *opened = Sentinel<NsmHandle>(), *created = Sentinel<NsmHandle>();
    NmqHandle *queue = Sentinel<NmqHandle>();
    HANDLE event = Sentinel<void>();
    RmdatRecord record{};
    switch (kind) {
    case kBlock: {
        DWORD open = CVU_NsmOpen(name.c_str(), &opened), create = CVU_NsmCreate(name.c_str(), 0, 5, &created);
        if (!open) CVU_NsmClose(opened);
        if (!create) CVU_NsmClose(created);
        return {{"open", Checked(open, opened, Sentinel<NsmHandle>())}, {"create", Checked(create, created, {})}};
    }
    case kQueue:
        return {{"add", Put(name, 3, "third")}, {"add at the front", Put(name, 3, "third", NMQ_FRONT)},
                {"remove", Take(name, 0, &type, &data)}, {"remove the first", Take(name, NMQ_FRONT, &type, &data)},
                {"event", Checked(CVU_NmqGetEvent(name.c_str(), &event), event, {})},
                {"open", Checked(CVU_NmqOpen(name.c_str(), &queue), queue, {})}};
    case kIbdat:
        return {{"query entry", CVU_IbdatQuery(IBDAT_ITEM_ENTRY, "kept", &value, 4)},
                {"add entry", CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | IBDAT_F_ADD, "new", &value, 4)},
                {"remove entry", CVU_IbdatUpdate(IBDAT_F_REMOVE, "kept", nullptr, 0)}};
    case kRmdat:
        record.mask = 0xFFFFFFFF;
        return {{"update record", CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record)},
                {"query record", CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record)}};
    }
    return {};
}

const struct Damage {
    Kind kind;
    const char *what;
    size_t offset;  // from the start of the mapping
    DWORD value;
} kDamages[] = {
    {kBlock, "magic", 0, 0x12345678},
    {kBlock, "block size beyond the mapping", kBlockSize, 0x10000000},
    {kBlock, "data offset inside the header", kDataOffset, 88},
    {kBlock, "data offset unaligned", kDataOffset, 94},
    {kBlock, "data offset wrapping", kDataOffset, 0xFFFFFFFC},
    // A queue's block: a holder's handle follows the header as it is now.
    {kQueue, "block size cutting into the queue", kBlockSize, 300 - 8},
    // The queue holds "first" (13 bytes at 0) and "second" (14 bytes at 13).
    {kQueue, "magic", kData, 0},
    {kQueue, "queue size beyond the block", kData + kQSize, 0x00100000},
    {kQueue, "capacity beyond the area", kData + kQCapacity, 0x00010000},
    {kQueue, "capacity below the used bytes", kData + kQCapacity, 20},
    {kQueue, "used beyond the records", kData + kQUsed, 30},
    {kQueue, "area offset", kData + kQArea, 0x1000},
    {kQueue, "count above the records", kData + kQCount, 3},
    {kQueue, "last offset inside a record", kData + kQLast, 5},
    {kQueue, "record length wrapping", kData + kQRecords + 4, 0xFFFFFFF8},
    {kQueue, "last record running past used", kData + kQRecords + 13 + 4, 7},
    // "cvuN" of the event name made "Glob": some other program's event.
    {kQueue, "event of another name", kData + kQEvent, 0x626F6C47},
    // IBDAT with 2 entries: 84 bytes.
    {kIbdat, "magic", kData, 0},
    {kIbdat, "size beyond the block", kData + 4, 0x10000},
    {kIbdat, "entry count beyond the size", kData + 12, 3},
    {kIbdat, "entry count wrapping", kData + 12, 0x40000000},
    {kIbdat, "entries offset inside the header", kData + 20, 4},
    {kRmdat, "magic", kData, 1},
    {kRmdat, "size", kData + 4, 0x1000},
};

TEST(IpcDamagedHeaders, AreRefusedByEveryCallAndChangeNothing)
{
    const std::string block = UniqueName("IpcDamagedBlock"), queue = UniqueName("IpcDamagedQueue");
    const std::string names[] = {block, "~Nmq::" + queue, kIbdatName, kRmdatName};
    const std::string callNames[] = {block, queue, kIbdatName, kRmdatName};
    NsmHandle *blockHandle = nullptr, *ibdat = nullptr, *rmdat = nullptr;
    NmqHandle *queueHandle = nullptr;
    DWORD kept = 42, type = 0;
    ASSERT_EQ(0u, First({CVU_NsmCreate(block.c_str(), NSM_DATALOCK, 5, &blockHandle),
                         CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 64, 0, &queueHandle), Put(queue, 1, "first"),
                         Put(queue, 2, "second"), CVU_IbdatCreate(2, 0, &ibdat),
                         CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | IBDAT_F_ADD, "kept", &kept, 4), CVU_RmdatCreate(0, &rmdat)}));
    for (const Damage &d : kDamages) {
        RawBlock raw(names[d.kind]);
        ASSERT_TRUE(raw.view);
        const DWORD saved = raw.Word(d.offset), size = raw.Word(kBlockSize);
        SetWord(raw.view, d.offset, d.value);
        const std::vector<BYTE> before(raw.view, raw.view + size);
        for (const auto &[call, rc] : Calls(d.kind, callNames[d.kind]))
            EXPECT_EQ(CVU_E_BADHEADER, rc) << d.what << ": " << call;
        EXPECT_EQ(before, std::vector<BYTE>(raw.view, raw.view + size)) << d.what;
        SetWord(raw.view, d.offset, saved);
    }
    // Repaired, nothing was lost.
    for (Kind kind : {kBlock, kIbdat, kRmdat})
        for (const auto &[call, rc] : Calls(kind, callNames[kind])) EXPECT_EQ(0u, rc) << call;
    std::string first, second;
    EXPECT_EQ(0u, First({Take(queue, NMQ_FRONT, &type, &first), Take(queue, NMQ_FRONT, &type, &second)}));
    EXPECT_EQ("first second", first + " " + second);
    EXPECT_EQ(0u, CVU_NmqClose(queueHandle) + CVU_NsmClose(blockHandle) + CVU_IbdatClose(ibdat) + CVU_RmdatClose(rmdat));
}

DWORD Entry(const char *name, DWORD flags = 0, DWORD value = 0xDEAD)
{
    return flags ? CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | flags, name, &value, 4)
                 : CVU_IbdatQuery(IBDAT_ITEM_ENTRY, name, &value, 4) ? 0xE0000000 : value;
}

// The tables are machine-wide names: the test makes sure none is left from
// an earlier one.
class StatusTables : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(RawBlock(kIbdatName).view || RawBlock(kRmdatName).view); }
};

// Publishes an entry and the RMDAT text, and reads back what the test wrote.
CVX_CHILD_ROLE(stattab_publish)
{
    RmdatRecord record{};
    record.mask = RMDAT_F_TEXT;
    std::strcpy(record.text, "from the child");
    if (Entry("child", IBDAT_F_ADD, 17) || CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record)) return 10;
    return Entry("PARENT") == 23 ? 0 : 12;
}

// Without a table, queries read defaults (entry 1, state 1, all else 0) and
// make none; updates find none. The header another process reads; entries go
// into the first free place, are found without regard to case, and are seen
// by another process; a record's mask chooses the fields written and read.
TEST_F(StatusTables, DefaultsLayoutsEntriesMasksAndAnotherProcess)
{
    DWORD table = 7, state = 7;
    RmdatRecord record, expected{};
    std::memset(&record, 0xFF, sizeof record);
    expected.mask = RMDAT_F_STATE, expected.state = 1;
    EXPECT_EQ((std::vector<DWORD>{1, 0, 0, 0, 1, 0, CVU_E_NOTFOUND, CVU_E_NOTFOUND}),
              (std::vector<DWORD>{Entry("any"), CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, &table, 4), table,
                                  CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &state, 4), state,
                                  CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record),
                                  Entry("any", IBDAT_F_ADD), CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, 372)}));
    EXPECT_EQ(0, std::memcmp(&expected, &record, sizeof record)) << "mask 1 and state 1, all else zero";
    EXPECT_FALSE(RawBlock(kIbdatName).view || RawBlock(kRmdatName).view);

    NsmHandle *ibdat = nullptr, *rmdat = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(3, 99, &ibdat) + CVU_RmdatCreate(0, &rmdat));
    RawBlock ib(kIbdatName), rm(kRmdatName);
    EXPECT_EQ((std::vector<DWORD>{0x3A51E76C, 112, 0, 3, 0, 28, 0}), Words(ib.view, kData, 7));
    EXPECT_EQ((std::vector<DWORD>{0x3A32C56C, 384, 0, 0, 1, 0}), Words(rm.view, kData, 6));

    // Names are cut to 19 characters.
    EXPECT_EQ(CVU_E_NOENTRY, Entry("line1", IBDAT_ITEM_ENTRY, 5));
    for (const char *name : {"line1", "parent", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}) ASSERT_EQ(0u, Entry(name, IBDAT_F_ADD, 23));
    EXPECT_EQ((std::vector<DWORD>{23, 1}), (std::vector<DWORD>{Entry("abcdefghijklmnopqrs"), Entry("ABCDEFGHIJKLMNOPQRST")}));
    EXPECT_EQ(84u, Entry("line4", IBDAT_F_ADD, 8));
    EXPECT_EQ(0u, CVU_IbdatUpdate(IBDAT_F_REMOVE | 0x00FFFFFF, "LINE1", nullptr, 0));
    EXPECT_EQ(std::vector<BYTE>(28, 0), std::vector<BYTE>(ib.view + kData + 28, ib.view + kData + 56));
    ASSERT_EQ(0, cvxtest::RunChild("stattab_publish"));
    EXPECT_STREQ("child", reinterpret_cast<const char *>(ib.view + kData + 36));
    EXPECT_EQ(17u, Entry("Child"));

    // Only the fields of a record's mask go in; a read fills the fields asked
    // for alone, everything else zero, the mask written back.
    expected = {};
    std::memset(&record, 0x77, sizeof record);
    record.mask = expected.mask = RMDAT_F_TEXT | 0x2;
    std::strcpy(expected.text, "from the child");
    ASSERT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    EXPECT_EQ(0, std::memcmp(&expected, &record, sizeof record));
    // When the creator closes, the tables are gone.
    EXPECT_EQ(0u, CVU_IbdatClose(ibdat) + CVU_RmdatClose(rmdat));
    EXPECT_EQ(CVU_E_NOTFOUND, Entry("child", IBDAT_ITEM_ENTRY, 1));
}

// Messages per writer. Every call of a process that holds no handle opens the
// queue by name; under Wine a run takes about 20 seconds. Lower this, never
// the number of processes, if a slower machine needs it.
constexpr DWORD kMessagesPerWriter = 10000, kStop = 0xFFFFFFFF;
constexpr int kWriters = 4, kReaders = 4;

// The data of message seq from writer: its origin, then 0 to 56 bytes that
// depend on both.
std::string Payload(DWORD writer, DWORD seq)
{
    std::string data(8 + seq % 57, char(writer * 31 + seq * 7));
    std::memcpy(&data[0], &writer, 4), std::memcpy(&data[4], &seq, 4);
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

// A writer ("writer1" to "writer4") or a reader ("reader0" to "reader3") that
// reaches the queue by name alone ('n'), or holds it open with calls through
// its handle on ('h') or switched off ('s'). A writer adds its messages; a
// reader takes messages from the front until a stop message, checks each, and
// reports how many it took and the sum of their numbers.
CVX_CHILD_ROLE(nmq_load_member)
{
    const std::string &queue = args.at(0), &id = args.at(1);
    NmqHandle *held = nullptr;
    HANDLE event = nullptr;
    if (args.at(2) != "n" && CVU_NmqOpen(queue.c_str(), &held)) return 9;
    for (DWORD seq = 0, writer = id[6] - '0'; id[0] == 'w' && seq < kMessagesPerWriter; ++seq)
        if (AddWaiting(queue, writer, Payload(writer, seq))) return 10;
    if (id[0] == 'r' && (CVU_NmqGetEvent(queue.c_str(), &event) || !event)) return 11;
    std::vector<DWORD> lastSeq(kWriters + 1, kStop);
    unsigned long long count = 0, sum = 0;
    for (DWORD type = 0, seq = 0, rc = 0; event;) {
        WaitForSingleObject(event, 1000);
        std::string data;
        if ((rc = Take(queue, NMQ_FRONT, &type, &data)) == 259) continue;
        if (rc) return 12;
        if (type == kStop) break;
        std::memcpy(&seq, data.data() + 4, data.size() >= 8 ? 4 : 0);
        // A writer's messages come in order: one queue, first in first out.
        if (type < 1 || type > kWriters || data != Payload(type, seq) || (lastSeq[type] != kStop && seq <= lastSeq[type]))
            return 13;
        lastSeq[type] = seq, ++count, sum += (type - 1) * kMessagesPerWriter + seq;
    }
    if (event && CloseHandle(event)) cvxtest::PutResult(id.c_str(), std::to_string(count) + " " + std::to_string(sum));
    return held ? int(CVU_NmqClose(held)) : 0;
}

// One queue, four writer then four reader processes, by name alone or
// holding the queue open: every message arrives once, whole and in its
// writer's order.
TEST(NmqHeld, HeldAndByNameProcessesShareOneQueue)
{
    const std::string queue = UniqueName("NmqLoadMixed"), reach = "hshnshnh";
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 8192, 0, &handle));
    std::vector<cvxtest::ChildProcess> members;
    for (int i = 0; i < kWriters + kReaders; ++i) {
        cvxtest::ChildOptions options;
        options.environment["CVX_NO_FASTPATH"] = reach[i] == 's' ? "1" : "0";
        const std::string id = i < kReaders ? "reader" + std::to_string(i) : "writer" + std::to_string(i - kReaders + 1);
        members.push_back(cvxtest::StartChild("nmq_load_member", {queue, id, std::string(1, reach[i])}, options));
    }
    for (int w = kReaders; w < kReaders + kWriters; ++w) EXPECT_EQ(0, members[w].Wait(100000));
    for (int r = 0; r < kReaders; ++r) ASSERT_EQ(0u, AddWaiting(queue, kStop, ""));
    unsigned long long count = 0, sum = 0;
    for (int r = 0; r < kReaders; ++r) {
        EXPECT_EQ(0, members[r].Wait(60000));
        unsigned long long c = 0, s = 0;
        std::istringstream(cvxtest::GetResult(("reader" + std::to_string(r)).c_str())) >> c >> s;
        count += c, sum += s;
    }
    const unsigned long long total = kWriters * kMessagesPerWriter;
    EXPECT_EQ((std::vector<unsigned long long>{total, total * (total - 1) / 2}), (std::vector<unsigned long long>{count, sum}));
    EXPECT_EQ(1u, RawBlock("~Nmq::" + queue).Word(kRefCount)) << "the members closed what they held";
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

}  // namespace
