#include "app/Main.h"

#include "app/MainSearch.h"
#include "store/Data.h"
#include "store/DataFile.h"
#include "store/ItemDataList.h"
#include "store/Protected.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"
#include "support/Scramble.h"

#include <gtest/gtest.h>

#include <deque>

namespace tobrix {
namespace {

const std::string kFolder = "C:/Program Files/Tobrix";
const std::string kExe = kFolder + "/Tobrix.exe";
const std::string kData = kFolder + "/Tobrix.DAT";

// The master password's dialogs as the user fills them.
class Fields final : public PasswordView, public LockFieldsView {
public:
    std::string password, current;
    int minutes = 0;
    bool onSessionLock = true;
    bool closed = false;
    Secret Password(PasswordField field) const override {
        const std::string& text = field == PasswordField::Current ? current : password;
        return Secret(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    void ClearPassword(PasswordField) override {}
    void Focus(PasswordField) override {}
    bool RemoveChecked() const override { return false; }
    void Close(bool) override { closed = true; }
    void SetBusy(bool) override {}
    int LockMinutes() const override { return minutes; }
    void SetLockMinutes(int m) override { minutes = m; }
    bool LockOnSessionLock() const override { return onSessionLock; }
    void SetLockOnSessionLock(bool on) override { onSessionLock = on; }
};

// A running window whose data file is protected with "pw", with three entries, the second
// selected.
class LockTest : public ::testing::Test, protected test::FakeServices {
protected:
    LockTest() {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
        view.search.onClear = [this] { frm.List().edtSearchChange(""); };
        files.files[kData] = test::Scramble("bank\x08me\x08secret1\x08memo\x08https://bank.example\r\n"
                                            "mail\x08you\x08secret2\x08\x08\r\nshop\x08\x08secret3\x08\x08\r\n");
        frm.FormCreate();
        view.onMasterPasswordDialog = [](TfrmMasterPassword& dialog) {
            Fields fields;
            dialog.Attach(fields, fields);
            fields.password = "pw";
            dialog.cmdOKClick();
            dialog.Detach();
        };
        messages.answer = true;
        frm.Execute(CommandId::mnuMasterPassword);
        messages.answer = false;
        messages.shown.clear();
        view.list.SelectRow(1);
    }
    // The user gives these passwords at the question, one per showing, then cancels.
    void Answer(std::deque<std::string> answers) {
        view.onPasswordDialog = [answers](TfrmPassword& prompt) mutable {
            Fields fields;
            prompt.Attach(fields);
            while (!fields.closed) {
                if (answers.empty()) {
                    prompt.cmdCancelClick();
                    break;
                }
                fields.password = answers.front();
                answers.pop_front();
                prompt.cmdOKClick();
            }
            prompt.Detach();
        };
    }
    // The data file's clear text, opened with the password.
    std::string FileText(const std::string& password = "pw") {
        const std::string& file = files.files.at(kData);
        ProtectedHeader header;
        EXPECT_EQ(ParseProtectedHeader(file, header), HeaderStatus::Ok);
        const std::string_view pw = password;
        const MasterKey key = MasterKey::Derive(crypto, {reinterpret_cast<const std::uint8_t*>(pw.data()), pw.size()},
                                                header.salt, header.iterations);
        std::string text;
        EXPECT_EQ(key.Open(crypto, file, text), MasterKey::OpenStatus::Ok);
        return text;
    }
    bool Locked() { return frm.Lock().Locked(); }

    test::FakeMainView view;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, kExe};
};

TEST_F(LockTest, TheLockSavesEndsThePasteClearsTheClipboardAndKeepsNothingOfAnEntry) {
    items.AppendNew().Title = "added";
    frm.RefreshList(3);
    frm.SetModified();
    frm.List().edtSearchChange("a"); // bank, mail, added
    view.list.SelectRow(1);          // mail
    frm.Execute(CommandId::actAutoPaste);
    const int offers = clipboard.offers;

    frm.Execute(CommandId::mnuLock);
    ASSERT_TRUE(Locked());
    EXPECT_TRUE(view.locked);
    EXPECT_EQ(frm.State().PasteStep, 0);
    EXPECT_EQ(clipboard.offers, offers + 1); // the field handed over last gives way to an empty promise
    EXPECT_NE(FileText().find("added"), std::string::npos);
    // Nothing left to show: no entry, no row, no folded copy, no key, and no command that reads one.
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(view.list.rowCount, 0);
    EXPECT_FALSE(frm.List().Index().Holds(0));
    EXPECT_FALSE(frm.Session().HasMasterKey());
    for (const CommandInfo& info : kCommands) {
        const CommandId id = info.id;
        EXPECT_EQ(frm.Update(id), id == CommandId::mnuLock || id == CommandId::mnuExit || id == CommandId::mnuContents ||
                                      id == CommandId::mnuSearchforHelp || id == CommandId::actAbout ||
                                      id == CommandId::actTopLock || id == CommandId::mnuShard)
            << static_cast<int>(id);
    }

    // Closing now writes nothing, asks nothing.
    const std::string saved = files.files.at(kData);
    messages.shown.clear();
    EXPECT_TRUE(frm.FormCloseQuery());
    EXPECT_TRUE(frm.QueryEndSession());
    EXPECT_EQ(files.files.at(kData), saved);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LockTest, TheLockForgetsWhatCouldBeTakenBack) {
    frm.Execute(CommandId::actDel);
    frm.Execute(CommandId::actMoveUp);
    frm.Execute(CommandId::actUndo);
    ASSERT_TRUE(frm.History().CanUndo() && frm.History().CanRedo() && frm.History().HeldBytes() > 0);
    frm.Execute(CommandId::mnuLock);
    EXPECT_EQ(frm.History().HeldBytes(), 0u);
    EXPECT_FALSE(frm.History().CanUndo() || frm.History().CanRedo());
}

TEST_F(LockTest, UnlockAsksUntilTheRightPasswordAndBringsTheListBackAsItWas) {
    view.list.topRow = 1;
    std::string searched;
    view.search.onText = [&](std::string_view text) { searched = text; };
    frm.List().edtSearchChange("i"); // mail alone
    const int selectedEntry = frm.List().SelectedEntry();
    settings.ClipboardClear = true;
    frm.Execute(CommandId::actPcopy);
    ASSERT_EQ(clipboard.text, "secret2");
    frm.Execute(CommandId::mnuLock);
    EXPECT_EQ(clipboard.text, std::nullopt);
    view.list.topRow = 0;
    searched.clear();

    Answer({"wrong"});
    frm.Execute(CommandId::mnuLock);
    EXPECT_TRUE(Locked());
    Answer({"wrong", "pw"});
    frm.Lock().cmdUnlockClick();
    ASSERT_FALSE(Locked());
    EXPECT_EQ(messages.shown.back().text, sjis<u8"マスターパスワードが違います。">());
    EXPECT_FALSE(view.locked);
    EXPECT_EQ(items.Count(), 3);
    EXPECT_TRUE(frm.Session().HasMasterKey());
    EXPECT_EQ(searched, "i");
    EXPECT_TRUE(frm.List().Filtering());
    EXPECT_EQ(frm.List().SelectedEntry(), selectedEntry);
    EXPECT_EQ(view.list.topRow, 1);
}

TEST_F(LockTest, UnlockReadsTheFileAgainAndStaysLockedWhileItCannotBeRead) {
    frm.Execute(CommandId::mnuLock);
    // Meanwhile another computer's copy came through a sync folder: one entry more.
    {
        ItemDataList other;
        ParseDataText(FileText() + "sync\x08\x08s\x08\x08\r\n", false, other);
        const std::string_view pw = "pw";
        const MasterKey key = MasterKey::Create(crypto, {reinterpret_cast<const std::uint8_t*>(pw.data()), 2});
        SaveDataFile(files, kData, other, DataFormat{&crypto, &key});
    }
    files.locked.insert(kData);
    Answer({"pw"});
    frm.Execute(CommandId::mnuLock);
    EXPECT_TRUE(Locked());
    EXPECT_EQ(view.passwordDialogs, 0); // nothing asked of a file that cannot be read
    ASSERT_EQ(messages.Errors().size(), 1u);
    EXPECT_NE(messages.Errors()[0].find(sjis<u8"ロックを解除できません。しばらくしてから">()), std::string::npos);

    files.locked.clear();
    frm.Execute(CommandId::mnuLock);
    ASSERT_FALSE(Locked());
    ASSERT_EQ(items.Count(), 4);
    EXPECT_EQ(items.At(3).Title, "sync");
    EXPECT_EQ(frm.List().SelectedEntry(), 1);
}

TEST_F(LockTest, IdleTimeSessionLockAndSleepLockAsTheSettingsSay) {
    // The idle time counts from the last input; the timer waits for what is left.
    EXPECT_EQ(view.starts[MainTimer::LockIdle].back(), 10 * 60'000);
    clock.Advance(9 * 60'000);
    frm.Lock().UserInput();
    clock.Advance(60'000);
    frm.Lock().timLockIdleTimer();
    EXPECT_FALSE(Locked());
    EXPECT_EQ(view.starts[MainTimer::LockIdle].back(), 9 * 60'000);
    clock.Advance(9 * 60'000);
    frm.Lock().timLockIdleTimer();
    EXPECT_TRUE(Locked());
    Answer({"pw"});
    frm.Execute(CommandId::mnuLock);

    for (const bool on : {true, false}) {
        settings.LockOnSessionLock = on;
        for (const bool suspend : {false, true}) {
            suspend ? frm.Lock().Suspending() : frm.Lock().SessionLocked();
            EXPECT_EQ(Locked(), on) << on << suspend;
            Answer({"pw"});
            frm.Lock().cmdUnlockClick();
        }
    }

    // Never by itself with 0 minutes, and nothing at all without a master password.
    settings.LockMinutes = 0;
    frm.Lock().SettingsChanged();
    EXPECT_FALSE(view.timers[MainTimer::LockIdle]);
    clock.Advance(100 * 60'000);
    frm.Lock().timLockIdleTimer();
    EXPECT_FALSE(Locked());
}

TEST_F(LockTest, ADialogPutsTheLockOffUntilItClosesAndStopsTheIdleTime) {
    frm.Lock().DialogShown(true);
    EXPECT_FALSE(view.timers[MainTimer::LockIdle]);
    frm.Lock().SessionLocked();
    clock.Advance(60 * 60'000);
    frm.Lock().timLockIdleTimer();
    EXPECT_FALSE(Locked());
    EXPECT_EQ(items.Count(), 3); // the dialog's entry is still there
    frm.Lock().DialogShown(false);
    EXPECT_TRUE(view.timers[MainTimer::LockIdle]);
    EXPECT_FALSE(Locked()); // the command that showed the dialog ends first
    frm.Lock().DialogShown(true); // a message box after it
    frm.Lock().timLockIdleTimer();
    EXPECT_FALSE(Locked());
    frm.Lock().DialogShown(false);
    frm.Lock().timLockIdleTimer();
    EXPECT_TRUE(Locked());
}

TEST_F(LockTest, ASaveThatFailsGoesToARecoveryFileAndSavedNowhereTheWindowStaysUnlocked) {
    frm.SetModified();
    files.readOnly.insert(kData);
    files.noNewFiles = {kFolder, files.localDataFolder};
    frm.Execute(CommandId::mnuLock);
    EXPECT_FALSE(Locked());
    EXPECT_EQ(items.Count(), 3);
    ASSERT_EQ(messages.Errors().size(), 1u);
    EXPECT_NE(messages.Errors()[0].find(sjis<u8"ロックしませんでした">()), std::string::npos);

    files.noNewFiles.clear();
    messages.shown.clear();
    frm.Execute(CommandId::mnuLock);
    EXPECT_TRUE(Locked());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'W');
    EXPECT_NE(messages.shown[0].text.find("Tobrix.recovered.DAT"), std::string::npos);
    EXPECT_TRUE(files.files.count(kFolder + "/Tobrix.recovered.DAT"));
}

TEST_F(LockTest, TheSettingDialogChangesTheLockAloneWithoutAPassword) {
    view.onMasterPasswordDialog = [](TfrmMasterPassword& dialog) {
        Fields fields;
        dialog.Attach(fields, fields);
        EXPECT_EQ(fields.minutes, 10);
        EXPECT_TRUE(fields.onSessionLock);
        fields.minutes = 3;
        fields.onSessionLock = false;
        dialog.cmdOKClick();
        EXPECT_TRUE(fields.closed);
        EXPECT_EQ(dialog.Outcome, TfrmMasterPassword::Result::LockOnly);
    };
    const std::string file = files.files.at(kData);
    frm.Execute(CommandId::mnuMasterPassword);
    EXPECT_EQ(settings.LockMinutes, 3);
    EXPECT_FALSE(settings.LockOnSessionLock);
    EXPECT_EQ(view.starts[MainTimer::LockIdle].back(), 3 * 60'000);
    EXPECT_EQ(files.files.at(kData), file); // the password and the file stay as they were
    frm.FormDestroy();
    EXPECT_EQ(registry.sections.at("Setting").at("LockMinutes").text, "3");
}

} // namespace
} // namespace tobrix
