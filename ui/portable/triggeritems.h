// The text form of trigger characters in the trigger list dialog: two
// upper-case hexadecimal digits per character.
#pragma once
#include <cstdint>

namespace cvx::portable {

// Bytes of an item's text, terminator included.
constexpr int kTriggerItemSize = 3;

// The item of character c ("0D" for 0DH).
void FormatTriggerItem(uint8_t c, char item[kTriggerItemSize]);

// The hexadecimal number at the start of text (after blanks, at most 8
// digits taken); false when text holds no hexadecimal digit there.
bool ParseHexNumber(const char *text, uint32_t *value);

// The item for a typed text: its number's low 16 bits in "%04X" form, from
// the third character on. False when the text names no number.
bool TriggerItemFromText(const char *text, char item[kTriggerItemSize]);

}  // namespace cvx::portable
