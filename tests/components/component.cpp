// Stand-in for one of the product's component libraries. Registration
// leaves a trace the tests read: the call, in order, and the directory that
// was current during it.
#include <windows.h>

#include <cstring>

#include "cvxutil.h"

namespace {
constexpr char kTraceKey[] = "Software\\CvxTests\\Components";

void Trace(const char *call)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kTraceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return;
    // "Log" accumulates NAME:call entries separated by ';' in call order.
    char log[2048] = "";
    DWORD size = sizeof log - 64;
    if (RegQueryValueExA(key, "Log", nullptr, nullptr, reinterpret_cast<BYTE *>(log), &size)) log[0] = '\0';
    lstrcatA(log, CVX_COMPONENT_NAME ":");
    lstrcatA(log, call);
    lstrcatA(log, ";");
    RegSetValueExA(key, "Log", 0, REG_SZ, reinterpret_cast<BYTE *>(log), lstrlenA(log) + 1);
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    RegSetValueExA(key, CVX_COMPONENT_NAME, 0, REG_SZ, reinterpret_cast<BYTE *>(dir), lstrlenA(dir) + 1);
    RegCloseKey(key);
}
}  // namespace

extern "C" HRESULT WINAPI DllRegisterServer()
{
    Trace("register");
    return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    Trace("unregister");
    return S_OK;
}
