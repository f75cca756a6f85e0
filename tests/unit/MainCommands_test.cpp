#include "app/Main.h"

#include "about/About.h"
#include "app/AddressToOpen.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"
#include "support/FakeSubView.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

class CommandsTest : public ::testing::Test, protected test::FakeServices {
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
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, "C:\\T\\Tobrix.exe"};
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

TEST_F(CommandsTest, EveryCommandHasACaptionAndDistinctIdsAndShortcuts) {
    std::vector<unsigned> keys;
    std::vector<CommandId> ids;
    for (const CommandInfo& info : kCommands) {
        EXPECT_FALSE(info.caption.empty());
        EXPECT_EQ(std::count(ids.begin(), ids.end(), info.id), 0) << info.caption;
        ids.push_back(info.id);
        if (info.shortcut.key != 0) {
            EXPECT_EQ(std::count(keys.begin(), keys.end(), info.shortcut.key), 0) << info.caption;
            keys.push_back(info.shortcut.key);
        }
    }
}

// Which entry commands a selected entry enables: the rules of the table below.
struct EnablingCase {
    const char* what;
    TVirtualItem entry;
    bool html, tcopy, ucopy, pcopy, mcopy, paste; // actHTML and actHcopy share their rule
};

class Enabling : public CommandsTest, public ::testing::WithParamInterface<EnablingCase> {};

TEST_P(Enabling, FollowsTheSelectedEntry) {
    const EnablingCase& c = GetParam();
    Start(0);
    items.Append(std::make_unique<TVirtualItem>(c.entry));
    view.list.rowCount = 1;
    view.list.SelectRow(0);
    const MainCommands& commands = frm.Commands();
    EXPECT_TRUE(commands.Update(CommandId::actEdit) && commands.Update(CommandId::actDel));
    EXPECT_EQ(commands.Update(CommandId::actHTML), c.html);
    EXPECT_EQ(commands.Update(CommandId::actHcopy), c.html);
    EXPECT_EQ(commands.Update(CommandId::actTcopy), c.tcopy);
    EXPECT_EQ(commands.Update(CommandId::actUcopy), c.ucopy);
    EXPECT_EQ(commands.Update(CommandId::actPcopy), c.pcopy);
    EXPECT_EQ(commands.Update(CommandId::actMcopy), c.mcopy);
    EXPECT_EQ(commands.Update(CommandId::actAutoPaste), c.paste);
}

TVirtualItem Entry(std::string title, std::string user, std::string password, std::string memo, std::string url) {
    return {-1, 0, std::move(title), std::move(user), std::move(password), {}, std::move(memo), std::move(url)};
}

INSTANTIATE_TEST_SUITE_P(
    Table, Enabling,
    ::testing::Values(
        EnablingCase{"every field", Entry("t", "u", "p", "m", "http://x/"), true, true, true, true, true, true},
        EnablingCase{"the preset address", Entry("t", "u", "p", "", "http://www."), false, true, true, true, false, true},
        EnablingCase{"the preset in capitals", Entry("t", "", "p", "", "HTTP://WWW."), true, true, false, true, false, true},
        EnablingCase{"the preset and a blank", Entry("t", "", "", "m", "http://www. "), true, true, false, false, true, true},
        EnablingCase{"a longer address", Entry("", "", "", "", "http://www.a"), true, false, false, false, false, false},
        EnablingCase{"no address", Entry("t", "u", "", "", ""), false, true, true, false, false, true}),
    [](const ::testing::TestParamInfo<EnablingCase>& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            name += *p == ' ' ? '_' : *p;
        return name;
    });

