#include "editor/Sub.h"

#include "common/Error.h"

#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeCrypto.h"
#include "support/FakeGenerateView.h"
#include "support/FakePlatform.h"
#include "support/FakeSubView.h"

#include <gtest/gtest.h>


namespace tobrix {
namespace {

using test::FakeSubView;

class FakeHost final : public SubHost {
public:
    std::vector<int> refreshed;
    int modified = 0;
    void RefreshList(int index) override { refreshed.push_back(index); }
    void SetModified() override { ++modified; }
    test::FakeCrypto crypto;
    TSettings settings = DefaultSettings();
    Crypto& GeneratorRandom() override { return crypto; }
    TSettings& GeneratorSettings() override { return settings; }
};

class SubTest : public ::testing::Test {
protected:
    TfrmSub Open(bool edit, int index = -1) {
        TfrmSub sub(items, host, sound, messages, desktop, reader);
        sub.EditMode = edit;
        sub.ItemIndex = index;
        return sub;
    }
    void Show(TfrmSub& sub) {
        sub.Attach(view);
        sub.FormShow();
    }
    void AddEntry(const std::string& title, const std::string& password) {
        TVirtualItem& it = items.AppendNew();
        it.Title = title;
        it.UserID = "user-" + title;
        it.Password = password;
        it.MaskedPassword = std::string(password.size(), '*');
        it.Memo = "memo-" + title;
        it.URL = "http://" + title + "/";
    }

    ItemDataList items;
    FakeHost host;
    test::FakeSound sound;
    test::FakeMessages messages;
    test::FakeDesktop desktop;
    test::FakeBrowserAddressReader reader;
    FakeSubView view;
};

TEST_F(SubTest, AddingKeepsThePresetsAndSavesThreeEntriesInARow) {
    TfrmSub sub = Open(false);
    Show(sub);
    EXPECT_EQ(view.caption, sjis<u8"アイテムの登録">());
    EXPECT_EQ(view.texts[SubField::txtHTML], "http://www.");

    view.Type("a", "ua", "pa", "ma", "http://a/");
    sub.cmdSaveClick();
    view.Type("b", "", "pb");
    sub.cmdSaveClick();
    view.Type("c", "uc", "pc");
    sub.cmdSaveClick();

    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items.At(0).URL, "http://a/");
    EXPECT_EQ(items.At(1).URL, "http://www."); // the untouched preset is stored as it is
    EXPECT_EQ(items.At(2).Title, "c");
    EXPECT_EQ(host.refreshed, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(host.modified, 3);
    EXPECT_FALSE(view.closed);
    // Ready for the next one.
    EXPECT_EQ(view.texts[SubField::txtTitle], "");
    EXPECT_EQ(view.texts[SubField::txtUser], "");
    EXPECT_EQ(view.texts[SubField::txtPassWord], "");
    EXPECT_EQ(view.texts[SubField::txtMemo], "");
    EXPECT_EQ(view.texts[SubField::txtHTML], "http://www.");
    EXPECT_EQ(view.focused.back(), SubField::txtTitle);
    EXPECT_TRUE(sound.beeps.empty());
}

TEST_F(SubTest, ASavedEntryIsCompleteAndShowsItsPasswordPlain) {
    TfrmSub sub = Open(false);
    Show(sub);
    view.Type("   ", "u", "\x83\x70\x83\x58", "m"); // a title of spaces counts as filled
    sub.cmdSaveClick();
    ASSERT_EQ(items.Count(), 1);
    const TVirtualItem& it = items.At(0);
    EXPECT_EQ(it.Title, "   ");
    EXPECT_EQ(it.UserID, "u");
    EXPECT_EQ(it.Password, "\x83\x70\x83\x58");
    EXPECT_EQ(it.MaskedPassword, "\x83\x70\x83\x58");
    EXPECT_EQ(it.Memo, "m");
    EXPECT_EQ(it.ImageIndex, -1);
    EXPECT_EQ(it.StateBits, 0u);
}

TEST_F(SubTest, AnEmptyTitleOrPasswordIsRefusedWithABeep) {
    TfrmSub sub = Open(false);
    Show(sub);
    view.Type("", "u", "p");
    sub.cmdSaveClick();
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});
    EXPECT_EQ(view.focused, std::vector<SubField>{SubField::txtTitle});
    view.Type("t", "u", "");
    sub.cmdSaveClick();
    EXPECT_EQ(sound.beeps, (std::vector<unsigned>{0, 0}));
    EXPECT_EQ(view.focused.back(), SubField::txtPassWord);
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(host.modified, 0);
    EXPECT_TRUE(host.refreshed.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SubTest, EditingShowsThePlainPasswordOverwritesInPlaceAndCloses) {
    AddEntry("a", "pa");
    AddEntry("b", "pb");
    AddEntry("c", "pc");
    TfrmSub sub = Open(true, 1);
    Show(sub);
    EXPECT_EQ(view.caption, sjis<u8"アイテムの編集">());
    EXPECT_EQ(view.texts[SubField::txtTitle], "b");
    EXPECT_EQ(view.texts[SubField::txtUser], "user-b");
    EXPECT_EQ(view.texts[SubField::txtPassWord], "pb"); // not the asterisks
    EXPECT_EQ(view.texts[SubField::txtMemo], "memo-b");
    EXPECT_EQ(view.texts[SubField::txtHTML], "http://b/");

    TVirtualItem* const record = &items.At(1);
    view.Type("a0", "u", "new");
    sub.cmdSaveClick();
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(&items.At(1), record); // same record, same place, even though it now sorts first
    EXPECT_EQ(record->Title, "a0");
    EXPECT_EQ(record->MaskedPassword, "new");
    EXPECT_EQ(record->URL, "http://b/");
    EXPECT_EQ(host.refreshed, std::vector<int>{1});
    EXPECT_EQ(host.modified, 1);
    EXPECT_TRUE(view.closed);
}

TEST_F(SubTest, CancelStoresNothing) {
    AddEntry("a", "pa");
    TfrmSub sub = Open(true, 0);
    Show(sub);
    view.Type("changed", "changed", "changed");
    sub.cmdCloseClick();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(items.At(0).Title, "a");
    EXPECT_EQ(host.modified, 0);
    EXPECT_TRUE(host.refreshed.empty());
}

TEST_F(SubTest, CaptureFillsTheAddressOrResetsItWithTheInformationBeep) {
    TfrmSub sub = Open(false);
    Show(sub);
    view.Type("t", "u", "p", "m", "http://typed.by.hand/");
    sub.cmdGetClick(); // no browser
    reader.Answer(std::nullopt);
    EXPECT_EQ(view.texts[SubField::txtHTML], "http://www.");
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0x40});

    desktop.AddChild(desktop.AddTopLevel("Page - Microsoft Internet Explorer"), "Edit", "http://captured/");
    sub.cmdGetClick();
    EXPECT_EQ(view.texts[SubField::txtHTML], "http://captured/");
    EXPECT_EQ(view.texts[SubField::txtTitle], "t"); // nothing else changes
    EXPECT_TRUE(view.focused.empty());
    EXPECT_EQ(sound.beeps.size(), 1u);
}

