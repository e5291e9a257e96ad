// The scrambled form of the remote password in CVEX.PWF. No Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::portable {

// Password bytes kept, and the size of the file (those bytes and a 0x00).
constexpr size_t kPasswordLength = 16;
constexpr size_t kPasswordRecordSize = kPasswordLength + 1;

// One password byte as stored: exclusive-or with 0xA7, then rotated right by
// two bits.
constexpr uint8_t ScrambleByte(uint8_t byte)
{
    uint8_t x = uint8_t(byte ^ 0xA7u);
    return uint8_t((x >> 2) | (x << 6));
}

// The 17 bytes of the password file for a password already in the OEM code
// page: its first 16 bytes, padded with blanks, scrambled, then 0x00. False
// (record untouched) for a null or empty password.
bool ScramblePassword(const char *oemPassword, uint8_t record[kPasswordRecordSize]);

}  // namespace cvx::portable
