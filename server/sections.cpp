#include "server/sections.h"

#include <vector>

#include "server/portable/sections.h"

namespace cvx {

DWORD ReadListCount(const char *section, const char *key, const char *prefix, CountSign sign, const char *file)
{
    UINT stored = GetPrivateProfileIntA(section, key, 0, file);
    if (sign == CountSign::Signed && static_cast<INT>(stored) < 0) return 0;
    if (stored == 0) return 0;

    // The names of all sections; the call reports size - 2 when it had to cut.
    std::vector<char> names(4096);
    for (;;) {
        DWORD got = GetPrivateProfileSectionNamesA(names.data(), DWORD(names.size()), file);
        if (got + 2 < names.size()) break;
        if (names.size() >= (64u << 20)) break;
        names.assign(names.size() * 2, '\0');
    }
    names[names.size() - 2] = names[names.size() - 1] = '\0';
    return portable::BoundSectionCount(stored, names.data(), prefix);
}

}  // namespace cvx
