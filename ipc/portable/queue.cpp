#include "ipc/portable/queue.h"

#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::ipc {

namespace {
constexpr uint32_t kRecordHead = sizeof(NmqRecordHead);
}  // namespace

uint32_t QueueSize(uint32_t capacity)
{
    uint64_t size = uint64_t(capacity & ~3u) + kNmqAreaOffset + 4;
    // The block around it adds its own header; both must fit 32 bits.
    return size + kNsmDataOffset + 4 > UINT32_MAX ? 0 : uint32_t(size);
}

void InitQueueHeader(uint8_t *data, uint32_t flags, uint32_t capacity, uint32_t maxCount, const char *name)
{
    NmqHeader header{};
    header.magic = kNmqMagic;
    header.flags = flags;
    header.queueSize = QueueSize(capacity);
    header.maxCount = maxCount;
    header.capacity = capacity;
    header.areaOffset = kNmqAreaOffset;
    kor::CopyStringLimited(name, header.name, sizeof header.name);
    std::memset(data, 0, header.queueSize);
    std::memcpy(data, &header, sizeof header);
}

bool QueueArea::Load(uint8_t *data, size_t dataSize, const char *eventName)
{
    if (dataSize < sizeof(NmqHeader)) return false;
    std::memcpy(&header_, data, sizeof header_);
    const NmqHeader &h = header_;
    if (h.magic != kNmqMagic || h.areaOffset != kNmqAreaOffset) return false;
    if (h.queueSize > dataSize || h.queueSize < kNmqAreaOffset) return false;
    if (h.capacity > h.queueSize - kNmqAreaOffset || h.used > h.capacity) return false;
    if ((h.flags & kNmqFlagEvent) && std::strncmp(h.eventName, eventName, sizeof h.eventName) != 0) return false;

    data_ = data;
    area_ = data + kNmqAreaOffset;
    if (h.count == 0) return h.used == 0 && h.lastOffset == 0;

    // Walk the records: each lies whole inside the used bytes, and they end
    // exactly at used, at the last offset, after count records.
    uint32_t offset = 0, records = 0, last = 0, before = 0, lastLength = 0;
    while (offset < h.used) {
        if (++records > h.count || h.used - offset < kRecordHead) return false;
        uint32_t length = LoadU32(area_ + offset + 4);
        if (length > h.used - offset - kRecordHead) return false;
        if (records == 1) firstLength_ = length;
        before = last;
        last = offset;
        lastLength = length;
        offset += kRecordHead + length;
    }
    if (records != h.count || last != h.lastOffset) return false;
    lastLength_ = lastLength;
    beforeLast_ = before;
    return true;
}

void QueueArea::StoreCounters()
{
    StoreU32(data_ + offsetof(NmqHeader, count), header_.count);
    StoreU32(data_ + offsetof(NmqHeader, used), header_.used);
    StoreU32(data_ + offsetof(NmqHeader, lastOffset), header_.lastOffset);
}

uint32_t QueueArea::Add(uint32_t type, const void *data, uint32_t length, bool front)
{
    NmqHeader &h = header_;
    if (h.count >= h.maxCount) return kOutOfStructures;
    if (!data) length = 0;
    uint64_t size = uint64_t(length) + kRecordHead;
    if (h.capacity - h.used < size) return kOutOfStructures;

    uint32_t at;
    if (h.count == 0) {
        at = 0;
    } else if (front) {
        std::memmove(area_ + size, area_, h.used);
        at = 0;
    } else {
        at = h.lastOffset + kRecordHead + lastLength_;
    }
    NmqRecordHead head{type, length};
    std::memcpy(area_ + at, &head, sizeof head);
    if (length) std::memcpy(area_ + at + kRecordHead, data, length);

    uint32_t oldLast = h.lastOffset;
    h.count += 1;
    h.used += uint32_t(size);
    if (h.count == 1)
        h.lastOffset = 0;
    else if (front)
        h.lastOffset = oldLast + uint32_t(size);
    else
        h.lastOffset = at;
    StoreCounters();
    return kOk;
}

uint32_t QueueArea::Remove(bool front, bool keepIfShort, void *buffer, uint32_t *length, uint32_t *type)
{
    NmqHeader &h = header_;
    if (h.count == 0) {
        if (type) *type = 0;
        if (length) *length = 0;
        return kNoMoreItems;
    }
    uint32_t at = front ? 0 : h.lastOffset;
    // The length checked by Load, not a second read of shared memory.
    uint32_t size = front ? firstLength_ : lastLength_;
    uint32_t messageType = LoadU32(area_ + at);

    uint32_t rc = kOk;
    bool take = true;
    if (buffer) {
        if (!length) {
            rc = kInvalidParameter;
            take = false;
        } else {
            uint32_t copied = size < *length ? size : *length;
            std::memcpy(buffer, area_ + at + kRecordHead, copied);
            if (*length < size) {
                rc = kMoreData;
                take = !keepIfShort;
            }
        }
    }

    if (take) {
        uint32_t record = size + kRecordHead;
        h.count -= 1;
        if (h.count == 0) {
            h.used = 0;
            h.lastOffset = 0;
        } else if (front) {
            std::memmove(area_, area_ + record, h.used - record);
            h.used -= record;
            h.lastOffset -= record;
        } else {
            h.used -= record;
            h.lastOffset = beforeLast_;
        }
        StoreCounters();
    }
    if (type) *type = messageType;
    if (length) *length = size;
    return rc;
}

}  // namespace cvx::ipc
