// Decisions of the edit filters and the blank removal, without Win32.
#pragma once
#include <cstdint>

namespace cvx::portable {

enum class CharVerdict { Accept, Refuse, AskCallback };

// What the filter of the given mode does with a WM_CHAR code. set is the
// filter's character set (null counts as empty) and only read in modes 1
// and 2.
CharVerdict JudgeChar(uint32_t mode, const char *set, uintptr_t character);

// Removes every blank from text in place; true (and nothing done) when text
// is null or empty.
bool RemoveBlanks(char *text);

}  // namespace cvx::portable
