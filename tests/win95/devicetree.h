// Windows 95 device trees for the port driver tests: keys written value by
// value, and a dump of a whole subtree with every value's type and bytes.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace cvxtest {

// A value's name, type and bytes.
using RegValue = std::tuple<std::string, DWORD, std::string>;
inline RegValue Sz(const std::string &name, const std::string &text) { return {name, REG_SZ, text + '\0'}; }
inline RegValue Dword(const std::string &name, DWORD value) { return {name, REG_DWORD, std::string((char *)&value, 4)}; }

// Creates HKEY_LOCAL_MACHINE\path (and its parents) and writes the values.
inline void PutKey(const std::string &path, std::initializer_list<RegValue> values, DWORD options = 0)
{
    HKEY key;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr)) << path;
    for (const auto &[name, type, bytes] : values)
        RegSetValueExA(key, name.c_str(), 0, type, (const BYTE *)bytes.data(), DWORD(bytes.size()));
    RegCloseKey(key);
}

// "[path]" and a "name=value" line per value (sorted without case), for the key and every key below it
// in the registry's order; a value reads sz:<text> (one zero at its end), dword:<8 hex digits> or hex(type):<bytes>.
inline std::string DumpTree(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::vector<std::pair<std::string, std::string>> values;
    char name[512], data[1024], hex[16];
    for (DWORD i = 0, nameSize = sizeof name, type, size = sizeof data;
         RegEnumValueA(key, i, name, &nameSize, nullptr, &type, (BYTE *)data, &size) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name, size = sizeof data) {
        std::string text = "hex(" + std::to_string(type) + "):";
        for (DWORD b = 0; b < size; ++b) std::snprintf(hex, sizeof hex, b ? ",%02x" : "%02x", (BYTE)data[b]), text += hex;
        if (type == REG_DWORD && size == 4) std::snprintf(hex, sizeof hex, "dword:%08lx", *(unsigned long *)data), text = hex;
        if (type == REG_SZ && size && std::string(data, size).find('\0') == size - 1) text = "sz:" + std::string(data);
        values.emplace_back(name, text);
    }
    std::sort(values.begin(), values.end(), [](auto &a, auto &b) { return _stricmp(a.first.c_str(), b.first.c_str()) < 0; });
    std::string out = "[" + path + "]\n";
    for (auto &[name, value] : values) out += name + "=" + value + "\n";
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) out += DumpTree(path + "\\" + name);
    RegCloseKey(key);
    return out;
}

constexpr char kPortsClassPath[] = "System\\CurrentControlSet\\Services\\Class\\Ports";

// Both trees that the port driver conversion works on.
inline std::string DumpPortTrees() { return DumpTree("Enum") + DumpTree(kPortsClassPath); }

}  // namespace cvxtest
