// Strings of the library's resource module, for tests that link the library.
#pragma once
#include <windows.h>

#include <string>

#include "cvxutil.h"

namespace cvxtest {

inline std::string ResourceString(UINT id)
{
    char text[1024] = "";
    LoadStringA(CVU_GetResourceInstance(FALSE), id, text, sizeof text);
    return text;
}

// A resource format with its first placeholder (%s or %u) filled in.
inline std::string ResourceFormatted(UINT id, const std::string &value)
{
    std::string format = ResourceString(id);
    size_t at = format.find('%');
    return at == std::string::npos ? format : format.replace(at, 2, value);
}

}  // namespace cvxtest
