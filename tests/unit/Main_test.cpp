#include "app/Main.h"

#include "app/Startup.h"
#include "common/Error.h"
#include "store/Data.h"
#include "store/DataFile.h"
#include "store/ItemDataList.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"
#include "support/Scramble.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

// Paths the host's file system type can take apart, as the recovery files need.
const std::string kFolder = "C:/Program Files/Tobrix";
const std::string kExe = kFolder + "/Tobrix.exe";
const std::string kData = kFolder + "/Tobrix.DAT";
const std::string kRecovered = kFolder + "/Tobrix.recovered.DAT";
const std::string kLocalFolder = "C:/Users/me/AppData/Local/Tobrix";

// Data file lines of entries that have only a title.
std::string Lines(std::initializer_list<const char*> titles) {
    std::string text;
    for (const char* title : titles)
        text += std::string(title) + "\x08\x08\x08\x08\r\n";
    return text;
}

class MainTest : public ::testing::Test, protected test::FakeServices {
protected:
    MainTest() {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
    }

    void WriteDataFile(const std::string& clear) { files.files[kData] = test::Scramble(clear); }
    const test::FakeRegistry::Value& Stored(const std::string& name) {
        return registry.sections.at("Setting").at(name);
    }
    // Closes the window as the user does; false when it stays open.
    bool CloseWindow() {
        if (!frm.FormCloseQuery())
            return false;
        frm.FormDestroy();
        return true;
    }
    void AddEntry(const std::string& title) {
        items.AppendNew().Title = title;
        frm.State().SetModified();
    }
    // A read-only data file and no folder that takes a recovery file, with an entry added.
    void EntriesCanGoNowhere() {
        WriteDataFile("old\r\n");
        frm.FormCreate();
        files.readOnly.insert(kData);
        files.noNewFiles = {kFolder, kLocalFolder};
        AddEntry("new");
    }
    // What the messages say first when the read-only data file could not be saved.
    static std::string SaveFailed() {
        return Substitute(sjis<u8"データファイル %s を保存できませんでした（%s）。">(),
                          {kData, Substitute(kMsgCannotCreate, kData)});
    }

    test::FakeMainView view;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, kExe};
};

TEST_F(MainTest, FirstStartUsesDefaultsAndTheFirstExitStoresThemWithoutADataFile) {
    frm.FormCreate();
    EXPECT_TRUE(view.setBoundsCalls.empty()); // the platform's placement stays
    EXPECT_EQ(std::vector<int>(view.columnWidths, view.columnWidths + 5), (std::vector<int>{200, 150, 220, 130, 150}));
    EXPECT_EQ(view.topMostCalls, std::vector<bool>{false});
    EXPECT_FALSE(view.checks.at(CommandId::actTopLock) || view.checks.at(CommandId::mnuHide) ||
                 view.checks.at(CommandId::mnuShard));
    // No data file: nothing to select, and the empty list says where to begin.
    EXPECT_EQ(view.list.calls, std::vector<std::string>{"count 0"});
    EXPECT_NE(view.list.emptyText.find("Ctrl+A"), std::string::npos);
    EXPECT_FALSE(frm.Update(CommandId::mnuLock)); // no master password: nothing to lock with
    EXPECT_EQ(frm.State().DataFileName, kData);
    EXPECT_EQ(frm.State().SelIndex, -1);
    EXPECT_TRUE(messages.shown.empty());

    view.bounds = {10, 20, 700, 500};
    view.columnWidths[3] = 99;
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(registry.sections.at("Setting").size(), 28u);
    EXPECT_EQ(Stored("Left").text, "10");
    EXPECT_EQ(Stored("Top").text, "20");
    EXPECT_EQ(Stored("Width").text, "700");
    EXPECT_EQ(Stored("Height").text, "500");
    EXPECT_EQ(Stored("ColWidth3").text, "99");
    EXPECT_EQ(Stored("Comma").text, "1");
    EXPECT_TRUE(files.files.empty());
}

struct GeometryCase {
    int left, top, width, height;
    bool applied;
};

