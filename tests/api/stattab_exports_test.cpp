// The IBDAT and RMDAT status tables through the exports.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace ipctest;

namespace {

constexpr char kIbdat[] = "_Qlon_Cvex_IBDAT";
constexpr char kRmdat[] = "_Qlon_Cvex_RMDAT";
constexpr size_t kData = 92;

NsmHandle *const kSentinel = reinterpret_cast<NsmHandle *>(static_cast<ULONG_PTR>(0x5A5A5A5A));

DWORD QueryEntry(const char *name, DWORD *value)
{
    *value = 0xDEAD;
    return CVU_IbdatQuery(IBDAT_ITEM_ENTRY, name, value, sizeof *value);
}

DWORD SetEntry(const char *name, DWORD value, DWORD flags = 0)
{
    return CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | flags, name, &value, sizeof value);
}

// The tables are machine-wide names: each test makes sure none is left from
// an earlier one (every test runs in its own process).
class StatusTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(MappingExists(kIbdat));
        ASSERT_FALSE(MappingExists(kRmdat));
    }
};

TEST_F(StatusTables, IbdatDefaultsWithoutATable)
{
    DWORD value = 0;
    EXPECT_EQ(0u, QueryEntry("anything", &value));
    EXPECT_EQ(1u, value);
    value = 0xDEAD;
    EXPECT_EQ(0u, CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, &value, sizeof value));
    EXPECT_EQ(0u, value);
    EXPECT_EQ(CVU_E_NOTFOUND, SetEntry("anything", 5, IBDAT_F_ADD));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, &value, sizeof value));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_IbdatUpdate(IBDAT_F_REMOVE, "anything", nullptr, 0));
    // Queries made no table either.
    EXPECT_FALSE(MappingExists(kIbdat));
}

TEST_F(StatusTables, IbdatLayoutAndSecondCreate)
{
    NsmHandle *table = nullptr, *second = kSentinel;
    EXPECT_EQ(87u, CVU_IbdatCreate(3, 0, nullptr));
    ASSERT_EQ(0u, CVU_IbdatCreate(3, 99, &table));
    ASSERT_NE(nullptr, table);
    RawBlock raw(kIbdat);
    ASSERT_TRUE(raw);
    EXPECT_EQ(7u, raw.Word(8));
    EXPECT_EQ(112u, raw.Word(16));
    EXPECT_EQ(0x3A51E76Cu, raw.Word(kData + 0));
    EXPECT_EQ(112u, raw.Word(kData + 4));
    EXPECT_EQ(0u, raw.Word(kData + 8));
    EXPECT_EQ(3u, raw.Word(kData + 12));
    EXPECT_EQ(0u, raw.Word(kData + 16));
    EXPECT_EQ(28u, raw.Word(kData + 20));
    EXPECT_EQ(0u, raw.Word(kData + 24));
    for (size_t i = kData + 28; i < kData + 112; ++i) ASSERT_EQ(0, raw.View()[i]);

    EXPECT_EQ(183u, CVU_IbdatCreate(3, 0, &second));
    EXPECT_EQ(nullptr, second);
    // The table was handed over unlocked.
    EXPECT_EQ(0u, SetEntry("one", 1, IBDAT_F_ADD));
    EXPECT_EQ(0u, CVU_IbdatClose(table));
    EXPECT_EQ(6u, CVU_IbdatClose(nullptr));
}

TEST_F(StatusTables, IbdatWithoutEntries)
{
    NsmHandle *table = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(0, 0, &table));
    RawBlock raw(kIbdat);
    EXPECT_EQ(28u, raw.Word(16));
    EXPECT_EQ(28u, raw.Word(kData + 4));
    EXPECT_EQ(0u, raw.Word(kData + 20));
    EXPECT_EQ(84u, SetEntry("a", 1, IBDAT_F_ADD));
    DWORD value = 0;
    EXPECT_EQ(0u, QueryEntry("a", &value));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(0u, CVU_IbdatClose(table));
}