TEST_F(SubTest, TheTitleMarkersAreTriedFirstAndTodaysBrowsersOnlyWhenTheyFindNothing) {
    desktop.AddTopLevel("Shop - Google Chrome", "Chrome_WidgetWin_1");
    const WindowHandle old =
        desktop.AddChild(desktop.AddTopLevel("Shop - Microsoft Internet Explorer"), "Edit", "http://old.example/");
    TfrmSub sub = Open(false);
    Show(sub);
    sub.cmdGetClick();
    EXPECT_EQ(view.texts[SubField::txtHTML], "http://old.example/");
    EXPECT_EQ(reader.starts, 0);

    desktop.Get(old).hung = true; // the old capture fails, here for a browser that does not answer
    sub.cmdGetClick();
    EXPECT_EQ(reader.starts, 1);
    EXPECT_TRUE(view.capturing);
    EXPECT_EQ(view.texts[SubField::txtHTML], "http://old.example/"); // untouched while reading
    sub.cmdGetClick();                                               // one reading at a time
    EXPECT_EQ(reader.starts, 1);

    reader.Answer("https://shop.example/");
    EXPECT_FALSE(view.capturing);
    EXPECT_EQ(view.texts[SubField::txtHTML], "https://shop.example/");
    EXPECT_TRUE(sound.beeps.empty());
    EXPECT_EQ(reader.cancels, 0);

    sub.cmdGetClick(); // a new reading once the last has answered
    EXPECT_EQ(reader.starts, 2);
    reader.Answer(std::nullopt);
    EXPECT_FALSE(view.capturing);
    EXPECT_EQ(view.texts[SubField::txtHTML], "http://www.");
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0x40});
}

TEST_F(SubTest, AReadingIsDroppedWhenTheWindowGoesAndItsLateAnswerTouchesNothing) {
    {
        TfrmSub sub = Open(false);
        Show(sub);
        view.Type("t", "u", "p", "m", "http://typed/");
        sub.cmdGetClick();
        ASSERT_EQ(view.capturingChanges, 1);
        sub.Detach();
        EXPECT_EQ(reader.cancels, 1);
        reader.Answer("https://late.example/");
        EXPECT_EQ(view.texts[SubField::txtHTML], "http://typed/");
        EXPECT_EQ(view.capturingChanges, 1);
        EXPECT_TRUE(sound.beeps.empty());
    }
    EXPECT_EQ(reader.cancels, 1); // nothing left to drop

    {
        TfrmSub sub = Open(false);
        Show(sub);
        sub.cmdGetClick();
    } // the editor goes without its window telling
    EXPECT_EQ(reader.cancels, 2);
}