class MainGeometry : public MainTest, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(MainGeometry, AppliedOnlyWhenAllFourAreNonZero) {
    const GeometryCase c = GetParam();
    registry.SetText("Setting", "Left", std::to_string(c.left));
    registry.SetText("Setting", "Top", std::to_string(c.top));
    registry.SetText("Setting", "Width", std::to_string(c.width));
    registry.SetText("Setting", "Height", std::to_string(c.height));
    frm.FormCreate();
    if (c.applied)
        EXPECT_EQ(view.setBoundsCalls, (std::vector<WindowBounds>{{c.left, c.top, c.width, c.height}}));
    else
        EXPECT_TRUE(view.setBoundsCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, MainGeometry,
                         ::testing::Values(GeometryCase{100, 80, 900, 565, true}, GeometryCase{-1200, -8, 640, 480, true},
                                           GeometryCase{0, 80, 900, 565, false}, GeometryCase{100, 0, 900, 565, false},
                                           GeometryCase{100, 80, 0, 565, false}, GeometryCase{100, 80, 900, 0, false}));

TEST_F(MainTest, StoredOptionsSetCheckMarksTopMostAndColumnWidths) {
    registry.SetText("Setting", "OnTop", "1");
    registry.SetText("Setting", "HidePass", "5");
    registry.SetText("Setting", "ColWidth4", "321");
    frm.FormCreate();
    EXPECT_TRUE(view.checks.at(CommandId::actTopLock));
    EXPECT_EQ(view.topMostCalls, std::vector<bool>{true});
    EXPECT_TRUE(view.checks.at(CommandId::mnuHide));
    EXPECT_FALSE(view.checks.at(CommandId::mnuShard));
    EXPECT_EQ(view.columnWidths[4], 321);
}

TEST_F(MainTest, EntriesAreShownWithTheFirstRowSelectedAndItsPasswordPlain) {
    registry.SetText("Setting", "HidePass", "1");
    WriteDataFile("a\x08u\x08pw1\x08m\x08h\r\nb\x08u\x08pw2\x08m\x08h\r\n");
    frm.FormCreate();
    EXPECT_EQ(view.list.calls, (std::vector<std::string>{"count 2", "select 0"}));
    EXPECT_EQ(frm.State().SelIndex, 0);
    EXPECT_EQ(items.At(0).MaskedPassword, "pw1");
    EXPECT_EQ(items.At(1).MaskedPassword, "***");
    EXPECT_FALSE(frm.State().Modified);
}

TEST_F(MainTest, AnUnchangedListIsNotWrittenAtExit) {
    WriteDataFile("a\x08u\x08p\x08m\x08h\r\n");
    const std::string before = files.files.at(kData);
    frm.FormCreate();
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(files.files.at(kData), before);
    EXPECT_EQ(files.createTempCalls, 0);
    EXPECT_EQ(registry.sections.at("Setting").size(), 28u); // the settings are saved anyway
}

TEST_F(MainTest, AChangedListIsWrittenAtExit) {
    WriteDataFile("a\x08u\x08p\x08m\x08h\r\n");
    frm.FormCreate();
    AddEntry("new");
    EXPECT_TRUE(frm.FormCloseQuery());
    EXPECT_EQ(test::Scramble(files.files.at(kData)), "a\x08u\x08p\x08m\x08h\r\nnew\x08\x08\x08\x08\r\n");
    const std::string saved = files.files.at(kData);
    frm.FormDestroy(); // the entries are not written a second time
    EXPECT_EQ(files.createTempCalls, 1);
    EXPECT_EQ(files.files.at(kData), saved);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainTest, ASettingsErrorIsShownAndTheEntriesAreStillRead) {
    registry.SetBinary("Setting", "Shard");
    WriteDataFile("a\x08u\x08p\x08m\x08h\r\n");
    frm.FormCreate();
    EXPECT_EQ(messages.Errors(),
              std::vector<std::string>{Substitute(sjis<u8"'%s' のデータ型が不正です">(), "Shard") + "."});
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(view.columnWidths[0], 200);
    EXPECT_EQ(view.list.selected, 0);
}

TEST_F(MainTest, AnUnreadableDataFileIsReportedAndNeverOverwritten) {
    WriteDataFile("old\r\n");
    files.locked.insert(kData);
    frm.FormCreate();
    EXPECT_EQ(messages.Errors(), std::vector<std::string>{Substitute(kMsgCannotOpen, kData) + "."});
    EXPECT_EQ(items.Count(), 0);

    AddEntry("typed after the failure");
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(test::Scramble(files.files.at(kData)), "old\r\n");
    ASSERT_EQ(files.files.count(kRecovered), 1u);
    EXPECT_EQ(test::Scramble(files.files.at(kRecovered)), "typed after the failure\x08\x08\x08\x08\r\n");
    ASSERT_EQ(messages.shown.back().kind, 'W');
    EXPECT_NE(messages.shown.back().text.find(kRecovered), std::string::npos);

    // Later saves go to that file, which this run wrote itself: nothing to ask about.
    AddEntry("later");
    messages.shown.clear();
    EXPECT_TRUE(frm.FormCloseQuery());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(test::Scramble(files.files.at(kRecovered)), Lines({"typed after the failure", "later"}));
}

TEST_F(MainTest, ARecoveryFileNeverReplacesAnEarlierOne) {
    files.files[kData] = "x";
    files.locked.insert(kData);
    files.files[kRecovered] = "earlier";
    frm.FormCreate();
    frm.State().SetModified();
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(files.files.at(kRecovered), "earlier");
    EXPECT_EQ(files.files.count(kFolder + "/Tobrix.recovered-2.DAT"), 1u);
}

// Where the entries go at a close when the data file cannot take them; the user is told once.
struct RecoveryCase {
    const char* what;
    bool unreadable;           // at start; else the data file is read-only at exit
    bool programFolderRefuses; // takes no new file
    std::string recovery;
};

class MainRecovery : public MainTest, public ::testing::WithParamInterface<RecoveryCase> {};

TEST_P(MainRecovery, EntriesTheDataFileCannotTakeGoToARecoveryFileBesideItOrInTheUsersOwnFolder) {
    const RecoveryCase c = GetParam();
    WriteDataFile("old\r\n");
    (c.unreadable ? files.locked : files.readOnly).insert(kData);
    if (c.programFolderRefuses)
        files.noNewFiles.insert(kFolder);
    frm.FormCreate();
    messages.shown.clear();
    AddEntry("kept");

    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(test::Scramble(files.files.at(kData)), "old\r\n");
    ASSERT_EQ(files.files.count(c.recovery), 1u);
    EXPECT_EQ(test::Scramble(files.files.at(c.recovery)), std::string(c.unreadable ? "" : "\x08\x08\x08\x08old\r\n") +
                                                              "kept\x08\x08\x08\x08\r\n");
    EXPECT_EQ(files.files.size(), 2u);
    ASSERT_EQ(messages.shown.size(), 1u);
    const std::string& text = messages.shown[0].text;
    EXPECT_EQ(messages.shown[0].kind, 'W');
    const std::string failure =
        c.unreadable ? Substitute(sjis<u8"データファイル %s は起動時に読み込めなかったため、上書きしませんでした。">(), kData)
                     : SaveFailed();
    EXPECT_EQ(text.rfind(failure, 0), 0u) << text;
    EXPECT_NE(text.find(c.recovery), std::string::npos);
    EXPECT_NE(text.find(sjis<u8"すべてのパスワード">()), std::string::npos);
    // Told at the close: the next start keeps quiet about it.
    EXPECT_EQ(Stored("RecoveryShown").text, std::to_string(*files.LastWriteTime(c.recovery)));
}

INSTANTIATE_TEST_SUITE_P(Table, MainRecovery,
                         ::testing::Values(RecoveryCase{"ReadOnly", false, false, kRecovered},
                                           RecoveryCase{"ReadOnlyInAClosedFolder", false, true,
                                                        kLocalFolder + "/Tobrix.recovered.DAT"},
                                           RecoveryCase{"Unreadable", true, false, kRecovered},
                                           RecoveryCase{"UnreadableInAClosedFolder", true, true,
                                                        kLocalFolder + "/Tobrix.recovered.DAT"}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(MainTest, WhenNoRecoveryFileCanBeMadeEitherTheUserDecidesWhetherToCloseWithoutSaving) {
    EntriesCanGoNowhere();

    messages.answer = false; // いいえ, the default: the window stays open
    EXPECT_FALSE(frm.FormCloseQuery());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'Q');
    EXPECT_EQ(messages.shown[0].text.rfind(SaveFailed(), 0), 0u);
    EXPECT_NE(messages.shown[0].text.find(sjis<u8"保存せずに終了しますか">()), std::string::npos);

    files.noNewFiles.erase(kFolder); // room made: the next close saves
    EXPECT_TRUE(frm.FormCloseQuery());
    EXPECT_EQ(files.files.count(kRecovered), 1u);

    files.files.erase(kRecovered);
    files.noNewFiles.insert(kFolder);
    AddEntry("another");
    messages.answer = true;
    messages.shown.clear();
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(files.files, (std::map<std::string, std::string>{{kData, test::Scramble("old\r\n")}}));
}

TEST_F(MainTest, AtTheEndOfTheSessionNothingIsShownAndWindowsWaitsWhileTheEntriesCanGoNowhere) {
    EntriesCanGoNowhere();
    EXPECT_FALSE(frm.QueryEndSession());
    ASSERT_TRUE(view.shutdownBlocked);
    EXPECT_NE(view.shutdownBlocked->find("Tobrix"), std::string::npos);
    EXPECT_TRUE(messages.shown.empty());

    files.noNewFiles.erase(kLocalFolder);
    EXPECT_TRUE(frm.QueryEndSession());
    EXPECT_FALSE(view.shutdownBlocked);
    EXPECT_EQ(files.files.count(kLocalFolder + "/Tobrix.recovered.DAT"), 1u);
    frm.SessionEnding();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(registry.sections.at("Setting").count("RecoveryShown"), 0u); // nobody was told yet
}

TEST_F(MainTest, RecoveryFilesAreOfferedAtEveryStartUntilTakenInAndThenRemovedByTheSave) {
    WriteDataFile(Lines({"old"}));
    files.times[kData] = 100;
    files.files[kRecovered] = test::Scramble(Lines({"old", "lost"}));
    files.times[kRecovered] = 50; // older than the data file: still offered
    const std::string foreign = kLocalFolder + "/Tobrix.recovered.DAT";
    files.files[foreign] = "not a list of entries";
    files.times[foreign] = 200;
    frm.FormCreate(); // あとで
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].kind, 'A');
    EXPECT_NE(messages.shown[0].text.find(kRecovered), std::string::npos);
    EXPECT_EQ(messages.shown[1].kind, 'W');
    EXPECT_NE(messages.shown[1].text.find(foreign), std::string::npos);
    EXPECT_FALSE(frm.State().Modified);
    EXPECT_TRUE(CloseWindow());

