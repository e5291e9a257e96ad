// Client port redirection: sections CLIENT and DESC of CVEX.INI.
#include "client/redirect.h"

#include <cstdio>
#include <cstring>

#include "frame/configstore.h"
#include "frame/frame.h"
#include "korutil/korutil.h"
#include "ports/driver95.h"
#include "resources/resids.h"

namespace cvx {
namespace {

constexpr char kClientSection[] = "CLIENT";
constexpr char kDescSection[] = "DESC";
constexpr char kPortListKey[] = "REDIRECTPORTS";
constexpr DWORD kDescriptionSize = 100;
// The longest list that can be written: 30 numbers of ten digits, commas,
// parentheses. Reading fewer characters would cut a list of long numbers
// and write the cut list back on the next change.
constexpr DWORD kPortListSize = kMaxRedirectedPorts * 11 + 2;

void FormatDescKey(char key[kPortKeySize], LONG port)
{
    std::snprintf(key, kPortKeySize, "Port%luDesc", static_cast<unsigned long>(port));
}

// The port's COM<n>DEST (empty when absent); FALSE for a name without a
// port number.
BOOL ReadDestination(const char *portName, char destination[kDestinationSize], const char *file)
{
    destination[0] = '\0';
    char key[kPortKeySize];
    if (GetPortDestKey(portName, key) < 1) return FALSE;
    ReadProfileText(kClientSection, key, "", destination, kDestinationSize, file);
    return TRUE;
}

}  // namespace

LONG GetPortDestKey(const char *portName, char *key)
{
    LONG port = portable::PortNumberFromName(portName);
    if (port >= 1 && key) std::snprintf(key, kPortKeySize, "COM%luDEST", static_cast<unsigned long>(port));
    return port;
}

BOOL IsPortRedirected(const char *portName, const char *file)
{
    char destination[kDestinationSize];
    return ReadDestination(portName, destination, file) && destination[0] != '\0';
}

BOOL IsPortRedirectedTo(const char *portName, const char *destination, const char *file)
{
    char current[kDestinationSize];
    return ReadDestination(portName, current, file) && kor::CompareNoCase(current, destination) == 0;
}

void RenamePortRedirection(const char *portName, const char *oldDestination, const char *newDestination,
                           const char *file)
{
    char key[kPortKeySize];
    if (!IsPortRedirectedTo(portName, oldDestination, file)) return;
    GetPortDestKey(portName, key);
    WriteProfileText(kClientSection, key, newDestination, file);
}

DWORD ReadRedirectedPorts(DWORD ports[kMaxRedirectedPorts], const char *file)
{
    char text[kPortListSize];
    ReadProfileText(kClientSection, kPortListKey, "", text, sizeof text, file);
    static_assert(sizeof(DWORD) == sizeof(uint32_t));
    return static_cast<DWORD>(
        portable::ParsePortList(text, reinterpret_cast<uint32_t *>(ports), kMaxRedirectedPorts));
}

BOOL UpdateRedirectedPorts(DWORD port, BOOL add, const char *file)
{
    DWORD ports[kMaxRedirectedPorts];
    DWORD count = ReadRedirectedPorts(ports, file);
    // A full list refuses even a port it already holds.
    if (add && count >= kMaxRedirectedPorts) return FALSE;

    DWORD index = 0;
    while (index < count && ports[index] != port) ++index;
    bool found = index < count;
    if (found == bool(add)) return TRUE;
    if (add) {
        ports[count++] = port;
    } else {
        std::memmove(&ports[index], &ports[index + 1], (count - index - 1) * sizeof ports[0]);
        --count;
    }

    if (count == 0) return WriteProfileText(kClientSection, nullptr, nullptr, file);
    char text[kPortListSize];
    portable::FormatPortList(reinterpret_cast<const uint32_t *>(ports), count, text, sizeof text);
    return WriteProfileText(kClientSection, kPortListKey, text, file);
}

}  // namespace cvx

using namespace cvx;

extern "C" BOOL WINAPI CVU_SetClientRedirectionEx(LPCSTR portName, LPCSTR destination, TextRef description)
{
    ConfigCall call(ConfigCall::Mode::Change);
    char destKey[kPortKeySize];
    LONG port = GetPortDestKey(portName, destKey);
    if (!call || port < 1) return FALSE;

    BOOL add = !kor::IsEmptyString(destination);
    char textBuffer[kTextBuffer];
    const char *descriptionText = add ? ResolveText(description, textBuffer) : nullptr;

    // On Windows 95 the port's device goes to the redirector first; the file
    // records only what the device tree agrees with.
    if (CVU_IsWin95OS() && !RedirectPortDriver(portName, add)) return FALSE;

    const char *file = GetServerConfigFile();
    if (!UpdateRedirectedPorts(static_cast<DWORD>(port), add, file)) return FALSE;

    char descKey[kPortKeySize];
    FormatDescKey(descKey, port);
    WriteProfileText(kClientSection, destKey, destination, file);
    WriteProfileText(kDescSection, descKey, descriptionText, file);
    return call.Finish(TRUE, FALSE);
}

extern "C" BOOL WINAPI CVU_SetClientRedirection(LPCSTR portName, LPCSTR destination)
{
    return CVU_SetClientRedirectionEx(portName, destination, CVU_TEXTID(IDS_REDIRECT_DESC));
}

extern "C" BOOL WINAPI CVU_GetClientPortParams(LPCSTR portName, ClientPortParams *params)
{
    ConfigCall call(ConfigCall::Mode::Read);
    const char *file = GetServerConfigFile();
    if (!IsPortRedirected(portName, file)) return FALSE;
    if (!params) return TRUE;

    std::memset(params, 0, sizeof *params);
    char destKey[kPortKeySize], descKey[kPortKeySize];
    LONG port = GetPortDestKey(portName, destKey);
    if (port < 1) return FALSE;
    FormatDescKey(descKey, port);
    ReadProfileText(kClientSection, destKey, "", params->destination, sizeof params->destination, file);
    ReadProfileText(kDescSection, descKey, "", params->description, sizeof params->description, file);
    return TRUE;
}
