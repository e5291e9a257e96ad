// KORUTIL string and string-list operations. No Win32 here: these also build
// natively for the sanitizer and fuzzing builds.
//
// A list is a run of zero-terminated strings closed by an empty string.
#pragma once
#include <cstddef>

namespace kor {

// TRUE for a null pointer or an empty string.
bool IsEmptyString(const char *text);
// First occurrence of ch in text, or null.
char *FindChar(const char *text, char ch);
// The character after the one at position (stays at the terminator).
char *NextChar(const char *position);
// Removes the character at position; the rest moves left by one.
void RemoveChar(char *position);
// First count characters of source into destination (size bytes), cut to
// fit and always terminated when size > 0.
void CopySubstring(const char *source, size_t count, char *destination, size_t size);
// Whole source into destination (size bytes), cut to fit, terminated.
void CopyStringLimited(const char *source, char *destination, size_t size);
// Bytes the string occupies when stored, terminator included (0 for null).
size_t StringSize(const char *text);
// TRUE when buffer is non-null and size >= needed.
bool CheckBuffer(const void *buffer, size_t size, size_t needed);

// Makes buffer an empty list; FALSE when it is missing or too small.
bool MultiSzInit(char *buffer, size_t size);
// Appends item as the last entry of the list in a size-byte buffer; FALSE
// (list unchanged) when it does not fit.
bool MultiSzAppend(const char *item, char *list, size_t size);
// Builds a list at a moving cursor: a null item starts an empty list at the
// cursor; any other item is appended and cursor/remaining advance past it.
bool MultiSzPut(const char *item, char **cursor, size_t *remaining);
// The entry equal to item (case-insensitive, as names are compared), or null.
char *MultiSzFind(const char *item, const char *list);
// The entry after this one; an empty string at the end.
char *MultiSzNext(const char *entry);
// Takes the entry out of its list and closes the gap.
void MultiSzRemove(char *entry);
// Number of entries.
size_t MultiSzCount(const char *list);
// Bytes of the whole list with its closing empty entry.
size_t MultiSzSize(const char *list);
// Fills array (arrayBytes bytes) with one pointer per entry and a null
// pointer; FALSE when the array is too small.
bool MultiSzToArray(char *list, char **array, size_t arrayBytes);

// Case-insensitive ASCII comparison, as the configuration compares names.
int CompareNoCase(const char *a, const char *b);

}  // namespace kor
