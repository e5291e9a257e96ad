// The trigger list dialog, driven through its controls: the list box, the
// edit control with its filter, Add, Remove, OK and Cancel.
#include <cstring>
#include <string>
#include <vector>

#include "applet_dialogs.h"
#include "cvxutil.h"
#include "harness/harness.h"
#include "resids.h"

using namespace cvxtest;
using namespace applettest;

namespace {

TriggerList MakeList(std::vector<BYTE> characters)
{
    TriggerList list{};
    list.count = WORD(characters.size());
    for (size_t i = 0; i < characters.size() && i < 16; ++i) list.characters[i] = characters[i];
    return list;
}

std::string Items(HWND dialog)
{
    std::string items;
    HWND list = GetDlgItem(dialog, IDC_TRIGGER_LIST);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char item[32] = "";
        SendMessageA(list, LB_GETTEXT, WPARAM(i), LPARAM(item));
        items += (i ? "," : "") + std::string(item);
    }
    return items;
}

std::string Record(const TriggerList &list)
{
    std::string text = std::to_string(list.count) + ":";
    for (int i = 0; i < list.count && i < 16; ++i) {
        char hex[4];
        wsprintfA(hex, "%02X", list.characters[i]);
        text += (i ? "," : "") + std::string(hex);
    }
    return text;
}

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(Control(dialog, id)); }

// Selects an item as a click would: the focus, the selection, then the
// notification.
void Select(HWND dialog, int index)
{
    HWND list = Control(dialog, IDC_TRIGGER_LIST);
    SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(list), TRUE);
    SendMessageA(list, LB_SETCURSEL, WPARAM(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRIGGER_LIST, LBN_SELCHANGE), LPARAM(list));
}
void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(Control(dialog, id)));
}
LRESULT Selection(HWND dialog) { return SendDlgItemMessageA(dialog, IDC_TRIGGER_LIST, LB_GETCURSEL, 0, 0); }

using TriggerDialog = CleanTest;

TEST_F(TriggerDialog, OpensWithTheRecordsItemsAndOkKeepsThem)
{
    TriggerList list = MakeList({0x0D, 0x1B});
    std::string items;
    bool removeOn = true, addOn = true, editOn = false, labelOn = false;
    HWND focus = nullptr, ok = nullptr;
    DialogDriver driver([&](HWND dialog) {
        items = Items(dialog);
        removeOn = Enabled(dialog, IDC_TRIGGER_REMOVE);
        addOn = Enabled(dialog, IDC_TRIGGER_ADD);
        editOn = Enabled(dialog, IDC_TRIGGER_EDIT);
        labelOn = Enabled(dialog, IDC_TRIGGER_EDIT_LABEL);
        ok = Control(dialog, IDOK);
        focus = FocusOf(dialog);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_EQ(1, driver.Finish());
    EXPECT_EQ("0D,1B", items);
    EXPECT_FALSE(removeOn);
    EXPECT_FALSE(addOn);
    EXPECT_TRUE(editOn);
    EXPECT_TRUE(labelOn);
    EXPECT_EQ(ok, focus);
    EXPECT_EQ("2:0D,1B", Record(list));
}

TEST_F(TriggerDialog, TypedCharacterIsAddedAndADuplicateReported)
{
    TriggerList list = MakeList({0x1B});
    std::string afterAdd, typedRefused, report, afterDuplicate, editAfterDuplicate;
    HWND focus = nullptr, edit = nullptr;
    DialogDriver driver([&](HWND dialog) {
        edit = Control(dialog, IDC_TRIGGER_EDIT);
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(edit), TRUE);
        // The filter takes hexadecimal digits only; the limit is two.
        Type(edit, "xD");
        typedRefused = WindowText(edit);
        Click(dialog, IDC_TRIGGER_ADD);
        afterAdd = Items(dialog) + "|" + WindowText(edit);

        Type(edit, "d");
        PressButton(dialog, IDC_TRIGGER_ADD);
        HWND box = WaitForOwnedDialog(dialog);
        report = box ? JoinedTexts(box) : "<no report>";
        if (box) {
            PressButton(box, IDOK);
            WaitUntil([&] { return !IsWindow(box); });
        }
        WaitUntil([&] { return FocusOf(dialog) == edit; }, 2000);
        focus = FocusOf(dialog);
        afterDuplicate = Items(dialog);
        editAfterDuplicate = WindowText(edit);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_EQ("D", typedRefused);
    EXPECT_EQ("1B,0D|", afterAdd);
    // The report: the dialog's first text and the explanation of the
    // duplicate code from the resource module.
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_VALUE_INVALID))) << report;
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_ERRTEXT_DUPTRIGGER))) << report;
    EXPECT_EQ("1B,0D", afterDuplicate);
    EXPECT_EQ(edit, focus);
    // The edit control keeps the refused text (as typed: its style upper-cases).
    EXPECT_EQ("D", editAfterDuplicate);
    EXPECT_EQ("2:1B,0D", Record(list));
}

