#include "app/MainList.h"

#include "app/MainState.h"
#include "store/ItemDataList.h"
#include "support/FakeMainView.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

class MainListTest : public ::testing::Test {
protected:
    MainListTest() { control.onSelect = [this](int row, bool selected) { list.lsvListSelectItem(row, selected); }; }

    void Add(const char* title, const char* password, const char* memo = "") {
        TVirtualItem& it = items.AppendNew();
        it.Title = title;
        it.UserID = std::string("u-") + title;
        it.Password = password;
        it.MaskedPassword = MaskFor(password, settings.HidePass, false);
        it.Memo = memo;
        it.URL = std::string("http://") + title;
        control.rowCount = items.Count();
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> out;
        for (int row = 0; row < items.Count(); ++row) {
            CellInfo cell;
            list.lsvListVMGetItemInfo(row, column, cell);
            out.emplace_back(cell.Text);
        }
        return out;
    }

    test::FakeListControl control;
    ItemDataList items;
    TSettings settings;
    MainState state;
    test::ByteCollation collation;
    test::FakeSearchBox search;
    MainList list{control, search, items, settings, state, collation};
};

using V = std::vector<std::string>;

TEST_F(MainListTest, CellsShowTheEntryFieldsAndNothingOutsideTheList) {
    Add("t", "pw", "m");
    EXPECT_EQ(Column(0), V{"t"});
    EXPECT_EQ(Column(1), V{"u-t"});
    EXPECT_EQ(Column(2), V{"pw"});
    EXPECT_EQ(Column(3), V{"m"});
    EXPECT_EQ(Column(4), V{"http://t"});
    EXPECT_EQ(Column(5), V{""});
    CellInfo cell;
    cell.State = 0x10;
    items.At(0).StateBits = 0x4;
    list.lsvListVMGetItemInfo(0, 0, cell);
    EXPECT_EQ(cell.State, 0x14u); // the entry's state bits are added to the control's
    EXPECT_EQ(cell.ImageIndex, -1);
    list.lsvListVMGetItemInfo(7, 0, cell);
    EXPECT_EQ(cell.Text, "");
}

TEST_F(MainListTest, WithHidingOnOnlyTheSelectedRowShowsItsPassword) {
    settings.HidePass = true;
    Add("a", "\x88\xC3\x8D\x86\x95\xB6"); // three double-byte characters
    Add("b", "pass");
    Add("c", "");
    EXPECT_EQ(Column(2), (V{"******", "****", ""}));
    list.RefreshList(0);
    EXPECT_EQ(Column(2), (V{"\x88\xC3\x8D\x86\x95\xB6", "****", ""}));
    control.SelectRow(1);
    EXPECT_EQ(state.SelIndex, 1);
    EXPECT_EQ(Column(2), (V{"******", "pass", ""}));
}

TEST_F(MainListTest, ASelectionChangeEndsAContinuousPaste) {
    Add("a", "p");
    Add("b", "p");
    state.PasteStep = 2;
    control.SelectRow(1);
    EXPECT_EQ(state.PasteStep, 0);
}

TEST_F(MainListTest, RefreshSelectsTheIndexOrTheLastRowAndNothingWhenEmpty) {
    list.RefreshList(0);
    EXPECT_EQ(control.calls, V{"count 0"});
    EXPECT_EQ(control.selected, -1);
    Add("a", "p");
    Add("b", "p");
    Add("c", "p");
    control.calls.clear();
    list.RefreshList(3); // one past the end: the last row
    EXPECT_EQ(control.calls, (V{"count 3", "select 2"}));
    EXPECT_EQ(state.SelIndex, 2);
}

TEST_F(MainListTest, HeaderClicksSortAscendingThenDescendingPerColumn) {
    Add("b", "2", "z");
    Add("c", "1", "x");
    Add("a", "3", "y");
    list.lsvListColumnClick(0);
    EXPECT_EQ(Column(0), (V{"a", "b", "c"}));
    list.lsvListColumnClick(0);
    EXPECT_EQ(Column(0), (V{"c", "b", "a"}));
    list.lsvListColumnClick(3); // another column keeps its own direction: ascending first
    EXPECT_EQ(Column(3), (V{"x", "y", "z"}));
    list.lsvListColumnClick(0);
    EXPECT_EQ(Column(0), (V{"a", "b", "c"}));
    EXPECT_EQ(list.SortColumn(), 0);
    EXPECT_EQ(list.SortOrder(0), -1);
    EXPECT_EQ(list.SortOrder(3), -1);
    EXPECT_EQ(list.SortOrder(1), 1);
}

TEST_F(MainListTest, ThePasswordColumnSortsByThePlainPasswordsWhileMasked) {
    settings.HidePass = true;
    Add("x", "bb");
    Add("y", "a");
    Add("z", "ccc");
    list.lsvListColumnClick(2); // the masks alone would sort by length
    EXPECT_EQ(Column(0), (V{"y", "x", "z"}));
}

TEST_F(MainListTest, AfterASortTheMasksFollowTheSelectedRowAndTheListIsRedrawn) {
    settings.HidePass = true;
    Add("b", "pb");
    Add("a", "pa");
    Add("c", "pc");
    list.RefreshList(0); // row 0 ("b") selected and plain
    control.calls.clear();
    list.lsvListColumnClick(0);
    // Row 0 is still the selected row, now showing "a": only it is plain.
    EXPECT_EQ(Column(0), (V{"a", "b", "c"}));
    EXPECT_EQ(Column(2), (V{"pa", "**", "**"}));
    EXPECT_EQ(control.selected, 0);
    EXPECT_EQ(control.calls, V{"count 3"});
}

TEST_F(MainListTest, SortingASortedListStillCountsAsAChange) {
    Add("a", "p");
    Add("b", "p");
    list.lsvListColumnClick(0);
    EXPECT_TRUE(state.Modified);
    EXPECT_EQ(Column(0), (V{"a", "b"}));
    MainState fresh;
    ItemDataList none;
    MainList empty(control, search, none, settings, fresh, collation);
    empty.lsvListColumnClick(4);
    EXPECT_TRUE(fresh.Modified);
}

TEST_F(MainListTest, DeselectingAfterTheLastRowWentAwayMasksTheRowBefore) {
    settings.HidePass = true;
    Add("a", "pa");
    Add("b", "pb");
    list.RefreshList(1);
    items.Remove(1);
    list.lsvListSelectItem(1, false); // the control reports the removed row as unselected
    EXPECT_EQ(state.SelIndex, 0);
    EXPECT_EQ(items.At(0).MaskedPassword, "**");
}

TEST_F(MainListTest, NothingIsRecomputedOutsideTheList) {
    settings.HidePass = true;
    Add("a", "pa");
    list.RefreshList(0);
    items.Remove(0);
    list.lsvListSelectItem(0, false);
    EXPECT_EQ(state.SelIndex, -1);
}

} // namespace
} // namespace tobrix
