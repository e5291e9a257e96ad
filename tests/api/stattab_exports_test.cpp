// The IBDAT and RMDAT status tables through the exports.
#include <windows.h>

#include <cstring>
#include <functional>
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

TEST_F(StatusTables, DefaultsWithoutATable)
{
    DWORD value = 0;
    RmdatRecord record;
    struct Case {
        const char *what;
        std::function<DWORD()> call;
        DWORD rc, value;
    } cases[] = {
        {"IBDAT entry", [&] { return QueryEntry("anything", &value); }, 0, 1},
        {"IBDAT table", [&] { return CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, &value, 4); }, 0, 0},
        {"IBDAT add", [&] { return SetEntry("anything", 5, IBDAT_F_ADD); }, CVU_E_NOTFOUND, 0xDEAD},
        {"IBDAT table update", [&] { return CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, &value, 4); }, CVU_E_NOTFOUND, 0xDEAD},
        {"IBDAT remove", [&] { return CVU_IbdatUpdate(IBDAT_F_REMOVE, "anything", nullptr, 0); }, CVU_E_NOTFOUND, 0xDEAD},
        {"RMDAT state", [&] { return CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &value, 4); }, 0, 1},
        {"RMDAT value", [&] { return CVU_RmdatQuery(RMDAT_ITEM_VALUE, 0, &value, 4); }, 0, 0},
        {"RMDAT record: mask 1 and state 1, all else zero",
         [&] {
             std::memset(&record, 0xFF, sizeof record);
             DWORD rc = CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record);
             RmdatRecord expected{};
             expected.mask = RMDAT_F_STATE;
             expected.state = 1;
             value = std::memcmp(&expected, &record, sizeof record);
             return rc;
         },
         0, 0},
        {"RMDAT state update", [&] { return CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, &value, 4); }, CVU_E_NOTFOUND, 0xDEAD},
        {"RMDAT record update", [&] { return CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record); },
         CVU_E_NOTFOUND, 0xDEAD},
        {"RMDAT value update", [&] { return CVU_RmdatUpdate(RMDAT_ITEM_VALUE, 0, &value, 4); }, CVU_E_NOTFOUND, 0xDEAD},
    };
    for (const Case &c : cases) {
        value = 0xDEAD;
        EXPECT_EQ(c.rc, c.call()) << c.what;
        EXPECT_EQ(c.value, value) << c.what;
    }
    // Queries made no table either.
    EXPECT_FALSE(MappingExists(kIbdat));
    EXPECT_FALSE(MappingExists(kRmdat));
}

TEST_F(StatusTables, IbdatLayoutAndEntries)
{
    NsmHandle *table = nullptr, *second = Sentinel<NsmHandle>();
    ASSERT_EQ(0u, CVU_IbdatCreate(3, 99, &table));
    RawBlock raw(kIbdat);
    ASSERT_TRUE(raw);
    EXPECT_EQ((std::vector<DWORD>{7, 208, 112}), Words(raw.View(), kFlags, 3));
    EXPECT_EQ((std::vector<DWORD>{0x3A51E76C, 112, 0, 3, 0, 28, 0}), Words(raw.View(), kData, 7));
    EXPECT_EQ(std::vector<BYTE>(84, 0), std::vector<BYTE>(raw.View() + kData + 28, raw.View() + kData + 112));
    EXPECT_EQ(183u, CVU_IbdatCreate(3, 0, &second));
    EXPECT_EQ(nullptr, second);

    // The table was handed over unlocked.
    EXPECT_EQ(CVU_E_NOENTRY, SetEntry("line1", 5));
    ASSERT_EQ(0u, SetEntry("line1", 5, IBDAT_F_ADD));
    ASSERT_EQ(0u, SetEntry("line2", 6, IBDAT_F_ADD));
    ASSERT_EQ(0u, SetEntry("line3", 7, IBDAT_F_ADD));
    EXPECT_EQ(84u, SetEntry("line4", 8, IBDAT_F_ADD));
    EXPECT_EQ((std::vector<DWORD>{1, 5}), Words(raw.View(), kData + 28, 2));
    EXPECT_STREQ("line1", reinterpret_cast<const char *>(raw.View() + kData + 36));
    // Names match without regard to case; a removed entry's 28 bytes are zero.
    DWORD value = 0;
    EXPECT_EQ(0u, QueryEntry("LINE2", &value));
    EXPECT_EQ(6u, value);
    ASSERT_EQ(0u, SetEntry("Line2", 60));
    EXPECT_EQ(0u, QueryEntry("line2", &value));
    EXPECT_EQ(60u, value);
    EXPECT_EQ(0u, CVU_IbdatUpdate(IBDAT_F_REMOVE | 0x00FFFFFF, "LINE1", nullptr, 0));
    EXPECT_EQ(0u, CVU_IbdatUpdate(IBDAT_F_REMOVE, "not there", nullptr, 0));
    EXPECT_EQ(std::vector<BYTE>(28, 0), std::vector<BYTE>(raw.View() + kData + 28, raw.View() + kData + 56));
    EXPECT_EQ(0u, QueryEntry("line1", &value));
    EXPECT_EQ(1u, value);

    DWORD tableValue = 0x1234;
    ASSERT_EQ(0u, CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, &tableValue, sizeof tableValue));
    EXPECT_EQ(0x1234u, raw.Word(kData + 8));
    tableValue = 0;
    EXPECT_EQ(0u, CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, &tableValue, sizeof tableValue));
    EXPECT_EQ(0x1234u, tableValue);
    EXPECT_EQ(0u, CVU_IbdatClose(table));
}

