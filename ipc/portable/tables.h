// The two status tables' data areas: IBDAT entry search and updates, RMDAT
// checks and the masked record copy. No Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "ipc/portable/layouts.h"

namespace cvx::ipc {

constexpr uint32_t kNoEntry = 0x200E0195;

// ---- IBDAT ----
// Requested size of a table of n entries, (n + 1) * 28; 0 when too large for
// a block.
uint32_t IbdatSize(uint32_t entries);
// Zeroes the table's bytes and writes its header.
void InitIbdat(uint8_t *data, uint32_t entries);

// Names are compared without regard to case; the caller supplies the
// comparison so that it can be the system's.
using NamesEqual = bool (*)(const char *a, const char *b);

// A table checked under its lock. Entries are reached through the checked
// count and offset only.
class IbdatTable {
public:
    // False when the magic is wrong, or the size, entry count or entries
    // offset do not fit dataSize bytes.
    bool Load(uint8_t *data, size_t dataSize);

    uint32_t TableValue() const;
    void SetTableValue(uint32_t value);

    // Value of the named entry in use, or 1 when there is none.
    uint32_t Query(const char *name, NamesEqual equal) const;
    // Stores value in the named entry, with add taking the first free entry
    // for a missing name: 0, 84 when no entry is free, kNoEntry when the name
    // is missing without add.
    uint32_t Update(const char *name, uint32_t value, bool add, NamesEqual equal);
    // Frees the named entry, when there is one.
    void Remove(const char *name, NamesEqual equal);

    static constexpr uint32_t kNone = UINT32_MAX;
    struct Search {
        uint32_t match = kNone;      // the entry in use with that name
        uint32_t firstFree = kNone;  // the first free entry before it
    };
    // Walks the entries in order, remembering the first free one, and stops
    // at the first entry in use with that name.
    Search Find(const char *name, NamesEqual equal) const;

    // The checked entry count, and entry index (below it) for readers that
    // walk the whole table.
    uint32_t Count() const { return count_; }
    const uint8_t *EntryAt(uint32_t index) const { return Entry(index); }

private:
    uint8_t *Entry(uint32_t index) const;

    uint8_t *data_ = nullptr;
    uint32_t count_ = 0;
    uint32_t offset_ = 0;
};

// ---- RMDAT ----
// Zeroes the table's 384 bytes and writes its header; state 1.
void InitRmdat(uint8_t *data);
// True when dataSize bytes hold a table with the right magic and size.
bool CheckRmdat(const uint8_t *data, size_t dataSize);
// Copies, from one 372-byte record to another, the fields that mask selects:
// 4 or 16 bytes whole, the text up to its terminator within its 260 bytes
// (terminated in the copy). Neither first word is touched.
void CopyRmdatFields(uint8_t *to, const uint8_t *from, uint32_t mask);

}  // namespace cvx::ipc
