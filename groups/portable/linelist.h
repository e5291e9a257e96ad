// The line list of a group as CVEX.INI writes it: "(LINE A,LINE B)". No
// Win32 here.
#pragma once
#include <cstddef>

namespace cvx::portable {

// A list's text holds at most 511 characters; each name read at most 127.
constexpr size_t kLineListTextSize = 512;
constexpr size_t kLineNameSize = 128;

enum class LineListParse {
    Complete,   // every name up to the closing parenthesis is in the list
    Malformed,  // no opening or no closing parenthesis
    Full,       // the list buffer could not take every name
};

// Reads the names between the first "(" and the next ")" into a list
// (size bytes), in order, without trimming; names are separated by commas
// and empty names are skipped. Text outside the parentheses is ignored. The
// names read before a failure stay in the list. isLeadByte, when given,
// tells the lead bytes of double-byte characters, whose trail bytes are
// never taken for separators.
LineListParse ParseLineList(const char *text, char *list, size_t size, bool (*isLeadByte)(unsigned char) = nullptr);

// FormatLineList results that are not an entry count.
constexpr int kLineListTooLong = -1;  // the text would not fit
constexpr int kLineListBadName = -2;  // a name that would not read back as itself

// Writes "(" + the entries joined by "," + ")" into text (size bytes) and
// returns the number of entries; a null or empty list gives "()" and 0.
// Refuses, leaving text empty, a text that does not fit and a name that
// holds "," or ")" or is longer than 127 characters.
int FormatLineList(const char *list, char *text, size_t size);

}  // namespace cvx::portable
