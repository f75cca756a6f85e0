#include "app/Main.h"

#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"
#include "support/FakeSubView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace tobrix {
namespace {

// A running window with passwords hidden and the entries c, a, d, b (password "p" and the
// title), the second one selected.
class UndoTest : public ::testing::Test, public test::FakeServices {
public:
    UndoTest() {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
        registry.SetText("Setting", "HidePass", "1");
        frm.FormCreate();
        for (const char* title : {"c", "a", "d", "b"})
            Add(title);
        frm.List().RefreshList(1);
    }
    void Add(const std::string& title, std::size_t memo = 0) {
        TVirtualItem& item = items.AppendNew();
        item.Title = title;
        item.Password = "p" + title;
        item.Memo = std::string(memo, 'm');
        item.MaskedPassword = MaskOf(item.Password);
    }
    std::string Titles() const {
        std::string titles;
        for (int i = 0; i < items.Count(); ++i)
            titles += items.At(i).Title;
        return titles;
    }
    // The selected row's entry shows its password, every other one its mask.
    void ExpectMasks() {
        for (int i = 0; i < items.Count(); ++i)
            EXPECT_EQ(items.At(i).MaskedPassword,
                      i == frm.List().SelectedEntry() ? items.At(i).Password : MaskOf(items.At(i).Password))
                << i;
    }
    void Edit(std::function<void(TfrmSub&, test::FakeSubView&)> user) {
        view.onSubDialog = [user](TfrmSub& sub) {
            test::FakeSubView fields;
            sub.Attach(fields);
            sub.FormShow();
            user(sub, fields);
            sub.Detach();
        };
    }

    test::FakeMainView view;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, "C:/T/Tobrix.exe"};
};

struct StepCase {
    const char* what;
    std::function<void(UndoTest&)> change;
    const char* changed; // the titles after the change
    const char* undone;  // after one undo
    int undoneSelected;  // the row selected then
    int redoneSelected;  // and after the redo, which gives `changed` again
};

class EachStep : public UndoTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(EachStep, UndoTakesItBackRedoMakesItAgainAndTheSelectionFollows) {
    const StepCase& c = GetParam();
    SCOPED_TRACE(c.what);
    c.change(*this);
    EXPECT_EQ(Titles(), c.changed);
    ASSERT_TRUE(frm.Update(CommandId::actUndo));
    EXPECT_FALSE(frm.Update(CommandId::actRedo));

    frm.State().Modified = false;
    frm.Execute(CommandId::actUndo);
    EXPECT_EQ(Titles(), c.undone);
    EXPECT_EQ(view.list.selected, c.undoneSelected);
    EXPECT_EQ(frm.State().SelIndex, c.undoneSelected);
    EXPECT_TRUE(frm.State().Modified);
    ExpectMasks();
    ASSERT_TRUE(frm.Update(CommandId::actRedo));

    frm.State().Modified = false;
    frm.Execute(CommandId::actRedo);
    EXPECT_EQ(Titles(), c.changed);
    EXPECT_EQ(view.list.selected, c.redoneSelected);
    EXPECT_TRUE(frm.State().Modified);
    ExpectMasks();
    EXPECT_FALSE(frm.Update(CommandId::actRedo));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EachStep,
    ::testing::Values(
        StepCase{"delete", [](UndoTest& t) { t.frm.Execute(CommandId::actDel); }, "cdb", "cadb", 1, 1},
        StepCase{"edit",
                 [](UndoTest& t) {
                     t.Edit([](TfrmSub& sub, test::FakeSubView& f) {
                         f.texts[SubField::txtTitle] = "X";
                         sub.cmdSaveClick();
                     });
                     t.frm.Execute(CommandId::actEdit);
                 },
                 "cXdb", "cadb", 1, 1},
        StepCase{"two added, one step each",
                 [](UndoTest& t) {
                     t.Edit([](TfrmSub& sub, test::FakeSubView& f) {
                         for (const char* title : {"X", "Y"}) {
                             f.texts[SubField::txtTitle] = title;
                             f.texts[SubField::txtPassWord] = "pw";
                             sub.cmdSaveClick();
                         }
                         sub.cmdCloseClick();
                     });
                     t.frm.Execute(CommandId::actNew);
                 },
                 "cadbXY", "cadbX", 4, 5},
        StepCase{"drag",
                 [](UndoTest& t) {
                     t.view.list.SelectRow(0);
                     t.frm.Drag().lsvListStartDrag();
                     t.frm.Drag().lsvListDragDrop(10, 2 * t.view.list.rowHeight + 5);
                     t.frm.Drag().lsvListEndDrag();
                 },
                 "adcb", "cadb", 0, 2},
        StepCase{"Alt+Down", [](UndoTest& t) { t.frm.Execute(CommandId::actMoveDown); }, "cdab", "cadb", 1, 2},
        StepCase{"sort", [](UndoTest& t) { t.frm.List().lsvListColumnClick(0); }, "abcd", "cadb", 3,
                 1}, // the entry selected after the sort ("b") is followed
        StepCase{"password CSV import, one step",
                 [](UndoTest& t) {
                     t.files.files["C:/in.csv"] =
                         "name,url,username,password,note\r\nX,http://x.example,u,p,\r\nY,http://y.example,u,p,\r\n";
                     t.view.csvFile = FilePath("C:/in.csv");
                     t.view.onCsvPreview = [](TfrmPreview& preview) { preview.Accepted = true; };
                     t.frm.Execute(CommandId::mnuPasswordCsvImport);
                 },
                 "cadbXY", "cadb", 3, 5}));

