// Registry primitives and COM self-registration.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <cstring>

#include "frame/frame.h"
#include "frame/owners.h"
#include "korutil/korutil.h"

namespace cvx {
namespace {

constexpr const char *kComponentLibraries[] = {"CVXNAME.DLL", "CVXCLI.DLL", "CVXSERV.DLL", "CVXREMON.DLL",
                                               "CVXIBS.DLL"};

// Text of a CLSID as the registration keys name it.
struct ClsidText {
    explicit ClsidText(const CLSID *clsid) { CVU_CLSIDtoStringA(clsid, text, sizeof text); }
    char text[40] = "";
};

// Registered "dwVersion" of a class, when there is one.
bool ReadRegisteredVersion(const char *clsid, DWORD *version)
{
    return CVU_GetRegDataA(HKEY_CLASSES_ROOT, "CLSID", clsid, nullptr, "dwVersion", version, sizeof *version,
                           REG_DWORD) == ERROR_SUCCESS;
}

void CallComponentEntry(const char *entry)
{
    char saved[MAX_PATH] = "";
    DWORD savedLen = GetCurrentDirectoryA(sizeof saved, saved);

    char directory[MAX_PATH];
    BuildComponentPath(directory, "");
    SetCurrentDirectoryA(directory);

    for (const char *library : kComponentLibraries) {
        char path[MAX_PATH];
        if (!BuildComponentPath(path, library)[0]) continue;
        UniqueModule module(LoadLibraryA(path));
        if (!module) continue;
        using Entry = HRESULT(WINAPI *)();
        auto call = reinterpret_cast<Entry>(GetProcAddress(module.get(), entry));
        if (call) call();
    }

    if (savedLen > 0 && savedLen < sizeof saved) SetCurrentDirectoryA(saved);
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" LONG WINAPI CVU_WriteRegDataA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3, LPCSTR valueName,
                                         const void *data, DWORD size, DWORD type)
{
    char path[kKeyPathSize];
    if (!ComposeKeyPath(path, part1, part2, part3)) return ERROR_INVALID_PARAMETER;
    if (!data && size) return ERROR_INVALID_PARAMETER;
    UniqueHkey key;
    LONG rc = RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(key.get(), valueName, 0, type, static_cast<const BYTE *>(data), size);
}

extern "C" LONG WINAPI CVU_GetRegDataA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3, LPCSTR valueName,
                                       void *buffer, DWORD size, DWORD expectedType)
{
    char path[kKeyPathSize];
    if (!ComposeKeyPath(path, part1, part2, part3)) return ERROR_INVALID_PARAMETER;
    UniqueHkey key;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ, key.put());
    if (rc != ERROR_SUCCESS) return rc;

    DWORD type = 0, got = size;
    rc = RegQueryValueExA(key.get(), valueName, nullptr, &type, static_cast<BYTE *>(buffer), &got);
    if (rc == ERROR_MORE_DATA) {
        // The caller gets as much of the value as its buffer holds.
        UniqueLocal whole(LocalAlloc(LMEM_ZEROINIT, got));
        if (!whole) return ERROR_MORE_DATA;
        rc = RegQueryValueExA(key.get(), valueName, nullptr, &type, static_cast<BYTE *>(whole.get()), &got);
        if (buffer) std::memcpy(buffer, whole.get(), size < got ? size : got);
    }
    if (rc != ERROR_SUCCESS) return rc;
    return type == expectedType ? ERROR_SUCCESS : ERROR_BADKEY;
}

extern "C" LONG WINAPI CVU_DeleteRegKeyA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3, LPCSTR subkey)
{
    char path[kKeyPathSize];
    if (!ComposeKeyPath(path, part1, part2, part3)) return ERROR_INVALID_PARAMETER;
    // An empty name would delete the composed key itself, which no caller means.
    if (kor::IsEmptyString(subkey)) return ERROR_INVALID_PARAMETER;
    UniqueHkey key;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    return RegDeleteKeyA(key.get(), subkey);
}

extern "C" void WINAPI CVU_CLSIDtoStringA(const CLSID *clsid, LPSTR buffer, int size)
{
    if (!clsid || !buffer || size <= 0) return;
    LPOLESTR wide = nullptr;
    if (FAILED(StringFromCLSID(*clsid, &wide)) || !wide) return;
    // wcstombs writes the terminator only when it fits.
    std::wcstombs(buffer, wide, static_cast<size_t>(size));
    CoTaskMemFree(wide);
}

extern "C" void WINAPI CVU_CLSIDtoStringW(const CLSID *clsid, LPWSTR buffer, int size)
{
    if (!buffer || size <= 0) return;
    std::memset(buffer, 0, static_cast<size_t>(size) * sizeof(WCHAR));
    if (!clsid) return;
    LPOLESTR wide = nullptr;
    if (FAILED(StringFromCLSID(*clsid, &wide)) || !wide) return;
    if (size > 1) lstrcpynW(buffer, wide, size - 1);
    buffer[size - 1] = L'\0';
    CoTaskMemFree(wide);
}

extern "C" DWORD WINAPI CVU_RegBasicServerA(const CLSID *clsid, DWORD version, LPCSTR description, HMODULE module,
                                            DWORD componentBits)
{
    if (!clsid) return ERROR_INVALID_PARAMETER;
    ClsidText key(clsid);
    DWORD registered = 0;
    if (ReadRegisteredVersion(key.text, &registered) && registered > version) return 1;

    CVU_WriteRegDataA(HKEY_CLASSES_ROOT, "CLSID", key.text, nullptr, "dwVersion", &version, sizeof version,
                      REG_DWORD);
    if (description)
        CVU_WriteRegDataA(HKEY_CLASSES_ROOT, "CLSID", key.text, nullptr, nullptr, description,
                          static_cast<DWORD>(kor::StringSize(description)), REG_SZ);
    char file[MAX_PATH] = "";
    GetModuleFileNameA(module, file, sizeof file);
    file[sizeof file - 1] = '\0';
    CVU_WriteRegDataA(HKEY_CLASSES_ROOT, "CLSID", key.text, "InProcServer32", nullptr, file,
                      static_cast<DWORD>(kor::StringSize(file)), REG_SZ);
    static const char kModel[] = "Apartment";
    CVU_WriteRegDataA(HKEY_CLASSES_ROOT, "CLSID", key.text, "InProcServer32", "ThreadingModel", kModel,
                      sizeof kModel, REG_SZ);
    SetComponentInstalled(componentBits, TRUE);
    return 0;
}

extern "C" DWORD WINAPI CVU_UnregBasicServer(const CLSID *clsid, DWORD version, DWORD componentBits,
                                             BOOL keepRegistration)
{
    if (!clsid) return ERROR_INVALID_PARAMETER;
    ClsidText key(clsid);
    DWORD registered = 0;
    if (ReadRegisteredVersion(key.text, &registered) && registered > version) return 1;
    if (keepRegistration) return 0;

    // Child first: the parent must have no subkeys left.
    CVU_DeleteRegKeyA(HKEY_CLASSES_ROOT, "CLSID", key.text, nullptr, "InProcServer32");
    CVU_DeleteRegKeyA(HKEY_CLASSES_ROOT, "CLSID", nullptr, nullptr, key.text);
    SetComponentInstalled(componentBits, FALSE);
    return 0;
}

extern "C" void WINAPI CVU_RegisterComponents(void) { CallComponentEntry("DllRegisterServer"); }

extern "C" void WINAPI CVU_UnregisterComponents(void) { CallComponentEntry("DllUnregisterServer"); }
