// Platform, product key, install directory, CVEX.INI and the small profile
// helpers that the configuration subsystems share.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/configstore.h"
#include "frame/frame.h"
#include "korutil/korutil.h"

namespace cvx {
namespace {

constexpr WORD kPlatformWin95 = 1;
constexpr WORD kPlatformNT = 0x1000;
WORD volatile g_platform;

char g_configFile[MAX_PATH];
LONG volatile g_configFilled;

constexpr char kDosDevices[] = "\\DosDevices\\";
constexpr size_t kDosDevicesLen = sizeof kDosDevices - 1;

}  // namespace

const char *ProductKeyPath()
{
    return CVU_IsWin95OS() ? "Software\\Quillon\\Calvex" : "System\\CurrentControlSet\\Services\\Cvex\\Parameters";
}

LONG GetProductSetting(const char *name, void *buffer, DWORD size, DWORD type)
{
    return CVU_GetRegDataA(HKEY_LOCAL_MACHINE, ProductKeyPath(), nullptr, nullptr, name, buffer, size, type);
}

BOOL GetInstallDirectory(char destination[MAX_PATH])
{
    // Room for the prefix, the longest directory and one character more, so
    // that a value too long for the destination is noticed instead of being
    // cut into another path.
    char directory[kDosDevicesLen + MAX_PATH + 2] = "";
    GetProductSetting("Directory", directory, sizeof directory - 2, REG_SZ);
    directory[sizeof directory - 2] = '\0';
    size_t len = std::strlen(directory);
    if (len == 0) return FALSE;
    if (directory[len - 1] != '\\') {
        directory[len++] = '\\';
        directory[len] = '\0';
    }
    const char *text = directory;
    if (len >= kDosDevicesLen && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, directory,
                                                int(kDosDevicesLen), kDosDevices, int(kDosDevicesLen)) == CSTR_EQUAL)
        text += kDosDevicesLen;
    if (std::strlen(text) >= MAX_PATH) return FALSE;
    kor::CopyStringLimited(text, destination, MAX_PATH);
    return TRUE;
}

const char *GetServerConfigFile()
{
    if (!g_configFilled) {
        char path[MAX_PATH];
        // An install directory too long for the name counts as absent.
        if (!GetInstallDirectory(path) || !AppendFileName(path, "CVEX.INI")) BuildComponentPath(path, "CVEX.INI");
        // Every thread computes the same text, so a race only copies it twice.
        kor::CopyStringLimited(path, g_configFile, sizeof g_configFile);
        g_configFilled = 1;
    }
    return g_configFile;
}

BOOL WriteProfileUInt(const char *section, const char *key, DWORD value, const char *file)
{
    char text[12];
    portable::FormatUInt(text, value);
    return WriteProfileText(section, key, text, file);
}

BOOL ListSectionKeys(const char *section, char *buffer, DWORD size, DWORD *count, const char *file)
{
    if (count) *count = 0;
    if (!buffer || size < 16) return FALSE;
    std::vector<std::string> keys = ProfileKeys(section, file);
    size_t listSize = 1;
    for (const std::string &key : keys) listSize += key.size() + 1;
    size_t arrayBytes = (keys.size() + 1) * sizeof(char *);
    if (arrayBytes + listSize > size) return FALSE;
    char **array = reinterpret_cast<char **>(buffer);
    char *text = buffer + arrayBytes;
    for (const std::string &key : keys) {
        *array++ = text;
        std::memcpy(text, key.c_str(), key.size() + 1);
        text += key.size() + 1;
    }
    *array = nullptr;
    *text = '\0';
    if (count) *count = static_cast<DWORD>(keys.size());
    return TRUE;
}

BOOL CopySection(const char *destination, const char *source, const char *const *keys, const char *file)
{
    std::vector<std::string> listed;
    if (!keys) listed = ProfileKeys(source, file);
    auto copy = [&](const char *key) {
        std::string value = ProfileValue(source, key, kAbsentMarker, file);
        WriteProfileText(destination, key, value == kAbsentMarker ? nullptr : value.c_str(), file);
    };
    if (keys) {
        for (; *keys; ++keys)
            if (**keys) copy(*keys);
    } else {
        for (const std::string &key : listed) copy(key.c_str());
    }
    return TRUE;
}

DWORD GetInstalledComponents()
{
    DWORD value = 0;
    if (GetProductSetting("dwInstalledValue", &value, sizeof value, REG_DWORD) != ERROR_SUCCESS) value = 0;
    return value;
}

void SetComponentInstalled(DWORD mask, BOOL installed)
{
    DWORD value = GetInstalledComponents();
    value = installed ? (value | mask) : (value & ~mask);
    CVU_WriteRegDataA(HKEY_LOCAL_MACHINE, ProductKeyPath(), nullptr, nullptr, "dwInstalledValue", &value,
                      sizeof value, REG_DWORD);
}

}  // namespace cvx

extern "C" BOOL WINAPI CVU_IsWin95OS(void)
{
    using namespace cvx;
    if (!g_platform) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
        GetVersionExA(&info);
        g_platform = info.dwPlatformId == VER_PLATFORM_WIN32_NT ? kPlatformNT : kPlatformWin95;
    }
    return g_platform == kPlatformWin95;
}

extern "C" BOOL WINAPI CVU_IsComponentInstalled(DWORD mask)
{
    return (cvx::GetInstalledComponents() & mask) != 0;
}
