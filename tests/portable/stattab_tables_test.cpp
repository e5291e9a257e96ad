// The status tables' data areas: IBDAT entries and the RMDAT masked copy.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ipc/portable/tables.h"
#include "korutil/portable/korstr.h"

namespace {

using namespace cvx::ipc;

bool SameNoCase(const char *a, const char *b) { return kor::CompareNoCase(a, b) == 0; }

struct TestIbdat {
    explicit TestIbdat(uint32_t entries) : data((IbdatSize(entries) & ~3u) + 4) { InitIbdat(data.data(), entries); }
    uint32_t Word(size_t offset) const { return LoadU32(&data[offset]); }
    const char *Name(uint32_t entry) const { return reinterpret_cast<const char *>(&data[28 + entry * 28 + 8]); }
    IbdatTable Table()
    {
        IbdatTable table;
        EXPECT_TRUE(table.Load(data.data(), data.size()));
        return table;
    }
    std::vector<uint8_t> data;
};

TEST(IbdatTable, SearchStopsAtTheFirstMatchAndRemembersTheFirstFree)
{
    TestIbdat t(4);
    IbdatTable table = t.Table();
    for (const char *name : {"a", "b", "c", "d"}) ASSERT_EQ(kOk, table.Update(name, 1, true, SameNoCase));
    table.Remove("b", SameNoCase);
    table.Remove("d", SameNoCase);
    IbdatTable::Search s = table.Find("c", SameNoCase);
    EXPECT_EQ(2u, s.match);
    EXPECT_EQ(1u, s.firstFree);
    s = table.Find("x", SameNoCase);
    EXPECT_EQ(IbdatTable::kNone, s.match);
    EXPECT_EQ(1u, s.firstFree);
    s = table.Find("a", SameNoCase);
    EXPECT_EQ(0u, s.match);
    EXPECT_EQ(IbdatTable::kNone, s.firstFree);
    // A name in use twice (written by hand): the first one counts.
    std::memcpy(&t.data[28 + 3 * 28], "\1\0\0\0\x2A\0\0\0C", 10);
    EXPECT_EQ(1u, table.Query("c", SameNoCase));
}

TEST(IbdatTable, NamesAreCutTo19Characters)
{
    TestIbdat t(2);
    IbdatTable table = t.Table();
    const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    ASSERT_EQ(kOk, table.Update(full.c_str(), 3, true, SameNoCase));
    EXPECT_EQ(full.substr(0, 19), t.Name(0));
    EXPECT_EQ(1u, table.Query(full.c_str(), SameNoCase));
    EXPECT_EQ(3u, table.Query(full.substr(0, 19).c_str(), SameNoCase));

    // A stored name without its terminator is read within its 20 bytes.
    std::memset(&t.data[28 + 8], 'Q', 20);
    EXPECT_EQ(3u, table.Query(std::string(20, 'q').c_str(), SameNoCase));
}

TEST(RmdatTable, MaskedCopyTakesOnlyTheSelectedFields)
{
    // Every byte of the source numbered, so each copied byte shows its origin.
    std::vector<uint8_t> from(372), to(372, 0);
    for (size_t i = 0; i < from.size(); ++i) from[i] = uint8_t(i % 251 + 1);
    from[16 + 100] = 0;  // the text ends after 100 characters

    struct Field {
        uint32_t mask;
        size_t offset, width;
    };
    const Field fields[] = {{0x1, 4, 4},       {0x2, 8, 4},       {0x4, 12, 4},       {0x8, 16, 101},
                            {0x10, 276, 4},    {0x100, 280, 16},  {0x200, 296, 16},   {0x400, 312, 4},
                            {0x1000, 316, 4},  {0x2000, 320, 4},  {0x10000, 324, 16}, {0x20000, 340, 16},
                            {0x40000, 356, 4}, {0x100000, 360, 4}, {0x200000, 364, 4}, {0x400000, 368, 4}};
    for (const Field &f : fields) {
        std::fill(to.begin(), to.end(), 0);
        CopyRmdatFields(to.data(), from.data(), f.mask);
        for (size_t i = 0; i < to.size(); ++i) {
            bool inside = i >= f.offset && i < f.offset + f.width;
            ASSERT_EQ(inside ? from[i] : 0, to[i]) << "mask " << std::hex << f.mask << " byte " << std::dec << i;
        }
    }

    // Bits that name no field copy nothing.
    std::fill(to.begin(), to.end(), 0);
    CopyRmdatFields(to.data(), from.data(), 0x20 | 0x40 | 0x80 | 0x800 | 0x4000 | 0x8000 | 0x80000 | 0xFF800000u);
    EXPECT_EQ(std::vector<uint8_t>(372, 0), to);

    // All fields: everything but the mask word and the text's tail.
    CopyRmdatFields(to.data(), from.data(), 0xFFFFFFFF);
    EXPECT_EQ(0, std::memcmp(&to[4], &from[4], 113));
    EXPECT_EQ(0, std::memcmp(&to[276], &from[276], 96));
    EXPECT_EQ(0u, LoadU32(&to[0]));
}

TEST(RmdatTable, TextWithoutTerminatorIsCutInsideItsField)
{
    std::vector<uint8_t> from(372, 'T'), to(372, 0x55);
    CopyRmdatFields(to.data(), from.data(), 0x8);
    EXPECT_EQ(std::string(259, 'T'), std::string(reinterpret_cast<const char *>(&to[16])));
    EXPECT_EQ(0x55, to[15]);
    EXPECT_EQ(0x55, to[276]);
}

}  // namespace
