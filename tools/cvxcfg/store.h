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

struct Invocation;
// Trigger characters given as "0D,1B", "(0DH,1BH)" or "none": at most 16,
// none twice; a usage failure names the text otherwise.
std::vector<BYTE> ParseTriggers(const Invocation &call, const std::string &text);
// Puts triggers (at most 16, from ParseTriggers) into a record's fields.
inline void StoreTriggers(const std::vector<BYTE> &triggers, BYTE (&field)[16], WORD *count)
{
    for (size_t i = 0; i < sizeof field; ++i) field[i] = i < triggers.size() ? triggers[i] : 0;
    *count = static_cast<WORD>(triggers.size());
}
// "0DH" for each of the first count characters.
std::vector<std::string> TriggerWords(const BYTE *triggers, unsigned count);
// A port name COM<n> (any case) as COM<n>, n 1 to 255; a usage failure
// names the text otherwise.
std::string PortName(const Invocation &call, const std::string &port);
// A fixed-size string field of a record, terminated or not.
template <size_t N>
std::string Field(const char (&field)[N])
{
    size_t n = 0;
    while (n < N && field[n]) ++n;
    return std::string(field, n);
}

// Case-insensitive comparison of names, as the configuration compares them.
bool SameName(const std::string &a, const std::string &b);

}  // namespace cvxcfg