    messages.shown.clear();
    items.Clear();
    TfrmMain second{view, Services(), items, settings, kExe};
    messages.choices = {0}; // 取り込む
    second.FormCreate();
    ASSERT_EQ(messages.shown.size(), 1u); // the foreign file is named once
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.At(1).Title, "lost");
    EXPECT_TRUE(second.State().Modified);
    ASSERT_TRUE(second.FormCloseQuery());
    EXPECT_EQ(test::Scramble(files.files.at(kData)), Lines({"old", "lost"}));
    EXPECT_EQ(files.files.count(kRecovered), 0u);
    EXPECT_EQ(files.files.at(foreign), "not a list of entries");
}

const std::string kSession = kFolder + "/Tobrix.autosave.DAT";

TEST_F(MainTest, AChangeReachesTheSessionFileAfterAPauseAndTheSaveRemovesIt) {
    WriteDataFile(Lines({"old"}));
    frm.FormCreate();
    AddEntry("a");
    AddEntry("b"); // within the same pause
    EXPECT_EQ(view.starts[MainTimer::Autosave], std::vector<int>{2000});
    EXPECT_EQ(files.files.count(kSession), 0u);
    frm.timAutosaveTimer();
    EXPECT_FALSE(view.timers[MainTimer::Autosave]);
    EXPECT_EQ(test::Scramble(files.files.at(kSession)), Lines({"old"}) + Lines({"a", "b"}));
    frm.timAutosaveTimer(); // nothing new, but the same again does no harm
    AddEntry("c");
    EXPECT_EQ(view.starts[MainTimer::Autosave].size(), 2u);
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(files.files.count(kSession), 0u);
    EXPECT_EQ(test::Scramble(files.files.at(kData)), Lines({"old"}) + Lines({"a", "b", "c"}));
}

