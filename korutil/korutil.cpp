#include "korutil/korutil.h"

#include "frame/owners.h"

namespace kor {

namespace {
LONG OpenSubkey(HKEY key, LPCSTR subkey, REGSAM access, cvx::UniqueHkey &out)
{
    HKEY h = nullptr;
    LONG rc = RegOpenKeyExA(key, subkey ? subkey : "", 0, access, &h);
    if (rc == ERROR_SUCCESS) out.reset(h);
    return rc;
}

LONG CreateSubkey(HKEY key, LPCSTR subkey, cvx::UniqueHkey &out)
{
    HKEY h = nullptr;
    LONG rc = RegCreateKeyExA(key, subkey ? subkey : "", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                              nullptr, &h, nullptr);
    if (rc == ERROR_SUCCESS) out.reset(h);
    return rc;
}
}  // namespace

LONG RegGetString(HKEY key, LPCSTR subkey, LPCSTR name, LPCSTR defaultText, char *buffer, DWORD size)
{
    if (!buffer || size == 0) return ERROR_INVALID_PARAMETER;
    CopyStringLimited(defaultText, buffer, size);
    cvx::UniqueHkey k;
    LONG rc = OpenSubkey(key, subkey, KEY_READ, k);
    if (rc != ERROR_SUCCESS) return rc;
    DWORD type = 0, got = size;
    rc = RegQueryValueExA(k.get(), name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &got);
    if (rc != ERROR_SUCCESS || type != REG_SZ) {
        CopyStringLimited(defaultText, buffer, size);
        return rc != ERROR_SUCCESS ? rc : ERROR_BADKEY;
    }
    buffer[got < size ? got : size - 1] = '\0';
    return ERROR_SUCCESS;
}

LONG RegGetDword(HKEY key, LPCSTR subkey, LPCSTR name, DWORD defaultValue, DWORD *out)
{
    if (!out) return ERROR_INVALID_PARAMETER;
    *out = defaultValue;
    cvx::UniqueHkey k;
    LONG rc = OpenSubkey(key, subkey, KEY_READ, k);
    if (rc != ERROR_SUCCESS) return rc;
    DWORD type = 0, value = 0, got = sizeof(value);
    rc = RegQueryValueExA(k.get(), name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &got);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_DWORD || got != sizeof(value)) return ERROR_BADKEY;
    *out = value;
    return ERROR_SUCCESS;
}

LONG RegSetString(HKEY key, LPCSTR subkey, LPCSTR name, LPCSTR text)
{
    cvx::UniqueHkey k;
    LONG rc = CreateSubkey(key, subkey, k);
    if (rc != ERROR_SUCCESS) return rc;
    if (!text) text = "";
    return RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          static_cast<DWORD>(StringSize(text)));
}

LONG RegSetDword(HKEY key, LPCSTR subkey, LPCSTR name, DWORD value)
{
    cvx::UniqueHkey k;
    LONG rc = CreateSubkey(key, subkey, k);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExA(k.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof(value));
}

BOOL GetChildRect(HWND control, RECT *rect)
{
    if (!control || !rect || !GetWindowRect(control, rect)) return FALSE;
    HWND parent = GetParent(control);
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT *>(rect), 2);
    return TRUE;
}

void EnableDlgItem(HWND dialog, int id) { EnableWindow(GetDlgItem(dialog, id), TRUE); }

void DisableDlgItem(HWND dialog, int id, int fallbackId)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control) return;
    if (GetFocus() == control) {
        HWND fallback = GetDlgItem(dialog, fallbackId);
        if (fallback) SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(fallback), TRUE);
    }
    EnableWindow(control, FALSE);
}

}  // namespace kor
