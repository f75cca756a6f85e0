#include "app/Main.h"

#include "about/About.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeFiles.h"
#include "support/FakeMainView.h"
#include "support/FakePlatform.h"
#include "support/FakeSubView.h"
#include "support/FakeRegistry.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

class CommandsTest : public ::testing::Test {
protected:
    CommandsTest() {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
    }
    void Start(int entries) {
        frm.FormCreate();
        for (int i = 0; i < entries; ++i) {
            TVirtualItem& it = items.AppendNew();
            it.Title = "t" + std::to_string(i);
            it.Password = "p" + std::to_string(i);
        }
        view.list.rowCount = entries;
    }

    test::FakeMainView view;
    test::FakeRegistry registry;
    test::FakeFiles files;
    test::FakeMessages messages;
    test::FakeSound sound;
    test::FakeDesktop desktop;
    test::FakeShell shell;
    test::ByteCollation collation;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view,  MainServices{registry, files, messages, sound, desktop, shell, collation},
                 items, settings,
                 "C:\\T\\Tobrix.exe"};
};

TEST_F(CommandsTest, AddOpensTheEditorForNewEntriesAndItsSavesReachTheList) {
    Start(0);
    view.onSubDialog = [](TfrmSub& sub) {
        EXPECT_FALSE(sub.EditMode);
        EXPECT_EQ(sub.ItemIndex, -1);
        test::FakeSubView user;
        sub.Attach(user);
        sub.FormShow();
        for (const char* title : {"one", "two", "three"}) {
            user.texts[SubField::txtTitle] = title;
            user.texts[SubField::txtPassWord] = "secret";
            sub.cmdSaveClick();
        }
        sub.cmdCloseClick();
    };
    frm.Commands().Execute(CommandId::actNew);
    EXPECT_EQ(view.subDialogs, 1);
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items.At(2).Title, "three");
    EXPECT_EQ(view.list.rowCount, 3);
    EXPECT_EQ(view.list.selected, 2); // the last one added
    EXPECT_TRUE(frm.State().Modified);
}

TEST_F(CommandsTest, EditIsDisabledWithoutASelectionAndNeverRuns) {
    Start(2);
    EXPECT_FALSE(frm.Commands().Update(CommandId::actEdit));
    frm.Commands().Execute(CommandId::actEdit);
    frm.Commands().lsvListDblClick();
    EXPECT_EQ(view.subDialogs, 0);
    EXPECT_TRUE(frm.Commands().Update(CommandId::actNew));
    EXPECT_TRUE(frm.Commands().Update(CommandId::actAbout));
}

TEST_F(CommandsTest, EditAndDoubleClickOpenTheEditorOnTheSelectedEntry) {
    Start(3);
    view.list.SelectRow(1);
    std::vector<int> opened;
    view.onSubDialog = [&](TfrmSub& sub) {
        EXPECT_TRUE(sub.EditMode);
        opened.push_back(sub.ItemIndex);
    };
    ASSERT_TRUE(frm.Commands().Update(CommandId::actEdit));
    frm.Commands().Execute(CommandId::actEdit);
    frm.Commands().lsvListDblClick();
    EXPECT_EQ(opened, (std::vector<int>{1, 1}));
    EXPECT_FALSE(frm.State().Modified); // opening and cancelling changes nothing
}

TEST_F(CommandsTest, AboutBeepsAndShowsTheBox) {
    Start(0);
    frm.Commands().Execute(CommandId::actAbout);
    EXPECT_EQ(view.aboutDialogs, 1);
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});
}

TEST_F(CommandsTest, EveryCommandHasACaptionAndTheShortcutsAreDistinct) {
    std::vector<unsigned> keys;
    for (const CommandInfo& info : kCommands) {
        EXPECT_FALSE(info.caption.empty());
        if (info.shortcut.key != 0) {
            EXPECT_EQ(std::count(keys.begin(), keys.end(), info.shortcut.key), 0) << info.caption;
            keys.push_back(info.shortcut.key);
        }
    }
}

} // namespace
} // namespace tobrix
