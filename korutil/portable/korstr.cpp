#include "korutil/portable/korstr.h"

#include <cstring>

namespace kor {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
}  // namespace

bool IsEmptyString(const char *text) { return text == nullptr || *text == '\0'; }

char *FindChar(const char *text, char ch)
{
    if (!text) return nullptr;
    for (; *text; ++text)
        if (*text == ch) return const_cast<char *>(text);
    return nullptr;
}

char *NextChar(const char *position)
{
    if (!position) return nullptr;
    return const_cast<char *>(*position ? position + 1 : position);
}

void RemoveChar(char *position)
{
    if (!position || !*position) return;
    std::memmove(position, position + 1, std::strlen(position + 1) + 1);
}

void CopySubstring(const char *source, size_t count, char *destination, size_t size)
{
    if (!destination || size == 0) return;
    size_t n = 0;
    if (source)
        while (n < count && n + 1 < size && source[n]) ++n;
    std::memmove(destination, source ? source : "", n);
    destination[n] = '\0';
}

void CopyStringLimited(const char *source, char *destination, size_t size)
{
    CopySubstring(source, static_cast<size_t>(-1), destination, size);
}

size_t StringSize(const char *text) { return text ? std::strlen(text) + 1 : 0; }

bool CheckBuffer(const void *buffer, size_t size, size_t needed) { return buffer && size >= needed; }

bool MultiSzInit(char *buffer, size_t size)
{
    if (!buffer || size < 2) return false;
    buffer[0] = buffer[1] = '\0';
    return true;
}

size_t MultiSzSize(const char *list)
{
    if (!list) return 0;
    const char *p = list;
    while (*p) p += std::strlen(p) + 1;
    // An empty list is stored as two terminators.
    size_t size = size_t(p - list) + 1;
    return size < 2 ? 2 : size;
}

bool MultiSzAppend(const char *item, char *list, size_t size)
{
    if (!item || !list) return false;
    char *end = list;
    while (*end) end += std::strlen(end) + 1;
    size_t used = size_t(end - list);
    size_t len = std::strlen(item);
    if (len == 0) return true;  // an empty entry would end the list
    if (used + len + 2 > size) return false;
    std::memcpy(end, item, len + 1);
    end[len + 1] = '\0';
    return true;
}

bool MultiSzPut(const char *item, char **cursor, size_t *remaining)
{
    if (!cursor || !*cursor || !remaining) return false;
    if (!item) return MultiSzInit(*cursor, *remaining);
    size_t len = std::strlen(item);
    if (len == 0) return true;
    if (len + 2 > *remaining) return false;
    std::memcpy(*cursor, item, len + 1);
    (*cursor)[len + 1] = '\0';
    *cursor += len + 1;
    *remaining -= len + 1;
    return true;
}

int CompareNoCase(const char *a, const char *b)
{
    if (!a) a = "";
    if (!b) b = "";
    for (;; ++a, ++b) {
        char ca = Lower(*a), cb = Lower(*b);
        if (ca != cb) return (unsigned char)ca < (unsigned char)cb ? -1 : 1;
        if (!ca) return 0;
    }
}

char *MultiSzFind(const char *item, const char *list)
{
    if (!item || !list) return nullptr;
    for (const char *p = list; *p; p += std::strlen(p) + 1)
        if (CompareNoCase(p, item) == 0) return const_cast<char *>(p);
    return nullptr;
}

char *MultiSzNext(const char *entry)
{
    if (!entry) return nullptr;
    if (!*entry) return const_cast<char *>(entry);
    return const_cast<char *>(entry + std::strlen(entry) + 1);
}

void MultiSzRemove(char *entry)
{
    if (!entry || !*entry) return;
    char *next = MultiSzNext(entry);
    size_t rest = MultiSzSize(next);
    if (!*next) rest = 1;  // only the closing terminator follows
    std::memmove(entry, next, rest);
}

size_t MultiSzCount(const char *list)
{
    size_t n = 0;
    if (!list) return 0;
    for (const char *p = list; *p; p += std::strlen(p) + 1) ++n;
    return n;
}

bool MultiSzToArray(char *list, char **array, size_t arrayBytes)
{
    if (!list || !array) return false;
    size_t n = MultiSzCount(list);
    if ((n + 1) * sizeof(char *) > arrayBytes) return false;
    size_t i = 0;
    for (char *p = list; *p; p += std::strlen(p) + 1) array[i++] = p;
    array[i] = nullptr;
    return true;
}

}  // namespace kor
