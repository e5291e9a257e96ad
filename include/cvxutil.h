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
/* Flags of the error report and confirmation dialogs. */
#define CVU_CR_NOICON      0x0001 /* show no icon */
#define CVU_CR_ALLBUTTONS  0x0002 /* confirmation: all three answers and Cancel */
#define CVU_CR_TOPMOST     0x4000 /* the dialog is a topmost window */
#define CVU_CR_SYSTEMCODE  0x8000 /* the code is a Windows error: explain it from the system */

/* Results of a confirmation. */
#define CVU_CONFIRM_CANCEL  (-1) /* Cancel with CVU_CR_ALLBUTTONS, or no dialog */
#define CVU_CONFIRM_NO      0
#define CVU_CONFIRM_YES     1
#define CVU_CONFIRM_YESALL  2
#define CVU_CONFIRM_TIMEOUT 3
#define CVU_CONFIRM_STOPPED 4    /* closed by CVU_StopErrorandConfirms */

/* Error report (dialog 4250): message, an optional detail line formatted
 * with detailArgument, and for a non-zero code its explanation and code
 * line. timeout in ms, 0 for none. 1 when shown, else -1 (or 0 for a bad
 * owner). */
CVXAPI int WINAPI CVU_ReportErrorExA(HWND owner, TextRef title, TextRef message, DWORD code,
                                     TextRef detailFormat, ULONG_PTR detailArgument, DWORD icon, WORD flags,
                                     DWORD timeout);
/* CVU_ReportErrorExA without a time-out. */
CVXAPI int WINAPI CVU_ReportErrorA(HWND owner, TextRef title, TextRef message, DWORD code, TextRef detailFormat,
                                   ULONG_PTR detailArgument, DWORD icon, WORD flags);
/* Confirmation (dialog 3950); returns one of the CVU_CONFIRM_* results. */
CVXAPI int WINAPI CVU_ConfirmActionExA(HWND owner, TextRef title, TextRef message, TextRef detailFormat,
                                       ULONG_PTR detailArgument, DWORD icon, WORD flags, DWORD timeout);
/* CVU_ConfirmActionExA without a time-out. */
CVXAPI int WINAPI CVU_ConfirmActionA(HWND owner, TextRef title, TextRef message, TextRef detailFormat,
                                     ULONG_PTR detailArgument, DWORD icon, WORD flags);
/* Closes the open error reports and confirmations of every process. */
CVXAPI LRESULT WINAPI CVU_StopErrorandConfirms(void);

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

/* ---- Simple value and trigger dialogs -------------------------------------- */

/* ---- About box (ordinal 61, no name) --------------------------------------- */

/* ---- Edit filters and text checks ------------------------------------------ */
/* Filter modes of CVU_StartSpecialEdit. */
#define CVU_EDIT_ALLOWED   1 /* data names the set of allowed characters */
#define CVU_EDIT_FORBIDDEN 2 /* data names the set of forbidden characters */
#define CVU_EDIT_CALLBACK  3 /* data is a CVU_CHARFILTER; nonzero accepts */

/* Decides on one WM_CHAR of a filtered edit control (character code and the
 * message's lParam); nonzero lets it through. */
typedef BOOL(CALLBACK *CVU_CHARFILTER)(HWND edit, WPARAM character, LPARAM lParam);

/* Puts a keystroke filter in front of an edit control. 1 when installed, 0
 * when all 32 filters of the process are in use. */
CVXAPI BOOL WINAPI CVU_StartSpecialEdit(HWND edit, ULONG_PTR data, DWORD mode);
/* Removes the filter of an edit control and restores its window procedure. */
CVXAPI void WINAPI CVU_EndSpecialEdit(HWND edit);
/* 1 when every character of text is allowed by set (forbidden: set lists the
 * refused ones); blanks the set refuses are removed from text first. */
CVXAPI BOOL WINAPI CVU_CheckInvalidChars(LPSTR text, TextRef set, BOOL forbidden);
/* Removes every blank; nonzero (and nothing done) for a null or empty text. */
CVXAPI BOOL WINAPI CVU_RemoveBlanks(LPSTR text);

/* ---- Menu merging ---------------------------------------------------------- */

/* ---- Help files and single-instance windows -------------------------------- */
/* Flags of CVU_SpecificHelp. */
#define CVU_HELP_SECONDARY 0x0001 /* open in the secondary window "w95sec" */
#define CVU_HELP_FULLPATH  0x0002 /* file is a complete path, used unchanged */

/* WinHelpA on the product's help file for the context in data; context help
 * opens in the secondary window. */
CVXAPI BOOL WINAPI CVU_EasyHelp(HWND window, UINT command, ULONG_PTR data);
/* WinHelpA on file (NULL: chosen by the context number in data). */
CVXAPI BOOL WINAPI CVU_SpecificHelp(HWND window, UINT command, ULONG_PTR data, LPCSTR file, WORD flags);
/* 1 when an earlier instance's window (class and caption) was found and
 * brought to the front. 0 otherwise; the first instance then gets the held
 * single-instance mutex in *mutex (when mutex is given). */
CVXAPI BOOL WINAPI CVU_IsPreviousWindowActive(TextRef caption, LPCSTR windowClass, LPCSTR mutexName,
                                              HANDLE *mutex);
/* Releases and closes the single-instance mutex (NULL is ignored). */
CVXAPI void WINAPI CVU_EndSingleInstanceWindow(HANDLE mutex);

/* ---- Monitor names, notification and restart ------------------------------- */

#ifdef __cplusplus
}
#endif

#endif /* CVXUTIL_H */
