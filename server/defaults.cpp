// What the configuration applet offers for a new line: the default serial
// settings, share name and pool name, and the tests that keep share and
// pool names distinct.
#include <cstdio>
#include <cstring>

#include "frame/configstore.h"
#include "frame/frame.h"
#include "groups/groups.h"
#include "korutil/korutil.h"
#include "resources/resids.h"
#include "server/lines.h"
#include "server/portable/placeholders.h"

using namespace cvx;

namespace {

// Formats are loaded into the buffers that bound their results.
constexpr int kShareFormatSize = 15;
constexpr int kPoolTextSize = 17;
constexpr unsigned kPoolCandidates = 99;
// Every retry of a share name puts a new number in front, so the names
// tried are distinct and the lines can take only so many of them; the bound
// only keeps a broken file from holding the caller for long.
constexpr unsigned kShareNameRetries = 100000;

}  // namespace

extern "C" void WINAPI CVU_GetDefaultPortConfig(PortConfig *config)
{
    if (!config) return;
    std::memset(config, 0, sizeof *config);
    config->baudRate = 9600;
    config->parity = CVU_PARITY_NONE;
    config->dataBits = 8;
    config->stopBits = CVU_STOPBITS_1;
    config->flow = CVU_FLOW_HARDWARE;
}

extern "C" BOOL WINAPI CVU_DoesPoolNameExist(LPCSTR name)
{
    ConfigCall call(ConfigCall::Mode::Read);
    // Looked up directly rather than in a listing of every group, which a
    // fixed buffer would cut short on a server with many groups.
    if (!name) return FALSE;
    return FindGroup(name, nullptr, GetServerConfigFile()) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI CVU_GetPoolName(LPSTR buffer, BOOL generate)
{
    ConfigCall call(ConfigCall::Mode::Read);
    if (!buffer) return FALSE;
    buffer[0] = '\0';
    if (generate) {
        char format[kPoolTextSize], server[kPoolTextSize];
        LoadModuleString(IDS_POOL_NAME_FMT, format, sizeof format);
        // The server name gives way so that the name and a two-digit
        // number fill at most 16 characters.
        size_t room = 18 - std::strlen(format);
        CVU_GetServerName(server);
        if (!server[0]) LoadModuleString(IDS_POOL_SERVERNAME, server, sizeof server);
        if (std::strlen(server) > room) server[room] = '\0';
        for (unsigned i = 1; format[0] && i <= kPoolCandidates; ++i) {
            char candidate[kPoolTextSize] = {};
            portable::FillFormat(format, server, i, candidate, sizeof candidate);
            if (!CVU_DoesPoolNameExist(candidate)) {
                std::memcpy(buffer, candidate, sizeof candidate);
                return TRUE;
            }
        }
    }
    LoadModuleString(IDS_DEFAULT_POOL, buffer, kPoolTextSize);
    return FALSE;
}

extern "C" BOOL WINAPI CVU_IsShareNameInUse(LPCSTR portName, LPCSTR shareName)
{
    ConfigCall call(ConfigCall::Mode::Read);
    if (kor::IsEmptyString(shareName)) return FALSE;
    const char *file = GetServerConfigFile();
    DWORD count = CountLines(file);
    for (DWORD n = 1; n <= count; ++n) {
        char section[kLineSectionSize], port[kComparedNameSize], name[kComparedNameSize];
        LineSectionName(section, n);
        ReadProfileText(section, "PORTNAME", "", port, sizeof port, file);
        // A port's own line never makes its name taken.
        if (!port[0] || kor::CompareNoCase(port, portName) == 0) continue;
        ReadProfileText(section, "NAME", "", name, sizeof name, file);
        if (name[0] && kor::CompareNoCase(name, shareName) == 0) return TRUE;
    }
    return FALSE;
}

extern "C" void WINAPI CVU_GetDefaultShareName(LPCSTR portName, LPSTR buffer)
{
    ConfigCall call(ConfigCall::Mode::Read);
    if (!portName || !buffer) return;
    char format[kShareFormatSize];
    LoadModuleString(IDS_SHARE_NAME_FMT, format, sizeof format);
    portable::FillFormat(format, nullptr, PortNumber16(portName), buffer, kShareNameSize);
    for (unsigned k = 2; k < kShareNameRetries && CVU_IsShareNameInUse(portName, buffer); ++k) {
        char retry[kComparedNameSize];
        std::snprintf(retry, sizeof retry, "%u%s", k, buffer);
        kor::CopyStringLimited(retry, buffer, kShareNameSize);
    }
}
