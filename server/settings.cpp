// Server common settings in CVEX.INI: name, buffer and log space, invalid
// connection time, start status, transport and IPX segmentation.
#include <windows.h>

#include "frame/configstore.h"
#include "frame/frame.h"
#include "frame/owners.h"
#include "korutil/korutil.h"

namespace cvx {
namespace {

constexpr char kCommon[] = "COMMON";
constexpr char kServer[] = "SERVER";

constexpr INT kBufferSpaceMin = 6144, kBufferSpaceMax = 999999;
constexpr INT kLogSpaceMin = 0, kLogSpaceMax = 8192;
constexpr INT kTimeoutMin = 1, kTimeoutMax = 99;
constexpr INT kLinesMax = 100;
constexpr INT kNetworksDefault = 2;
constexpr DWORD kServerNameSize = 17;

bool InRange(INT value, INT low, INT high) { return value >= low && value <= high; }

INT ReadInt(const char *section, const char *key, INT fallback)
{
    return static_cast<INT>(ReadProfileUInt(section, key, fallback, GetServerConfigFile()));
}

BOOL WriteInt(const char *section, const char *key, INT value)
{
    return WriteProfileUInt(section, key, static_cast<DWORD>(value), GetServerConfigFile());
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" INT WINAPI CVU_GetServerName(LPSTR buffer)
{
    if (!buffer) return 0;
    buffer[0] = '\0';
    return static_cast<INT>(
        ReadProfileText(kCommon, "NAME", "SERVER", buffer, kServerNameSize, GetServerConfigFile()));
}

extern "C" BOOL WINAPI CVU_SetServerName(LPCSTR name)
{
    return WriteProfileText(kCommon, "NAME", name, GetServerConfigFile());
}

extern "C" INT WINAPI CVU_GetBufferSpace(void)
{
    ConfigCall call(ConfigCall::Mode::Read);
    INT value = ReadInt(kCommon, "BUFFERSPACE", kBufferSpaceMin);
    if (InRange(value, kBufferSpaceMin, kBufferSpaceMax)) return value;
    CVU_SetBufferSpace(kBufferSpaceMin);
    return kBufferSpaceMin;
}

extern "C" BOOL WINAPI CVU_SetBufferSpace(INT value)
{
    if (!InRange(value, kBufferSpaceMin, kBufferSpaceMax)) return FALSE;
    return WriteInt(kCommon, "BUFFERSPACE", value);
}

extern "C" INT WINAPI CVU_GetServerStatus(void)
{
    char text[40];
    ReadProfileText(kServer, "START", "ACTIVE", text, sizeof text, GetServerConfigFile());
    if (kor::CompareNoCase(text, "ACTIVE") == 0) return CVU_SERVER_ACTIVE;
    if (kor::CompareNoCase(text, "INACTIVE") == 0) return CVU_SERVER_INACTIVE;
    return CVU_SERVER_NOSTART;
}

extern "C" BOOL WINAPI CVU_SetServerStatus(INT status)
{
    const char *text = status == CVU_SERVER_ACTIVE ? "ACTIVE" : status == CVU_SERVER_INACTIVE ? "INACTIVE" : "NO";
    return WriteProfileText(kServer, "START", text, GetServerConfigFile());
}

extern "C" INT WINAPI CVU_GetNumServerPorts(void)
{
    // The line count belongs to the shared lines, which repair it themselves.
    INT lines = ReadInt(kServer, "LINES", 0);
    return InRange(lines, 0, kLinesMax) ? lines : 0;
}

extern "C" INT WINAPI CVU_GetLogBuffSize(void)
{
    ConfigCall call(ConfigCall::Mode::Read);
    INT value = ReadInt(kServer, "LOGSPACE", kLogSpaceMin);
    if (InRange(value, kLogSpaceMin, kLogSpaceMax)) return value;
    CVU_SetLogBuffSize(kLogSpaceMin);
    return kLogSpaceMin;
}

extern "C" BOOL WINAPI CVU_SetLogBuffSize(INT value)
{
    if (!InRange(value, kLogSpaceMin, kLogSpaceMax)) return FALSE;
    return WriteInt(kServer, "LOGSPACE", value);
}

extern "C" INT WINAPI CVU_GetInvalidConTime(void)
{
    ConfigCall call(ConfigCall::Mode::Read);
    INT value = ReadInt(kServer, "TIMEOUT", kTimeoutMin);
    if (InRange(value, kTimeoutMin, kTimeoutMax)) return value;
    CVU_SetInvalidConTime(kTimeoutMin);
    return kTimeoutMin;
}

extern "C" BOOL WINAPI CVU_SetInvalidConTime(INT value)
{
    if (!InRange(value, kTimeoutMin, kTimeoutMax)) return FALSE;
    return WriteInt(kServer, "TIMEOUT", value);
}

extern "C" INT WINAPI CVU_GetTransportMethod(void)
{
    // The IPX binding is looked at on Windows NT, but no transport code other
    // than 0 has ever been assigned to it.
    if (!CVU_IsWin95OS()) {
        UniqueHkey binding;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Cvex\\Linkage\\BindIPX", 0,
                      KEY_QUERY_VALUE, binding.put());
    }
    return 0;
}

extern "C" INT WINAPI CVU_GetIPXSegmentMethod(void)
{
    ConfigCall call(ConfigCall::Mode::Read);
    if (CVU_GetTransportMethod() == 0) return 0;
    INT method = ReadInt(kCommon, "NETWORKS", kNetworksDefault);
    if (method == 1 || method == 2) return method;
    CVU_SetIPXSegmentMethod(kNetworksDefault);
    return kNetworksDefault;
}

extern "C" BOOL WINAPI CVU_SetIPXSegmentMethod(INT method)
{
    if (method != 1 && method != 2) return FALSE;
    return WriteInt(kCommon, "NETWORKS", method);
}
