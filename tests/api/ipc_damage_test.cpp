// Damaged headers of every inter-process block: the block's own, a queue's
// and the status tables'. Each damage, written into the shared memory as a
// faulty program would write it, gives CVU_E_BADHEADER from every call that
// reads that header, leaves the out values alone and changes nothing;
// repaired, everything works as before.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"

using namespace ipctest;

namespace {

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
                {"query table", CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, &value, 4)},
                {"add entry", CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | IBDAT_F_ADD, "new", &value, 4)},
                {"remove entry", CVU_IbdatUpdate(IBDAT_F_REMOVE, "kept", nullptr, 0)}};
    case kRmdat:
        record.mask = 0xFFFFFFFF;
        return {{"update record", CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record)},
                {"update state", CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, &value, 4)},
                {"query value", CVU_RmdatQuery(RMDAT_ITEM_VALUE, 0, &value, 4)},
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
    {kBlock, "block size below the header", kBlockSize, 60},
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
    {kQueue, "used cutting the last record", kData + kQUsed, 20},
    {kQueue, "used beyond the records", kData + kQUsed, 30},
    {kQueue, "area offset", kData + kQArea, 0x1000},
    {kQueue, "count above the records", kData + kQCount, 3},
    {kQueue, "count below the records", kData + kQCount, 1},
    {kQueue, "last offset outside the area", kData + kQLast, 0x7FFFFFF0},
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
    const std::string names[] = {block, "~Nmq::" + queue, "_Qlon_Cvex_IBDAT", "_Qlon_Cvex_RMDAT"};
    const std::string callNames[] = {block, queue, names[2], names[3]};
    NsmHandle *blockHandle = nullptr, *ibdat = nullptr, *rmdat = nullptr;
    NmqHandle *queueHandle = nullptr;
    DWORD kept = 42;
    ASSERT_EQ(0u, CVU_NsmCreate(block.c_str(), NSM_DATALOCK, 5, &blockHandle));
    ASSERT_EQ(0u, CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 64, 0, &queueHandle));
    ASSERT_EQ(0u, First({Put(queue, 1, "first"), Put(queue, 2, "second"), CVU_IbdatCreate(2, 0, &ibdat)}));
    ASSERT_EQ(0u, First({CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | IBDAT_F_ADD, "kept", &kept, 4), CVU_RmdatCreate(0, &rmdat)}));

    for (const Damage &d : kDamages) {
        RawBlock raw(names[d.kind]);
        ASSERT_TRUE(raw);
        const DWORD saved = raw.Word(d.offset), size = raw.Word(kBlockSize);
        SetWord(raw.View(), d.offset, d.value);
        const std::vector<BYTE> before(raw.View(), raw.View() + size);
        for (const auto &[call, rc] : Calls(d.kind, callNames[d.kind]))
            EXPECT_EQ(CVU_E_BADHEADER, rc) << d.what << ": " << call;
        EXPECT_EQ(before, std::vector<BYTE>(raw.View(), raw.View() + size)) << d.what;
        SetWord(raw.View(), d.offset, saved);
    }

    // Repaired, nothing was lost.
    for (Kind kind : {kBlock, kIbdat, kRmdat})
        for (const auto &[call, rc] : Calls(kind, callNames[kind])) EXPECT_EQ(0u, rc) << call;
    DWORD type = 0;
    std::string first, second;
    EXPECT_EQ(0u, First({Take(queue, NMQ_FRONT, &type, &first), Take(queue, NMQ_FRONT, &type, &second)}));
    EXPECT_EQ("first second", first + " " + second);
    EXPECT_EQ(0u, CVU_NmqClose(queueHandle) + CVU_NsmClose(blockHandle) + CVU_IbdatClose(ibdat) + CVU_RmdatClose(rmdat));
}

}  // namespace
