// Edit filters: a keystroke filter in front of an edit control's window
// procedure, and the check of a finished text against a character set.
#include <windows.h>

#include <cstring>

#include "frame/frame.h"
#include "korutil/korutil.h"
#include "ui/portable/charfilter.h"

namespace cvx {
namespace {

constexpr size_t kFilterSlots = 32;

struct FilterSlot {
    HWND window;       // null when the slot is free
    WNDPROC previous;  // the control's procedure before the filter
    ULONG_PTR data;    // modes 1 and 2: the slot's own set copy; mode 3: the callback
    DWORD mode;
};

FilterSlot g_filters[kFilterSlots];

bool OwnsSetCopy(DWORD mode) { return mode == CVU_EDIT_ALLOWED || mode == CVU_EDIT_FORBIDDEN; }

// The slot of a window; with null, the first free slot.
FilterSlot *FindSlot(HWND window)
{
    for (FilterSlot &slot : g_filters)
        if (slot.window == window) return &slot;
    return nullptr;
}

ULONG_PTR CopyCharacterSet(TextRef set)
{
    char buffer[kTextBuffer];
    const char *text = ResolveText(set, buffer);
    if (!text) return 0;
    size_t length = std::strlen(text);
    // A failed allocation leaves the filter without a set, which then
    // behaves as an empty one.
    char *copy = static_cast<char *>(LocalAlloc(LPTR, length + 1));
    if (copy) std::memcpy(copy, text, length);
    return reinterpret_cast<ULONG_PTR>(copy);
}

bool CharacterAccepted(const FilterSlot &slot, HWND window, WPARAM character, LPARAM lParam)
{
    const char *set = OwnsSetCopy(slot.mode) ? reinterpret_cast<const char *>(slot.data) : nullptr;
    switch (portable::JudgeChar(slot.mode, set, character)) {
    case portable::CharVerdict::Accept:
        return true;
    case portable::CharVerdict::Refuse:
        return false;
    case portable::CharVerdict::AskCallback:
        break;
    }
    auto callback = reinterpret_cast<CVU_CHARFILTER>(slot.data);
    return !callback || callback(window, character, lParam);
}

LRESULT CALLBACK FilterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    FilterSlot *slot = window ? FindSlot(window) : nullptr;
    if (!slot) return 0;
    // A callback may end the filter; the message then goes to the procedure
    // it had before.
    WNDPROC previous = slot->previous;
    if (message == WM_CHAR && !CharacterAccepted(*slot, window, wParam, lParam)) {
        MessageBeep(0);
        return 0;
    }
    return previous ? CallWindowProcA(previous, window, message, wParam, lParam) : 0;
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" BOOL WINAPI CVU_StartSpecialEdit(HWND edit, ULONG_PTR data, DWORD mode)
{
    // No window, or none of ours: there is no filter to install.
    if (!edit || !IsWindow(edit)) return FALSE;
    FilterSlot *slot = FindSlot(nullptr);
    if (!slot) return FALSE;

    FilterSlot filter{edit, nullptr, 0, mode};
    filter.data = OwnsSetCopy(mode) ? CopyCharacterSet(reinterpret_cast<TextRef>(data)) : data;
    // On a control filtered already, whichever of its slots comes first
    // decides. The new slot records the control's own procedure, not the
    // filter: ending it must never leave the filter in place without a
    // slot, nor chain the filter to itself.
    const FilterSlot *earlier = FindSlot(edit);
    filter.previous = earlier ? earlier->previous : reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
    *slot = filter;
    if (!SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FilterProc))) {
        // Not this process's window.
        if (OwnsSetCopy(mode) && filter.data) LocalFree(reinterpret_cast<HLOCAL>(filter.data));
        *slot = FilterSlot{};
        return FALSE;
    }
    return TRUE;
}

extern "C" void WINAPI CVU_EndSpecialEdit(HWND edit)
{
    FilterSlot *slot = edit ? FindSlot(edit) : nullptr;
    if (!slot) return;
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(slot->previous));
    slot->previous = nullptr;
    if (OwnsSetCopy(slot->mode) && slot->data) LocalFree(reinterpret_cast<HLOCAL>(slot->data));
    *slot = FilterSlot{};
}

extern "C" BOOL WINAPI CVU_CheckInvalidChars(LPSTR text, TextRef set, BOOL forbidden)
{
    char buffer[kTextBuffer];
    const char *characters = ResolveText(set, buffer);
    if (!characters) return TRUE;

    // Blanks that the set would refuse are taken out, not reported.
    bool blankInSet = kor::FindChar(characters, ' ') != nullptr;
    if (forbidden ? blankInSet : !blankInSet) CVU_RemoveBlanks(text);
    if (kor::IsEmptyString(text)) return TRUE;

    for (const char *p = text; *p; p = CharNextA(p)) {
        bool inSet = kor::FindChar(characters, *p) != nullptr;
        if (forbidden ? inSet : !inSet) return FALSE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI CVU_RemoveBlanks(LPSTR text)
{
    return portable::RemoveBlanks(text);
}