TEST_F(CommandsTest, WithoutASelectedRowNoEntryCommandRunsWhicheverWayItIsInvoked) {
    Start(3);
    for (const CommandInfo& info : kCommands) {
        if (info.id == CommandId::actNew || info.id == CommandId::actAbout || info.id >= CommandId::actTopLock)
            continue;
        EXPECT_FALSE(frm.Update(info.id)) << info.caption;
        frm.Execute(info.id);                // menu, context menu, toolbar, shortcut
        frm.Commands().Execute(info.id);
    }
    frm.Commands().actDelExecute(); // even called directly
    frm.Commands().actPcopyExecute();
    frm.Commands().actHTMLExecute();
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(view.subDialogs, 0);
    EXPECT_FALSE(clipboard.text.has_value());
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(sound.beeps.empty());
    EXPECT_FALSE(frm.State().Modified);
}

TEST_F(CommandsTest, DeleteSelectsTheEntryThatTookItsPlaceAndShowsItsPassword) {
    registry.SetText("Setting", "HidePass", "1");
    frm.FormCreate();
    for (int i = 0; i < 5; ++i) {
        TVirtualItem& it = items.AppendNew();
        it.Title = "t" + std::to_string(i);
        it.Password = "p" + std::to_string(i);
        it.MaskedPassword = "**";
    }
    frm.List().RefreshList(2);
    frm.Execute(CommandId::actDel); // row 2 of 5
    ASSERT_EQ(items.Count(), 4);
    EXPECT_EQ(items.At(2).Title, "t3");
    EXPECT_EQ(view.list.selected, 2);
    EXPECT_EQ(items.At(2).MaskedPassword, "p3");
    EXPECT_TRUE(frm.State().Modified);

    frm.List().RefreshList(3);
    frm.Execute(CommandId::actDel); // the last row
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(view.list.selected, 2);
    EXPECT_EQ(items.At(2).MaskedPassword, "p3");

    while (items.Count() > 0)
        frm.Execute(CommandId::actDel); // down to the only row, then none
    EXPECT_EQ(view.list.rowCount, 0);
    EXPECT_EQ(view.list.selected, -1);
    EXPECT_FALSE(frm.Update(CommandId::actDel));
}

TEST_F(CommandsTest, CopiesPutTheStoredBytesOnTheClipboardAndThePlainPassword) {
    registry.SetText("Setting", "HidePass", "1");
    frm.FormCreate();
    items.Append(std::make_unique<TVirtualItem>(Entry("\x83\x5E", "u", "\x82\xD0\x82\xDD", "", "http://x/")));
    items.At(0).MaskedPassword = "****";
    frm.List().RefreshList(0);
    frm.Execute(CommandId::actPcopy);
    EXPECT_EQ(clipboard.text, "\x82\xD0\x82\xDD");
    frm.Execute(CommandId::actTcopy);
    EXPECT_EQ(clipboard.text, "\x83\x5E");
    frm.Execute(CommandId::actMcopy); // no memo: the clipboard keeps what it held
    EXPECT_EQ(clipboard.text, "\x83\x5E");

    clipboard.failOpen = true;
    EXPECT_EQ(test::ErrorOf([&] { frm.Execute(CommandId::actHcopy); }), kMsgCannotOpenClipboard);
}

