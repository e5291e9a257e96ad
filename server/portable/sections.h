// Numbered section lists (LINE<n>, TRANSMIT<n>, GROUP<n>): the count that a
// walk may trust. No Win32 here.
#pragma once
#include <cstdint>

namespace cvx::portable {

// Number that section names like "GROUP12" carry after prefix (compared
// without regard to case): 0 when name is not prefix followed by a decimal
// number from 1 up, written without leading zeros.
uint32_t SectionNumber(const char *name, const char *prefix);

// The highest n from 1 to stored for which section prefix<n> is among
// sectionNames (a list of the file's section names), but no more than the
// number of sections, or 0. A stored count read from a hand-edited file can
// be far beyond the sections that exist; no walk needs to visit more.
uint32_t BoundSectionCount(uint32_t stored, const char *sectionNames, const char *prefix);

}  // namespace cvx::portable
