// Menu merging on real menus: every result is read back by walking the
// destination's items.
#include <cstdlib>
#include <cstring>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

namespace {

// Builds a menu from the text that Dump gives: "A:1|-|~Grayed:2|File:0{Open:101}".
HMENU Build(const char *&p)
{
    HMENU menu = CreatePopupMenu();
    while (*p && *p != '}') {
        std::string text;
        while (*p && !std::strchr(":|}", *p)) text += *p++;
        MENUITEMINFOA info{};
        info.cbSize = sizeof info, info.fMask = MIIM_STRING | MIIM_ID;
        if (text[0] == '~') info.fMask |= MIIM_STATE, info.fState = MFS_GRAYED, text.erase(0, 1);
        info.dwTypeData = text.data();
        if (text == "-") info.fMask = MIIM_FTYPE, info.fType = MFT_SEPARATOR;
        else info.wID = UINT(std::strtoul(p + 1, const_cast<char **>(&p), 10));
        if (*p == '{') info.fMask |= MIIM_SUBMENU, info.hSubMenu = Build(++p), ++p;
        EXPECT_TRUE(InsertMenuItemA(menu, ~0u, TRUE, &info));
        if (*p == '|') ++p;
    }
    return menu;
}

HMENU Menu(const std::string &text) { const char *p = text.c_str(); return Build(p); }

// State, text and identifier of every item, in depth.
std::string Dump(HMENU menu)
{
    std::string out;
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        char text[400] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info, info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, UINT(i), TRUE, &info)) return out + "<unreadable>";
        out += i ? "|" : "";
        out += info.fType & MFT_SEPARATOR ? "-" : info.fState & MFS_GRAYED ? "~" : "";
        if (!(info.fType & MFT_SEPARATOR)) out.append(text).append(":").append(std::to_string(info.wID));
        if (info.hSubMenu) out.append("{").append(Dump(info.hSubMenu)).append("}");
    }
    return out;
}

TEST(MenuMerge, IdentifiersSeparatorsSubmenusAndTexts)
{
    const UINT kSep = CVU_MM_SEPARATE, kIds = CVU_MM_SUBMENUIDS, kIn = CVU_MM_INSUBMENU, kCmd = CVU_MM_BYCOMMAND;
    const std::string host = "File:7{New:1}|Edit:8{Cut:2}|Plain:9", l300(300, 'L');
    const struct {
        const char *what;
        std::string dest, source;
        UINT selector, position, offset, limit, flags, result;
        std::string merged;
    } cases[] = {
        {"shifted; past the limit left out", "", "One:1|Two:2|Big:150", 0, 0, 100, 199, 0, 103, "One:101|Two:102"},
        {"at the limit is still in", "", "Last:99", 0, 0, 100, 199, 0, 200, "Last:199"},
        {"beyond 32 bits passes every limit", "", "Far:4294967288|Near:3", 0, 0, 16, ~0u, 0, 20, "Near:19"},
        {"nothing merged gives the offset", "Host:1", "Over:600", 0, 0, 500, 999, 0, 500, "Host:1"},
        {"separators on both sides", "A:1|B:2", "X:10|Y:11", 0, 1, 10, 100, kSep, 22, "A:1|-|X:20|Y:21|-|B:2"},
        {"beyond the end is the end", "A:1|B:2", "X:10", 0, 77, 10, 100, kSep, 21, "A:1|B:2|-|X:20"},
        {"framing dropped, runs shrink", "", "-|X:10|-|-|Y:11|-", 0, 0, 1, 100, 0, 13, "X:11|-|Y:12"},
        {"a source separator meets one", "A:1|-|B:2", "X:10|-", 0, 1, 10, 100, 0, 21, "A:1|X:20|-|B:2"},
        {"grayed kept, texts cut to 255", "", "~" + l300 + ":3", 0, 0, 10, 99, 0, 14, "~" + std::string(255, 'L') + ":13"},
        {"submenus lose identifiers", "", "F:5{O:1|R:6{N:3}|C:2}|H:4", 0, 0, 100, 999, 0, 105,
         "F:0{O:101|R:0{N:103}|C:102}|H:104"},
        {"submenus keep identifiers, shifted", "", "F:5{O:1|R:6{N:3}|C:2}|H:4", 0, 0, 200, 999, kIds, 207,
         "F:205{O:201|R:206{N:203}|C:202}|H:204"},
        {"into a submenu by position", host, "X:0", 1, 1, 30, 99, kIn, 31, "File:7{New:1}|Edit:8{Cut:2|X:30}|Plain:9"},
        {"by command", host, "X:0", 8, 0, 30, 99, kIn | kCmd, 31, "File:7{New:1}|Edit:8{X:30|Cut:2}|Plain:9"},
        {"no such command: position 0", host, "X:0", 55, 5, 30, 99, kIn | kCmd, 31,
         "File:7{New:1|X:30}|Edit:8{Cut:2}|Plain:9"},
        {"no submenu there: nothing", "Plain:9|Edit:8{Cut:2}", "X:0", 0, 0, 30, 99, kIn, 30, "Plain:9|Edit:8{Cut:2}"},
    };
    for (const auto &c : cases) {
        HMENU dest = Menu(c.dest), source = Menu(c.source);
        EXPECT_EQ(c.result, CVU_MergeMenus(dest, source, c.selector, c.position, c.offset, c.limit, c.flags))
            << c.what;
        EXPECT_EQ(c.merged, Dump(dest)) << c.what;
        DestroyMenu(dest);  // the copies are menus of their own: the source keeps its submenus
        EXPECT_EQ(Dump(Menu(c.source)), Dump(source)) << c.what << ": the source menu changed";
    }
}

}  // namespace