// Without entries: 28 bytes, entries offset 0, and no room.
TEST_F(StatusTables, IbdatWithoutEntries)
{
    NsmHandle *table = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(0, 0, &table));
    RawBlock raw(kIbdat);
    EXPECT_EQ((std::vector<DWORD>{28, 0}), (std::vector<DWORD>{raw.Word(kData + 4), raw.Word(kData + 20)}));
    EXPECT_EQ(84u, SetEntry("a", 1, IBDAT_F_ADD));
    EXPECT_EQ(0u, CVU_IbdatClose(table));
}

TEST_F(StatusTables, RmdatLayoutItemsAndMaskedCopy)
{
    NsmHandle *table = nullptr, *second = Sentinel<NsmHandle>();
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &table));
    RawBlock raw(kRmdat);
    EXPECT_EQ((std::vector<DWORD>{7, 480, 384}), Words(raw.View(), kFlags, 3));
    EXPECT_EQ((std::vector<DWORD>{0x3A32C56C, 384, 0, 0, 1}), Words(raw.View(), kData, 5));
    EXPECT_EQ(std::vector<BYTE>(364, 0), std::vector<BYTE>(raw.View() + kData + 20, raw.View() + kData + 384));
    EXPECT_EQ(183u, CVU_RmdatCreate(0, &second));
    EXPECT_EQ(nullptr, second);

    DWORD value = 3;
    ASSERT_EQ(0u, CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, &value, sizeof value));
    value = 0xABCD;
    ASSERT_EQ(0u, CVU_RmdatUpdate(RMDAT_ITEM_VALUE, 0, &value, sizeof value));
    EXPECT_EQ((std::vector<DWORD>{0xABCD, 0, 3}), Words(raw.View(), kData + 8, 3));
    EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &value, sizeof value));
    EXPECT_EQ(3u, value);

    // A record with every byte set; only the text and field2 go in, and the
    // mask is not stored.
    const BYTE *stored = raw.View() + kData + 12;
    RmdatRecord record;
    std::memset(&record, 0x61, sizeof record);
    std::strcpy(record.text, "status text");
    record.mask = RMDAT_F_TEXT | 0x2;
    ASSERT_EQ(0u, CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    EXPECT_EQ((std::vector<DWORD>{0, 3, 0x61616161, 0}), Words(stored, 0, 4));
    EXPECT_STREQ("status text", reinterpret_cast<const char *>(stored + 16));
    EXPECT_EQ(std::vector<BYTE>(372 - 28, 0), std::vector<BYTE>(stored + 28, stored + 372));
    // Reading the text alone: everything else zero, the mask written back.
    RmdatRecord out, expected{};
    std::memset(&out, 0x77, sizeof out);
    out.mask = expected.mask = RMDAT_F_TEXT;
    std::strcpy(expected.text, "status text");
    ASSERT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &out, sizeof out));
    EXPECT_EQ(0, std::memcmp(&expected, &out, sizeof out));
    EXPECT_EQ(0u, CVU_RmdatClose(table));
}

// Queries and updates of a table this process holds work through its handle
// (unless switched off): they go ahead while an open or close elsewhere holds
// the table's structure mutex.
TEST_F(StatusTables, CallsOnHeldTablesTakeOnlyTheDataLock)
{
    NsmHandle *ibdat = nullptr, *rmdat = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(2, 0, &ibdat));
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &rmdat));
    DWORD value = 0;
    EXPECT_EQ(!HeldPathOn(), WaitsForStructureMutex(kIbdat, [] { EXPECT_EQ(0u, SetEntry("held", 5, IBDAT_F_ADD)); }));
    EXPECT_EQ(!HeldPathOn(), WaitsForStructureMutex(kRmdat, [&] {
                  EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &value, sizeof value));
              }));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(0u, QueryEntry("HELD", &value));
    EXPECT_EQ(5u, value);
    EXPECT_EQ(0u, CVU_RmdatClose(rmdat));
    EXPECT_EQ(0u, CVU_IbdatClose(ibdat));
}

// Publishes an entry and the RMDAT text, and reads back what the test wrote.
CVX_CHILD_ROLE(stattab_publish)
{
    if (SetEntry("child", 17, IBDAT_F_ADD)) return 10;
    RmdatRecord record{};
    record.mask = RMDAT_F_TEXT;
    std::strcpy(record.text, "from the child");
    if (CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record)) return 11;
    DWORD value = 0;
    return QueryEntry("PARENT", &value) || value != 23 ? 12 : 0;
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
