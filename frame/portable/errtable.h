// The product error table and the error code line, without Win32.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cvx::portable {

// Size of one record of the product error table: the code (4 bytes) and the
// string id of its explanation (2 bytes), little-endian, unpadded.
constexpr size_t kErrorRecordSize = 6;

// String id of the explanation of code in a table of size bytes; 0 when the
// code is not listed before the closing record (code 0) or the table's end.
uint16_t FindErrorExplanation(const void *table, size_t size, uint32_t code);

// String id of the code line format for code, and in shown the number that
// the line displays: the product's marker bits are not shown.
uint16_t ChooseCodeLine(uint32_t code, uint32_t *shown);

}  // namespace cvx::portable
