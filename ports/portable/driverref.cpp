#include "ports/portable/driverref.h"

#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::portable {

bool SplitDriverReference(const char *value, char *className, size_t classSize, char *number, size_t numberSize)
{
    if (!className || !number || classSize == 0 || numberSize == 0) return false;
    className[0] = number[0] = '\0';
    const char *slash = kor::FindChar(value, '\\');
    if (!slash) return false;
    const char *rest = kor::NextChar(slash);
    size_t classLen = static_cast<size_t>(slash - value);
    size_t numberLen = std::strlen(rest);
    if (classLen == 0 || numberLen == 0 || classLen >= classSize || numberLen >= numberSize) return false;
    kor::CopySubstring(value, classLen, className, classSize);
    kor::CopyStringLimited(rest, number, numberSize);
    return true;
}

void FormatWithText(const char *format, const char *text, char *out, size_t size)
{
    if (!out || size == 0) return;
    if (!format) format = "";
    if (!text) text = "";
    size_t used = 0;
    bool textPlaced = false;
    auto put = [&](const char *piece, size_t len) {
        for (size_t i = 0; i < len && used + 1 < size; ++i) out[used++] = piece[i];
    };
    for (const char *p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == '%') {
            put("%", 1);
            ++p;
        } else if (p[0] == '%' && p[1] == 's' && !textPlaced) {
            put(text, std::strlen(text));
            textPlaced = true;
            ++p;
        } else {
            put(p, 1);
        }
    }
    out[used] = '\0';
}

}  // namespace cvx::portable
