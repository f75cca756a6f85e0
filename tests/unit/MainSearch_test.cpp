#include "app/Main.h"

#include "app/MainSearch.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"
#include "support/FakeSubView.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

using V = std::vector<std::string>;

TEST(SearchWords, SplitAtAsciiAndIdeographicSpacesOnly) {
    const struct {
        std::string text;
        V words;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"\x81\x40", {}},                               // an ideographic space alone
        {" bank  mail ", {"bank", "mail"}},
        {"bank\x81\x40mail", {"bank", "mail"}},
        {"\x82\x81\x40x", {"\x82\x81\x40x"}},           // ａ then "@x": 0x81 is a second byte there
        {"\x83\x5C\x81\x40\x95\x5C", {"\x83\x5C", "\x95\x5C"}}, // ソ　表
    };
    for (const auto& c : cases) {
        V words;
        for (const std::string_view word : SearchWords(c.text))
            words.emplace_back(word);
        EXPECT_EQ(words, c.words) << c.text;
    }
}

// The main window with a list of entries, the user typing into the search field.
class SearchTest : public ::testing::Test, protected test::FakeServices {
protected:
    SearchTest() {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
        view.search.onClear = [this] { frm.List().edtSearchChange(""); };
        frm.FormCreate();
    }
    void Add(const std::string& title, const std::string& user = "", const std::string& memo = "",
             const std::string& url = "", const std::string& password = "pw") {
        TVirtualItem& it = items.AppendNew();
        it.Title = title;
        it.UserID = user;
        it.Password = password;
        it.MaskedPassword = MaskFor(password, settings.HidePass, false);
        it.Memo = memo;
        it.URL = url;
        frm.List().RefreshList(0);
    }
    void Type(std::string_view text) { frm.List().edtSearchChange(text); }
    // The titles of the rows shown, top to bottom.
    V Rows() {
        V out;
        for (int row = 0; row < view.list.rowCount; ++row) {
            CellInfo cell;
            frm.List().lsvListVMGetItemInfo(row, 0, cell);
            out.emplace_back(cell.Text);
        }
        return out;
    }
    void SelectRow(int row) { view.list.SelectRow(row); }

    test::FakeMainView view;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, "C:\\T\\Tobrix.exe"};
};

TEST_F(SearchTest, EveryWordMustBeInTheTitleUserIdMemoOrAddressButNeverThePassword) {
    Add("Bank", "me@example.jp", "savings", "https://bank.example.jp", "secretword");
    Add("Mail", "me@mail.example", "", "https://mail.example", "bank");
    Add("Shop", "shopper", "bank card", "https://shop.example");
    Add("\x83\x5C\x83\x74\x83\x67", "", "", "", "\\"); // ソフト, whose first character ends in 0x5C
    const struct {
        std::string text;
        V rows;
    } cases[] = {
        {"bank", {"Bank", "Shop"}},          // title, address, memo; the other's password is not looked at
        {"BANK card", {"Shop"}},             // case, and both words
        {"card\x81\x40" "bank", {"Shop"}},   // split at an ideographic space, in any order
        {"example.jp savings", {"Bank"}},
        {"secretword", {}},
        {"kme", {}},                         // never across two fields ("Bank" then "me@...")
        {"\\", {}},                          // a second byte is never a character of its own
        {"\x83\x74", {"\x83\x5C\x83\x74\x83\x67"}},
        {"mail  ", {"Mail"}},
    };
    for (const auto& c : cases) {
        Type(c.text);
        EXPECT_EQ(Rows(), c.rows) << c.text;
        EXPECT_EQ(view.search.count, std::to_string(c.rows.size()) + " / 4 " + std::string(sjis<u8"件">()));
        EXPECT_EQ(view.list.emptyText.empty(), !c.rows.empty()) << c.text;
    }
    Type("  ");
    EXPECT_EQ(Rows(), (V{"Bank", "Mail", "Shop", "\x83\x5C\x83\x74\x83\x67"}));
    EXPECT_EQ(view.search.count, "");
}

TEST_F(SearchTest, AWordIsFoundAtEveryPlaceOfALongList) {
    // The word at every offset of a long field, across the blocks the scan reads at once;
    // every third entry has only its first half.
    int expected = 0;
    for (int i = 0; i < 300; ++i) {
        std::string memo(static_cast<std::size_t>(i % 41), 'x');
        memo += i % 3 == 0 ? "qu" : "quiz";
        memo += std::string(static_cast<std::size_t>(i % 7), 'y');
        Add("e" + std::to_string(i), "", memo);
        expected += i % 3 == 0 ? 0 : 1;
    }
    Type("quiz");
    EXPECT_EQ(view.list.rowCount, expected);
    Type("z");
    EXPECT_EQ(view.list.rowCount, expected);
    Type("qu yyyyyy");
    EXPECT_EQ(view.list.rowCount, 300 / 7);
}

