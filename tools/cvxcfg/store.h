// Helpers over the library's exports shared by the commands.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace cvxcfg {

// A list of zero-terminated strings closed by an empty one, and back.
std::vector<std::string> SplitList(const char *list);
std::string JoinList(const std::vector<std::string> &names);

// Calls fill(buffer, size) with growing buffers while it answers 122
// (ERROR_INSUFFICIENT_BUFFER); returns the last answer.
template <typename Fill>
DWORD FillGrowing(std::vector<char> &buffer, Fill fill)
{
    for (size_t size = 1024;; size *= 4) {
        buffer.assign(size, '\0');
        DWORD rc = fill(buffer.data(), static_cast<DWORD>(size));
        if (rc != ERROR_INSUFFICIENT_BUFFER || size >= (1u << 22)) return rc;
    }
}

// Where the library finds CVEX.INI and CVEX.PWF: the install directory named
// by the product key, else the directory of the product's libraries. With a
// trailing backslash.
std::string ConfigDirectory();
std::string ConfigFilePath();

// The Windows text of an error code, without the line end.
std::string ErrorText(DWORD code);
// " (error N: text)" for messages about a library result.
std::string ErrorSuffix(DWORD code);

// Case-insensitive comparison of names, as the configuration compares them.
bool SameName(const std::string &a, const std::string &b);

}  // namespace cvxcfg
