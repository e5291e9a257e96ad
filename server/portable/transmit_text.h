// Text forms of the values a transmit set holds: the TRIGGERS list and the
// codes of FLOW and ALPARS. No Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::portable {

// Trigger characters a set holds at most (the trigger arrays of the records).
constexpr uint16_t kMaxTriggers = 16;
// "(" + 16 entries "XXH" + 15 commas + ")" + terminator.
constexpr size_t kTriggerTextSize = 2 + kMaxTriggers * 3 + (kMaxTriggers - 1) + 1;

// Reads a TRIGGERS value such as "(0DH,1BH)" into triggers (kMaxTriggers
// places): each entry is a hexadecimal number of which the low 8 bits count;
// a value already stored is not stored again, entries without a digit are
// skipped, and what follows the closing parenthesis or the 16th value is
// ignored. No opening parenthesis means no triggers. Returns the count.
uint16_t ParseTriggers(const char *text, uint8_t *triggers);

// Writes "(0DH,1BH)" for the first count (at most kMaxTriggers) characters
// into text (kTriggerTextSize bytes), each code once. Returns the number of
// entries written; with none, text is empty.
uint16_t FormatTriggers(const uint8_t *triggers, uint16_t count, char *text);

// FLOW texts: "(0H,0H)", "(11H,13H)", and "(1H,1H)" for 2 and any other code.
const char *FlowText(uint16_t code);
// Parity words: NONE, ODD, EVEN, MARK, and SPACE for 4 and above.
const char *ParityText(uint16_t code);
// Stop-bits texts: "1", "1.5", and "2" for 2 and any other code.
const char *StopBitsText(uint16_t code);

// The code of a text (compared without regard to case); false, code left
// alone, when the text is none of the forms above.
bool ParseFlow(const char *text, uint16_t *code);
bool ParseParity(const char *text, uint16_t *code);
bool ParseStopBits(const char *text, uint16_t *code);

}  // namespace cvx::portable
