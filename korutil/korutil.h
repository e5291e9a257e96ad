// KORUTIL: the maker's general utility layer, kept inside this library.
// String and list operations are in portable/korstr.h; the registry and
// dialog helpers below need Win32.
#pragma once
#include <windows.h>

#include "korutil/portable/korstr.h"

namespace kor {

// REG_SZ value of key (or of its subkey) into buffer, or defaultText when
// absent or of another type; 0 on success, else the registry's error.
LONG RegGetString(HKEY key, LPCSTR subkey, LPCSTR name, LPCSTR defaultText, char *buffer, DWORD size);
// REG_DWORD value, or defaultValue when absent or of another type.
LONG RegGetDword(HKEY key, LPCSTR subkey, LPCSTR name, DWORD defaultValue, DWORD *out);
LONG RegSetString(HKEY key, LPCSTR subkey, LPCSTR name, LPCSTR text);
LONG RegSetDword(HKEY key, LPCSTR subkey, LPCSTR name, DWORD value);

// The control's rectangle in its parent's client coordinates.
BOOL GetChildRect(HWND control, RECT *rect);
void EnableDlgItem(HWND dialog, int id);
// Disables a control; focus moves to fallbackId when the control had it.
void DisableDlgItem(HWND dialog, int id, int fallbackId);

}  // namespace kor
