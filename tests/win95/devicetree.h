// Windows 95 device trees for the port driver tests: keys written value by
// value, and a dump of a whole subtree with every value's type and bytes.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace cvxtest {

struct RegValue {
    std::string name;
    DWORD type;
    std::string bytes;
};

inline RegValue Sz(const std::string &name, const std::string &text)
{
    return {name, REG_SZ, text + std::string(1, '\0')};
}
inline RegValue Dword(const std::string &name, DWORD value)
{
    return {name, REG_DWORD, std::string(reinterpret_cast<const char *>(&value), sizeof value)};
}
inline RegValue Binary(const std::string &name, std::initializer_list<unsigned char> bytes)
{
    return {name, REG_BINARY, std::string(bytes.begin(), bytes.end())};
}

// Creates HKEY_LOCAL_MACHINE\path (and its parents) and writes the values.
inline void PutKey(const std::string &path, std::initializer_list<RegValue> values)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr))
        << path;
    for (const RegValue &v : values)
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, v.name.c_str(), 0, v.type,
                                                reinterpret_cast<const BYTE *>(v.bytes.data()),
                                                static_cast<DWORD>(v.bytes.size())))
            << path << " " << v.name;
    RegCloseKey(key);
}

// One value as text: sz:<text> for a REG_SZ that holds exactly its text and
// one terminator, dword:<8 hex digits> for a four-byte REG_DWORD, else the
// type and every byte.
inline std::string FormatValue(DWORD type, const std::string &bytes)
{
    if (type == REG_SZ && !bytes.empty() && bytes.find('\0') == bytes.size() - 1)
        return "sz:" + bytes.substr(0, bytes.size() - 1);
    char text[16];
    if (type == REG_DWORD && bytes.size() == 4) {
        DWORD value;
        std::memcpy(&value, bytes.data(), 4);
        std::snprintf(text, sizeof text, "dword:%08lx", static_cast<unsigned long>(value));
        return text;
    }
    std::snprintf(text, sizeof text, "hex(%lu):", static_cast<unsigned long>(type));
    std::string out = text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(text, sizeof text, i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
        out += text;
    }
    return out;
}

inline bool LessNoCase(const std::string &a, const std::string &b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
}

// "[path]" and one "name=value" line per value for the key and every key
// below it, names sorted; empty when the key does not exist.
inline std::string DumpTree(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::string out = "[" + path + "]\n";
    std::vector<std::pair<std::string, std::string>> values;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameSize = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameSize = sizeof name;
        RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE *>(data.data()), &size);
        data.resize(size);
        values.emplace_back(name, FormatValue(type, data));
    }
    std::sort(values.begin(), values.end(), [](auto &a, auto &b) { return LessNoCase(a.first, b.first); });
    for (auto &[name, value] : values) out += name + "=" + value + "\n";
    std::vector<std::string> subkeys;
    char name[260];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) subkeys.push_back(name);
    RegCloseKey(key);
    std::sort(subkeys.begin(), subkeys.end(), LessNoCase);
    for (const std::string &sub : subkeys) out += DumpTree(path + "\\" + sub);
    return out;
}

constexpr char kEnumPath[] = "Enum";
constexpr char kPortsClassPath[] = "System\\CurrentControlSet\\Services\\Class\\Ports";

// Both trees that the port driver conversion works on.
inline std::string DumpPortTrees() { return DumpTree(kEnumPath) + DumpTree(kPortsClassPath); }

}  // namespace cvxtest
