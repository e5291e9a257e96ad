#include "server/portable/sections.h"

#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::portable {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
}  // namespace

uint32_t SectionNumber(const char *name, const char *prefix)
{
    if (!name || !prefix) return 0;
    for (; *prefix; ++prefix, ++name)
        if (Lower(*name) != Lower(*prefix)) return 0;
    // The profile functions match section names as text, so "GROUP01" is not
    // GROUP1 and no walk would ever reach it.
    if (*name < '1' || *name > '9') return 0;
    uint64_t value = 0;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9') return 0;
        value = value * 10 + uint64_t(*name - '0');
        if (value > UINT32_MAX) return 0;
    }
    return uint32_t(value);
}

uint32_t BoundSectionCount(uint32_t stored, const char *sectionNames, const char *prefix)
{
    uint32_t highest = 0, sections = 0;
    if (!sectionNames) return 0;
    for (const char *name = sectionNames; *name; name = kor::MultiSzNext(name)) {
        ++sections;
        uint32_t n = SectionNumber(name, prefix);
        if (n <= stored && n > highest) highest = n;
    }
    // A lone GROUP999999999 must not make the walk visit that many sections.
    return highest < sections ? highest : sections;
}

}  // namespace cvx::portable
