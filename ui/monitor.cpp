// Monitor names, the global notification and the machine restart.
#include <windows.h>

#include <cstring>
#include <vector>

#include "frame/frame.h"
#include "frame/owners.h"
#include "korutil/korutil.h"
#include "resids.h"
#include "ui/restart.h"

namespace {

constexpr char kNamesKey[] = "Software\\Quillon\\Calvex";
constexpr char kNamesFile[] = "\\NAMES.INI";
constexpr char kNamesSection[] = "Names";
constexpr DWORD kDirectorySize = MAX_PATH;

cvx::ExitWindowsFunction g_exitWindows = ExitWindowsEx;

// Windows NT lets a process restart the machine only with this privilege
// enabled in its token. A failure is left to ExitWindowsEx to report.
void EnableShutdownPrivilege()
{
    cvx::UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) return;
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
}

// NAMES.INI in the directory of the machine-wide "Directory" value, taken
// as it is stored (the monitor applet writes the file there the same way).
// False when the value is missing, empty or too long to be read whole:
// there is then no file to use, and a cut value would name another one.
bool MonitorNamesPath(char (&path)[kDirectorySize + sizeof kNamesFile])
{
    path[0] = '\0';
    if (CVU_GetRegDataA(HKEY_LOCAL_MACHINE, kNamesKey, nullptr, nullptr, "Directory", path, kDirectorySize + 1,
                        REG_SZ) != ERROR_SUCCESS)
        return false;
    path[kDirectorySize] = '\0';
    size_t length = std::strlen(path);
    if (length == 0 || length >= kDirectorySize) return false;
    std::strcpy(path + length, kNamesFile);
    return true;
}

// The whole stored name, however long; false when the address has no entry.
bool StoredName(const char *path, const char *address, std::vector<char> &name)
{
    for (DWORD size = 256;; size *= 2) {
        name.assign(size, '\0');
        DWORD got = GetPrivateProfileStringA(kNamesSection, address, cvx::kAbsentMarker, name.data(), size, path);
        if (got + 1 < size || size >= (1u << 24)) break;
    }
    return std::strcmp(name.data(), cvx::kAbsentMarker) != 0;
}

}  // namespace

extern "C" BOOL WINAPI CVU_GlobalNotify(DWORD value)
{
    return PostMessageA(HWND_BROADCAST, WM_COMMAND, CVU_NOTIFY_COMMAND, LPARAM(value));
}

extern "C" BOOL WINAPI CVU_GetMonitorNameFromAddress(LPCSTR address, LPSTR buffer, DWORD size)
{
    if (!address || !buffer || size == 0) return FALSE;
    // Compared whole, before either text is cut to the caller's buffer: a
    // cut address must not pass for a name.
    char path[kDirectorySize + sizeof kNamesFile];
    std::vector<char> name;
    const char *shown = MonitorNamesPath(path) && StoredName(path, address, name) ? name.data() : address;
    kor::CopyStringLimited(shown, buffer, size);
    return std::strcmp(shown, address) != 0;
}

extern "C" BOOL WINAPI CVU_SetMonitorNameForAddress(LPCSTR address, LPCSTR name)
{
    // A null key would remove the whole section.
    if (!address) return FALSE;
    char path[kDirectorySize + sizeof kNamesFile];
    if (!MonitorNamesPath(path)) return FALSE;
    return WritePrivateProfileStringA(kNamesSection, address, name, path);
}

namespace cvx {

ExitWindowsFunction ReplaceExitWindows(ExitWindowsFunction function)
{
    ExitWindowsFunction previous = g_exitWindows;
    g_exitWindows = function ? function : ExitWindowsEx;
    return previous;
}

}  // namespace cvx

extern "C" BOOL WINAPI CVU_RestartMachine(HWND owner, BOOL ask)
{
    if (ask && CVU_ConfirmActionA(owner, CVU_TEXTID(IDS_RESTART_TITLE), CVU_TEXTID(IDS_RESTART_MESSAGE), nullptr, 0, 0,
                                  0) != CVU_CONFIRM_YES)
        return FALSE;
    if (!CVU_IsWin95OS()) EnableShutdownPrivilege();
    return g_exitWindows(EWX_REBOOT, 0);
}