TEST_F(StatusTables, IbdatEntries)
{
    NsmHandle *table = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(3, 0, &table));
    RawBlock raw(kIbdat);
    auto entryName = [&](int i) { return std::string(reinterpret_cast<const char *>(raw.View() + kData + 28 + 28 * i + 8)); };

    EXPECT_EQ(CVU_E_NOENTRY, SetEntry("line1", 5));
    ASSERT_EQ(0u, SetEntry("line1", 5, IBDAT_F_ADD));
    ASSERT_EQ(0u, SetEntry("line2", 6, IBDAT_F_ADD));
    ASSERT_EQ(0u, SetEntry("line3", 7, IBDAT_F_ADD));
    EXPECT_EQ(84u, SetEntry("line4", 8, IBDAT_F_ADD));
    EXPECT_EQ(1u, raw.Word(kData + 28));
    EXPECT_EQ(5u, raw.Word(kData + 32));

    // Case does not matter; the first free entry is reused.
    DWORD value = 0;
    EXPECT_EQ(0u, QueryEntry("LINE2", &value));
    EXPECT_EQ(6u, value);
    ASSERT_EQ(0u, SetEntry("Line2", 60));
    EXPECT_EQ(0u, QueryEntry("line2", &value));
    EXPECT_EQ(60u, value);
    EXPECT_EQ(0u, CVU_IbdatUpdate(IBDAT_F_REMOVE | 0x00FFFFFF, "LINE1", nullptr, 0));
    EXPECT_EQ(0u, CVU_IbdatUpdate(IBDAT_F_REMOVE, "line2", nullptr, 0));
    EXPECT_EQ(0u, CVU_IbdatUpdate(IBDAT_F_REMOVE, "not there", nullptr, 0));
    EXPECT_EQ(0u, raw.Word(kData + 28));
    EXPECT_EQ("", entryName(0));
    ASSERT_EQ(0u, SetEntry("line4", 8, IBDAT_F_ADD));
    EXPECT_EQ("line4", entryName(0));
    EXPECT_EQ(0u, QueryEntry("line1", &value));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(0u, QueryEntry("line3", &value));
    EXPECT_EQ(7u, value);

    // Names keep 19 characters; the full form then no longer matches.
    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    ASSERT_EQ(0u, SetEntry(longName.c_str(), 9, IBDAT_F_ADD));
    EXPECT_EQ(longName.substr(0, 19), entryName(1));
    EXPECT_EQ(0u, QueryEntry(longName.c_str(), &value));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(0u, QueryEntry(longName.substr(0, 19).c_str(), &value));
    EXPECT_EQ(9u, value);

    // The table-wide value.
    DWORD tableValue = 0x1234;
    ASSERT_EQ(0u, CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, &tableValue, sizeof tableValue));
    EXPECT_EQ(0x1234u, raw.Word(kData + 8));
    tableValue = 0;
    EXPECT_EQ(0u, CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, &tableValue, sizeof tableValue));
    EXPECT_EQ(0x1234u, tableValue);
    EXPECT_EQ(0u, CVU_IbdatClose(table));
}

TEST_F(StatusTables, IbdatArgumentChecks)
{
    NsmHandle *table = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(2, 0, &table));
    ASSERT_EQ(0u, SetEntry("a", 4, IBDAT_F_ADD));
    DWORD value = 0;
    EXPECT_EQ(122u, CVU_IbdatQuery(IBDAT_ITEM_ENTRY, "a", &value, 3));
    EXPECT_EQ(122u, CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, nullptr, 4));
    EXPECT_EQ(87u, CVU_IbdatQuery(3, "a", &value, 4));
    EXPECT_EQ(87u, CVU_IbdatUpdate(IBDAT_ITEM_ENTRY, "a", &value, 3));
    EXPECT_EQ(87u, CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, &value, 3));
    EXPECT_EQ(87u, CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | IBDAT_F_ADD, "", &value, 4));
    EXPECT_EQ(87u, CVU_IbdatUpdate(IBDAT_ITEM_ENTRY, nullptr, &value, 4));
    EXPECT_EQ(87u, CVU_IbdatUpdate(IBDAT_F_REMOVE, "", nullptr, 0));
    EXPECT_EQ(87u, CVU_IbdatUpdate(3, "a", &value, 4));
    EXPECT_EQ(0u, QueryEntry("a", &value));
    EXPECT_EQ(4u, value);
    EXPECT_EQ(0u, CVU_IbdatClose(table));
}

