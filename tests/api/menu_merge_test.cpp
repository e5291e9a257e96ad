// Menu merging on real menus: every result is read back by walking the
// destination's items.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"

namespace {

// Builds a menu from the text that Dump gives: "A:1|-|File:0{Open:101}".
HMENU Build(const char *&p)
{
    HMENU menu = CreatePopupMenu();
    for (UINT position = 0; *p && *p != '}'; ++position) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        std::string text;
        while (*p && !std::strchr(":|}", *p)) text += *p++;
        if (text == "-") {
            info.fMask = MIIM_FTYPE;
            info.fType = MFT_SEPARATOR;
        } else {
            info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
            info.dwTypeData = text.data();
            info.wID = UINT(std::strtoul(p + 1, const_cast<char **>(&p), 10));
            if (*p == '{') {
                info.fMask |= MIIM_SUBMENU;
                info.hSubMenu = Build(++p);
                ++p;
            }
        }
        EXPECT_TRUE(InsertMenuItemA(menu, position, TRUE, &info));
        if (*p == '|') ++p;
    }
    return menu;
}

// "A:1|-|File:0{Open:101}": text and identifier of every item, in depth.
std::string Dump(HMENU menu)
{
    std::string out;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[300] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, UINT(i), TRUE, &info)) return out + "<unreadable>";
        if (i) out += "|";
        if (info.fType & MFT_SEPARATOR) {
            out += "-";
            continue;
        }
        out += std::string(text) + ":" + std::to_string(info.wID);
        if (info.hSubMenu) out += "{" + Dump(info.hSubMenu) + "}";
    }
    return out;
}

class MenuMerge : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (HMENU m : menus_) DestroyMenu(m);
    }
    HMENU Menu(const char *text)
    {
        HMENU m = Build(text);
        menus_.push_back(m);
        return m;
    }
    std::vector<HMENU> menus_;
};

TEST_F(MenuMerge, IdentifiersSeparatorsAndSubmenus)
{
    const UINT kSep = CVU_MM_SEPARATE, kIds = CVU_MM_SUBMENUIDS, kIn = CVU_MM_INSUBMENU, kCmd = CVU_MM_BYCOMMAND;
    const char *const host = "File:7{New:1}|Edit:8{Cut:2}|Plain:9";
    const struct {
        const char *what, *dest, *source;
        UINT selector, position, offset, limit, flags, result;
        const char *merged;
    } cases[] = {
        {"identifiers shifted, those past the limit left out", "", "One:1|Two:2|Big:150", 0, 0, 100, 199, 0, 103,
         "One:101|Two:102"},
        {"exactly at the limit is still in", "", "Last:99", 0, 0, 100, 199, 0, 200, "Last:199"},
        {"an identifier beyond 32 bits passes every limit", "", "Far:4294967288|Near:3", 0, 0, 16, 0xFFFFFFFFu, 0,
         20, "Near:19"},
        {"nothing merged gives the offset", "Host:1", "Over:600", 0, 0, 500, 999, 0, 500, "Host:1"},
        {"separators on both sides in the middle", "A:1|B:2", "X:10|Y:11", 0, 1, 10, 100, kSep, 22,
         "A:1|-|X:20|Y:21|-|B:2"},
        {"only a separator before, at the end", "A:1|B:2", "X:10|Y:11", 0, 2, 10, 100, kSep, 22,
         "A:1|B:2|-|X:20|Y:21"},
        {"beyond the end is the end", "A:1|B:2", "X:10", 0, 77, 10, 100, kSep, 21, "A:1|B:2|-|X:20"},
        {"only a separator after, at the start", "A:1|B:2", "X:10", 0, 0, 10, 100, kSep, 21, "X:20|-|A:1|B:2"},
        {"no separators without the flag", "A:1|B:2", "X:10|Y:11", 0, 1, 10, 100, 0, 22, "A:1|X:20|Y:21|B:2"},
        {"the destination's separator after serves", "A:1|-|B:2", "X:10|Y:11", 0, 1, 10, 100, kSep, 22,
         "A:1|-|X:20|Y:21|-|B:2"},
        {"the destination's separator before serves", "A:1|-|B:2", "X:10|Y:11", 0, 2, 10, 100, kSep, 22,
         "A:1|-|X:20|Y:21|-|B:2"},
        {"framing separators dropped, runs shrink to one", "", "-|X:10|-|-|Y:11|-", 0, 0, 1, 100, 0, 13,
         "X:11|-|Y:12"},
        {"a source separator meets the destination's", "A:1|-|B:2", "X:10|-", 0, 1, 10, 100, 0, 21, "A:1|X:20|-|B:2"},
        {"a leading source separator meets the destination's", "A:1|-|B:2", "-|X:10", 0, 2, 10, 100, 0, 21,
         "A:1|-|X:20|B:2"},
        {"only separators leave nothing", "A:1|B:2", "-|-", 0, 2, 10, 100, 0, 10, "A:1|B:2"},
        {"submenu items without identifiers", "", "File:5{Open:1|Recent:6{One:3}|Close:2}|Help:4", 0, 0, 100, 999, 0,
         105, "File:0{Open:101|Recent:0{One:103}|Close:102}|Help:104"},
        {"submenu identifiers shifted at every depth", "", "File:5{Open:1|Recent:6{One:3}|Close:2}|Help:4", 0, 0, 200,
         999, kIds, 207, "File:205{Open:201|Recent:206{One:203}|Close:202}|Help:204"},
        {"a submenu past the limit goes with all it holds", "", "File:50{Open:1}|Help:4", 0, 0, 200, 240, kIds, 205,
         "Help:204"},
        {"submenu items past the limit drop out", "", "File:0{Open:1|Far:90}", 0, 0, 100, 150, 0, 102,
         "File:0{Open:101}"},
        {"into a submenu by position", host, "X:0", 1, 1, 30, 99, kIn, 31, "File:7{New:1}|Edit:8{Cut:2|X:30}|Plain:9"},
        {"into a submenu by command", host, "X:0", 8, 0, 30, 99, kIn | kCmd, 31,
         "File:7{New:1}|Edit:8{X:30|Cut:2}|Plain:9"},
        {"no item with the command: position 0", host, "X:0", 55, 5, 30, 99, kIn | kCmd, 31,
         "File:7{New:1|X:30}|Edit:8{Cut:2}|Plain:9"},
        {"two items with the command: the last", "A:7{}|B:7{}", "X:0", 7, 0, 30, 99, kIn | kCmd, 31, "A:7{}|B:7{X:30}"},
        {"no submenu at position 0: nothing", "Plain:9|Edit:8{Cut:2}", "X:0", 55, 0, 30, 99, kIn | kCmd, 30,
         "Plain:9|Edit:8{Cut:2}"},
        {"no item at the position: nothing", "Plain:9|Edit:8{Cut:2}", "X:0", 6, 0, 30, 99, kIn, 30,
         "Plain:9|Edit:8{Cut:2}"},
    };
    for (const auto &c : cases) {
        HMENU dest = Menu(c.dest), source = Menu(c.source);
        EXPECT_EQ(c.result, CVU_MergeMenus(dest, source, c.selector, c.position, c.offset, c.limit, c.flags))
            << c.what;
        EXPECT_EQ(c.merged, Dump(dest)) << c.what;
        EXPECT_EQ(Dump(Menu(c.source)), Dump(source)) << c.what << ": the source menu changed";
    }
}

