// Counts of the numbered section lists of CVEX.INI.
#pragma once
#include <windows.h>

namespace cvx {

// How a stored count reads when it is negative: SERVER LINES is signed (a
// negative count means no lines), GROUPS and TRANSMITSETS are unsigned.
enum class CountSign { Signed, Unsigned };

// The count key of a list (for example SERVER GROUPS with prefix "GROUP"),
// bounded by the highest numbered section of the list that exists, so that
// a negative or huge value in the file is never walked.
DWORD ReadListCount(const char *section, const char *key, const char *prefix, CountSign sign, const char *file);

}  // namespace cvx
