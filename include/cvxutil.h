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

/* ---- Shared lines, pools and share names ---------------------------------- */

/* ---- Server settings and remote password ----------------------------------- */

/* ---- Client redirection ---------------------------------------------------- */

/* ---- Client session settings ----------------------------------------------- */

/* ---- Groups ---------------------------------------------------------------- */

/* ---- Inbound services ------------------------------------------------------ */

/* ---- Sealed blocks (ordinals 88 and 89, no names) -------------------------- */

/* ---- Named shared memory --------------------------------------------------- */

/* ---- Named message queue --------------------------------------------------- */

/* ---- Shared status tables -------------------------------------------------- */

/* ---- Wait window ----------------------------------------------------------- */

/* Shows the wait window (dialog 4450) with message as its text, centred on
 * owner (NULL: on the screen), and disables owner, first showing it when it
 * is hidden. NULL when the window cannot be created; owner is then left as
 * it was. */
CVXAPI HWND WINAPI CVU_StartWaitWindowA(HWND owner, TextRef message);
/* Destroys the wait window when it still exists, then enables owner (the
 * one given to CVU_StartWaitWindowA; may be NULL) and brings it forward. */
CVXAPI void WINAPI CVU_EndWaitWindow(HWND owner, HWND waitWindow);

/* ---- Simple value and trigger dialogs -------------------------------------- */

/* ---- About box (ordinal 61, no name) --------------------------------------- */

/* ---- Edit filters and text checks ------------------------------------------ */

/* ---- Menu merging ---------------------------------------------------------- */

/* Flags of CVU_MergeMenus. */
#define CVU_MM_SEPARATE    0x02 /* a separator on each side of the merged block */
#define CVU_MM_SUBMENUIDS  0x04 /* items that open submenus keep (shifted) identifiers */
#define CVU_MM_INSUBMENU   0x10 /* merge into the destination's submenu at position selector */
#define CVU_MM_BYCOMMAND   0x20 /* with CVU_MM_INSUBMENU: selector is the identifier of the item
                                   that opens the submenu */

/* Copies every item of source, submenus in depth, into destination at
 * position, each identifier raised by offset; items whose identifier would
 * pass limit are left out. Returns one more than the highest identifier
 * given, never less than offset (offset when nothing was merged). */
CVXAPI UINT WINAPI CVU_MergeMenus(HMENU destination, HMENU source, UINT selector, UINT position, UINT offset,
                                  UINT limit, DWORD flags);

/* ---- Help files and single-instance windows -------------------------------- */

/* ---- Monitor names, notification and restart ------------------------------- */

/* The command that CVU_GlobalNotify sends to every top-level window:
 * WM_COMMAND, wParam CVU_NOTIFY_COMMAND, lParam the value. */
#define CVU_NOTIFY_COMMAND 0x1000

/* Posts the notification command with value to every top-level window;
 * the result of PostMessageA. */
CVXAPI BOOL WINAPI CVU_GlobalNotify(DWORD value);
/* Display name of a client address from NAMES.INI into buffer, which gets
 * the address itself when no name is stored. 1 when the name differs from
 * the address, else 0 (also when the install directory is unknown). */
CVXAPI BOOL WINAPI CVU_GetMonitorNameFromAddress(LPCSTR address, LPSTR buffer, DWORD size);
/* Stores the display name of an address in NAMES.INI (NULL removes it);
 * 0 when it could not be written or the install directory is unknown. */
CVXAPI BOOL WINAPI CVU_SetMonitorNameForAddress(LPCSTR address, LPCSTR name);

#ifdef __cplusplus
}
#endif

#endif /* CVXUTIL_H */