TEST_F(StatusTables, RmdatDefaultsWithoutATable)
{
    DWORD value = 0;
    EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &value, sizeof value));
    EXPECT_EQ(1u, value);
    value = 0xDEAD;
    EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_VALUE, 0, &value, sizeof value));
    EXPECT_EQ(0u, value);
    RmdatRecord record;
    std::memset(&record, 0xFF, sizeof record);
    EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    RmdatRecord expected{};
    expected.mask = RMDAT_F_STATE;
    expected.state = 1;
    EXPECT_EQ(0, std::memcmp(&expected, &record, sizeof record));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, &value, sizeof value));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    EXPECT_EQ(CVU_E_NOTFOUND, CVU_RmdatUpdate(RMDAT_ITEM_VALUE, 0, &value, sizeof value));
}

TEST_F(StatusTables, RmdatLayoutItemsAndSecondCreate)
{
    NsmHandle *table = nullptr, *second = kSentinel;
    EXPECT_EQ(87u, CVU_RmdatCreate(0, nullptr));
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &table));
    RawBlock raw(kRmdat);
    EXPECT_EQ(7u, raw.Word(8));
    EXPECT_EQ(384u, raw.Word(16));
    EXPECT_EQ(0x3A32C56Cu, raw.Word(kData));
    EXPECT_EQ(384u, raw.Word(kData + 4));
    EXPECT_EQ(0u, raw.Word(kData + 8));
    EXPECT_EQ(0u, raw.Word(kData + 12));
    EXPECT_EQ(1u, raw.Word(kData + 16));
    for (size_t i = kData + 20; i < kData + 384; ++i) ASSERT_EQ(0, raw.View()[i]);
    EXPECT_EQ(183u, CVU_RmdatCreate(0, &second));
    EXPECT_EQ(nullptr, second);

    DWORD value = 0;
    EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &value, sizeof value));
    EXPECT_EQ(1u, value);
    value = 3;
    ASSERT_EQ(0u, CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, &value, sizeof value));
    value = 0xABCD;
    ASSERT_EQ(0u, CVU_RmdatUpdate(RMDAT_ITEM_VALUE, 0, &value, sizeof value));
    EXPECT_EQ(3u, raw.Word(kData + 16));
    EXPECT_EQ(0xABCDu, raw.Word(kData + 8));
    EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_VALUE, 0, &value, sizeof value));
    EXPECT_EQ(0xABCDu, value);
    EXPECT_EQ(0u, CVU_RmdatClose(table));
}

TEST_F(StatusTables, RmdatMaskedCopy)
{
    NsmHandle *table = nullptr;
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &table));
    RawBlock raw(kRmdat);
    const BYTE *stored = raw.View() + kData + 12;

    // A record with every byte set; only text and field2 go into the table.
    RmdatRecord record;
    std::memset(&record, 0x61, sizeof record);
    std::strcpy(record.text, "status text");
    record.field2 = 0x22;
    record.mask = RMDAT_F_TEXT | 0x2;
    ASSERT_EQ(0u, CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    EXPECT_EQ(0u, Word(stored, 0)) << "the mask is not stored";
    EXPECT_EQ(1u, Word(stored, 4));
    EXPECT_EQ(0x22u, Word(stored, 8));
    EXPECT_EQ(0u, Word(stored, 12));
    EXPECT_STREQ("status text", reinterpret_cast<const char *>(stored + 16));
    for (size_t i = 16 + 12; i < 372; ++i) ASSERT_EQ(0, stored[i]) << "byte " << i;

    // Reading the text alone: everything else zero, the mask written back.
    RmdatRecord out;
    std::memset(&out, 0x77, sizeof out);
    out.mask = RMDAT_F_TEXT;
    ASSERT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &out, sizeof out));
    RmdatRecord expected{};
    expected.mask = RMDAT_F_TEXT;
    std::strcpy(expected.text, "status text");
    EXPECT_EQ(0, std::memcmp(&expected, &out, sizeof out));

    // All fields round trip.
    std::memset(&record, 0, sizeof record);
    for (size_t i = 4; i < sizeof record; ++i) reinterpret_cast<BYTE *>(&record)[i] = BYTE(i % 200 + 1);
    record.text[259] = '\0';
    record.mask = 0xFFFFFFFF;
    ASSERT_EQ(0u, CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    std::memset(&out, 0, sizeof out);
    out.mask = 0xFFFFFFFF;
    ASSERT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &out, sizeof out));
    EXPECT_EQ(0, std::memcmp(&record, &out, sizeof out));
    EXPECT_EQ(0u, CVU_RmdatClose(table));
}

