// Identifier arithmetic of menu merging.
#pragma once
#include <cstdint>

namespace cvx::portable {

// The identifier a merged item gets: id + offset. False when that passes
// limit; a sum beyond 32 bits passes every limit instead of wrapping round
// into the host's own identifiers.
bool ShiftMenuId(uint32_t id, uint32_t offset, uint32_t limit, uint32_t *shifted);

// The merge result after an item got identifier shifted: one more than the
// highest identifier given so far (an identifier of 0xFFFFFFFF has no next
// and leaves the result as it was).
uint32_t NextFreeMenuId(uint32_t result, uint32_t shifted);

}  // namespace cvx::portable
