// Inbound services: the current user's list of programs that serve calls
// coming in on the server's lines, one registry key per service.
#include <windows.h>

#include <cstring>
#include <utility>

#include "korutil/korutil.h"
#include "services/services.h"

namespace cvx {
namespace {

// Names are read into this much when searching and listing, so that a name
// stored by another writer is compared whole rather than cut to the field.
constexpr DWORD kSearchName = 64;
// Largest "Security" value: a sealed block of at most 244 bytes of text.
constexpr DWORD kSecurityValue = 256;

void ServiceKeyPath(char path[MAX_PATH], const char *keyName) { wsprintfA(path, "%s\\%s", kServicesKey, keyName); }

// Calls visit(serviceKey, keyName) for each subkey that opens for reading,
// in the registry's order, until visit returns false.
template <typename Visit>
void ForEachServiceKey(Visit visit)
{
    UniqueHkey services;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kServicesKey, 0, KEY_ENUMERATE_SUB_KEYS, services.put()) != ERROR_SUCCESS)
        return;
    char keyName[kServiceKeyName];
    for (DWORD index = 0;; ++index) {
        LONG rc = RegEnumKeyA(services.get(), index, keyName, sizeof keyName);
        // A foreign subkey with a longer name is no service, but must not
        // hide the services after it.
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        UniqueHkey service;
        if (RegOpenKeyExA(services.get(), keyName, 0, KEY_READ, service.put()) != ERROR_SUCCESS) continue;
        if (!visit(service.get(), keyName)) break;
    }
}

BOOL OpenService(const char *name, REGSAM access, UniqueHkey &key)
{
    char keyName[kServiceKeyName];
    if (!FindServiceKey(name, keyName)) return FALSE;
    char path[MAX_PATH];
    ServiceKeyPath(path, keyName);
    return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, key.put()) == ERROR_SUCCESS;
}

DWORD ListServices(DWORD kind, char *buffer, DWORD bufferSize, DWORD *listed)
{
    if (kind != IBS_ENUM_ALL && kind != IBS_ENUM_SELECTED) return ERROR_INVALID_PARAMETER;
    if (!kor::MultiSzInit(buffer, bufferSize)) return ERROR_INVALID_PARAMETER;
    DWORD rc = ERROR_SUCCESS;
    ForEachServiceKey([&](HKEY service, const char *) {
        char name[kSearchName];
        DWORD options = 0;
        kor::RegGetString(service, nullptr, "Name", "", name, sizeof name);
        if (kind == IBS_ENUM_SELECTED) kor::RegGetDword(service, nullptr, "Options", 0, &options);
        if (kor::IsEmptyString(name)) return true;
        if (kind == IBS_ENUM_SELECTED && !(options & IBS_OPTION_SELECTED)) return true;
        if (!kor::MultiSzAppend(name, buffer, bufferSize)) {
            rc = ERROR_INSUFFICIENT_BUFFER;
            return false;
        }
        ++*listed;
        return true;
    });
    return rc;
}

// Writes one string field of a caller's record; a field that fills its
// array without a terminator is cut so that it reads back into the field.
template <size_t N>
LONG WriteField(HKEY key, const char *value, const char (&field)[N])
{
    char text[N];
    kor::CopyStringLimited(field, text, N);
    return kor::RegSetString(key, nullptr, value, text);
}

BOOL WriteServiceRecord(HKEY key, const IbsServiceInfo *info)
{
    if (!info) return FALSE;
    if (WriteField(key, "Name", info->Name) != ERROR_SUCCESS) return FALSE;
    WriteField(key, "Description", info->Description);
    WriteField(key, "Program", info->Program);
    WriteField(key, "CmdLine", info->CmdLine);
    kor::RegSetDword(key, nullptr, "Options", info->Options);
    kor::RegSetDword(key, nullptr, "AccessTmo", info->AccessTmo);
    return TRUE;
}

