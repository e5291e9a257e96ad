// The message area of a named queue: placing, moving and finding records.
// No Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "ipc/portable/layouts.h"

namespace cvx::ipc {

// Queue size for a capacity: (C & ~3) + 140, the bytes of header and message
// area; 0 when that does not fit a block.
uint32_t QueueSize(uint32_t capacity);

// Zeroes the queue's bytes at the start of a data area and writes its header
// (event name left zero; the caller formats it).
void InitQueueHeader(uint8_t *data, uint32_t flags, uint32_t capacity, uint32_t maxCount, const char *name);

// One call's work on a queue, done under the queue's lock: Load reads and
// checks the header and walks every record, then one Add or Remove works from
// that checked copy. Every byte it touches lies inside the queue's capacity,
// which lies inside the data area, so a header that another process damaged
// is refused and never followed.
class QueueArea {
public:
    // False when the header or the records do not add up within dataSize
    // bytes: magic, offsets, used above capacity, a record that runs past the
    // used bytes, a count or last offset that disagrees with the records, or
    // a queue with an event that names any but eventName.
    bool Load(uint8_t *data, size_t dataSize, const char *eventName);

    const NmqHeader &Header() const { return header_; }
    uint32_t Count() const { return header_.count; }
    // The event name of a queue with an event (checked by Load).
    const char *EventName() const { return header_.eventName; }

    // Puts a message at the front or after the last one; 84 when the count
    // or the bytes are exhausted (nothing changes).
    uint32_t Add(uint32_t type, const void *data, uint32_t length, bool front);

    // Takes the first or the last message into buffer (size in *length on
    // entry). Gives 259 on an empty queue, 87 for a buffer without a length,
    // 234 when the buffer is short (the message stays with keepIfShort).
    // type and length, when given, receive the message's type and full
    // length.
    uint32_t Remove(bool front, bool keepIfShort, void *buffer, uint32_t *length, uint32_t *type);

private:
    void StoreCounters();

    uint8_t *data_ = nullptr;
    uint8_t *area_ = nullptr;
    NmqHeader header_{};
    uint32_t firstLength_ = 0;
    uint32_t lastLength_ = 0;
    // Offset of the record before the last, the new last after a removal.
    uint32_t beforeLast_ = 0;
};

}  // namespace cvx::ipc
