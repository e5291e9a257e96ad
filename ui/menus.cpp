// Menu merging: an applet's menu copied into its host's, identifiers moved
// out of the host's range.
#include <windows.h>

#include "cvxutil.h"
#include "ui/portable/menuids.h"

namespace {

constexpr int kItemText = 256;

bool IsSeparator(HMENU menu, UINT position)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE;
    return GetMenuItemInfoA(menu, position, TRUE, &info) && (info.fType & MFT_SEPARATOR);
}

// Position of the last item whose identifier is id; 0 when none has it.
UINT FindItemById(HMENU menu, UINT id)
{
    for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID;
        if (GetMenuItemInfoA(menu, UINT(i), TRUE, &info) && info.wID == id) return UINT(i);
    }
    return 0;
}

}  // namespace

extern "C" UINT WINAPI CVU_MergeMenus(HMENU destination, HMENU source, UINT selector, UINT position, UINT offset,
                                      UINT limit, DWORD flags)
{
    if (!destination || !source) return offset;
    if (flags & CVU_MM_INSUBMENU) {
        UINT at = (flags & CVU_MM_BYCOMMAND) ? FindItemById(destination, selector) : selector;
        destination = GetSubMenu(destination, int(at));
        if (!destination) return offset;
    }

    int count = GetMenuItemCount(destination);
    if (count < 0) return offset;
    // Whether the place after the insertion point is a separator, or the
    // end of the menu, where a separator would be just as much in the way.
    bool separatorFollows;
    if (position >= UINT(count)) {
        position = UINT(count);
        separatorFollows = true;
    } else {
        separatorFollows = IsSeparator(destination, position);
    }
    if ((flags & CVU_MM_SEPARATE) && !separatorFollows) {
        InsertMenuA(destination, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        separatorFollows = true;
    }

    // Every item goes to the same position, so walking the source backwards
    // keeps its order.
    UINT result = offset;
    for (int i = GetMenuItemCount(source) - 1; i >= 0; --i) {
        char text[kItemText] = "";
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_TYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_DATA;
        item.dwTypeData = text;
        item.cch = sizeof text;
        if (!GetMenuItemInfoA(source, UINT(i), TRUE, &item)) continue;
        // A text that filled the buffer may come back unterminated.
        text[sizeof text - 1] = '\0';

        HMENU popup = nullptr;
        if (item.fType & MFT_SEPARATOR) {
            if (separatorFollows) continue;
            separatorFollows = true;
        } else if (item.hSubMenu) {
            if (flags & CVU_MM_SUBMENUIDS) {
                if (!cvx::portable::ShiftMenuId(item.wID, offset, limit, &item.wID)) continue;
                result = cvx::portable::NextFreeMenuId(result, item.wID);
            } else {
                item.fMask &= ~MIIM_ID;
            }
            popup = CreatePopupMenu();
            if (!popup) return result;
            UINT inner = CVU_MergeMenus(popup, item.hSubMenu, 0, 0, offset, limit, flags & CVU_MM_SUBMENUIDS);
            if (inner > result) result = inner;
            item.hSubMenu = popup;
            separatorFollows = false;
        } else {
            if (!cvx::portable::ShiftMenuId(item.wID, offset, limit, &item.wID)) continue;
            result = cvx::portable::NextFreeMenuId(result, item.wID);
            separatorFollows = false;
        }
        if (!InsertMenuItemA(destination, position, TRUE, &item)) {
            if (popup) DestroyMenu(popup);
            return result;
        }
    }

    // The seam before the block: no doubled separator, and with
    // CVU_MM_SEPARATE one where the block meets the destination's items.
    if (position > 0) {
        if (IsSeparator(destination, position - 1)) {
            if (separatorFollows) DeleteMenu(destination, position, MF_BYPOSITION);
        } else if ((flags & CVU_MM_SEPARATE) && !separatorFollows) {
            InsertMenuA(destination, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        }
    } else if (separatorFollows) {
        DeleteMenu(destination, 0, MF_BYPOSITION);
    }
    return result;
}