TEST_F(UndoTest, AnEditSavedUnchangedOrCancelledIsNoStep) {
    Edit([](TfrmSub& sub, test::FakeSubView&) { sub.cmdSaveClick(); });
    frm.Execute(CommandId::actEdit);
    Edit([](TfrmSub& sub, test::FakeSubView&) { sub.cmdCloseClick(); });
    frm.Execute(CommandId::actEdit);
    EXPECT_FALSE(frm.Update(CommandId::actUndo));
}

TEST_F(UndoTest, ANewChangeDropsWhatCouldBeMadeAgainAndStepsGoBackInTurn) {
    frm.Execute(CommandId::actDel);    // "a"
    frm.Execute(CommandId::actMoveUp); // "d" to the top
    frm.Execute(CommandId::actUndo);
    frm.Execute(CommandId::actUndo);
    EXPECT_EQ(Titles(), "cadb");
    EXPECT_EQ(frm.History().RedoSteps(), 2);
    frm.Execute(CommandId::actMoveDown);
    EXPECT_EQ(frm.History().RedoSteps(), 0);
    EXPECT_FALSE(frm.Update(CommandId::actRedo));
}

TEST_F(UndoTest, NotWhileADragRunsOrADialogIsOpen) {
    frm.Execute(CommandId::actDel);
    frm.Drag().lsvListStartDrag();
    EXPECT_FALSE(frm.Update(CommandId::actUndo));
    frm.Drag().lsvListEndDrag();
    frm.Lock().DialogShown(true);
    EXPECT_FALSE(frm.Update(CommandId::actUndo));
    frm.Lock().DialogShown(false);
    EXPECT_TRUE(frm.Update(CommandId::actUndo));
}

TEST_F(UndoTest, UnderASearchTextTheRestoredEntryIsShown) {
    Add("ax");
    frm.List().edtSearchChange("a"); // rows: a, ax
    view.list.SelectRow(0);
    frm.Execute(CommandId::actDel);
    frm.Execute(CommandId::actUndo);
    EXPECT_EQ(Titles(), "cadbax");
    EXPECT_EQ(frm.List().RowCount(), 2);
    EXPECT_EQ(frm.List().SelectedEntry(), 1);
    ExpectMasks();
}

TEST_F(UndoTest, AtMostAHundredSteps) {
    for (int i = 0; i < 60; ++i) {
        frm.Execute(CommandId::actMoveDown);
        frm.Execute(CommandId::actMoveUp);
    }
    EXPECT_EQ(frm.History().UndoSteps(), 100);
}

TEST_F(UndoTest, TheHistoryHoldsNoMoreThanTheListAboveItsFloor) {
    const std::size_t memo = MainUndo::kFloorBytes / 3;
    items.Clear();
    for (const char* title : {"a", "b", "c", "d", "e", "f", "g", "h"})
        Add(title, memo);
    frm.List().RefreshList(0);
    for (int deleted = 1; deleted <= 7; ++deleted) {
        frm.Execute(CommandId::actDel);
        std::size_t listBytes = 0;
        for (int i = 0; i < items.Count(); ++i)
            listBytes += TextBytes(items.At(i));
        EXPECT_LE(frm.History().HeldBytes(), std::max(listBytes, MainUndo::kFloorBytes)) << deleted;
        EXPECT_GE(frm.History().UndoSteps(), 1) << deleted; // the floor keeps the last deletion
    }
    EXPECT_EQ(frm.History().UndoSteps(), 2); // one memo left in the list: the floor holds two
    frm.Execute(CommandId::actUndo);
    frm.Execute(CommandId::actUndo);
    EXPECT_EQ(Titles(), "fgh");
}

} // namespace
} // namespace tobrix
