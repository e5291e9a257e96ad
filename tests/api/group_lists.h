// String lists for the group tests: "A\0B\0\0" from names and back.
#pragma once
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace cvxtest {

inline std::string List(std::initializer_list<std::string> names)
{
    std::string list;
    for (const std::string &name : names) list.append(name).push_back('\0');
    list.push_back('\0');
    if (list.size() == 1) list.push_back('\0');
    return list;
}

inline std::vector<std::string> Entries(const char *list)
{
    std::vector<std::string> names;
    for (const char *p = list; *p; p += std::strlen(p) + 1) names.emplace_back(p);
    return names;
}

using Names = std::vector<std::string>;

}  // namespace cvxtest
