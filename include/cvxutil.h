/*
 * cvxutil.h - public interface of CVXUTIL.DLL, the shared utility library
 * of Calvex.
 *
 * Every export uses the standard calling convention and plain types. Records
 * that cross the interface are byte-packed with fixed sizes; their sizes are
 * checked at compile time so that 32-bit and 64-bit callers agree with the
 * library.
 *
 * Result conventions: registry, group and inter-process functions return
 * Windows error codes (0 = success) or the library's own codes below;
 * configuration, port and service functions return non-zero for success.
 */
#ifndef CVXUTIL_H
#define CVXUTIL_H

#include <windows.h>
#include <objbase.h>

#ifdef CVXUTIL_BUILD
#define CVXAPI
#else
#define CVXAPI __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * A text argument: NULL for none, a string id of the resource module
 * (below 0x10000, see CVU_TEXTID), or the address of a zero-terminated
 * string. Pointer-sized in both builds.
 */
typedef const char *TextRef;
#define CVU_TEXTID(id) ((TextRef)(ULONG_PTR)(WORD)(id))
#define CVU_IS_TEXTID(t) (((ULONG_PTR)(t)) < 0x10000)

/* The library's own result codes: customer bit, facility 0x0E. */
#define CVU_E_DUPTRIGGER 0x200E0008u /* duplicate trigger character */
#define CVU_E_MAPVIEW    0x200E0190u /* a view of an existing block could not be mapped */
#define CVU_E_NOTFOUND   0x200E0191u /* no such block: one of its named objects is missing */
#define CVU_E_BADHEADER  0x200E0192u /* the block's header does not add up */
#define CVU_E_LOCK       0x200E0193u /* a mutex wait ended without ownership, or a release failed */
#define CVU_E_NOTOWNER   0x200E0194u /* the handle belongs to another process */
#define CVU_E_NOENTRY    0x200E0195u /* no table entry of that name */

/* ---- Resource module ---------------------------------------------------- */

/* Handle of the per-language resource module CV32_<lang>.DLL, loaded on
 * first use; NULL when none could be loaded. showErrors allows the two
 * message boxes of the load. The library owns the handle. */
CVXAPI HINSTANCE WINAPI CVU_GetResourceInstance(BOOL showErrors);

/* ---- Registry and COM registration ---------------------------------------- */

/* Writes a value under root\part1\part2\part3 (NULL or empty parts are
 * skipped), creating missing keys. Returns a Windows error code. */
CVXAPI LONG WINAPI CVU_WriteRegDataA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3,
                                     LPCSTR valueName, const void *data, DWORD size, DWORD type);
/* Reads a value; 1010 when its type differs from expectedType (the data is
 * in the buffer all the same); a value longer than the buffer is cut to fit
 * and gives 0. */
CVXAPI LONG WINAPI CVU_GetRegDataA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3,
                                   LPCSTR valueName, void *buffer, DWORD size, DWORD expectedType);
/* Deletes the named subkey of root\part1\part2\part3. */
CVXAPI LONG WINAPI CVU_DeleteRegKeyA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3,
                                     LPCSTR subkey);
/* Braced text of a CLSID in the ANSI code page; size in bytes. */
CVXAPI void WINAPI CVU_CLSIDtoStringA(const CLSID *clsid, LPSTR buffer, int size);
/* Braced text of a CLSID; size in characters, at most size-2 are kept. */
CVXAPI void WINAPI CVU_CLSIDtoStringW(const CLSID *clsid, LPWSTR buffer, int size);
/* Registers an in-process server; 1 when a higher version is registered
 * (nothing changed), else 0. */
CVXAPI DWORD WINAPI CVU_RegBasicServerA(const CLSID *clsid, DWORD version, LPCSTR description,
                                        HMODULE module, DWORD componentBits);
/* Removes an in-process server's keys; 1 when a higher version is
 * registered (nothing changed), else 0. */
CVXAPI DWORD WINAPI CVU_UnregBasicServer(const CLSID *clsid, DWORD version, DWORD componentBits,
                                         BOOL keepRegistration);
/* Calls DllRegisterServer / DllUnregisterServer of the five component
 * libraries. */
CVXAPI void WINAPI CVU_RegisterComponents(void);
CVXAPI void WINAPI CVU_UnregisterComponents(void);

/* ---- Platform and installed components ------------------------------------ */

/* TRUE on the Windows 95 family, FALSE on Windows NT. */
CVXAPI BOOL WINAPI CVU_IsWin95OS(void);
/* 1 when any bit of mask is set in the installed-components value. */
CVXAPI BOOL WINAPI CVU_IsComponentInstalled(DWORD mask);

/* ---- Error reports and confirmations -------------------------------------- */

/* ---- Port list and port sharing ------------------------------------------- */

/* ---- Port clean-up --------------------------------------------------------- */
/* Windows 95: gives every port converted for the redirector its former
 * driver and names back and deletes the ports the product created. 0 on
 * Windows NT (nothing done); else the error of opening HKLM\Enum, or 0. */
CVXAPI DWORD WINAPI CVU_CleanupPorts(void);
/* Windows 95: the same for the conversions of the product's older scheme
 * ("ALTDRIVER", "HardwareID" CALVEX). 0 on Windows NT. */
CVXAPI DWORD WINAPI CVU_Clean70Ports(void);

/* ---- Shared lines, pools and share names ---------------------------------- */

/* ---- Server settings and remote password ----------------------------------- */

/* ---- Client redirection ---------------------------------------------------- */
#pragma pack(push, 1)
/* A port's redirection (sections CLIENT and DESC of CVEX.INI). */
typedef struct ClientPortParams {
    BYTE reserved[4];      /* zero */
    char destination[17];  /* share or pool name, COM<n>DEST */
    char description[100]; /* Port<n>Desc */
} ClientPortParams;
#pragma pack(pop)
static_assert(sizeof(ClientPortParams) == 121, "ClientPortParams is 121 bytes");

/* Redirects a port (COM<n>) to a share or pool name, with a description;
 * a NULL or empty destination ends the redirection. 1 on success; 0 for a
 * name without a port number, a full list (30 ports) or, on Windows 95, a
 * port whose driver could not be handed to the redirector. */
CVXAPI BOOL WINAPI CVU_SetClientRedirectionEx(LPCSTR portName, LPCSTR destination, TextRef description);
/* CVU_SetClientRedirectionEx with the library's standard description. */
CVXAPI BOOL WINAPI CVU_SetClientRedirection(LPCSTR portName, LPCSTR destination);
/* 1 when the port is redirected, filling params when it is given. */
CVXAPI BOOL WINAPI CVU_GetClientPortParams(LPCSTR portName, ClientPortParams *params);

/* ---- Client session settings ----------------------------------------------- */

/* ---- Groups ---------------------------------------------------------------- */

/* ---- Inbound services ------------------------------------------------------ */

/* ---- Sealed blocks (ordinals 88 and 89, no names) -------------------------- */

/* ---- Named shared memory --------------------------------------------------- */

/* ---- Named message queue --------------------------------------------------- */

/* ---- Shared status tables -------------------------------------------------- */

/* ---- Wait window ----------------------------------------------------------- */

/* ---- Simple value and trigger dialogs -------------------------------------- */

/* ---- About box (ordinal 61, no name) --------------------------------------- */

/* ---- Edit filters and text checks ------------------------------------------ */

/* ---- Menu merging ---------------------------------------------------------- */

/* ---- Help files and single-instance windows -------------------------------- */

/* ---- Monitor names, notification and restart ------------------------------- */

#ifdef __cplusplus
}
#endif

#endif /* CVXUTIL_H */
