#include "ui/portable/charfilter.h"

#include "korutil/portable/korstr.h"

namespace cvx::portable {

namespace {
constexpr uint32_t kModeAllowed = 1;
constexpr uint32_t kModeForbidden = 2;
constexpr uint32_t kModeCallback = 3;
}  // namespace

CharVerdict JudgeChar(uint32_t mode, const char *set, uintptr_t character)
{
    char c = static_cast<char>(character & 0xFF);
    // Control characters, and with them every code from 80H up (the byte
    // read as signed), pass the sets: only a callback sees them.
    uint32_t effective = mode;
    if (static_cast<signed char>(c) < 0x20) effective = mode == kModeCallback ? kModeCallback : 0;

    switch (effective) {
    case kModeAllowed:
        return kor::FindChar(set, c) ? CharVerdict::Accept : CharVerdict::Refuse;
    case kModeForbidden:
        return kor::FindChar(set, c) ? CharVerdict::Refuse : CharVerdict::Accept;
    case kModeCallback:
        return CharVerdict::AskCallback;
    default:
        return CharVerdict::Accept;
    }
}

bool RemoveBlanks(char *text)
{
    if (kor::IsEmptyString(text)) return true;
    char *position = text;
    while ((position = kor::FindChar(position, ' ')) != nullptr) kor::RemoveChar(position);
    return false;
}

}  // namespace cvx::portable
