// Sealed blocks, exported by ordinal only (88 and 89).
#include <windows.h>

#include "services/portable/sealed.h"
#include "services/services.h"

extern "C" BOOL WINAPI CVU_SealBlock(BYTE *out, DWORD outSize, const BYTE *in, DWORD inLength, DWORD *needed)
{
    uint32_t size = 0;
    BOOL ok = cvx::portable::SealBlock(out, outSize, in, inLength, GetTickCount(), &size);
    if (needed) *needed = size;
    return ok;
}

extern "C" BOOL WINAPI CVU_UnsealBlock(BYTE *out, DWORD outSize, const BYTE *in, DWORD inSize, DWORD *length)
{
    uint32_t n = 0;
    BOOL ok = cvx::portable::UnsealBlock(out, outSize, in, inSize, &n);
    if (length) *length = n;
    return ok;
}
