// Where a window goes when it is centred on a reference rectangle.
#pragma once
#include <cstdint>

namespace cvx::portable {

// Start coordinate of an extent of size centred on [start, start+reference):
// half the difference further on when the reference is larger, else start
// itself, so a window never begins before its reference.
int32_t CenteredStart(int32_t start, int32_t reference, int32_t size);

}  // namespace cvx::portable
