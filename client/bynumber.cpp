// Redirection by bare port number: COM<n> to the default pool, and the
// lowest number free for a new redirection.
#include <cstdio>

#include "cvxutil.h"
#include "frame/configstore.h"
#include "server/lines.h"

namespace {

// Every port whose number is taken: this machine's, the lines', the
// redirected ones.
constexpr DWORD kTakenMask = PORTF_LOCAL | PORTF_REDIRECTED | PORTF_LINE;

}  // namespace

extern "C" BOOL WINAPI CVU_RedirectPortByNumber(INT port)
{
    cvx::ConfigCall call(cvx::ConfigCall::Mode::Change);
    if (!call || port < 1) return FALSE;
    char portName[cvx::kPortNameSize], pool[cvx::kShareNameSize];
    std::snprintf(portName, sizeof portName, "COM%u", static_cast<unsigned>(port));
    CVU_GetPoolName(pool, FALSE);
    return call.Finish(CVU_SetClientRedirection(portName, pool), FALSE);
}

extern "C" INT WINAPI CVU_GetNextRedirectedPort(INT first)
{
    cvx::ConfigCall call(cvx::ConfigCall::Mode::Read);
    CVU_StartPortEnum();
    DWORD candidate = first < 1 ? 1 : static_cast<DWORD>(first);
    // Every hit starts the walk again, so the answer does not depend on the
    // order of the list: it ends after a pass that met the candidate nowhere.
    PortEnumRecord entry;
    WORD index = 0;
    while (CVU_EnumPorts(&index, kTakenMask, &entry) == 0) {
        if (entry.portNumber != static_cast<WORD>(candidate)) continue;
        ++candidate;
        index = 0;
    }
    CVU_EndPortEnum();
    return static_cast<INT>(candidate);
}