TEST_F(StatusTables, RmdatBufferChecks)
{
    NsmHandle *table = nullptr;
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &table));
    BYTE buffer[372] = {};
    EXPECT_EQ(122u, CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, buffer, 3));
    EXPECT_EQ(122u, CVU_RmdatQuery(RMDAT_ITEM_VALUE, 0, nullptr, 4));
    EXPECT_EQ(122u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, buffer, 371));
    EXPECT_EQ(87u, CVU_RmdatQuery(4, 0, buffer, 372));
    EXPECT_EQ(87u, CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, buffer, 3));
    EXPECT_EQ(87u, CVU_RmdatUpdate(RMDAT_ITEM_VALUE, 0, buffer, 3));
    EXPECT_EQ(87u, CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, buffer, 371));
    EXPECT_EQ(87u, CVU_RmdatUpdate(0, 0, buffer, 372));
    DWORD value = 0;
    EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &value, sizeof value));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(0u, CVU_RmdatClose(table));
}

TEST_F(StatusTables, DamagedTablesAreRefusedAndChangeNothing)
{
    NsmHandle *ibdat = nullptr, *rmdat = nullptr, *block = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(2, 0, &ibdat));
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &rmdat));
    ASSERT_EQ(0u, SetEntry("kept", 42, IBDAT_F_ADD));

    ASSERT_EQ(0u, CVU_NsmOpen(kIbdat, &block));
    void *view = nullptr;
    ASSERT_EQ(0u, CVU_NsmDataView(block, &view));
    BYTE *data = static_cast<BYTE *>(view);
    struct Damage {
        const char *what;
        size_t offset;
        DWORD value;
    };
    const Damage damages[] = {
        {"magic", 0, 0},
        {"size beyond the block", 4, 0x10000},
        {"entry count beyond the size", 12, 3},
        {"entry count wrapping", 12, 0x40000000},
        {"entries offset inside the header", 20, 4},
        {"entries offset beyond the block", 20, 0xFFFFFF00},
    };
    for (const Damage &d : damages) {
        DWORD saved = Word(data, d.offset);
        SetWord(data, d.offset, d.value);
        std::vector<BYTE> before(data, data + 84);
        DWORD value = 0;
        EXPECT_EQ(CVU_E_BADHEADER, QueryEntry("kept", &value)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, &value, 4)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, SetEntry("new", 1, IBDAT_F_ADD)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, SetEntry("kept", 1)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_IbdatUpdate(IBDAT_F_REMOVE, "kept", nullptr, 0)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, &value, 4)) << d.what;
        EXPECT_EQ(before, std::vector<BYTE>(data, data + 84)) << d.what;
        SetWord(data, d.offset, saved);
    }
    DWORD value = 0;
    EXPECT_EQ(0u, QueryEntry("kept", &value));
    EXPECT_EQ(42u, value);
    EXPECT_EQ(0u, CVU_NsmClose(block));

    ASSERT_EQ(0u, CVU_NsmOpen(kRmdat, &block));
    ASSERT_EQ(0u, CVU_NsmDataView(block, &view));
    data = static_cast<BYTE *>(view);
    for (Damage d : {Damage{"magic", 0, 1}, Damage{"size", 4, 0x1000}}) {
        DWORD saved = Word(data, d.offset);
        SetWord(data, d.offset, d.value);
        std::vector<BYTE> before(data, data + 384);
        RmdatRecord record{};
        record.mask = 0xFFFFFFFF;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, &value, 4)) << d.what;
        EXPECT_EQ(CVU_E_BADHEADER, CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &value, 4)) << d.what;
        std::memset(&record, 0x33, sizeof record);
        EXPECT_EQ(CVU_E_BADHEADER, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record)) << d.what;
        EXPECT_EQ(std::vector<BYTE>(sizeof record, 0),
                  std::vector<BYTE>(reinterpret_cast<BYTE *>(&record), reinterpret_cast<BYTE *>(&record + 1)))
            << "the buffer is left zero";
        EXPECT_EQ(before, std::vector<BYTE>(data, data + 384)) << d.what;
        SetWord(data, d.offset, saved);
    }
    EXPECT_EQ(0u, CVU_NsmClose(block));
    EXPECT_EQ(0u, CVU_RmdatClose(rmdat));
    EXPECT_EQ(0u, CVU_IbdatClose(ibdat));
}