BOOL ReadServiceRecord(HKEY key, void *buffer, DWORD bufferSize)
{
    if (!kor::CheckBuffer(buffer, bufferSize, sizeof(IbsServiceInfo))) return FALSE;
    auto *info = static_cast<IbsServiceInfo *>(buffer);
    std::memset(info, 0, sizeof *info);
    if (kor::RegGetString(key, nullptr, "Name", "", info->Name, sizeof info->Name) != ERROR_SUCCESS) return FALSE;
    kor::RegGetString(key, nullptr, "Description", "", info->Description, sizeof info->Description);
    kor::RegGetString(key, nullptr, "Program", "", info->Program, sizeof info->Program);
    kor::RegGetString(key, nullptr, "CmdLine", "", info->CmdLine, sizeof info->CmdLine);
    DWORD options = 0, accessTmo = 0;
    kor::RegGetDword(key, nullptr, "Options", 0, &options);
    kor::RegGetDword(key, nullptr, "AccessTmo", 0, &accessTmo);
    info->Options = options;
    info->AccessTmo = accessTmo;
    return TRUE;
}

// The stored security text includes its terminating zero (KorStringSize
// counts it): a reader whose buffer holds the stored bytes gets a terminated
// text without clearing its buffer first. The longest text that fits a
// "Security" value is thus 256 - 12 - 1 = 243 characters.
BOOL WriteSecurity(HKEY key, const char *text)
{
    if (!text) text = "";
    size_t n = kor::StringSize(text);
    if (n > kSecurityValue) return FALSE;
    BYTE block[kSecurityValue];
    DWORD size = 0;
    if (!CVU_SealBlock(block, sizeof block, reinterpret_cast<const BYTE *>(text), static_cast<DWORD>(n), &size))
        return FALSE;
    return RegSetValueExA(key, "Security", 0, REG_BINARY, block, size) == ERROR_SUCCESS;
}

BOOL ReadSecurity(HKEY key, void *buffer, DWORD bufferSize)
{
    if (!kor::CheckBuffer(buffer, bufferSize, 1)) return FALSE;
    BYTE block[kSecurityValue] = {};
    DWORD size = sizeof block;
    LONG rc = RegQueryValueExA(key, "Security", nullptr, nullptr, block, &size);
    // No security text: the caller's buffer keeps what it held.
    if (rc == ERROR_FILE_NOT_FOUND) return TRUE;
    if (rc != ERROR_SUCCESS) return FALSE;
    auto *text = static_cast<BYTE *>(buffer);
    DWORD n = 0;
    if (!CVU_UnsealBlock(text, bufferSize, block, size, &n)) return FALSE;
    // A text sealed without its zero (by another writer) still reaches the
    // caller terminated when the buffer has room for it.
    if ((n == 0 || text[n - 1] != '\0') && n < bufferSize) text[n] = '\0';
    return TRUE;
}

}  // namespace

BOOL FindServiceKey(const char *name, char keyName[kServiceKeyName])
{
    // Keys with an empty or missing "Name" are never found.
    if (kor::IsEmptyString(name)) return FALSE;
    BOOL found = FALSE;
    ForEachServiceKey([&](HKEY service, const char *subkey) {
        char stored[kSearchName];
        kor::RegGetString(service, nullptr, "Name", "", stored, sizeof stored);
        if (kor::CompareNoCase(stored, name) != 0) return true;
        kor::CopyStringLimited(subkey, keyName, kServiceKeyName);
        found = TRUE;
        return false;
    });
    return found;
}

