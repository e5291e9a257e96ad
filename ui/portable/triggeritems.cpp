#include "ui/portable/triggeritems.h"

#include <cstdio>

namespace cvx::portable {

namespace {
int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}
}  // namespace

void FormatTriggerItem(uint8_t c, char item[kTriggerItemSize])
{
    std::snprintf(item, kTriggerItemSize, "%02X", c);
}

bool ParseHexNumber(const char *text, uint32_t *value)
{
    if (!text) return false;
    while (*text == ' ' || *text == '\t') ++text;
    uint32_t number = 0;
    int digits = 0;
    for (int d; digits < 8 && (d = HexDigit(*text)) >= 0; ++text, ++digits) number = number << 4 | uint32_t(d);
    if (digits == 0) return false;
    *value = number;
    return true;
}

bool TriggerItemFromText(const char *text, char item[kTriggerItemSize])
{
    uint32_t number;
    if (!ParseHexNumber(text, &number)) return false;
    char wide[8];
    std::snprintf(wide, sizeof wide, "%04X", static_cast<unsigned>(number & 0xFFFF));
    item[0] = wide[2];
    item[1] = wide[3];
    item[2] = '\0';
    return true;
}

}  // namespace cvx::portable
