#include "store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli.h"
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
    // The library's own codes, which the system does not know.
    switch (code) {
    case CVU_E_DUPTRIGGER: return "duplicate trigger character";
    case CVU_E_MAPVIEW: return "a view of the block could not be mapped";
    case CVU_E_NOTFOUND: return "no such block";
    case CVU_E_BADHEADER: return "the block's header does not add up";
    case CVU_E_LOCK: return "the lock could not be taken";
    case CVU_E_NOTOWNER: return "the handle belongs to another process";
    case CVU_E_NOENTRY: return "no table entry of that name";
    }
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

// "0D,1B" or "(0DH,1BH)" or "none": at most 16 characters, none twice.
std::vector<BYTE> ParseTriggers(const Invocation &call, const std::string &text)
{
    std::vector<BYTE> triggers;
    if (SameName(text, "none") || text.empty()) return triggers;
    std::string list = text;
    if (list.front() == '(' && list.back() == ')') list = list.substr(1, list.size() - 2);
    for (size_t start = 0;;) {
        size_t comma = list.find(',', start);
        std::string entry = list.substr(start, comma - start);
        if (!entry.empty() && (entry.back() == 'H' || entry.back() == 'h')) entry.pop_back();
        char *end = nullptr;
        unsigned long value = std::strtoul(entry.c_str(), &end, 16);
        if (entry.empty() || entry.size() > 2 || *end)
            FailUsage(call.Name() + ": --triggers takes hexadecimal character codes such as 0D,1B, not " + Quote(text));
        for (BYTE b : triggers)
            if (b == value) FailUsage(call.Name() + ": --triggers names " + entry + " twice in " + Quote(text));
        triggers.push_back(static_cast<BYTE>(value));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (triggers.size() > CVU_MAX_TRIGGERS)
        FailUsage(call.Name() + ": --triggers holds at most 16 characters, not " + std::to_string(triggers.size()));
    return triggers;
}

std::vector<std::string> TriggerWords(const BYTE *triggers, unsigned count)
{
    std::vector<std::string> words;
    char text[8];
    for (unsigned i = 0; i < count && i < 16; ++i) {
        std::snprintf(text, sizeof text, "%02XH", triggers[i]);
        words.push_back(text);
    }
    return words;
}

std::string PortName(const Invocation &call, const std::string &port)
{
    long long n = 0;
    if (port.size() < 4 || _strnicmp(port.c_str(), "COM", 3) != 0 || !ParseNumber(port.substr(3), &n) || n < 1 ||
        n > 255)
        FailUsage(call.Name() + ": a port is named COM and its number (1 to 255), not " + Quote(port));
    return "COM" + std::to_string(n);
}

bool SameName(const std::string &a, const std::string &b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

}  // namespace cvxcfg