// Queries and updates of a table this process holds work through its handle
// (unless switched off): they go ahead while an open or close elsewhere holds
// the table's structure mutex.
TEST_F(StatusTables, CallsOnHeldTablesTakeOnlyTheDataLock)
{
    NsmHandle *ibdat = nullptr, *rmdat = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(2, 0, &ibdat));
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &rmdat));
    {
        StructureLockHolder holder(kIbdat, 3000);
        ASSERT_FALSE(holder.Released());
        EXPECT_EQ(0u, SetEntry("held", 5, IBDAT_F_ADD));
        EXPECT_EQ(HeldPathOn(), !holder.Released());
    }
    {
        StructureLockHolder holder(kRmdat, 3000);
        ASSERT_FALSE(holder.Released());
        DWORD value = 0;
        EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &value, sizeof value));
        EXPECT_EQ(1u, value);
        EXPECT_EQ(HeldPathOn(), !holder.Released());
    }
    DWORD value = 0;
    EXPECT_EQ(0u, QueryEntry("HELD", &value));
    EXPECT_EQ(5u, value);
    EXPECT_EQ(0u, CVU_RmdatClose(rmdat));
    EXPECT_EQ(0u, CVU_IbdatClose(ibdat));
}

// ---- across processes -------------------------------------------------------------

// Publishes an entry and the RMDAT text, and reads back what the test wrote.
CVX_CHILD_ROLE(stattab_publish)
{
    if (SetEntry("child", 17, IBDAT_F_ADD)) return 10;
    RmdatRecord record{};
    record.mask = RMDAT_F_TEXT;
    std::strcpy(record.text, "from the child");
    if (CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record)) return 11;
    DWORD value = 0;
    if (QueryEntry("PARENT", &value) || value != 23) return 12;
    return 0;
}

TEST_F(StatusTables, AnotherProcessReadsAndWrites)
{
    NsmHandle *ibdat = nullptr, *rmdat = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(4, 0, &ibdat));
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &rmdat));
    ASSERT_EQ(0u, SetEntry("parent", 23, IBDAT_F_ADD));
    ASSERT_EQ(0, cvxtest::RunChild("stattab_publish"));
    DWORD value = 0;
    EXPECT_EQ(0u, QueryEntry("Child", &value));
    EXPECT_EQ(17u, value);
    RmdatRecord record{};
    record.mask = RMDAT_F_TEXT | RMDAT_F_STATE;
    ASSERT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    EXPECT_STREQ("from the child", record.text);
    EXPECT_EQ(1u, record.state);

    // When the creator closes, the tables are gone and read as defaults.
    EXPECT_EQ(0u, CVU_IbdatClose(ibdat));
    EXPECT_EQ(0u, CVU_RmdatClose(rmdat));
    EXPECT_EQ(0u, QueryEntry("child", &value));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(CVU_E_NOTFOUND, SetEntry("child", 1));
}

}  // namespace