BOOL CreateServiceKey(UniqueHkey &key, char keyName[kServiceKeyName])
{
    for (int number = 0; number < kMaxServices; ++number) {
        char name[kServiceKeyName], path[MAX_PATH];
        wsprintfA(name, "ibs%02d", number);
        ServiceKeyPath(path, name);
        // The number belongs to whichever process's call creates the key.
        UniqueHkey created;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            created.put(), &disposition) != ERROR_SUCCESS)
            return FALSE;
        if (disposition == REG_CREATED_NEW_KEY) {
            key = std::move(created);
            kor::CopyStringLimited(name, keyName, kServiceKeyName);
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace cvx

using namespace cvx;

extern "C" BOOL WINAPI CVU_IbsDoesServiceExist(LPCSTR name)
{
    char keyName[kServiceKeyName];
    return FindServiceKey(name, keyName);
}

extern "C" DWORD WINAPI CVU_IbsEnumServices(DWORD kind, DWORD reserved, LPSTR buffer, DWORD bufferSize,
                                            DWORD *count)
{
    DWORD listed = 0;
    DWORD rc = ListServices(kind, buffer, bufferSize, &listed);
    if (count) *count = listed;
    return rc;
}

extern "C" BOOL WINAPI CVU_IbsCreateService(LPCSTR name, LPCSTR description, LPCSTR program, LPCSTR cmdLine,
                                            DWORD options, LPCSTR security, DWORD accessTmo, BOOL replace)
{
    if (!name || !program) return FALSE;
    if (!replace && CVU_IbsDoesServiceExist(name)) return FALSE;

    IbsServiceInfo info = {};
    kor::CopyStringLimited(name, info.Name, sizeof info.Name);
    kor::CopyStringLimited(description, info.Description, sizeof info.Description);
    kor::CopyStringLimited(program, info.Program, sizeof info.Program);
    kor::CopyStringLimited(cmdLine, info.CmdLine, sizeof info.CmdLine);
    info.Options = options;
    info.AccessTmo = accessTmo;
    if (!CVU_IbsSetServiceInfo(name, IBS_INFO_SERVICE, &info, TRUE)) return FALSE;
    // The service stands once its record is stored; a security text that
    // cannot be sealed or found under a cut name does not undo it.
    CVU_IbsSetServiceInfo(name, IBS_INFO_SECURITY, security, FALSE);
    return TRUE;
}

extern "C" BOOL WINAPI CVU_IbsAddService(LPCSTR name, const IbsServiceInfo *info)
{
    return CVU_IbsSetServiceInfo(name, IBS_INFO_SERVICE, info, TRUE);
}

extern "C" BOOL WINAPI CVU_IbsDeleteService(LPCSTR name)
{
    char keyName[kServiceKeyName];
    if (!FindServiceKey(name, keyName)) return FALSE;
    char path[MAX_PATH];
    ServiceKeyPath(path, keyName);
    return RegDeleteKeyA(HKEY_CURRENT_USER, path) == ERROR_SUCCESS;
}

extern "C" BOOL WINAPI CVU_IbsGetServiceInfo(LPCSTR name, DWORD infoType, void *buffer, DWORD bufferSize)
{
    UniqueHkey key;
    if (!OpenService(name, KEY_READ, key)) return FALSE;
    switch (infoType) {
    case IBS_INFO_SERVICE:
        return ReadServiceRecord(key.get(), buffer, bufferSize);
    case IBS_INFO_SECURITY:
        return ReadSecurity(key.get(), buffer, bufferSize);
    default:
        return FALSE;
    }
}

extern "C" BOOL WINAPI CVU_IbsSetServiceInfo(LPCSTR name, DWORD infoType, const void *data, BOOL create)
{
    UniqueHkey key;
    if (!OpenService(name, KEY_ALL_ACCESS, key)) {
        char keyName[kServiceKeyName];
        // The key is made before the request is looked at, so a refused
        // request can still leave an empty key behind.
        if (!create || !CreateServiceKey(key, keyName)) return FALSE;
    }
    switch (infoType) {
    case IBS_INFO_SERVICE:
        return WriteServiceRecord(key.get(), static_cast<const IbsServiceInfo *>(data));
    case IBS_INFO_SECURITY:
        return WriteSecurity(key.get(), static_cast<const char *>(data));
    default:
        return FALSE;
    }
}
