// The sealed-block format: a short payload XORed with keys derived from the
// tick count at sealing and closed by a checksum, so that it is neither kept
// in plain nor accepted when damaged. No Win32 here: the tick comes in.
//
// Layout, little-endian, n + 12 bytes:
//   0      2  magic AB 43, in clear
//   2      4  tick XOR kSealTickKey
//   6      2  n XOR (tick XOR kSealLengthKey)
//   8      n  payload XOR ((tick + n) XOR kSealPayloadKey)
//   8+n    4  (sum of the 8 + n stored bytes before it) XOR kSealChecksumKey
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::portable {

// Blocks outlive every version of the library: these values never change.
inline constexpr uint16_t kSealMagic = 0x43AB;
inline constexpr uint32_t kSealTickKey = 0x48D55888u;
inline constexpr uint32_t kSealLengthKey = 0xB8E4F3D1u;
inline constexpr uint32_t kSealPayloadKey = 0xF153B091u;
inline constexpr uint32_t kSealChecksumKey = 0x69B9A09Bu;

inline constexpr uint32_t kSealFrameSize = 12;
inline constexpr uint32_t kSealMaxPayload = 0xFFFF;  // the length field has 16 bits

enum class XorDirection { Seal, Unseal };

// Copies count bytes from source to destination (the same range is allowed),
// each XORed with byte (index mod 4) of key, lowest byte first. Returns the
// sum of the stored bytes: those produced when sealing, those consumed when
// unsealing, so that both sides sum the same bytes.
uint32_t XorBytes(uint8_t *destination, const uint8_t *source, size_t count, uint32_t key, XorDirection direction);

// Seals inLength bytes of in into out. *needed (when not null) receives the
// block's size, inLength + 12, or 0 when in and out overlap or the payload
// is longer than the format holds.
bool SealBlock(uint8_t *out, uint32_t outSize, const uint8_t *in, uint32_t inLength, uint32_t tick,
               uint32_t *needed);

// Checks the block of inSize bytes at in and writes its payload to out.
// *length (when not null) receives the payload's length once the frame has
// been read, so that a caller whose buffer is too small learns what it needs.
bool UnsealBlock(uint8_t *out, uint32_t outSize, const uint8_t *in, uint32_t inSize, uint32_t *length);

}  // namespace cvx::portable
