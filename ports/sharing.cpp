// Port sharing for the configuration applets: the shareable ports as texts,
// the hidden default pool, and sharing a port in one call.
#include <cstring>

#include "cvxutil.h"
#include "frame/configstore.h"
#include "korutil/korutil.h"
#include "ports/portlist.h"
#include "resources/resids.h"
#include "server/lines.h"

using namespace cvx;

namespace {

constexpr char kHiddenPool[] = "_CALVEX";
// Ports that can be offered for sharing.
constexpr DWORD kShareableMask = PORTF_LOCAL;
constexpr int kModemTextSize = sizeof(SharedPortParams{}.modem);
// The new line's name as a list of one, for CVU_ModifyGroupLinesA.
constexpr size_t kLineListSize = 40;

// The shareable entry whose name (Windows 95: description) is port.
bool FindShareablePort(const char *port, PortEnumRecord *entry)
{
    bool win95 = CVU_IsWin95OS() != FALSE;
    bool found = false;
    CVU_StartPortEnum();
    for (WORD index = 0; !found && CVU_EnumPorts(&index, kShareableMask, entry) == 0;)
        found = kor::CompareNoCase(win95 ? entry->description : entry->portName, port) == 0;
    CVU_EndPortEnum();
    return found;
}

}  // namespace

extern "C" INT WINAPI CVU_GetCommPortsA(INT index, LPSTR text, DWORD *isShared)
{
    if (!text) return -1;
    if (index == 0) CVU_StartPortEnum();
    if (index < 0) {
        CVU_EndPortEnum();
        return -1;
    }
    WORD position = static_cast<WORD>(index);
    PortEnumRecord entry;
    if (CVU_EnumPorts(&position, kShareableMask, &entry) != 0) {
        CVU_EndPortEnum();
        return -1;
    }
    // On Windows 95 a port handed to the redirector shows the name it had
    // before.
    if (!CVU_IsWin95OS())
        kor::CopyStringLimited(entry.portName, text, sizeof entry.description);
    else if (!ReadSavedFriendlyName(entry.portName, text))
        kor::CopyStringLimited(entry.description, text, sizeof entry.description);
    if (isShared) *isShared = (entry.flags & PORTF_SHARED) ? 1 : 0;
    return position;
}

extern "C" LPSTR WINAPI CVU_GetDefaultHiddenPool(LPSTR buffer)
{
    if (!buffer) return nullptr;
    std::memcpy(buffer, kHiddenPool, sizeof kHiddenPool);
    return buffer;
}

extern "C" BOOL WINAPI CVU_ShareCommPortA(LPCSTR port)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call || !port) return FALSE;
    SharedPortParams params{};
    CVU_GetDefaultPortConfig(&params.config);

    PortEnumRecord entry;
    if (!FindShareablePort(port, &entry)) return FALSE;
    if (entry.flags & PORTF_SHARED) return TRUE;

    kor::CopyStringLimited(entry.portName, params.portName, sizeof params.portName);
    LoadModuleString(IDS_DEFAULT_MODEM, params.modem, kModemTextSize);
    CVU_GetDefaultShareName(params.portName, params.shareName);
    char pool[kShareNameSize];
    CVU_GetPoolName(pool, FALSE);
    if (!CVU_ShareNewPort(&params)) return FALSE;

    char line[kLineListSize] = {};
    kor::CopyStringLimited(params.shareName, line, sizeof params.shareName);
    CVU_AddGroupA(pool, nullptr, FALSE);
    CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, pool, line);
    CVU_AddGroupA(kHiddenPool, nullptr, FALSE);
    CVU_ModifyGroupLinesA(CVU_GL_ADDALLLINES, kHiddenPool, nullptr);
    return call.Finish(TRUE, FALSE);
}
