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

class ClipboardClearTest : public ::testing::Test, protected test::FakeServices {
protected:
    ClipboardClearTest() {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
    }
    // Starts with one entry, selected, and the settings in the registry.
    void Start() {
        frm.FormCreate();
        TVirtualItem& it = items.AppendNew();
        it.Title = "title";
        it.UserID = "user";
        it.Password = "\x82\xD0\x82\xDD"; // ひみ
        it.Memo = "memo";
        it.URL = "http://x/";
        frm.List().RefreshList(0);
    }
    // The clearing's timer fires, as the window's timer message makes it.
    void Tick() {
        if (view.timers[MainTimer::ClipboardClear])
            frm.ClipboardClear().timClearTimer();
    }
    const std::vector<int>& Starts() { return view.starts[MainTimer::ClipboardClear]; }

    test::FakeMainView view;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, "C:\\T\\Tobrix.exe"};
};

TEST_F(ClipboardClearTest, ACopiedPasswordLeavesTheClipboardAfterTheDelayOnce) {
    Start();
    EXPECT_TRUE(view.checks.at(CommandId::mnuClearClipboard)); // on by default
    frm.Execute(CommandId::actPcopy);
    EXPECT_EQ(clipboard.text, "\x82\xD0\x82\xDD");
    EXPECT_TRUE(clipboard.secret);
    EXPECT_EQ(Starts(), std::vector<int>{20000});
    Tick();
    EXPECT_FALSE(clipboard.text.has_value());
    EXPECT_FALSE(view.timers[MainTimer::ClipboardClear]); // once: the timer is stopped
    frm.ClipboardClear().timClearTimer();                 // a late tick changes nothing
    frm.FormDestroy();
    EXPECT_EQ(clipboard.clears, 1);
}

TEST_F(ClipboardClearTest, TheDelayIsTheStoredOneAndASecondCopyStartsItAgain) {
    registry.SetText("Setting", "ClipboardClearSeconds", "2");
    Start();
    frm.Execute(CommandId::actPcopy);
    frm.Execute(CommandId::actPcopy);
    EXPECT_EQ(Starts(), (std::vector<int>{2000, 2000}));
    Tick(); // the second copy is the one on the clipboard, and it goes
    EXPECT_FALSE(clipboard.text.has_value());
}

TEST_F(ClipboardClearTest, WhatWasPutOnTheClipboardSinceStays) {
    Start();
    frm.Execute(CommandId::actPcopy);
    clipboard.SetByAnotherProgram("other");
    Tick();
    EXPECT_EQ(clipboard.text, "other");

    frm.Execute(CommandId::actPcopy);
    frm.Execute(CommandId::actTcopy);
    Tick();
    EXPECT_EQ(clipboard.text, "title");

    frm.Execute(CommandId::actPcopy);
    frm.Execute(CommandId::actAutoPaste);
    Tick();
    EXPECT_TRUE(clipboard.promised); // the continuous paste goes on
    EXPECT_EQ(clipboard.clears, 0);
}

TEST_F(ClipboardClearTest, CopiesOfTheOtherFieldsAreNotTakenOff) {
    Start();
    for (const CommandId id : {CommandId::actTcopy, CommandId::actUcopy, CommandId::actMcopy, CommandId::actHcopy}) {
        frm.Execute(id);
        EXPECT_TRUE(clipboard.text.has_value());
        EXPECT_FALSE(clipboard.secret);
    }
    EXPECT_TRUE(Starts().empty());
    frm.FormDestroy();
    EXPECT_EQ(clipboard.text, "http://x/");
}

TEST_F(ClipboardClearTest, APasswordStillOnTheClipboardGoesAtExitAndAtTheEndOfTheSession) {
    Start();
    frm.Execute(CommandId::actPcopy);
    frm.SessionEnding();
    EXPECT_FALSE(clipboard.text.has_value());
    frm.Execute(CommandId::actPcopy);
    frm.FormDestroy();
    EXPECT_FALSE(clipboard.text.has_value());
    EXPECT_EQ(clipboard.clears, 2);
}

TEST_F(ClipboardClearTest, SwitchedOffNothingIsTakenOffAndAWaitingPasswordStays) {
    Start();
    frm.Execute(CommandId::actPcopy);
    frm.Execute(CommandId::mnuClearClipboard);
    EXPECT_FALSE(view.checks.at(CommandId::mnuClearClipboard));
    EXPECT_FALSE(view.timers[MainTimer::ClipboardClear]);
    frm.ClipboardClear().timClearTimer(); // a tick already under way
    EXPECT_EQ(clipboard.text, "\x82\xD0\x82\xDD");
    frm.Execute(CommandId::actPcopy);
    EXPECT_EQ(Starts().size(), 1u);
    EXPECT_TRUE(clipboard.secret); // still kept out of the clipboard history
    EXPECT_TRUE(frm.FormCloseQuery());
    frm.FormDestroy();
    EXPECT_EQ(clipboard.text, "\x82\xD0\x82\xDD");
    EXPECT_EQ(registry.sections.at("Setting").at("ClipboardClear").text, "0");

    // The next start keeps it off; switched on again, the copies go once more.
    TfrmMain again{view, Services(), items, settings, "C:\\T\\Tobrix.exe"};
    again.FormCreate();
    EXPECT_FALSE(view.checks.at(CommandId::mnuClearClipboard));
    again.Execute(CommandId::mnuClearClipboard);
    EXPECT_TRUE(view.checks.at(CommandId::mnuClearClipboard));
    again.List().RefreshList(0);
    again.Execute(CommandId::actPcopy);
    again.FormDestroy();
    EXPECT_FALSE(clipboard.text.has_value());
}

TEST_F(ClipboardClearTest, AClipboardHeldByAnotherProgramIsTriedAgainWithinASecond) {
    Start();
    frm.Execute(CommandId::actPcopy);
    clipboard.heldFor = 2;
    Tick();
    Tick();
    EXPECT_TRUE(clipboard.text.has_value());
    Tick();
    EXPECT_FALSE(clipboard.text.has_value());
    EXPECT_EQ(Starts(), (std::vector<int>{20000, 250, 250}));

    frm.Execute(CommandId::actPcopy);
    clipboard.heldFor = 100; // never let go: given up after the last try
    for (int i = 0; i < 10; ++i)
        Tick();
    EXPECT_TRUE(clipboard.text.has_value());
    EXPECT_FALSE(view.timers[MainTimer::ClipboardClear]);
    EXPECT_EQ(Starts().size(), 3u + 1u + 4u);
}

} // namespace
} // namespace tobrix
