// The machine restart's one call into the system, replaceable so that a
// test can take the request instead of ending the session it runs in.
#pragma once
#include <windows.h>

namespace cvx {

using ExitWindowsFunction = BOOL(WINAPI *)(UINT flags, DWORD reason);

// Installs function (null: ExitWindowsEx again) and returns the one before.
ExitWindowsFunction ReplaceExitWindows(ExitWindowsFunction function);

}  // namespace cvx
