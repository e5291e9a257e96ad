#include "client/portable/portlist.h"

#include <cstdio>
#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::portable {

int32_t ReadDecimal(const char *text)
{
    if (!text) return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT32_MAX + int64_t{1}) value = INT32_MAX + int64_t{1};
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<int32_t>(value);
}

bool ParseDecimal(const char *text, int32_t *value)
{
    if (!text || !value) return false;
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return false;
    *value = ReadDecimal(text);
    return true;
}

int32_t PortNumberFromName(const char *name)
{
    // A name of fewer than three characters has no fourth to read from.
    if (!name || !name[0] || !name[1] || !name[2]) return 0;
    return ReadDecimal(name + 3);
}

size_t ParsePortList(const char *text, uint32_t *numbers, size_t capacity)
{
    const char *position = kor::FindChar(text, '(');
    if (!position || !numbers) return 0;
    position = kor::NextChar(position);
    size_t count = 0;
    while (*position && count < capacity) {
        int32_t value = ReadDecimal(position);
        if (value > 0) numbers[count++] = static_cast<uint32_t>(value);
        const char *comma = kor::FindChar(position, ',');
        if (!comma) break;
        position = kor::NextChar(comma);
    }
    return count;
}

bool FormatPortList(const uint32_t *numbers, size_t count, char *buffer, size_t size)
{
    if (!buffer || size == 0) return false;
    buffer[0] = '\0';
    size_t used = 0;
    auto put = [&](const char *piece) {
        size_t len = std::strlen(piece);
        if (used + len + 1 > size) return false;
        std::memcpy(buffer + used, piece, len + 1);
        used += len;
        return true;
    };
    bool fits = put("(");
    for (size_t i = 0; fits && i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, i ? ",%u" : "%u", static_cast<unsigned>(numbers[i]));
        fits = put(number);
    }
    if (fits) fits = put(")");
    if (!fits) buffer[0] = '\0';
    return fits;
}

}  // namespace cvx::portable
