// Turns a fuzzer's bytes into the inputs the parsers take.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cvxfuzz {

// The bytes as a zero-terminated text, as the profile functions hand values
// over (no embedded zero survives a profile read, so the first ends it).
inline std::string Text(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    return text.substr(0, text.find('\0'));
}

// The bytes as a list: zero-separated entries closed by an empty one.
inline std::vector<char> List(const uint8_t *data, size_t size)
{
    std::vector<char> list(data, data + size);
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

}  // namespace cvxfuzz

#define CVX_FUZZ_CHECK(cond)    \
    do {                        \
        if (!(cond)) __builtin_trap(); \
    } while (0)
