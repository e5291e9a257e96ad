// Shared-memory layouts of the named blocks, the message queue and the status
// tables, exactly as every process of the product sees them, and the codes
// the Win32-free parts return. No Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::ipc {

// Result codes used by the Win32-free parts: the Windows and library values.
constexpr uint32_t kOk = 0;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kOutOfStructures = 84;
constexpr uint32_t kMoreData = 234;
constexpr uint32_t kNoMoreItems = 259;
constexpr uint32_t kBadHeader = 0x200E0192;

#pragma pack(push, 1)

// ---- named block ----
// Header at offset 0 of a block's mapping.
struct NsmHeader {
    uint32_t magic;
    uint32_t refCount;
    uint32_t flags;
    uint32_t blockSize;
    uint32_t requestedSize;
    uint32_t dataOffset;
    char name[64];
    uint32_t reserved;
};
static_assert(sizeof(NsmHeader) == 92);

// ---- message queue ----
// Header at offset 0 of the queue block's data area.
struct NmqHeader {
    uint32_t magic;
    uint32_t flags;
    uint32_t queueSize;
    uint32_t maxCount;
    uint32_t count;
    uint32_t capacity;
    uint32_t used;
    uint32_t areaOffset;
    uint32_t lastOffset;
    char name[48];
    char eventName[52];
};
static_assert(sizeof(NmqHeader) == 136);

// A message: this head, then length bytes of data, unaligned.
struct NmqRecordHead {
    uint32_t type;
    uint32_t length;
};
static_assert(sizeof(NmqRecordHead) == 8);

// ---- status tables ----
struct IbdatHeader {
    uint32_t magic;
    uint32_t size;
    uint32_t tableValue;
    uint32_t entryCount;
    uint32_t reserved1;
    uint32_t entriesOffset;
    uint32_t reserved2;
};
static_assert(sizeof(IbdatHeader) == 28);

struct IbdatEntry {
    uint32_t inUse;
    uint32_t value;
    char name[20];
};
static_assert(sizeof(IbdatEntry) == 28);

struct RmdatHeader {
    uint32_t magic;
    uint32_t size;
    uint32_t tableValue;
};
static_assert(sizeof(RmdatHeader) == 12);

#pragma pack(pop)

// Offsets the tables fix; checked here so that the structures cannot drift.
static_assert(offsetof(NsmHeader, dataOffset) == 20 && offsetof(NsmHeader, name) == 24);
static_assert(offsetof(NmqHeader, lastOffset) == 32 && offsetof(NmqHeader, name) == 36 &&
              offsetof(NmqHeader, eventName) == 84);
static_assert(offsetof(IbdatHeader, entriesOffset) == 20 && offsetof(IbdatEntry, name) == 8);

// ---- constants of the layouts ----
constexpr uint32_t kNsmMagic = 0x274C7800;
constexpr uint32_t kNsmHandleMagic = 0x274C7801;
constexpr uint32_t kNsmDataOffset = 92;
constexpr uint32_t kNsmFlagDataLock = 1;

constexpr uint32_t kNmqMagic = 0xE34CAB00;
constexpr uint32_t kNmqHandleMagic = 0xE34CAB01;
constexpr uint32_t kNmqAreaOffset = 136;
constexpr uint32_t kNmqDefaultCapacity = 3964;
constexpr uint32_t kNmqNoLimit = 0xFFFFFFFF;
constexpr uint32_t kNmqFlagEvent = 1;
// Longest queue name: "cvuNmq_EV::", the name and its terminator fill the
// 52-byte event name field.
constexpr size_t kNmqMaxName = 40;

constexpr uint32_t kIbdatMagic = 0x3A51E76C;
constexpr uint32_t kRmdatMagic = 0x3A32C56C;
constexpr uint32_t kRmdatTableSize = 384;
constexpr uint32_t kRmdatRecordSize = 372;
constexpr uint32_t kRmdatRecordOffset = 12;
// The state field: record offset 4, the word that item 1 reads and writes.
constexpr uint32_t kRmdatStateOffset = kRmdatRecordOffset + 4;

// Little-endian 32-bit access at any alignment; shared memory is read once
// into locals so that another process's writes cannot change a value between
// its check and its use.
uint32_t LoadU32(const void *at);
void StoreU32(void *at, uint32_t value);

}  // namespace cvx::ipc
