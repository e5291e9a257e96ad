// Text helpers of the frame that need no Win32.
#pragma once
#include <cstddef>

namespace cvx::portable {

constexpr size_t kKeyPathSize = 512;

// Joins the non-null, non-empty parts with single backslashes (part1 is
// taken even when empty). Returns false and leaves destination empty when
// the path and its terminator would need kKeyPathSize bytes or more.
bool ComposeKeyPath(char *destination, const char *part1, const char *part2, const char *part3);

// At most n-1 characters of source, always terminated in byte n-1.
void CopyStringBounded(char *destination, const char *source, size_t n);

// "%u" of value into buffer (at least 12 bytes).
void FormatUInt(char *buffer, unsigned long value);

}  // namespace cvx::portable
