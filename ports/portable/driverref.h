// Texts and bytes of the Windows 95 port driver entries that need no Win32:
// the device entry's "Driver" reference, the port description and the
// serial settings of a port created for the redirector.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::portable {

// Splits a "Driver" value such as "Ports\0002" at its first backslash into
// the class ("Ports") and the driver key's number ("0002"). False when there
// is no backslash or either part is empty or does not fit its buffer.
bool SplitDriverReference(const char *value, char *className, size_t classSize, char *number,
                          size_t numberSize);

// Copies format into out (size bytes, always terminated) with its first
// "%s" replaced by text and "%%" by "%"; every other character, a second
// "%s" included, is copied as it stands. Translated formats are not trusted
// to printf.
void FormatWithText(const char *format, const char *text, char *out, size_t size);

// The first 26 bytes of the Win32 DCB of a port created for the redirector:
// 9600 baud, 8 data bits, no parity, one stop bit, XON/XOFF both ways.
inline constexpr uint8_t kRedirectorDcb[26] = {0x1C, 0x00, 0x00, 0x00, 0x80, 0x25, 0x00, 0x00, 0x11,
                                               0x33, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x0A, 0x00,
                                               0x08, 0x00, 0x00, 0x11, 0x13, 0x00, 0x00, 0x00};

}  // namespace cvx::portable
