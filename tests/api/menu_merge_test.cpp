// Menu merging on real menus: every result is read back by walking the
// destination's items.
#include <algorithm>
#include <initializer_list>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

namespace {

// An item of a menu under construction: "-" is a separator; items with
// children open a submenu.
struct Item {
    std::string text;
    UINT id = 0;
    std::initializer_list<Item> children = {};
    bool popup = false;
};
Item Sep() { return {"-"}; }
Item Cmd(const char *text, UINT id) { return {text, id}; }
Item Sub(const char *text, UINT id, std::initializer_list<Item> children) { return {text, id, children, true}; }

HMENU Build(std::initializer_list<Item> items)
{
    HMENU menu = CreatePopupMenu();
    UINT position = 0;
    for (const Item &item : items) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        std::string text = item.text;
        if (text == "-") {
            info.fMask = MIIM_FTYPE;
            info.fType = MFT_SEPARATOR;
        } else {
            info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
            info.fType = MFT_STRING;
            info.dwTypeData = text.data();
            info.wID = item.id;
            if (item.popup) {
                info.fMask |= MIIM_SUBMENU;
                info.hSubMenu = Build(item.children);
            }
        }
        EXPECT_TRUE(InsertMenuItemA(menu, position++, TRUE, &info));
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
    HMENU Menu(std::initializer_list<Item> items)
    {
        HMENU m = Build(items);
        menus_.push_back(m);
        return m;
    }
    std::vector<HMENU> menus_;
};

TEST_F(MenuMerge, IdentifiersAreShiftedAndLimited)
{
    HMENU dest = Menu({});
    HMENU src = Menu({Cmd("One", 1), Cmd("Two", 2), Cmd("Big", 150)});
    EXPECT_EQ(103u, CVU_MergeMenus(dest, src, 0, 0, 100, 199, 0));
    EXPECT_EQ("One:101|Two:102", Dump(dest));
    // The source is left as it was.
    EXPECT_EQ("One:1|Two:2|Big:150", Dump(src));

    // Exactly at the limit is still in; the result is one past it.
    HMENU edge = Menu({});
    EXPECT_EQ(200u, CVU_MergeMenus(edge, Menu({Cmd("Last", 99)}), 0, 0, 100, 199, 0));
    EXPECT_EQ("Last:199", Dump(edge));

    // An identifier beyond 32 bits passes every limit instead of wrapping.
    HMENU wrap = Menu({});
    EXPECT_EQ(20u, CVU_MergeMenus(wrap, Menu({Cmd("Far", 0xFFFFFFF8u), Cmd("Near", 3)}), 0, 0, 0x10, 0xFFFFFFFFu, 0));
    EXPECT_EQ("Near:19", Dump(wrap));
}

TEST_F(MenuMerge, MergesChainThroughTheResult)
{
    HMENU dest = Menu({Cmd("Host", 1)});
    UINT next = CVU_MergeMenus(dest, Menu({Cmd("X", 0), Cmd("Y", 4)}), 0, 1, 100, 999, 0);
    EXPECT_EQ(105u, next);
    next = CVU_MergeMenus(dest, Menu({Cmd("Z", 0)}), 0, 3, next, 999, 0);
    EXPECT_EQ(106u, next);
    EXPECT_EQ("Host:1|X:100|Y:104|Z:105", Dump(dest));
    // Nothing merged: the offset comes back.
    EXPECT_EQ(500u, CVU_MergeMenus(dest, Menu({}), 0, 0, 500, 999, 0));
    EXPECT_EQ(500u, CVU_MergeMenus(dest, Menu({Cmd("Over", 600)}), 0, 0, 500, 999, 0));
    EXPECT_EQ("Host:1|X:100|Y:104|Z:105", Dump(dest));
}

TEST_F(MenuMerge, SeparatorsAtTheSeams)
{
    // In the middle: one on each side.
    HMENU middle = Menu({Cmd("A", 1), Cmd("B", 2)});
    EXPECT_EQ(22u, CVU_MergeMenus(middle, Menu({Cmd("X", 10), Cmd("Y", 11)}), 0, 1, 10, 100, CVU_MM_SEPARATE));
    EXPECT_EQ("A:1|-|X:20|Y:21|-|B:2", Dump(middle));

    // At the end (and beyond it): only before the block.
    HMENU end = Menu({Cmd("A", 1), Cmd("B", 2)});
    CVU_MergeMenus(end, Menu({Cmd("X", 10), Cmd("Y", 11)}), 0, 2, 10, 100, CVU_MM_SEPARATE);
    EXPECT_EQ("A:1|B:2|-|X:20|Y:21", Dump(end));
    HMENU beyond = Menu({Cmd("A", 1), Cmd("B", 2)});
    CVU_MergeMenus(beyond, Menu({Cmd("X", 10)}), 0, 77, 10, 100, CVU_MM_SEPARATE);
    EXPECT_EQ("A:1|B:2|-|X:20", Dump(beyond));

    // At the start: only after it.
    HMENU start = Menu({Cmd("A", 1), Cmd("B", 2)});
    CVU_MergeMenus(start, Menu({Cmd("X", 10)}), 0, 0, 10, 100, CVU_MM_SEPARATE);
    EXPECT_EQ("X:20|-|A:1|B:2", Dump(start));

    // Without the flag the block joins the items directly.
    HMENU plain = Menu({Cmd("A", 1), Cmd("B", 2)});
    CVU_MergeMenus(plain, Menu({Cmd("X", 10), Cmd("Y", 11)}), 0, 1, 10, 100, 0);
    EXPECT_EQ("A:1|X:20|Y:21|B:2", Dump(plain));
}

TEST_F(MenuMerge, SeparatorsAreNeverDoubled)
{
    // The destination's own separator after the insertion point serves.
    HMENU before = Menu({Cmd("A", 1), Sep(), Cmd("B", 2)});
    CVU_MergeMenus(before, Menu({Cmd("X", 10), Cmd("Y", 11)}), 0, 1, 10, 100, CVU_MM_SEPARATE);
    EXPECT_EQ("A:1|-|X:20|Y:21|-|B:2", Dump(before));
    // ... and the one before it.
    HMENU after = Menu({Cmd("A", 1), Sep(), Cmd("B", 2)});
    CVU_MergeMenus(after, Menu({Cmd("X", 10), Cmd("Y", 11)}), 0, 2, 10, 100, CVU_MM_SEPARATE);
    EXPECT_EQ("A:1|-|X:20|Y:21|-|B:2", Dump(after));

    // A source framed by separators into an empty menu keeps neither, and
    // runs of separators inside it shrink to one.
    HMENU empty = Menu({});
    EXPECT_EQ(13u, CVU_MergeMenus(empty, Menu({Sep(), Cmd("X", 10), Sep(), Sep(), Cmd("Y", 11), Sep()}), 0, 0, 1, 100, 0));
    EXPECT_EQ("X:11|-|Y:12", Dump(empty));

    // A source separator meeting a destination separator merges with it.
    HMENU meet = Menu({Cmd("A", 1), Sep(), Cmd("B", 2)});
    CVU_MergeMenus(meet, Menu({Cmd("X", 10), Sep()}), 0, 1, 10, 100, 0);
    EXPECT_EQ("A:1|X:20|-|B:2", Dump(meet));
    HMENU lead = Menu({Cmd("A", 1), Sep(), Cmd("B", 2)});
    CVU_MergeMenus(lead, Menu({Sep(), Cmd("X", 10)}), 0, 2, 10, 100, 0);
    EXPECT_EQ("A:1|-|X:20|B:2", Dump(lead));

    // Only separators: nothing is left of them.
    HMENU only = Menu({Cmd("A", 1), Cmd("B", 2)});
    EXPECT_EQ(10u, CVU_MergeMenus(only, Menu({Sep(), Sep()}), 0, 2, 10, 100, 0));
    EXPECT_EQ("A:1|B:2", Dump(only));
}

TEST_F(MenuMerge, SubmenusAreCopiedInDepth)
{
    HMENU src = Menu({Sub("File", 5, {Cmd("Open", 1), Sub("Recent", 6, {Cmd("One", 3)}), Cmd("Close", 2)}),
                      Cmd("Help", 4)});
    std::string original = Dump(src);

    // Without the flag the submenu items carry no identifier and do not
    // count towards the result.
    HMENU dest = Menu({});
    EXPECT_EQ(105u, CVU_MergeMenus(dest, src, 0, 0, 100, 999, 0));
    EXPECT_EQ("File:0{Open:101|Recent:0{One:103}|Close:102}|Help:104", Dump(dest));

    // With it they are shifted and counted, at every depth.
    HMENU ids = Menu({});
    EXPECT_EQ(207u, CVU_MergeMenus(ids, src, 0, 0, 200, 999, CVU_MM_SUBMENUIDS));
    EXPECT_EQ("File:205{Open:201|Recent:206{One:203}|Close:202}|Help:204", Dump(ids));

    // The copies are menus of their own: the source is untouched and keeps
    // its submenus after the copy is destroyed.
    MENUITEMINFOA a{}, b{};
    a.cbSize = b.cbSize = sizeof a;
    a.fMask = b.fMask = MIIM_SUBMENU;
    ASSERT_TRUE(GetMenuItemInfoA(src, 0, TRUE, &a));
    ASSERT_TRUE(GetMenuItemInfoA(dest, 0, TRUE, &b));
    EXPECT_NE(a.hSubMenu, b.hSubMenu);
    EXPECT_EQ(original, Dump(src));
    DestroyMenu(dest);
    menus_.erase(std::find(menus_.begin(), menus_.end(), dest));
    EXPECT_EQ(original, Dump(src));

    // A submenu item over the limit is left out with all it holds.
    HMENU limited = Menu({});
    EXPECT_EQ(205u, CVU_MergeMenus(limited, Menu({Sub("File", 50, {Cmd("Open", 1)}), Cmd("Help", 4)}), 0, 0, 200, 240,
                                   CVU_MM_SUBMENUIDS));
    EXPECT_EQ("Help:204", Dump(limited));

    // Items of a submenu past the limit drop out of the copy only.
    HMENU inner = Menu({});
    EXPECT_EQ(102u, CVU_MergeMenus(inner, Menu({Sub("File", 0, {Cmd("Open", 1), Cmd("Far", 90)})}), 0, 0, 100, 150, 0));
    EXPECT_EQ("File:0{Open:101}", Dump(inner));
}

TEST_F(MenuMerge, IntoASubmenuOfTheDestination)
{
    auto host = [&] {
        return Menu({Sub("File", 7, {Cmd("New", 1)}), Sub("Edit", 8, {Cmd("Cut", 2)}), Cmd("Plain", 9)});
    };

    HMENU byPosition = host();
    EXPECT_EQ(31u, CVU_MergeMenus(byPosition, Menu({Cmd("X", 0)}), 1, 1, 30, 99, CVU_MM_INSUBMENU));
    EXPECT_EQ("File:7{New:1}|Edit:8{Cut:2|X:30}|Plain:9", Dump(byPosition));

    HMENU byCommand = host();
    EXPECT_EQ(31u, CVU_MergeMenus(byCommand, Menu({Cmd("X", 0)}), 8, 0, 30, 99, CVU_MM_INSUBMENU | CVU_MM_BYCOMMAND));
    EXPECT_EQ("File:7{New:1}|Edit:8{X:30|Cut:2}|Plain:9", Dump(byCommand));

    // No item carries the selector: the submenu at position 0.
    HMENU missing = host();
    EXPECT_EQ(31u, CVU_MergeMenus(missing, Menu({Cmd("X", 0)}), 55, 5, 30, 99, CVU_MM_INSUBMENU | CVU_MM_BYCOMMAND));
    EXPECT_EQ("File:7{New:1|X:30}|Edit:8{Cut:2}|Plain:9", Dump(missing));

    // Two items with that identifier: the last one wins.
    HMENU twice = Menu({Sub("A", 7, {}), Sub("B", 7, {})});
    CVU_MergeMenus(twice, Menu({Cmd("X", 0)}), 7, 0, 30, 99, CVU_MM_INSUBMENU | CVU_MM_BYCOMMAND);
    EXPECT_EQ("A:7{}|B:7{X:30}", Dump(twice));

    // Position 0 opens no submenu, or no item there: nothing happens.
    HMENU flat = Menu({Cmd("Plain", 9), Sub("Edit", 8, {Cmd("Cut", 2)})});
    EXPECT_EQ(30u, CVU_MergeMenus(flat, Menu({Cmd("X", 0)}), 55, 0, 30, 99, CVU_MM_INSUBMENU | CVU_MM_BYCOMMAND));
    EXPECT_EQ(30u, CVU_MergeMenus(flat, Menu({Cmd("X", 0)}), 0, 0, 30, 99, CVU_MM_INSUBMENU));
    EXPECT_EQ(30u, CVU_MergeMenus(flat, Menu({Cmd("X", 0)}), 6, 0, 30, 99, CVU_MM_INSUBMENU));
    EXPECT_EQ("Plain:9|Edit:8{Cut:2}", Dump(flat));
}

TEST_F(MenuMerge, ItemStatesDataAndTextsAreCopied)
{
    HMENU src = Menu({Cmd("Checked", 1)});
    MENUITEMINFOA set{};
    set.cbSize = sizeof set;
    set.fMask = MIIM_STATE | MIIM_DATA;
    set.fState = MFS_CHECKED | MFS_GRAYED;
    set.dwItemData = 0x1234;
    ASSERT_TRUE(SetMenuItemInfoA(src, 0, TRUE, &set));
    std::string longText(300, 'L');
    AppendMenuA(src, MF_STRING, 2, longText.c_str());

    HMENU dest = Menu({});
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
    HMENU menu = Menu({Cmd("A", 1)});
    EXPECT_EQ(40u, CVU_MergeMenus(nullptr, menu, 0, 0, 40, 99, CVU_MM_SEPARATE));
    EXPECT_EQ(40u, CVU_MergeMenus(menu, nullptr, 0, 0, 40, 99, CVU_MM_SEPARATE));
    EXPECT_EQ(40u, CVU_MergeMenus(nullptr, nullptr, 0, 0, 40, 99, 0));
    EXPECT_EQ("A:1", Dump(menu));
}

}  // namespace
