// Internal interface of the inbound services and sealed blocks.
#pragma once
#include <windows.h>

#include "cvxutil.h"
#include "frame/owners.h"

// Exported by ordinal only (88 and 89), so the public header names them as
// pointer types; the library calls them directly.
extern "C" BOOL WINAPI CVU_SealBlock(BYTE *out, DWORD outSize, const BYTE *in, DWORD inLength, DWORD *needed);
extern "C" BOOL WINAPI CVU_UnsealBlock(BYTE *out, DWORD outSize, const BYTE *in, DWORD inSize, DWORD *length);

namespace cvx {

// HKEY_CURRENT_USER path of the list of inbound services, the same on every
// platform.
inline constexpr char kServicesKey[] = "Software\\Quillon\\Calvex\\InBound Services\\Services";

// Key names are "ibs00" to "ibs99".
inline constexpr int kMaxServices = 100;
inline constexpr DWORD kServiceKeyName = 16;

// Name of the subkey whose "Name" equals name (case ignored); FALSE when no
// service has that name.
BOOL FindServiceKey(const char *name, char keyName[kServiceKeyName]);
// Creates the lowest-numbered service key that does not exist yet; FALSE
// when all are taken or the registry refuses.
BOOL CreateServiceKey(UniqueHkey &key, char keyName[kServiceKeyName]);

}  // namespace cvx
