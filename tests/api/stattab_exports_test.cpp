// The IBDAT and RMDAT status tables through the exports: defaults without a
// table, the bytes another process reads, and a second process's view.
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

constexpr char kIbdat[] = "_Qlon_Cvex_IBDAT", kRmdat[] = "_Qlon_Cvex_RMDAT";

DWORD Entry(const char *name, DWORD flags = 0, DWORD value = 0xDEAD)
{
    return flags ? CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | flags, name, &value, 4)
                 : CVU_IbdatQuery(IBDAT_ITEM_ENTRY, name, &value, 4) ? 0xE0000000 : value;
}

// The tables are machine-wide names: each test makes sure none is left from
// an earlier one (every test runs in its own process).
class StatusTables : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(MappingExists(kIbdat) || MappingExists(kRmdat)); }
};

// Queries read defaults and make no table; updates find none.
TEST_F(StatusTables, DefaultsWithoutATable)
{
    DWORD table = 7, state = 7, value = 7;
    RmdatRecord record, expected{};
    std::memset(&record, 0xFF, sizeof record);
    expected.mask = RMDAT_F_STATE, expected.state = 1;
    // Entry 1, table value 0; state 1, value 0.
    EXPECT_EQ((std::vector<DWORD>{1, 0, 0, 0, 1, 0, 0}),
              (std::vector<DWORD>{Entry("any"), CVU_IbdatQuery(IBDAT_ITEM_TABLE, nullptr, &table, 4), table,
                                  CVU_RmdatQuery(RMDAT_ITEM_STATE, 0, &state, 4), state,
                                  CVU_RmdatQuery(RMDAT_ITEM_VALUE, 0, &value, 4), value}));
    EXPECT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    EXPECT_EQ(0, std::memcmp(&expected, &record, sizeof record)) << "mask 1 and state 1, all else zero";
    EXPECT_EQ((std::vector<DWORD>{CVU_E_NOTFOUND, CVU_E_NOTFOUND, CVU_E_NOTFOUND}),
              (std::vector<DWORD>{Entry("any", IBDAT_F_ADD), CVU_IbdatUpdate(IBDAT_F_REMOVE, "any", nullptr, 0),
                                  CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record)}));
    EXPECT_FALSE(MappingExists(kIbdat) || MappingExists(kRmdat));
}

TEST_F(StatusTables, LayoutsEntriesAndMaskedRecords)
{
    NsmHandle *ibdat = nullptr, *rmdat = nullptr, *second = Sentinel<NsmHandle>();
    ASSERT_EQ(0u, CVU_IbdatCreate(3, 99, &ibdat) + CVU_RmdatCreate(0, &rmdat));
    RawBlock ib(kIbdat), rm(kRmdat);
    EXPECT_EQ((std::vector<DWORD>{7, 208, 112}), Words(ib.View(), kFlags, 3));
    EXPECT_EQ((std::vector<DWORD>{0x3A51E76C, 112, 0, 3, 0, 28, 0}), Words(ib.View(), kData, 7));
    EXPECT_EQ((std::vector<DWORD>{7, 480, 384}), Words(rm.View(), kFlags, 3));
    EXPECT_EQ((std::vector<DWORD>{0x3A32C56C, 384, 0, 0, 1, 0}), Words(rm.View(), kData, 6));
    EXPECT_EQ(183u, CVU_IbdatCreate(3, 0, &second));
    EXPECT_EQ(nullptr, second);

    // Entries are added into the first free place and found without regard
    // to case; a removed entry's 28 bytes are zero.
    EXPECT_EQ(CVU_E_NOENTRY, Entry("line1", IBDAT_ITEM_ENTRY, 5));
    for (const char *name : {"line1", "line2", "line3"}) ASSERT_EQ(0u, Entry(name, IBDAT_F_ADD, 5));
    EXPECT_EQ(84u, Entry("line4", IBDAT_F_ADD, 8));
    EXPECT_STREQ("line1", reinterpret_cast<const char *>(ib.View() + kData + 36));
    ASSERT_EQ(0u, Entry("Line2", IBDAT_ITEM_ENTRY, 60));
    EXPECT_EQ(60u, Entry("LINE2"));
    EXPECT_EQ(0u, CVU_IbdatUpdate(IBDAT_F_REMOVE | 0x00FFFFFF, "LINE1", nullptr, 0));
    EXPECT_EQ(std::vector<BYTE>(28, 0), std::vector<BYTE>(ib.View() + kData + 28, ib.View() + kData + 56));
    EXPECT_EQ(1u, Entry("line1"));

    // Only the fields of a record's mask go in; a read fills the fields asked
    // for alone, everything else zero, the mask written back.
    RmdatRecord record, expected{};
    std::memset(&record, 0x61, sizeof record);
    std::strcpy(record.text, "status text");
    record.mask = RMDAT_F_TEXT;
    ASSERT_EQ(0u, CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    std::memset(&record, 0x77, sizeof record);
    record.mask = expected.mask = RMDAT_F_TEXT | 0x2;
    std::strcpy(expected.text, "status text");
    ASSERT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    EXPECT_EQ(0, std::memcmp(&expected, &record, sizeof record));
    EXPECT_EQ(0u, CVU_IbdatClose(ibdat) + CVU_RmdatClose(rmdat));
}

// Publishes an entry and the RMDAT text, and reads back what the test wrote.
CVX_CHILD_ROLE(stattab_publish)
{
    RmdatRecord record{};
    record.mask = RMDAT_F_TEXT;
    std::strcpy(record.text, "from the child");
    if (Entry("child", IBDAT_F_ADD, 17) || CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &record, sizeof record)) return 10;
    return Entry("PARENT") == 23 ? 0 : 12;
}

TEST_F(StatusTables, AnotherProcessReadsAndWrites)
{
    NsmHandle *ibdat = nullptr, *rmdat = nullptr;
    ASSERT_EQ(0u, First({CVU_IbdatCreate(4, 0, &ibdat), CVU_RmdatCreate(0, &rmdat), Entry("parent", IBDAT_F_ADD, 23)}));
    ASSERT_EQ(0, cvxtest::RunChild("stattab_publish"));
    EXPECT_EQ(17u, Entry("Child"));
    RmdatRecord record{};
    record.mask = RMDAT_F_TEXT | RMDAT_F_STATE;
    ASSERT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &record, sizeof record));
    EXPECT_STREQ("from the child", record.text);
    EXPECT_EQ(1u, record.state);
    // When the creator closes, the tables are gone.
    EXPECT_EQ(0u, CVU_IbdatClose(ibdat) + CVU_RmdatClose(rmdat));
    EXPECT_EQ(CVU_E_NOTFOUND, Entry("child", IBDAT_ITEM_ENTRY, 1));
}

}  // namespace
