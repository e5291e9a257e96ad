#include "ui/portable/menuids.h"

namespace cvx::portable {

bool ShiftMenuId(uint32_t id, uint32_t offset, uint32_t limit, uint32_t *shifted)
{
    uint64_t sum = static_cast<uint64_t>(id) + offset;
    if (sum > limit) return false;
    *shifted = static_cast<uint32_t>(sum);
    return true;
}

uint32_t NextFreeMenuId(uint32_t result, uint32_t shifted)
{
    uint32_t next = shifted + 1;
    return next > result ? next : result;
}

}  // namespace cvx::portable
