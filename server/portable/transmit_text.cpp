#include "server/portable/transmit_text.h"

#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::portable {

namespace {

constexpr const char *kFlowTexts[] = {"(0H,0H)", "(11H,13H)", "(1H,1H)"};
constexpr const char *kParityTexts[] = {"NONE", "ODD", "EVEN", "MARK", "SPACE"};
constexpr const char *kStopBitsTexts[] = {"1", "1.5", "2"};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

template <size_t N>
bool MatchText(const char *const (&texts)[N], const char *text, uint16_t *code)
{
    if (!text || !code) return false;
    for (size_t i = 0; i < N; ++i)
        if (kor::CompareNoCase(texts[i], text) == 0) {
            *code = uint16_t(i);
            return true;
        }
    return false;
}

}  // namespace

uint16_t ParseTriggers(const char *text, uint8_t *triggers)
{
    if (!text || !triggers) return 0;
    const char *p = kor::FindChar(text, '(');
    if (!p) return 0;
    p = kor::NextChar(p);

    uint16_t count = 0;
    while (*p && *p != ')' && count < kMaxTriggers) {
        while (*p == ' ' || *p == '\t') ++p;
        // Only the low 8 bits of the number count (141H reads as 41H).
        unsigned value = 0;
        bool digits = false;
        for (int d; (d = HexDigit(*p)) >= 0; ++p) {
            value = ((value << 4) | unsigned(d)) & 0xFFu;
            digits = true;
        }
        if (digits && !std::memchr(triggers, int(value), count)) triggers[count++] = uint8_t(value);
        while (*p && *p != ',' && *p != ')') ++p;
        if (*p != ',') break;
        ++p;
    }
    return count;
}

uint16_t FormatTriggers(const uint8_t *triggers, uint16_t count, char *text)
{
    static const char kHex[] = "0123456789ABCDEF";
    if (!text) return 0;
    text[0] = '\0';
    if (!triggers) return 0;
    if (count > kMaxTriggers) count = kMaxTriggers;

    char *p = text;
    uint16_t written = 0;
    *p++ = '(';
    for (uint16_t i = 0; i < count; ++i) {
        if (std::memchr(triggers, triggers[i], i)) continue;  // no code twice
        if (written++) *p++ = ',';
        *p++ = kHex[triggers[i] >> 4];
        *p++ = kHex[triggers[i] & 0xF];
        *p++ = 'H';
    }
    *p++ = ')';
    *p = '\0';
    if (!written) text[0] = '\0';
    return written;
}

const char *FlowText(uint16_t code) { return kFlowTexts[code < 2 ? code : 2]; }
const char *ParityText(uint16_t code) { return kParityTexts[code < 4 ? code : 4]; }
const char *StopBitsText(uint16_t code) { return kStopBitsTexts[code < 2 ? code : 2]; }

bool ParseFlow(const char *text, uint16_t *code) { return MatchText(kFlowTexts, text, code); }
bool ParseParity(const char *text, uint16_t *code) { return MatchText(kParityTexts, text, code); }
bool ParseStopBits(const char *text, uint16_t *code) { return MatchText(kStopBitsTexts, text, code); }

}  // namespace cvx::portable
