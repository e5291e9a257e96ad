#include "frame/portable/errtable.h"

#include "resources/resids.h"

namespace cvx::portable {

namespace {

constexpr uint32_t kCustomerBit = 0x20000000u;
constexpr uint32_t kFacilityMask = 0x0FFF0000u;
constexpr uint32_t kUtilityFacility = 0x000E0000u;

uint32_t ReadU32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t ReadU16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

uint16_t FindErrorExplanation(const void *table, size_t size, uint32_t code)
{
    if (!table) return 0;
    const auto *bytes = static_cast<const uint8_t *>(table);
    // The records are counted with a 16-bit index, so a table ends after
    // 65536 of them whatever its size.
    size_t records = size / kErrorRecordSize;
    if (records > 0x10000) records = 0x10000;
    for (size_t i = 0; i < records; ++i) {
        const uint8_t *record = bytes + i * kErrorRecordSize;
        uint32_t listed = ReadU32(record);
        if (listed == 0) break;
        if (listed == code) return ReadU16(record + 4);
    }
    return 0;
}

uint16_t ChooseCodeLine(uint32_t code, uint32_t *shown)
{
    if (!(code & kCustomerBit)) {
        *shown = code;
        return IDS_ERRCODE_SYSTEM;
    }
    if ((code & kFacilityMask) == kUtilityFacility) {
        // Facility 0x00E occupies bits 17 to 19: clearing them with bit 29
        // leaves the plain number.
        *shown = code & 0xDFF1FFFFu;
        return IDS_ERRCODE_UTILITY;
    }
    *shown = code & ~kCustomerBit;
    return IDS_ERRCODE_PRODUCT;
}

}  // namespace cvx::portable
