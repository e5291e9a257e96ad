// ALPARS, the serial settings of a transmit set in one text such as
// "(19200,EVEN,7,2)": baud rate, parity word, data bits, stop-bits text.
// No Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::portable {

// The codes ALPARS carries; the parity and stop-bits codes are those of
// ParityText and StopBitsText.
struct Alpars {
    uint32_t baudRate;
    uint16_t parity;
    uint16_t dataBits;
    uint16_t stopBits;
};

// Room for any formatted ALPARS: ten digits, "SPACE", five digits, "1.5",
// three commas, two parentheses and the terminator.
constexpr size_t kAlparsTextSize = 32;

// Overlays what text holds on settings, field by field from the left: the
// first character (the opening parenthesis) is skipped unread; the baud rate
// runs to the first comma, the parity word to the second, the data bits to
// the third (taken only from 4 to 8), the stop bits to ")" or the end. An
// unrecognised word or text leaves its field alone. Returns false when a
// comma is missing: the fields from there on keep their values.
bool ParseAlpars(const char *text, Alpars *settings);

// "(%lu,%s,%u,%s)" with the parity and stop-bits texts into text
// (kAlparsTextSize bytes).
void FormatAlpars(const Alpars &settings, char *text);

}  // namespace cvx::portable