TEST_F(MainTest, ASessionFileThatCannotBeWrittenIsSaidOncePerRun) {
    frm.FormCreate();
    files.noNewFiles.insert(kFolder);
    AddEntry("a");
    frm.timAutosaveTimer();
    AddEntry("b");
    frm.timAutosaveTimer();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'W');
    EXPECT_NE(messages.shown[0].text.find(kSession), std::string::npos);
    files.noNewFiles.clear();
    AddEntry("c");
    frm.timAutosaveTimer();
    EXPECT_EQ(test::Scramble(files.files.at(kSession)), Lines({"a", "b", "c"}));
}

// A session file left by a run that did not end, at the next start.
struct RestoreCase {
    const char* what;
    std::string session; // its clear text, scrambled
    std::vector<int> choices;
    bool asked, restored;
};

class MainRestore : public MainTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(MainRestore, TheLastRunsEntriesAreTakenOrKeptAsARecoveryFile) {
    const RestoreCase c = GetParam();
    WriteDataFile(Lines({"old"}));
    files.files[kSession] = test::Scramble(c.session);
    messages.choices = c.choices;
    frm.FormCreate();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown[0].kind, c.asked ? 'A' : 'W');
    if (c.asked) {
        EXPECT_EQ(messages.shown[0].text,
                  sjis<u8"前回、Tobrix は正しく終了しませんでした。保存されていない変更を復元しますか？">());
    }
    EXPECT_EQ(frm.State().Modified, c.restored);
    EXPECT_EQ(items.Count(), c.restored ? 2 : 1);
    if (!c.restored) {
        // Kept under a recovery file's name, said now, and not offered again in this run.
        EXPECT_EQ(files.files.count(kSession), 0u);
        EXPECT_EQ(test::Scramble(files.files.at(kRecovered)), c.session);
        EXPECT_EQ(messages.shown.size(), c.asked ? 2u : 1u);
        EXPECT_NE(messages.shown.back().text.find(kRecovered), std::string::npos);
    }
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(test::Scramble(files.files.at(kData)), c.restored ? Lines({"old", "lost"}) : Lines({"old"}));
    EXPECT_EQ(files.files.count(kSession), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, MainRestore,
                         ::testing::Values(RestoreCase{"Yes", Lines({"old", "lost"}), {0}, true, true},
                                           RestoreCase{"No", Lines({"old", "lost"}), {1}, true, false},
                                           RestoreCase{"NotAList", "\x01\x02", {}, false, false}),
                         [](const auto& info) { return std::string(info.param.what); });

