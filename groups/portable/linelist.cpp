#include "groups/portable/linelist.h"

#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::portable {

LineListParse ParseLineList(const char *text, char *list, size_t size, bool (*isLeadByte)(unsigned char))
{
    char *cursor = list;
    size_t remaining = size;
    if (!kor::MultiSzPut(nullptr, &cursor, &remaining)) return LineListParse::Full;
    const char *p = kor::FindChar(text, '(');
    if (!p) return LineListParse::Malformed;

    const char *start = ++p;
    for (; *p; ++p) {
        if (*p == ',' || *p == ')') {
            char name[kLineNameSize];
            kor::CopySubstring(start, size_t(p - start), name, sizeof name);
            if (!kor::MultiSzPut(name, &cursor, &remaining)) return LineListParse::Full;
            if (*p == ')') return LineListParse::Complete;
            start = p + 1;
        } else if (isLeadByte && isLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
            ++p;
        }
    }
    return LineListParse::Malformed;
}

int FormatLineList(const char *list, char *text, size_t size)
{
    if (!text || size < 3) return kLineListTooLong;
    text[0] = '\0';
    size_t length = 2;  // the parentheses
    int count = 0;
    for (const char *entry = list; entry && *entry; entry = kor::MultiSzNext(entry), ++count) {
        size_t len = std::strlen(entry);
        if (len >= kLineNameSize || std::strpbrk(entry, ",)")) return kLineListBadName;
        length += len + (count ? 1 : 0);
    }
    if (length + 1 > size) return kLineListTooLong;

    char *p = text;
    *p++ = '(';
    for (const char *entry = list; entry && *entry; entry = kor::MultiSzNext(entry)) {
        if (entry != list) *p++ = ',';
        size_t len = std::strlen(entry);
        std::memcpy(p, entry, len);
        p += len;
    }
    *p++ = ')';
    *p = '\0';
    return count;
}

}  // namespace cvx::portable