TEST_F(TriggerDialog, TheSixteenthItemClosesInputUntilOneIsRemoved)
{
    TriggerList list = MakeList({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
    bool editAt16 = true, labelAt16 = true, editAfter = false, labelAfter = false;
    HWND focusAt16 = nullptr, ok = nullptr;
    std::string items;
    DialogDriver driver([&](HWND dialog) {
        ok = Control(dialog, IDOK);
        HWND edit = Control(dialog, IDC_TRIGGER_EDIT);
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(edit), TRUE);
        Type(edit, "F0");
        Click(dialog, IDC_TRIGGER_ADD);
        editAt16 = Enabled(dialog, IDC_TRIGGER_EDIT);
        labelAt16 = Enabled(dialog, IDC_TRIGGER_EDIT_LABEL);
        focusAt16 = FocusOf(dialog);
        Select(dialog, 3);
        Click(dialog, IDC_TRIGGER_REMOVE);
        editAfter = Enabled(dialog, IDC_TRIGGER_EDIT);
        labelAfter = Enabled(dialog, IDC_TRIGGER_EDIT_LABEL);
        items = Items(dialog);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_FALSE(editAt16);
    EXPECT_FALSE(labelAt16);
    EXPECT_EQ(ok, focusAt16);
    EXPECT_TRUE(editAfter);
    EXPECT_TRUE(labelAfter);
    EXPECT_EQ("00,01,02,04,05,06,07,08,09,0A,0B,0C,0D,0E,F0", items);
    EXPECT_EQ("15:00,01,02,04,05,06,07,08,09,0A,0B,0C,0D,0E,F0", Record(list));
}

TEST_F(TriggerDialog, AFullRecordOpensWithInputClosed)
{
    TriggerList list = MakeList({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    bool editOn = true, labelOn = true;
    DialogDriver driver([&](HWND dialog) {
        editOn = Enabled(dialog, IDC_TRIGGER_EDIT);
        labelOn = Enabled(dialog, IDC_TRIGGER_EDIT_LABEL);
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_FALSE(editOn);
    EXPECT_FALSE(labelOn);
}

TEST_F(TriggerDialog, RemoveSelectsTheRightNeighbour)
{
    TriggerList list = MakeList({0x0A, 0x0B, 0x0C, 0x0D});
    std::vector<std::string> steps;
    bool removeOnWithSelection = false, addOffWithSelection = false, removeAtEnd = true;
    HWND focusAtEnd = nullptr, listBox = nullptr;
    DialogDriver driver([&](HWND dialog) {
        listBox = Control(dialog, IDC_TRIGGER_LIST);
        Select(dialog, 1);
        removeOnWithSelection = Enabled(dialog, IDC_TRIGGER_REMOVE);
        addOffWithSelection = !Enabled(dialog, IDC_TRIGGER_ADD);
        Click(dialog, IDC_TRIGGER_REMOVE);
        steps.push_back(Items(dialog) + "@" + std::to_string(Selection(dialog)));
        // The last item: the new last one is selected.
        Select(dialog, 2);
        Click(dialog, IDC_TRIGGER_REMOVE);
        steps.push_back(Items(dialog) + "@" + std::to_string(Selection(dialog)));
        Click(dialog, IDC_TRIGGER_REMOVE);
        steps.push_back(Items(dialog) + "@" + std::to_string(Selection(dialog)));
        Click(dialog, IDC_TRIGGER_REMOVE);
        steps.push_back(Items(dialog) + "@" + std::to_string(Selection(dialog)));
        removeAtEnd = Enabled(dialog, IDC_TRIGGER_REMOVE);
        focusAtEnd = FocusOf(dialog);
        // Without a selection Remove does nothing.
        Click(dialog, IDC_TRIGGER_REMOVE);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_TRUE(removeOnWithSelection);
    EXPECT_TRUE(addOffWithSelection);
    ASSERT_EQ(4u, steps.size());
    EXPECT_EQ("0A,0C,0D@1", steps[0]);
    EXPECT_EQ("0A,0C@1", steps[1]);
    EXPECT_EQ("0A@0", steps[2]);
    EXPECT_EQ("@-1", steps[3]);
    EXPECT_FALSE(removeAtEnd);
    EXPECT_EQ(listBox, focusAtEnd);
    EXPECT_EQ("0:", Record(list));
}

TEST_F(TriggerDialog, DoubleClickRemovesTheItem)
{
    TriggerList list = MakeList({0x11, 0x13, 0x0D});
    DialogDriver driver([&](HWND dialog) {
        HWND box = Control(dialog, IDC_TRIGGER_LIST);
        SendMessageA(box, LB_SETCURSEL, 1, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_TRIGGER_LIST, LBN_DBLCLK), LPARAM(box));
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_EQ("2:11,0D", Record(list));
}

TEST_F(TriggerDialog, AddIsEnabledExactlyWhenTheEditHoldsText)
{
    TriggerList list = MakeList({0x0D});
    std::vector<bool> add;
    bool removeAfterEditFocus = true;
    LRESULT selectionAfterEditFocus = 0;
    DialogDriver driver([&](HWND dialog) {
        HWND edit = Control(dialog, IDC_TRIGGER_EDIT);
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(edit), TRUE);
        add.push_back(Enabled(dialog, IDC_TRIGGER_ADD));  // empty
        Type(edit, "4");
        add.push_back(Enabled(dialog, IDC_TRIGGER_ADD));  // "4"
        Type(edit, "\b");
        add.push_back(Enabled(dialog, IDC_TRIGGER_ADD));  // empty again
        Type(edit, "7");
        // A selection in the list disables Add; back in the edit control,
        // the selection goes and Add follows the text again.
        Select(dialog, 0);
        add.push_back(Enabled(dialog, IDC_TRIGGER_ADD));
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(edit), TRUE);
        add.push_back(Enabled(dialog, IDC_TRIGGER_ADD));
        removeAfterEditFocus = Enabled(dialog, IDC_TRIGGER_REMOVE);
        selectionAfterEditFocus = Selection(dialog);
        // Emptied by Add itself.
        Click(dialog, IDC_TRIGGER_ADD);
        add.push_back(Enabled(dialog, IDC_TRIGGER_ADD));
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_EQ((std::vector<bool>{false, true, false, false, true, false}), add);
    EXPECT_FALSE(removeAfterEditFocus);
    EXPECT_EQ(LB_ERR, selectionAfterEditFocus);
}

TEST_F(TriggerDialog, OkWritesTheListAndCancelLeavesIt)
{
    TriggerList list = MakeList({0x0D, 0x1B});
    list.characters[5] = 0x77;  // beyond the count: not part of the list
    auto edit = [](HWND dialog) {
        HWND e = Control(dialog, IDC_TRIGGER_EDIT);
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(e), TRUE);
        Type(e, "3");
        Click(dialog, IDC_TRIGGER_ADD);
        Type(e, "ff");
        Click(dialog, IDC_TRIGGER_ADD);
        Select(dialog, 0);
        Click(dialog, IDC_TRIGGER_REMOVE);
    };
    TriggerList before = list;
    DialogDriver cancel([&](HWND dialog) {
        edit(dialog);
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, CVU_ModifyTriggersDialog(nullptr, &list));
    cancel.Finish();
    EXPECT_EQ(0, std::memcmp(&before, &list, sizeof list));

    DialogDriver ok([&](HWND dialog) {
        edit(dialog);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_EQ("3:1B,03,FF", Record(list));
}

TEST_F(TriggerDialog, NullRecordShowsAnEmptyList)
{
    std::string items = "?";
    DialogDriver driver([&](HWND dialog) {
        items = Items(dialog);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, nullptr));
    EXPECT_EQ("", items);
}

}  // namespace
