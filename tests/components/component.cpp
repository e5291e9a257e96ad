// Stand-in for one of the product's component libraries. It registers its
// class through the library as the real ones do, and leaves a trace the tests
// read: each call and its result, in order, and the directory that was
// current during it. The version it registers and the keep flag come from
// the trace key, so a test can set them up.
#include <windows.h>

#include <cstdio>

#include "cvxutil.h"

namespace {
constexpr char kTraceKey[] = "Software\\CvxTests\\Components";
HMODULE g_module;

struct Identity {
    const char *name;
    DWORD bit;
    CLSID clsid;
};
constexpr Identity kIdentities[] = {
    {"CVXNAME", 0x01, {0x6C1E2F50, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0x01}}},
    {"CVXCLI", 0x02, {0x6C1E2F50, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0x02}}},
    {"CVXSERV", 0x04, {0x6C1E2F50, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0x03}}},
    {"CVXREMON", 0x08, {0x6C1E2F50, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0x04}}},
    {"CVXIBS", 0x10, {0x6C1E2F50, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0x05}}},
};

const Identity &Self()
{
    for (const Identity &id : kIdentities)
        if (lstrcmpA(id.name, CVX_COMPONENT_NAME) == 0) return id;
    return kIdentities[0];
}

DWORD Setting(const char *name, DWORD fallback)
{
    DWORD value = fallback, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, kTraceKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

void Trace(const char *call, DWORD result)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kTraceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return;
    // "Log" accumulates NAME:call=result entries separated by ';'.
    char log[2048] = "";
    DWORD size = sizeof log - 64;
    if (RegQueryValueExA(key, "Log", nullptr, nullptr, reinterpret_cast<BYTE *>(log), &size)) log[0] = '\0';
    char entry[64];
    std::snprintf(entry, sizeof entry, "%s:%s=%lu;", CVX_COMPONENT_NAME, call, result);
    lstrcatA(log, entry);
    RegSetValueExA(key, "Log", 0, REG_SZ, reinterpret_cast<BYTE *>(log), lstrlenA(log) + 1);
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    RegSetValueExA(key, CVX_COMPONENT_NAME, 0, REG_SZ, reinterpret_cast<BYTE *>(dir), lstrlenA(dir) + 1);
    RegCloseKey(key);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    const Identity &self = Self();
    Trace("register", CVU_RegBasicServerA(&self.clsid, Setting("Version", 1), self.name, g_module, self.bit));
    return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    const Identity &self = Self();
    Trace("unregister", CVU_UnregBasicServer(&self.clsid, Setting("Version", 1), self.bit, Setting("Keep", 0)));
    return S_OK;
}
