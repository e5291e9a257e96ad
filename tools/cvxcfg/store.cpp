#include "store.h"

#include <cstring>

#include "cvxutil.h"

namespace cvxcfg {

std::vector<std::string> SplitList(const char *list)
{
    std::vector<std::string> names;
    for (const char *p = list; p && *p; p += std::strlen(p) + 1) names.emplace_back(p);
    return names;
}

std::string JoinList(const std::vector<std::string> &names)
{
    std::string list;
    for (const std::string &name : names) list.append(name).push_back('\0');
    list.push_back('\0');
    return list;
}

namespace {

const char kUserKey[] = "Software\\Quillon\\Calvex";

const char *ProductKey()
{
    return CVU_IsWin95OS() ? "Software\\Quillon\\Calvex" : "System\\CurrentControlSet\\Services\\Cvex\\Parameters";
}

void EndWithBackslash(std::string &dir)
{
    if (!dir.empty() && dir.back() != '\\') dir.push_back('\\');
}

}  // namespace

std::string ConfigDirectory()
{
    char text[MAX_PATH] = "";
    CVU_GetRegDataA(HKEY_LOCAL_MACHINE, ProductKey(), nullptr, nullptr, "Directory", text, sizeof text - 2, REG_SZ);
    std::string dir = text;
    if (!dir.empty()) {
        EndWithBackslash(dir);
        if (dir.size() >= 12 && _strnicmp(dir.c_str(), "\\DosDevices\\", 12) == 0) dir.erase(0, 12);
        return dir;
    }
    // No install directory: beside the product's libraries.
    if (CVU_GetRegDataA(HKEY_CURRENT_USER, kUserKey, nullptr, nullptr, "ComponentPath", text, sizeof text - 2,
                        REG_SZ) == ERROR_SUCCESS) {
        dir = text;
        if (dir.size() > 1) EndWithBackslash(dir);
        return dir;
    }
    char path[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("cvxutil.dll"), path, sizeof path);
    dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string ConfigFilePath() { return ConfigDirectory() + "CVEX.INI"; }

std::string ErrorText(DWORD code)
{
    char text[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ' || text[n - 1] == '.')) text[--n] = 0;
    return text;
}

std::string ErrorSuffix(DWORD code)
{
    std::string text = ErrorText(code);
    return " (error " + std::to_string(code) + (text.empty() ? "" : ": " + text) + ")";
}

bool SameName(const std::string &a, const std::string &b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

}  // namespace cvxcfg
