#include "ui/portable/placement.h"

namespace cvx::portable {

int32_t CenteredStart(int32_t start, int32_t reference, int32_t size)
{
    if (reference <= size) return start;
    // Widened: reference - size of two far-apart coordinates may pass 31 bits.
    return static_cast<int32_t>(start + (static_cast<int64_t>(reference) - size) / 2);
}

}  // namespace cvx::portable
