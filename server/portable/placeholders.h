// Filling the formats of the resource module (share names, pool names, port
// descriptions). The texts are translated, so a format that lacks a
// placeholder, repeats one or holds a foreign one must still give a bounded
// text rather than read an argument that was never passed. No Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::portable {

// Copies format into out (size bytes, terminated whenever size is above 0),
// putting text (null: nothing) for its first "%s" and number in decimal for
// its first "%u", and "%" for "%%"; every other "%" sequence, a placeholder
// met a second time included, is copied as it stands. Returns the length of
// the whole result; a result of size or more was cut to size - 1 bytes.
size_t FillFormat(const char *format, const char *text, uint32_t number, char *out, size_t size);

}  // namespace cvx::portable