TEST_F(SubTest, ACaptureOfAnEmptyAddressEmptiesTheField) {
    desktop.AddChild(desktop.AddTopLevel("Netscape"), "Edit", "");
    TfrmSub sub = Open(false);
    Show(sub);
    sub.cmdGetClick();
    EXPECT_EQ(view.texts[SubField::txtHTML], "");
    EXPECT_TRUE(sound.beeps.empty());
}

TEST_F(SubTest, EnteringTheAddressPutsTheCaretAtItsEnd) {
    TfrmSub sub = Open(false);
    Show(sub);
    sub.txtHTMLEnter();
    EXPECT_EQ(view.caretAtEnd, std::vector<SubField>{SubField::txtHTML});
}

TEST_F(SubTest, TextThatCodePage932CannotHoldIsRefusedFieldByFieldAndNothingIsStored) {
    AddEntry("a", "pa");
    TfrmSub sub = Open(true, 0);
    Show(sub);
    view.notCp932 = {SubField::txtPassWord, SubField::txtHTML};
    sub.cmdSaveClick();
    view.notCp932.erase(SubField::txtPassWord);
    sub.cmdSaveClick();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].kind, 'W');
    EXPECT_EQ(messages.shown[0].text, Substitute(kMsgNotCp932, sjis<u8"パスワード">()));
    EXPECT_EQ(messages.shown[1].text, Substitute(kMsgNotCp932, sjis<u8"HPアドレス">()));
    EXPECT_EQ(view.focused, (std::vector<SubField>{SubField::txtPassWord, SubField::txtHTML}));
    EXPECT_EQ(items.At(0).Password, "pa");
    EXPECT_EQ(host.modified, 0);
    EXPECT_FALSE(view.closed);

    view.notCp932 = {SubField::txtMemo};
    view.texts[SubField::txtTitle] = ""; // the empty title is answered first, as always
    sub.cmdSaveClick();
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});
    EXPECT_EQ(view.focused.back(), SubField::txtTitle);
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(SubTest, LookAlikesAreTakenInTitleMemoAndAddressButRefusedInTheCredentials) {
    const std::string wave = "\x81\x60"; // what a pasted wave dash becomes where it is taken
    const struct {
        SubField field;
        bool refused;
    } cases[] = {
        {SubField::txtTitle, false}, {SubField::txtUser, true},  {SubField::txtPassWord, true},
        {SubField::txtMemo, false},  {SubField::txtHTML, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.field));
        items.Clear();
        messages.shown.clear();
        AddEntry("a", "pa");
        TfrmSub sub = Open(true, 0);
        Show(sub);
        view.closed = false;
        view.texts[c.field] = "x" + wave;
        view.lookAlike = {c.field};
        sub.cmdSaveClick();
        EXPECT_EQ(view.closed, !c.refused);
        const TVirtualItem& item = items.At(0);
        const std::string saved[] = {item.Title, item.UserID, item.Password, item.Memo, item.URL};
        EXPECT_EQ(saved[static_cast<int>(c.field)] == "x" + wave, !c.refused);
        EXPECT_EQ(messages.shown.size(), c.refused ? 1u : 0u);
    }
}

TEST_F(SubTest, AnErrorWhileSavingIsShownAsItIsAndTheDialogStaysOpen) {
    TfrmSub sub = Open(false);
    Show(sub);
    view.failReads = true;
    sub.cmdSaveClick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'P');
    EXPECT_EQ(messages.shown[0].text, kMsgOutOfMemory);
    EXPECT_FALSE(view.closed);
    EXPECT_EQ(items.Count(), 0);
}

} // namespace
} // namespace tobrix

namespace tobrix {
namespace {

TEST_F(SubTest, AGeneratedPasswordReplacesThePasswordFieldOnlyWhenUsed) {
    TfrmSub sub = Open(false);
    Show(sub);
    view.Type("t", "u", "old");
    view.onGenerator = [](TfrmGenerate& generate) {
        test::FakeGenerateView window;
        generate.Attach(window);
        generate.FormShow();
        generate.cmdCancelClick();
    };
    sub.cmdGenerateClick();
    EXPECT_EQ(view.texts[SubField::txtPassWord], "old");

    std::string shown;
    view.onGenerator = [&](TfrmGenerate& generate) {
        test::FakeGenerateView window;
        generate.Attach(window);
        generate.FormShow();
        shown = window.password;
        generate.cmdUseClick();
    };
    sub.cmdGenerateClick();
    EXPECT_EQ(view.texts[SubField::txtPassWord], shown);
    EXPECT_EQ(view.focused.back(), SubField::txtPassWord);
    sub.cmdSaveClick();
    EXPECT_EQ(items.At(0).Password, shown);
}

} // namespace
} // namespace tobrix