// The data file changed on the disk while the window was open: entries a and b were read,
// a deleted here and "mine" added; the other writer added "theirs".
struct DiskCase {
    const char* what;
    std::vector<int> choices; // at the question
    bool endOfSession;        // instead of a close
    std::string written;      // the data file afterwards
    bool asked = true, closes = true;
};

class MainChangedOnDisk : public MainTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(MainChangedOnDisk, IsNeverOverwrittenUnasked) {
    const DiskCase c = GetParam();
    WriteDataFile(Lines({"a", "b"}));
    frm.FormCreate();
    items.Remove(0);
    AddEntry("mine");
    const std::string theirs = c.what == std::string("OnlyTouched") ? Lines({"a", "b"}) : Lines({"a", "b", "theirs"});
    WriteDataFile(theirs);
    files.Touch(kData);
    messages.choices = c.choices;
    messages.shown.clear();
    if (c.endOfSession) {
        EXPECT_TRUE(frm.QueryEndSession());
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(test::Scramble(files.files.at(kRecovered)), Lines({"b", "mine"}));
    } else {
        EXPECT_EQ(CloseWindow(), c.closes);
        ASSERT_EQ(messages.shown.size(), c.asked ? 1u : 0u);
    }
    EXPECT_EQ(test::Scramble(files.files.at(kData)), c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MainChangedOnDisk,
    ::testing::Values(DiskCase{"Merge", {0}, false, Lines({"b", "mine", "a", "theirs"})},
                      DiskCase{"Overwrite", {1}, false, Lines({"b", "mine"})},
                      DiskCase{"Cancel", {2}, false, Lines({"a", "b", "theirs"}), true, false},
                      DiskCase{"EndOfSession", {}, true, Lines({"a", "b", "theirs"})},
                      DiskCase{"OnlyTouched", {}, false, Lines({"b", "mine"}), false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(MainTest, AnUnreadableDataFileWithoutChangesWritesNothing) {
    files.files[kData] = "x";
    files.locked.insert(kData);
    frm.FormCreate();
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(MainTest, ASettingsFailureAtExitDoesNotCostTheEntries) {
    frm.FormCreate();
    registry.failCreateSection = true;
    AddEntry("keep me");
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(messages.Errors(),
              std::vector<std::string>{Substitute(sjis<u8"キー %s の作成に失敗しました">(), "Setting") + "."});
    EXPECT_EQ(test::Scramble(files.files.at(kData)), "keep me\x08\x08\x08\x08\r\n");
}

TEST_F(MainTest, SessionEndSavesLikeAnExitAndOnlyOnce) {
    WriteDataFile("a\r\n");
    frm.FormCreate();
    AddEntry("b");
    view.bounds = {1, 2, 3, 4};
    EXPECT_TRUE(frm.QueryEndSession());
    EXPECT_EQ(test::Scramble(files.files.at(kData)), "\x08\x08\x08\x08" "a\r\nb\x08\x08\x08\x08\r\n");
    frm.SessionEnding();
    EXPECT_EQ(Stored("Width").text, "3");
    EXPECT_EQ(files.createTempCalls, 1);
    EXPECT_TRUE(CloseWindow()); // if the session goes on after all, nothing new to write
    EXPECT_EQ(files.createTempCalls, 1);
    EXPECT_TRUE(frm.State().Modified);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainTest, NoSelectionEventCountsOnceTheWindowIsGoingAway) {
    WriteDataFile("a\x08\x08pa\x08\x08\r\nb\x08\x08pb\x08\x08\r\n");
    registry.SetText("Setting", "HidePass", "1");
    frm.FormCreate();
    frm.FormDestroy();
    frm.State().PasteStep = 2;
    frm.List().lsvListSelectItem(1, true);
    EXPECT_EQ(frm.State().PasteStep, 0);
    EXPECT_EQ(frm.State().SelIndex, 0);
    EXPECT_EQ(items.At(1).MaskedPassword, "**");
}

TEST_F(MainTest, ExitClosesTheWindowAndShowAndAFontChangeMeasureTheLineHeight) {
    frm.FormCreate();
    view.textHeight = 17;
    frm.FormShow();
    EXPECT_EQ(frm.State().LineHeight, 17);
    view.textHeight = 34; // a monitor of twice the DPI
    frm.ListFontChanged();
    EXPECT_EQ(frm.State().LineHeight, 34);
    EXPECT_FALSE(view.closed);
    frm.mnuExitClick();
    EXPECT_TRUE(view.closed);
}

TEST_F(MainTest, SortDirectionsStartAscending) {
    frm.FormCreate();
    for (int i = 0; i < kColumnCount; ++i)
        EXPECT_EQ(frm.List().SortOrder(i), 1);
}

TEST_F(MainTest, TopMostIsSwitchedFromItsCommandAndRemembered) {
    frm.FormCreate();
    frm.Execute(CommandId::actTopLock);
    EXPECT_TRUE(settings.OnTop);
    EXPECT_TRUE(view.checks.at(CommandId::actTopLock));
    frm.Execute(CommandId::actTopLock);
    EXPECT_EQ(view.topMostCalls, (std::vector<bool>{false, true, false}));
    frm.Execute(CommandId::actTopLock);
    frm.FormDestroy();
    EXPECT_EQ(Stored("OnTop").text, "1");
    EXPECT_FALSE(frm.State().Modified); // options are no change of the entries
}

TEST_F(MainTest, TheShadeRollsTheWindowUpToItsCaptionStripAndDownAgain) {
    frm.FormCreate();
    view.bounds = {100, 50, 640, 480};
    EXPECT_FALSE(frm.Options().NonClientDoubleClick(60)); // shade off: the system's own double click
    frm.Execute(CommandId::mnuShard);
    EXPECT_TRUE(settings.Shard && view.checks.at(CommandId::mnuShard));

    EXPECT_TRUE(frm.Options().NonClientDoubleClick(50 + 31)); // the menu bar: nothing at all
    EXPECT_TRUE(view.setBoundsCalls.empty());
    EXPECT_TRUE(frm.Options().NonClientDoubleClick(60)); // the caption
    EXPECT_EQ(view.bounds, (WindowBounds{100, 50, 640, 31}));
    EXPECT_EQ(settings.orgHeight, 480);
    EXPECT_TRUE(frm.Options().NonClientDoubleClick(52));
    EXPECT_EQ(view.bounds, (WindowBounds{100, 50, 640, 480}));

    frm.Options().NonClientDoubleClick(60);
    frm.Execute(CommandId::mnuShard); // switched off while rolled up: it stays rolled up
    EXPECT_FALSE(frm.Options().NonClientDoubleClick(60));
    EXPECT_EQ(view.bounds.Height, 31);
    frm.FormDestroy();
    EXPECT_EQ(Stored("orgHeight").text, "480");
    EXPECT_EQ(Stored("Height").text, "31");
    EXPECT_EQ(Stored("Shard").text, "0");
}

TEST_F(MainTest, HidingMasksEveryRowButTheSelectedOneAndKeepsTheSelection) {
    WriteDataFile("a\x08\x08pa\x08\x08\r\nb\x08\x08\x82\xA0\x82\xA2\x82\xA4\x08\x08\r\nc\x08\x08pc\x08\x08\r\n");
    frm.FormCreate();
    view.list.SelectRow(2);
    view.list.calls.clear();
    frm.Execute(CommandId::mnuHide);
    EXPECT_TRUE(settings.HidePass && view.checks.at(CommandId::mnuHide));
    EXPECT_EQ(items.At(0).MaskedPassword, "**");
    EXPECT_EQ(items.At(1).MaskedPassword, "******"); // one per byte
    EXPECT_EQ(items.At(2).MaskedPassword, "pc");
    EXPECT_EQ(view.list.calls, std::vector<std::string>{"count 3"}); // redrawn, selection untouched
    frm.Execute(CommandId::mnuHide);
    EXPECT_EQ(items.At(1).MaskedPassword, "\x82\xA0\x82\xA2\x82\xA4");
    EXPECT_FALSE(frm.State().Modified);
}

TEST_F(MainTest, HelpPrefersAWinHelpFileBesideTheProgramToTheGuide) {
    files.files[kFolder + "/Tobrix.HLP"] = "";
    files.files[kFolder + "/Tobrix.chm"] = "";
    frm.FormCreate();
    frm.Execute(CommandId::mnuContents);
    frm.Execute(CommandId::mnuSearchforHelp);
    EXPECT_EQ(help.calls, (std::vector<std::string>{"winhelp contents " + kFolder + "/Tobrix.HLP",
                                                     "winhelp index " + kFolder + "/Tobrix.HLP"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainTest, HelpOpensTheGuideAtItsContentsOrIndexAndClosesItAtExit) {
    files.directories.insert(kFolder + "/Tobrix.HLP"); // a folder of that name is no help file
    files.files[kFolder + "/Tobrix.chm"] = "";
    frm.FormCreate();
    frm.Execute(CommandId::mnuContents);
    frm.Execute(CommandId::mnuSearchforHelp);
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(help.calls, (std::vector<std::string>{"htmlhelp contents " + kFolder + "/Tobrix.chm",
                                                     "htmlhelp index " + kFolder + "/Tobrix.chm", "close all"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainTest, HelpNamesTheGuideWhenItIsMissingOrDoesNotOpen) {
    frm.FormCreate();
    frm.Execute(CommandId::mnuContents);
    EXPECT_TRUE(help.calls.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'W');
    EXPECT_EQ(messages.shown[0].text, sjis<u8"ヘルプファイル Tobrix.chm が見つかりません。">());

    files.files[kFolder + "/Tobrix.chm"] = "";
    help.htmlHelpOpens = false;
    frm.Execute(CommandId::mnuSearchforHelp);
    EXPECT_EQ(help.calls, std::vector<std::string>{"htmlhelp index " + kFolder + "/Tobrix.chm"});
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].kind, 'W');
    EXPECT_EQ(messages.shown[1].text, sjis<u8"ヘルプファイル Tobrix.chm を開けませんでした。">());
}

TEST_F(MainTest, BothExportItemsAreEnabledAndRunExactlyWhenTheListHasARow) {
    frm.FormCreate();
    EXPECT_FALSE(frm.Update(CommandId::mnuExport));
    EXPECT_FALSE(frm.Update(CommandId::mnuPasswordCsvExport));
    EXPECT_TRUE(frm.Update(CommandId::mnuInport));
    frm.Execute(CommandId::mnuExport);
    frm.Execute(CommandId::mnuPasswordCsvExport);
    EXPECT_EQ(view.exportDialogs, 0);
    EXPECT_TRUE(messages.shown.empty());
    items.AppendNew();
    EXPECT_TRUE(frm.Update(CommandId::mnuExport));
    EXPECT_TRUE(frm.Update(CommandId::mnuPasswordCsvExport));
    frm.Execute(CommandId::mnuExport);
    EXPECT_EQ(view.exportDialogs, 1);
    messages.answer = true;
    frm.Execute(CommandId::mnuPasswordCsvExport);
    EXPECT_EQ(view.csvExport.saveDialogs, 1);
}

TEST(ChangeFileExt, ReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(ChangeFileExt("/a/Tobrix.exe", ".DAT"), "/a/Tobrix.DAT");
    EXPECT_EQ(ChangeFileExt("/a/Tobrix", ".DAT"), "/a/Tobrix.DAT");
    EXPECT_EQ(ChangeFileExt("/a.b/Tobrix", ".DAT"), "/a.b/Tobrix.DAT");
    EXPECT_EQ(ChangeFileExt("/a/x.y.exe", ".HLP"), "/a/x.y.HLP");
}

TEST(SingleInstance, TheFirstInstanceGoesOn) {
    test::FakeInstanceLock lock;
    test::FakeDesktop desktop;
    test::FakeSound sound;
    EXPECT_TRUE(ClaimSingleInstance(lock, desktop, sound));
    EXPECT_EQ(lock.acquired, "Tobrix");
    EXPECT_TRUE(sound.beeps.empty());
    EXPECT_TRUE(desktop.calls.empty());
}

TEST(SingleInstance, ASecondInstanceRestoresAndRaisesTheFirstThenBeepsAndEnds) {
    test::FakeInstanceLock lock;
    lock.heldElsewhere = true;
    test::FakeDesktop desktop;
    desktop.running = 0x1234;
    desktop.minimized = true;
    test::FakeSound sound;
    EXPECT_FALSE(ClaimSingleInstance(lock, desktop, sound));
    EXPECT_EQ(desktop.lookedForClass, "TfrmMain");
    EXPECT_EQ(desktop.lookedForCaption, "Tobrix");
    EXPECT_EQ(desktop.calls, (std::vector<std::string>{"restore", "front"}));
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});

    desktop.calls.clear();
    sound.beeps.clear();
    desktop.minimized = false; // behind other windows: brought forward, size untouched
    EXPECT_FALSE(ClaimSingleInstance(lock, desktop, sound));
    EXPECT_EQ(desktop.calls, std::vector<std::string>{"front"});
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});
}

TEST(SingleInstance, WithoutTheFirstWindowYetTheSecondOnlyBeeps) {
    test::FakeInstanceLock lock;
    lock.heldElsewhere = true;
    test::FakeDesktop desktop;
    test::FakeSound sound;
    EXPECT_FALSE(ClaimSingleInstance(lock, desktop, sound));
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});
}

} // namespace
} // namespace tobrix
