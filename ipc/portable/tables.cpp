#include "ipc/portable/tables.h"

#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::ipc {

// ---- IBDAT ----
namespace {
constexpr uint32_t kEntrySize = sizeof(IbdatEntry);
constexpr uint32_t kFirstEntry = sizeof(IbdatHeader);
}  // namespace

uint32_t IbdatSize(uint32_t entries)
{
    uint64_t size = (uint64_t(entries) + 1) * kEntrySize;
    return size + kNsmDataOffset + 4 > UINT32_MAX ? 0 : uint32_t(size);
}

void InitIbdat(uint8_t *data, uint32_t entries)
{
    IbdatHeader header{};
    header.magic = kIbdatMagic;
    header.size = IbdatSize(entries);
    header.entryCount = entries;
    header.entriesOffset = entries ? kFirstEntry : 0;
    std::memset(data, 0, header.size);
    std::memcpy(data, &header, sizeof header);
}

bool IbdatTable::Load(uint8_t *data, size_t dataSize)
{
    if (dataSize < sizeof(IbdatHeader)) return false;
    IbdatHeader header;
    std::memcpy(&header, data, sizeof header);
    if (header.magic != kIbdatMagic || header.size > dataSize || header.size < sizeof header) return false;
    if (header.entryCount) {
        uint64_t end = header.entriesOffset + uint64_t(header.entryCount) * kEntrySize;
        if (header.entriesOffset < kFirstEntry || end > header.size) return false;
    }
    data_ = data;
    count_ = header.entryCount;
    offset_ = header.entriesOffset;
    return true;
}

uint32_t IbdatTable::TableValue() const { return LoadU32(data_ + offsetof(IbdatHeader, tableValue)); }

void IbdatTable::SetTableValue(uint32_t value) { StoreU32(data_ + offsetof(IbdatHeader, tableValue), value); }

uint8_t *IbdatTable::Entry(uint32_t index) const { return data_ + offset_ + size_t(index) * kEntrySize; }

IbdatTable::Search IbdatTable::Find(const char *name, NamesEqual equal) const
{
    Search search;
    if (!name) name = "";
    for (uint32_t i = 0; i < count_; ++i) {
        const uint8_t *entry = Entry(i);
        if (!LoadU32(entry + offsetof(IbdatEntry, inUse))) {
            if (search.firstFree == kNone) search.firstFree = i;
            continue;
        }
        // A stored name is read within its field, terminated or not.
        char stored[sizeof(IbdatEntry::name) + 1];
        std::memcpy(stored, entry + offsetof(IbdatEntry, name), sizeof stored - 1);
        stored[sizeof stored - 1] = '\0';
        if (equal(stored, name)) {
            search.match = i;
            break;
        }
    }
    return search;
}

uint32_t IbdatTable::Query(const char *name, NamesEqual equal) const
{
    Search search = Find(name, equal);
    return search.match == kNone ? 1 : LoadU32(Entry(search.match) + offsetof(IbdatEntry, value));
}

uint32_t IbdatTable::Update(const char *name, uint32_t value, bool add, NamesEqual equal)
{
    Search search = Find(name, equal);
    uint32_t index = search.match;
    if (index == kNone) {
        if (!add) return kNoEntry;
        if (search.firstFree == kNone) return kOutOfStructures;
        index = search.firstFree;
        IbdatEntry entry{};
        entry.inUse = 1;
        kor::CopyStringLimited(name, entry.name, sizeof entry.name);
        std::memcpy(Entry(index), &entry, sizeof entry);
    }
    StoreU32(Entry(index) + offsetof(IbdatEntry, value), value);
    return kOk;
}

void IbdatTable::Remove(const char *name, NamesEqual equal)
{
    Search search = Find(name, equal);
    if (search.match != kNone) std::memset(Entry(search.match), 0, kEntrySize);
}

// ---- RMDAT ----
namespace {
struct RmdatField {
    uint32_t mask;
    uint32_t offset;
    uint32_t width;
};
constexpr uint32_t kTextMask = 0x8;
constexpr RmdatField kRmdatFields[] = {
    {0x1, 4, 4},          {0x2, 8, 4},          {0x4, 12, 4},         {kTextMask, 16, 260}, {0x10, 276, 4},
    {0x100, 280, 16},     {0x200, 296, 16},     {0x400, 312, 4},      {0x1000, 316, 4},     {0x2000, 320, 4},
    {0x10000, 324, 16},   {0x20000, 340, 16},   {0x40000, 356, 4},    {0x100000, 360, 4},   {0x200000, 364, 4},
    {0x400000, 368, 4},
};
static_assert(kRmdatFields[15].offset + kRmdatFields[15].width == kRmdatRecordSize);
}  // namespace

void InitRmdat(uint8_t *data)
{
    std::memset(data, 0, kRmdatTableSize);
    RmdatHeader header{kRmdatMagic, kRmdatTableSize, 0};
    std::memcpy(data, &header, sizeof header);
    StoreU32(data + kRmdatStateOffset, 1);
}

bool CheckRmdat(const uint8_t *data, size_t dataSize)
{
    return dataSize >= kRmdatTableSize && LoadU32(data) == kRmdatMagic &&
           LoadU32(data + offsetof(RmdatHeader, size)) == kRmdatTableSize;
}

void CopyRmdatFields(uint8_t *to, const uint8_t *from, uint32_t mask)
{
    for (const RmdatField &field : kRmdatFields) {
        if (!(mask & field.mask)) continue;
        if (field.mask == kTextMask) {
            const void *end = std::memchr(from + field.offset, 0, field.width - 1);
            size_t n = end ? size_t(static_cast<const uint8_t *>(end) - (from + field.offset)) : field.width - 1;
            std::memmove(to + field.offset, from + field.offset, n);
            to[field.offset + n] = '\0';
        } else {
            std::memmove(to + field.offset, from + field.offset, field.width);
        }
    }
}

}  // namespace cvx::ipc
