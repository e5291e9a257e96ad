// Single-instance windows: a named mutex marks the first instance, and a
// later one brings the first one's window forward instead of opening its own.
#include <windows.h>

#include "frame/frame.h"
#include "frame/owners.h"

namespace {
constexpr DWORD kFirstInstanceWait = 1000;
}  // namespace

extern "C" BOOL WINAPI CVU_IsPreviousWindowActive(TextRef caption, LPCSTR windowClass, LPCSTR mutexName,
                                                  HANDLE *mutex)
{
    if (mutex) *mutex = nullptr;

    SetLastError(ERROR_SUCCESS);
    cvx::UniqueHandle mark(CreateMutexA(nullptr, FALSE, mutexName));
    if (mark && GetLastError() != ERROR_ALREADY_EXISTS &&
        WaitForSingleObject(mark.get(), kFirstInstanceWait) == WAIT_OBJECT_0) {
        cvx::MutexHold held(mark.get());
        // The caller holds the mark until its window closes; without a place
        // to keep it the mark goes at once.
        if (mutex) {
            held.Detach();
            *mutex = mark.release();
        }
        return FALSE;
    }
    mark.reset();

    // Another instance holds the mark: its window is looked for as named,
    // a caption that resolves to nothing matching any caption.
    char buffer[cvx::kTextBuffer];
    HWND found = FindWindowA(windowClass, cvx::ResolveText(caption, buffer));
    if (!found) return FALSE;

    HWND owner = found;
    for (HWND next; (next = GetWindow(owner, GW_OWNER)) != nullptr;) owner = next;
    HWND popup = GetLastActivePopup(owner);

    if (IsIconic(found)) ShowWindow(found, SW_RESTORE);
    SetForegroundWindow(popup);
    BringWindowToTop(popup);
    return TRUE;
}

extern "C" void WINAPI CVU_EndSingleInstanceWindow(HANDLE mutex)
{
    if (!mutex) return;
    cvx::UniqueHandle mark(mutex);
    ReleaseMutex(mark.get());
}
