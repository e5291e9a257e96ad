/*
 * Entry point of the per-language resource modules CV32_xxx.DLL.
 *
 * The modules carry only resources; CVXUTIL loads them with LoadLibraryA
 * and reads strings, dialogs, icons and the error table from them.  There
 * is nothing to set up or tear down, so every notification succeeds.
 */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
