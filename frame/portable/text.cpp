#include "frame/portable/text.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace cvx::portable {

bool ComposeKeyPath(char *destination, const char *part1, const char *part2, const char *part3)
{
    if (!destination) return false;
    destination[0] = '\0';
    size_t total = part1 ? std::strlen(part1) : 0;
    for (const char *part : {part2, part3}) {
        if (!part || !*part) continue;
        if (total) ++total;
        total += std::strlen(part);
    }
    if (total + 1 >= kKeyPathSize) return false;
    if (part1) std::strcpy(destination, part1);
    for (const char *part : {part2, part3}) {
        if (!part || !*part) continue;
        if (*destination) std::strcat(destination, "\\");
        std::strcat(destination, part);
    }
    return true;
}

void CopyStringBounded(char *destination, const char *source, size_t n)
{
    if (!destination || n == 0) return;
    size_t len = source ? std::strlen(source) : 0;
    if (len > n - 1) len = n - 1;
    if (len) std::memmove(destination, source, len);
    destination[len] = '\0';
    destination[n - 1] = '\0';
}

void FormatUInt(char *buffer, unsigned long value)
{
    std::snprintf(buffer, 12, "%lu", value & 0xFFFFFFFFul);
}

}  // namespace cvx::portable