TEST(AddressFor, OpensWebAddressesAndLocalPagesAndRefusesTheRestSayingWhy) {
    const std::string_view opens{}; // no refusal
    const struct {
        const char* url;
        const char* target; // what the shell gets; empty when refused
        std::string_view refusal;
    } cases[] = {
        // Web and mail addresses, as they are; blanks at the ends dropped.
        {"http://a/", "http://a/", opens},
        {"HTTPS://a/b?c=1", "HTTPS://a/b?c=1", opens},
        {"ftp://f/", "ftp://f/", opens},
        {"mailto:a@b", "mailto:a@b", opens},
        {" \thttp://a/ ", "http://a/", opens},
        {"http://www. ", "http://www.", opens},
        {"www.example.jp", "http://www.example.jp", opens},
        {"WWW.x\\..\\y.exe", "http://WWW.x\\..\\y.exe", opens}, // never a path in the current folder
        // Local HTML pages with a drive letter, as a local path.
        {"C:\\dir\\x.html", "C:\\dir\\x.html", opens},
        {"c:/dir/X.HTM", "c:\\dir\\X.HTM", opens},
        {"C:\\dir\\..\\x.htm", "C:\\dir\\..\\x.htm", opens},
        {"file:///C:/My%20Pages/x.html", "C:\\My Pages\\x.html", opens},
        {"FILE:///c:\\x.HTML", "c:\\x.HTML", opens},
        {"file:///C%3A/x.html", "C:\\x.html", opens},
        // Other local files: a program would be started.
        {"C:\\x.html.exe", "", kMsgNotHtmlFile},
        {"C:\\Windows\\notepad.exe", "", kMsgNotHtmlFile},
        {"C:\\x.exe:page.html", "", kMsgNotHtmlFile}, // a stream of a program file
        {"C:\\x.html.", "", kMsgNotHtmlFile},
        {"C:\\x\x81.html", "", kMsgNotHtmlFile}, // no dot of its own before "html"
        {"file:///C:/x.bat", "", kMsgNotHtmlFile},
        // Other computers: opening one hands over the user's credentials.
        {"\\\\host\\share\\x.html", "", kMsgNetworkAddress},
        {"//host/share/x.html", "", kMsgNetworkAddress},
        {"\\\\?\\UNC\\host\\share\\x.html", "", kMsgNetworkAddress},
        {"file://host/share/x.html", "", kMsgNetworkAddress},
        {"file:////host/share/x.html", "", kMsgNetworkAddress},
        {"file:\\\\host\\share\\x.html", "", kMsgNetworkAddress},
        // A bare host name, as an http address.
        {"example.com/login", "http://example.com/login", opens},
        {"\x95\x5C.jp/x", "http://\x95\x5C.jp/x", opens}, // its second byte is no backslash
        // Anything else.
        {"example.com:8080/x", "", kMsgNotAnAddress}, // a colon: written with http:// it opens
        {"http:\\\\host", "", kMsgNotAnAddress},
        {"javascript:alert(1)", "", kMsgNotAnAddress},
        {"notepad", "", kMsgNotAnAddress},
        {"dir/x.html", "", kMsgNotAnAddress},
        {"a b.com", "", kMsgNotAnAddress},
        {"a\x81\x40.com", "", kMsgNotAnAddress}, // a full-width blank
        {"x.com\\y", "", kMsgNotAnAddress},
        {"C:x.html", "", kMsgNotAnAddress},
        {"file:///etc/x.html", "", kMsgNotAnAddress},
        {"file:///C:/%E3%81%82.html", "", kMsgNotAnAddress}, // UTF-8 escapes name no CP932 path
        {"file:///C:/x%2.html", "", kMsgNotAnAddress},
        {"  ", "", kMsgNotAnAddress},
    };
    for (const auto& c : cases) {
        const AddressToOpen got = AddressFor(c.url);
        EXPECT_EQ(got.target, c.target) << c.url;
        EXPECT_EQ(got.refusal, c.refusal) << c.url;
    }
}

TEST_F(CommandsTest, ARefusedAddressBeepsAndSaysWhyAndAnotherOpensMaximised) {
    frm.FormCreate();
    items.Append(std::make_unique<TVirtualItem>(Entry("t", "", "p", "", "C:\\Windows\\notepad.exe")));
    items.Append(std::make_unique<TVirtualItem>(Entry("t", "", "p", "", "example.jp/a")));
    frm.List().RefreshList(0);
    frm.Execute(CommandId::actHTML);
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'W');
    EXPECT_EQ(messages.shown[0].text, kMsgNotHtmlFile);
    view.list.SelectRow(1);
    frm.Execute(CommandId::actHTML);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].first, "http://example.jp/a");
    EXPECT_EQ(shell.opened[0].second, Shell::Show::Maximized);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(frm.State().Modified);
}

} // namespace
} // namespace tobrix
