// Text forms of the client's redirection list: port numbers read from port
// names, and the REDIRECTPORTS list "(3,5,4)". No Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::portable {

// REDIRECTPORTS holds at most this many numbers.
constexpr size_t kMaxRedirectedPorts = 30;

// The decimal number at the start of text as the C library's atol reads it:
// leading white space, an optional sign, digits; 0 when there are none.
// Values beyond the 32-bit range are clamped to it.
int32_t ReadDecimal(const char *text);

// True when text holds a decimal number as ReadDecimal reads it (at least
// one digit after the white space and the sign), stored in value.
bool ParseDecimal(const char *text, int32_t *value);

// The number of a port name such as COM12: the decimal number that follows
// its first three characters. 0 for null, short or numberless names.
int32_t PortNumberFromName(const char *name);

// The numbers above 0 of a list such as "(3,5,4)", in list order, at most
// capacity of them; text before the first "(" is ignored.
size_t ParsePortList(const char *text, uint32_t *numbers, size_t capacity);

// Writes "(" numbers separated by "," ")" into buffer; false (buffer empty)
// when it would not fit in size bytes.
bool FormatPortList(const uint32_t *numbers, size_t count, char *buffer, size_t size);

}  // namespace cvx::portable
