#include "server/sections.h"

#include <string>

#include "frame/configstore.h"
#include "server/portable/sections.h"

namespace cvx {

DWORD ReadListCount(const char *section, const char *key, const char *prefix, CountSign sign, const char *file)
{
    UINT stored = ReadProfileUInt(section, key, 0, file);
    if (sign == CountSign::Signed && static_cast<INT>(stored) < 0) return 0;
    if (stored == 0) return 0;

    std::string names;
    for (const std::string &name : ProfileSectionNames(file)) names.append(name).push_back('\0');
    names.push_back('\0');
    return portable::BoundSectionCount(stored, names.data(), prefix);
}

}  // namespace cvx
