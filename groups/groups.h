// Groups (pools) of shared lines: the sections GROUP1 to GROUP<GROUPS> of
// CVEX.INI, counted by SERVER GROUPS, each with a NAME and a LINES list such
// as "(LINE A,LINE B)" that names lines by their NAME.
//
// Lists are double-NUL-terminated string lists. Every operation takes the
// configuration file (GetServerConfigFile) last.
#pragma once
#include <windows.h>

#include "groups/portable/linelist.h"

namespace cvx {

// Room for a group's section name ("GROUP" and up to ten digits).
constexpr size_t kGroupSectionSize = 16;
// Group and line names are read into 24 bytes: a longer name is never found.
constexpr DWORD kGroupNameSize = 24;
// A group's line list, as a list or as text, takes at most this many bytes.
constexpr DWORD kLineListSize = static_cast<DWORD>(portable::kLineListTextSize);

using portable::LineListParse;

// Number (from 1) of the group named name, compared without regard to case,
// or 0; section (kGroupSectionSize bytes, may be null) receives "GROUP<n>".
UINT FindGroup(const char *name, char *section, const char *file);

// The group's lines into list (size bytes). Returns 0 (a malformed LINES
// value gives the names that could be read), or ERROR_INSUFFICIENT_BUFFER
// when the list is too small: the names that fitted stay.
DWORD ReadGroupLines(const char *section, char *list, DWORD size, const char *file);

// Stores list as the group's LINES; an empty or null list deletes the key.
// Returns 0, ERROR_INSUFFICIENT_BUFFER when the text would pass 511
// characters, ERROR_INVALID_PARAMETER for a name that cannot be stored (one
// with "," or ")"), or the error of the profile write.
DWORD WriteGroupLines(const char *section, const char *list, const char *file);

// "(A,B)" for a list; the number of entries, or one of the portable
// kLineList* refusals.
using portable::FormatLineList;

// The names of a "(A,B)" text into list, as the profile text is read: double-
// byte characters of the ANSI code page are stepped over whole.
LineListParse ParseLineList(const char *text, char *list, size_t size);

// Counts of the lists: SERVER GROUPS and SERVER LINES, bounded by the
// sections that exist.
DWORD CountGroups(const char *file);
DWORD CountLines(const char *file);

}  // namespace cvx
