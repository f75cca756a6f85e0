#include "app/Main.h"

#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tobrix {
namespace {

class DragTest : public ::testing::Test, protected test::FakeServices {
protected:
    DragTest() {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
        frm.FormCreate();
        frm.FormShow(); // LineHeight from the fake's text height, 13
        for (int i = 0; i < 5; ++i)
            items.AppendNew().Title = std::to_string(i);
        frm.List().RefreshList(0);
    }
    std::string Order() const {
        std::string order;
        for (int i = 0; i < items.Count(); ++i)
            order += items.At(i).Title;
        return order;
    }
    // Presses row `from`, drags, releases at the middle of row `to` (a negative row: below the last).
    void DragRow(int from, int to) {
        view.list.SelectRow(from);
        frm.Drag().lsvListStartDrag();
        EXPECT_TRUE(view.timers[MainTimer::timDrag]);
        const int y = to >= 0 ? to * view.list.rowHeight + 5 : view.list.rowCount * view.list.rowHeight + 5;
        frm.Drag().lsvListDragDrop(10, y);
        frm.Drag().lsvListEndDrag();
        EXPECT_FALSE(view.timers[MainTimer::timDrag]);
    }

    test::FakeMainView view;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, "C:\\T\\Tobrix.exe"};
};

TEST_F(DragTest, ADroppedRowTakesThePlaceOfTheRowUnderIt) {
    DragRow(0, 3);
    EXPECT_EQ(Order(), "12304");
    EXPECT_EQ(view.list.selected, 3);
    EXPECT_TRUE(frm.State().Modified);

    DragRow(2, 0); // "3" back to the top
    EXPECT_EQ(Order(), "31204");
    EXPECT_EQ(view.list.selected, 0);
}

TEST_F(DragTest, ADropOnItselfBelowTheRowsOrOutsideTheListChangesNothing) {
    DragRow(2, 2);
    DragRow(2, -1);
    view.list.SelectRow(1);
    frm.Drag().lsvListStartDrag();
    frm.Drag().lsvListEndDrag(); // released over another control: no drop reaches the list
    EXPECT_EQ(Order(), "01234");
    EXPECT_FALSE(frm.State().Modified);
}

TEST_F(DragTest, TheListMarksWhereTheDropWouldPutTheEntry) {
    const int h = view.list.rowHeight;
    const struct {
        int from, over; // rows; -1: below the last row
        DropMark mark;
    } cases[] = {
        {3, 1, {1, false}}, // moving up: above the row
        {1, 3, {3, true}},  // moving down: below it
        {0, 4, {4, true}},
        {4, 0, {0, false}},
        {2, 2, {}},         // onto itself: no move, no mark
        {2, -1, {}},
    };
    for (const auto& c : cases) {
        view.list.SelectRow(c.from);
        frm.Drag().lsvListStartDrag();
        const int y = c.over >= 0 ? c.over * h + 5 : 5 * h + 5;
        EXPECT_TRUE(frm.Drag().lsvListDragOver(10, y));
        EXPECT_EQ(view.list.dropMark, c.mark) << c.from << " over " << c.over;
        frm.Drag().lsvListDragLeave(); // over the toolbar
        EXPECT_EQ(view.list.dropMark, DropMark{});
        frm.Drag().lsvListDragOver(10, y);
        frm.Drag().lsvListEndDrag(); // dropped or cancelled
        EXPECT_EQ(view.list.dropMark, DropMark{});
    }
    EXPECT_EQ(Order(), "01234");
}

TEST_F(DragTest, TheTimerScrollsByOneLineInTheUpperAndLowerZones) {
    ASSERT_EQ(frm.State().LineHeight, 13);
    // top 26 and height 300: up at or above 26 + 2*13, down at or below 300 - 4*13.
    const struct { int y, scroll; } cases[] = {{-40, -13}, {52, -13}, {53, 0}, {247, 0}, {248, 13}, {500, 13}};
    for (const auto& c : cases) {
        view.list.scrolls.clear();
        view.list.pointerY = c.y;
        frm.Drag().timDragTimer();
        EXPECT_EQ(view.list.scrolls, c.scroll == 0 ? std::vector<int>{} : std::vector<int>{c.scroll}) << c.y;
    }
}

TEST_F(DragTest, AltUpAndDownMoveTheSelectedEntryAndTheSelectionFollowsIt) {
    view.list.SelectRow(3);
    frm.Execute(CommandId::actMoveUp);
    EXPECT_EQ(Order(), "01324");
    EXPECT_EQ(view.list.selected, 2);
    EXPECT_TRUE(frm.State().Modified);

    // A held key repeats the command: the entry goes on to the first row and stops there.
    for (int i = 0; i < 4; ++i)
        frm.Execute(CommandId::actMoveUp);
    EXPECT_EQ(Order(), "30124");
    EXPECT_EQ(view.list.selected, 0);
    EXPECT_FALSE(frm.Update(CommandId::actMoveUp));
    EXPECT_TRUE(frm.Update(CommandId::actMoveDown));

    for (int i = 0; i < 6; ++i)
        frm.Execute(CommandId::actMoveDown);
    EXPECT_EQ(Order(), "01243");
    EXPECT_EQ(view.list.selected, 4);
    EXPECT_TRUE(frm.Update(CommandId::actMoveUp));
    EXPECT_FALSE(frm.Update(CommandId::actMoveDown));
}

TEST_F(DragTest, NoMoveBeyondTheFirstOrLastRowOrWithoutASelection) {
    const struct {
        int row; // -1: none selected
        CommandId id;
    } cases[] = {{0, CommandId::actMoveUp}, {4, CommandId::actMoveDown}, {-1, CommandId::actMoveUp},
                 {-1, CommandId::actMoveDown}};
    for (const auto& c : cases) {
        view.list.SelectRow(c.row);
        EXPECT_FALSE(frm.Update(c.id)) << c.row;
        frm.Execute(c.id);
        frm.Drag().MoveSelectedExecute(c.id == CommandId::actMoveUp ? -1 : +1); // even called directly
        EXPECT_EQ(view.list.selected, c.row);
    }
    EXPECT_EQ(Order(), "01234");
    EXPECT_FALSE(frm.State().Modified);
}

TEST_F(DragTest, AMoveFromTheKeyboardEndsAContinuousPaste) {
    view.list.SelectRow(2);
    // Without the list's own report of the new selection, the move itself ends the paste.
    view.list.onSelect = nullptr;
    frm.State().PasteStep = 2;
    frm.Execute(CommandId::actMoveDown);
    EXPECT_EQ(Order(), "01324");
    EXPECT_EQ(frm.State().PasteStep, 0);
}

} // namespace
} // namespace tobrix