TEST_F(MenuMerge, MergesChainThroughTheResult)
{
    HMENU dest = Menu("Host:1");
    UINT next = CVU_MergeMenus(dest, Menu("X:0|Y:4"), 0, 1, 100, 999, 0);
    EXPECT_EQ(105u, next);
    EXPECT_EQ(106u, CVU_MergeMenus(dest, Menu("Z:0"), 0, 3, next, 999, 0));
    EXPECT_EQ("Host:1|X:100|Y:104|Z:105", Dump(dest));
}

TEST_F(MenuMerge, SubmenuCopiesAreMenusOfTheirOwn)
{
    HMENU src = Menu("File:5{Open:1|Recent:6{One:3}}|Help:4");
    std::string original = Dump(src);
    HMENU dest = CreatePopupMenu();
    CVU_MergeMenus(dest, src, 0, 0, 100, 999, CVU_MM_SUBMENUIDS);
    DestroyMenu(dest);
    EXPECT_EQ(original, Dump(src)) << "destroying the merged menu destroyed the source's submenus";
}

TEST_F(MenuMerge, ItemStatesDataAndTextsAreCopied)
{
    HMENU src = Menu("Checked:1");
    MENUITEMINFOA set{};
    set.cbSize = sizeof set;
    set.fMask = MIIM_STATE | MIIM_DATA;
    set.fState = MFS_CHECKED | MFS_GRAYED;
    set.dwItemData = 0x1234;
    ASSERT_TRUE(SetMenuItemInfoA(src, 0, TRUE, &set));
    std::string longText(300, 'L');
    AppendMenuA(src, MF_STRING, 2, longText.c_str());

    HMENU dest = Menu("");
    CVU_MergeMenus(dest, src, 0, 0, 10, 99, 0);
    MENUITEMINFOA got{};
    got.cbSize = sizeof got;
    got.fMask = MIIM_STATE | MIIM_DATA | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoA(dest, 0, TRUE, &got));
    EXPECT_EQ(11u, got.wID);
    EXPECT_EQ(UINT(MFS_CHECKED | MFS_GRAYED), got.fState & (MFS_CHECKED | MFS_GRAYED));
    EXPECT_EQ(ULONG_PTR(0x1234), got.dwItemData);
    // Texts longer than the 256-byte buffer are cut.
    char text[400] = "";
    GetMenuStringA(dest, 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(std::string(255, 'L'), text);
}

TEST_F(MenuMerge, NullMenusReturnTheOffset)
{
    HMENU menu = Menu("A:1");
    EXPECT_EQ(40u, CVU_MergeMenus(nullptr, menu, 0, 0, 40, 99, CVU_MM_SEPARATE));
    EXPECT_EQ(40u, CVU_MergeMenus(menu, nullptr, 0, 0, 40, 99, CVU_MM_SEPARATE));
    EXPECT_EQ(40u, CVU_MergeMenus(nullptr, nullptr, 0, 0, 40, 99, 0));
    EXPECT_EQ("A:1", Dump(menu));
}

}  // namespace
