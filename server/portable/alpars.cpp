#include "server/portable/alpars.h"

#include <cstdio>
#include <cstring>

#include "server/portable/transmit_text.h"

namespace cvx::portable {
namespace {

// A field of ALPARS: [begin, end).
struct Field {
    const char *begin;
    const char *end;
};

// The decimal number a field starts with, as atol reads it (white space, a
// sign, digits; 0 without digits), held to 32 bits: a longer run of digits
// gives the largest value rather than wrapping into the range of another.
uint32_t FieldNumber(Field field)
{
    const char *p = field.begin;
    while (p < field.end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    bool negative = p < field.end && *p == '-';
    if (p < field.end && (*p == '-' || *p == '+')) ++p;
    uint64_t value = 0;
    for (; p < field.end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10u + uint64_t(*p - '0');
        if (value > UINT32_MAX) value = UINT32_MAX;
    }
    return negative ? 0u - uint32_t(value) : uint32_t(value);
}

// Runs a text parser on a field copied out of the value; a field too long
// for any of the words is none of them.
template <typename Parse>
void ParseWord(Field field, uint16_t *code, Parse parse)
{
    char word[8];
    size_t length = size_t(field.end - field.begin);
    if (length >= sizeof word) return;
    std::memcpy(word, field.begin, length);
    word[length] = '\0';
    parse(word, code);
}

// The field from p to the next comma; false when there is none.
bool NextField(const char *p, Field *field)
{
    const char *comma = std::strchr(p, ',');
    if (!comma) return false;
    *field = {p, comma};
    return true;
}

}  // namespace

bool ParseAlpars(const char *text, Alpars *settings)
{
    if (!text || !settings || !*text) return false;
    const char *p = text + 1;
    Field field;

    if (!NextField(p, &field)) return false;
    settings->baudRate = FieldNumber(field);
    p = field.end + 1;

    if (!NextField(p, &field)) return false;
    ParseWord(field, &settings->parity, ParseParity);
    p = field.end + 1;

    if (!NextField(p, &field)) return false;
    uint32_t dataBits = FieldNumber(field);
    if (dataBits >= 4 && dataBits <= 8) settings->dataBits = uint16_t(dataBits);
    p = field.end + 1;

    const char *close = std::strchr(p, ')');
    ParseWord({p, close ? close : p + std::strlen(p)}, &settings->stopBits, ParseStopBits);
    return true;
}

void FormatAlpars(const Alpars &settings, char *text)
{
    std::snprintf(text, kAlparsTextSize, "(%lu,%s,%u,%s)", static_cast<unsigned long>(settings.baudRate),
                  ParityText(settings.parity), unsigned{settings.dataBits}, StopBitsText(settings.stopBits));
}

}  // namespace cvx::portable
