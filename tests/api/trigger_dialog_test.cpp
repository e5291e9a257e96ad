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

using TriggerDialog = CleanTest;

TEST_F(TriggerDialog, TypedCharacterIsAddedAndADuplicateReported)
{
    TriggerList list = MakeList({0x1B});
    std::string afterAdd, typedRefused, report, afterDuplicate;
    HWND edit = nullptr;
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
        afterDuplicate = Items(dialog);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_EQ("D", typedRefused) << "the edit filter let a letter that is no hexadecimal digit through";
    EXPECT_EQ("1B,0D|", afterAdd) << "Add did not take the typed character";
    // The report: the dialog's first text and the explanation of the
    // duplicate code from the resource module.
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_VALUE_INVALID))) << report;
    EXPECT_NE(std::string::npos, report.find(ResourceString(IDS_ERRTEXT_DUPTRIGGER))) << report;
    EXPECT_EQ("1B,0D", afterDuplicate) << "a duplicate trigger was added";
    EXPECT_EQ("2:1B,0D", Record(list));
}

TEST_F(TriggerDialog, TheSixteenthItemClosesInputUntilOneIsRemoved)
{
    TriggerList list = MakeList({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
    bool editAt16 = true, labelAt16 = true, editAfter = false, labelAfter = false;
    std::string items;
    DialogDriver driver([&](HWND dialog) {
        HWND edit = Control(dialog, IDC_TRIGGER_EDIT);
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(edit), TRUE);
        Type(edit, "F0");
        Click(dialog, IDC_TRIGGER_ADD);
        editAt16 = Enabled(dialog, IDC_TRIGGER_EDIT);
        labelAt16 = Enabled(dialog, IDC_TRIGGER_EDIT_LABEL);
        Select(dialog, 3);
        Click(dialog, IDC_TRIGGER_REMOVE);
        editAfter = Enabled(dialog, IDC_TRIGGER_EDIT);
        labelAfter = Enabled(dialog, IDC_TRIGGER_EDIT_LABEL);
        items = Items(dialog);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(1, CVU_ModifyTriggersDialog(nullptr, &list));
    EXPECT_FALSE(editAt16) << "input stays open with 16 triggers";
    EXPECT_FALSE(labelAt16);
    EXPECT_TRUE(editAfter) << "input stays closed after a removal";
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
    EXPECT_FALSE(editOn) << "a record of 16 triggers opens with input open";
    EXPECT_FALSE(labelOn);
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
    EXPECT_EQ(0, std::memcmp(&before, &list, sizeof list)) << "Cancel changed the record";

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
