// Sealed-block codec.
#include "services/portable/sealed.h"

#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::portable {
namespace {

// Writes fields at a moving cursor and sums the bytes it stores.
class FieldWriter {
public:
    explicit FieldWriter(uint8_t *block) : cursor_(block) {}

    void PutBytes(const uint8_t *value, size_t size, uint32_t key)
    {
        sum_ += XorBytes(cursor_, value, size, key, XorDirection::Seal);
        cursor_ += size;
    }
    void Put16(uint16_t value, uint32_t key)
    {
        const uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
        PutBytes(bytes, sizeof bytes, key);
    }
    void Put32(uint32_t value, uint32_t key)
    {
        const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        PutBytes(bytes, sizeof bytes, key);
    }
    uint32_t Sum() const { return sum_; }

private:
    uint8_t *cursor_;
    uint32_t sum_ = 0;
};

// Reads fields at a moving cursor and sums the bytes it consumes.
class FieldReader {
public:
    explicit FieldReader(const uint8_t *block) : cursor_(block) {}

    void GetBytes(uint8_t *value, size_t size, uint32_t key)
    {
        sum_ += XorBytes(value, cursor_, size, key, XorDirection::Unseal);
        cursor_ += size;
    }
    uint16_t Get16(uint32_t key)
    {
        uint8_t bytes[2];
        GetBytes(bytes, sizeof bytes, key);
        return uint16_t(bytes[0] | bytes[1] << 8);
    }
    uint32_t Get32(uint32_t key)
    {
        uint8_t bytes[4];
        GetBytes(bytes, sizeof bytes, key);
        return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    }
    uint32_t Sum() const { return sum_; }

private:
    const uint8_t *cursor_;
    uint32_t sum_ = 0;
};

// Copying between overlapping ranges would read bytes already scrambled.
bool Overlap(const void *a, size_t aSize, const void *b, size_t bSize)
{
    if (aSize == 0 || bSize == 0) return false;
    auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
    return x < y ? y - x < aSize : x - y < bSize;
}

void Report(uint32_t *out, uint32_t value)
{
    if (out) *out = value;
}

}  // namespace

uint32_t XorBytes(uint8_t *destination, const uint8_t *source, size_t count, uint32_t key, XorDirection direction)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t in = source[i];
        uint8_t out = uint8_t(in ^ (key >> (8 * (i % 4))));
        destination[i] = out;
        sum += direction == XorDirection::Seal ? out : in;
    }
    return sum;
}

bool SealBlock(uint8_t *out, uint32_t outSize, const uint8_t *in, uint32_t inLength, uint32_t tick,
               uint32_t *needed)
{
    Report(needed, 0);
    if (in == out || inLength > kSealMaxPayload || (!in && inLength)) return false;
    if (Overlap(out, inLength + kSealFrameSize, in, inLength)) return false;
    Report(needed, inLength + kSealFrameSize);
    if (!kor::CheckBuffer(out, outSize, inLength + kSealFrameSize)) return false;

    const uint16_t n = uint16_t(inLength);
    FieldWriter block(out);
    block.Put16(kSealMagic, 0);
    block.Put32(tick, kSealTickKey);
    block.Put16(n, tick ^ kSealLengthKey);
    block.PutBytes(in, n, (tick + n) ^ kSealPayloadKey);
    block.Put32(block.Sum(), kSealChecksumKey);
    return true;
}

bool UnsealBlock(uint8_t *out, uint32_t outSize, const uint8_t *in, uint32_t inSize, uint32_t *length)
{
    Report(length, 0);
    if (in == out) return false;
    if (!kor::CheckBuffer(in, inSize, kSealFrameSize)) return false;

    FieldReader block(in);
    if (block.Get16(0) != kSealMagic) return false;
    const uint32_t tick = block.Get32(kSealTickKey);
    const uint16_t n = block.Get16(tick ^ kSealLengthKey);
    if (!kor::CheckBuffer(in, inSize, size_t(n) + kSealFrameSize)) return false;
    Report(length, n);
    if (!kor::CheckBuffer(out, outSize, n)) return false;
    if (Overlap(out, n, in, size_t(n) + kSealFrameSize)) {
        Report(length, 0);
        return false;
    }
    block.GetBytes(out, n, (tick + n) ^ kSealPayloadKey);
    const uint32_t sum = block.Sum();
    return block.Get32(kSealChecksumKey) == sum;
}

}  // namespace cvx::portable