TEST_F(SearchTest, CommandsActOnTheEntryOfTheSelectedRow) {
    settings.HidePass = true;
    for (const char* title : {"a1", "b1", "a2", "b2", "a3"})
        Add(title, std::string("u-") + title, "", "", std::string("p-") + title);
    Type("b");
    ASSERT_EQ(Rows(), (V{"b1", "b2"}));
    EXPECT_EQ(view.list.selected, 0); // the selected entry "a1" is not shown: the first row is
    SelectRow(1);
    EXPECT_EQ(frm.State().SelIndex, 3);
    EXPECT_EQ(items.At(3).MaskedPassword, "p-b2");
    EXPECT_EQ(items.At(1).MaskedPassword, "****");
    frm.Execute(CommandId::actPcopy);
    EXPECT_EQ(clipboard.text, "p-b2");

    // Edited so that it no longer matches, it stays shown until the text changes.
    view.onSubDialog = [](TfrmSub& sub) {
        EXPECT_EQ(sub.ItemIndex, 3);
        test::FakeSubView user;
        sub.Attach(user);
        sub.FormShow();
        user.texts[SubField::txtTitle] = "c2";
        sub.cmdSaveClick();
    };
    frm.Execute(CommandId::actEdit);
    EXPECT_EQ(Rows(), (V{"b1", "c2"}));
    EXPECT_EQ(view.list.selected, 1);

    // Deleted, the next matching row takes the selection; the entry goes from the whole list.
    SelectRow(0);
    frm.Execute(CommandId::actDel);
    EXPECT_EQ(items.Count(), 4);
    EXPECT_EQ(Rows(), (V{"c2"}));
    EXPECT_EQ(frm.State().SelIndex, 2);
    EXPECT_EQ(items.At(2).MaskedPassword, "p-b2");
    Type("a");
    EXPECT_EQ(Rows(), (V{"a1", "a2", "a3"}));
    SelectRow(2);
    frm.Execute(CommandId::actDel);
    EXPECT_EQ(Rows(), (V{"a1", "a2"}));
    EXPECT_EQ(view.list.selected, 1); // the last row, once the row after it is gone

    // A header click sorts the whole list; the text is applied again.
    frm.List().lsvListColumnClick(0);
    frm.List().lsvListColumnClick(0); // descending
    EXPECT_EQ(Rows(), (V{"a2", "a1"}));
    Type("");
    EXPECT_EQ(Rows(), (V{"c2", "a2", "a1"}));
}

TEST_F(SearchTest, AnEntryAddedWhileFilteredIsShownAndThenTheWholeListWithIt) {
    Add("alpha");
    Add("beta");
    Type("beta");
    view.onSubDialog = [](TfrmSub& sub) {
        test::FakeSubView user;
        sub.Attach(user);
        sub.FormShow();
        user.texts[SubField::txtTitle] = "gamma";
        user.texts[SubField::txtPassWord] = "secret";
        sub.cmdSaveClick();
        sub.cmdCloseClick();
    };
    frm.Execute(CommandId::actNew);
    EXPECT_EQ(Rows(), (V{"alpha", "beta", "gamma"}));
    EXPECT_EQ(view.list.selected, 2);
    EXPECT_EQ(view.search.clears, 1);
    EXPECT_FALSE(frm.List().Filtering());
}

TEST_F(SearchTest, RowsAreNotMovedWhileFiltered) {
    for (const char* title : {"a1", "b1", "a2"})
        Add(title);
    Type("a");
    SelectRow(0);
    EXPECT_FALSE(frm.Update(CommandId::actMoveDown));
    EXPECT_FALSE(frm.Drag().CanDrag());
    frm.Drag().lsvListStartDrag();
    frm.Drag().lsvListDragDrop(0, 30); // onto the second row
    frm.Drag().lsvListEndDrag();
    EXPECT_EQ(items.At(0).Title, "a1");
    EXPECT_EQ(items.At(2).Title, "a2");
    Type("");
    EXPECT_TRUE(frm.Update(CommandId::actMoveDown));
    EXPECT_TRUE(frm.Drag().CanDrag());
}

TEST_F(SearchTest, KeysOfTheFieldAndTheEmptyArea) {
    EXPECT_NE(view.list.emptyText.find("Ctrl+A"), std::string::npos); // a first start
    Add("alpha");
    EXPECT_EQ(view.list.emptyText, "");
    Type("zzz");
    EXPECT_EQ(view.list.emptyText, std::string(sjis<u8"一致する項目はありません">()));
    frm.List().edtSearchKeyDown(MainList::SearchKey::Escape); // empties the field
    EXPECT_EQ(view.search.clears, 1);
    EXPECT_EQ(Rows(), V{"alpha"});
    EXPECT_EQ(view.search.focus, "");
    frm.List().edtSearchKeyDown(MainList::SearchKey::Escape); // then back to the list
    EXPECT_EQ(view.search.focus, "list");
    frm.Execute(CommandId::actFind);
    EXPECT_EQ(view.search.focus, "search");
    Type("al");
    frm.List().edtSearchKeyDown(MainList::SearchKey::Down);
    EXPECT_EQ(view.search.focus, "list");
    EXPECT_EQ(view.list.selected, 0);
}

TEST_F(SearchTest, TheFieldsAreFoldedOnceUntilTheEntriesChange) {
    for (int i = 0; i < 50; ++i)
        Add("entry " + std::to_string(i));
    frm.List().edtSearchEnter();
    const int folds = collation.folds;
    Type("entry");
    Type("entry 4");
    Type("entry 42");
    EXPECT_EQ(collation.folds - folds, 5); // the five words only
    items.At(42).Title = "changed";
    frm.List().RefreshList(42);
    Type("entry 4");
    EXPECT_GT(collation.folds - folds, 6); // the list again
    EXPECT_EQ(Rows(), (V{"entry 4", "entry 14", "entry 24", "entry 34", "entry 40", "entry 41", "entry 43",
                         "entry 44", "entry 45", "entry 46", "entry 47", "entry 48", "entry 49"}));
}

TEST_F(SearchTest, ImportsClearTheText) {
    Add("alpha");
    Type("zzz");
    view.onInportDialog = [this](TfrmInport& inport) {
        items.AppendNew().Title = "taken";
        inport.Imported = true;
    };
    frm.Execute(CommandId::mnuInport);
    EXPECT_FALSE(frm.List().Filtering());
    EXPECT_EQ(Rows(), (V{"alpha", "taken"}));
    EXPECT_EQ(view.list.selected, 1);
}

} // namespace
} // namespace tobrix
