#include "lock/MasterPassword.h"

#include "common/Error.h"
#include "session/DataFileSession.h"
#include "store/Data.h"
#include "store/DataFile.h"
#include "store/ItemDataList.h"
#include "store/Protected.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"
#include "support/Scramble.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace tobrix {
namespace {

const std::string kFolder = "C:/Program Files/Tobrix";
const std::string kExe = kFolder + "/Tobrix.exe";
const std::string kData = kFolder + "/Tobrix.DAT";
const std::string kRecovered = kFolder + "/Tobrix.recovered.DAT";

// The dialogs' fields as the user fills them; OK and キャンセル are the test's calls.
class FakePasswordView final : public PasswordView, public LockFieldsView {
public:
    int minutes = -1;
    bool onSessionLock = false;
    int LockMinutes() const override { return minutes; }
    void SetLockMinutes(int m) override { minutes = m; }
    bool LockOnSessionLock() const override { return onSessionLock; }
    void SetLockOnSessionLock(bool on) override { onSessionLock = on; }

    std::map<PasswordField, std::string> fields;
    bool remove = false;
    std::optional<bool> closed; // OK: true
    int busy = 0;

    Secret Password(PasswordField field) const override {
        const auto it = fields.find(field);
        if (it == fields.end())
            return {};
        return Secret(reinterpret_cast<const std::uint8_t*>(it->second.data()), it->second.size());
    }
    void ClearPassword(PasswordField field) override { fields.erase(field); }
    void Focus(PasswordField) override {}
    bool RemoveChecked() const override { return remove; }
    void Close(bool ok) override { closed = ok; }
    void SetBusy(bool on) override { busy += on ? 1 : 0; }
};

class MasterPasswordTest : public ::testing::Test, protected test::FakeServices {
protected:
    // A program started afresh on the same files and settings, as at the next start.
    struct Session {
        test::FakeMainView view;
        ItemDataList items;
        DataFileState state;
        DataFileSession session;
        explicit Session(MasterPasswordTest& t)
            : session(t.files, t.messages, t.crypto, view, items, t.settings, state, kExe) {}
        void SetModified(const std::string& title) {
            items.AppendNew().Title = title;
            state.SetModified();
        }
    };

    // The user types these passwords at the start's question, one per showing, then cancels.
    void AnswerPrompt(Session& s, std::deque<std::string> answers) {
        s.view.onPasswordDialog = [answers](TfrmPassword& prompt) mutable {
            FakePasswordView dialog;
            prompt.Attach(dialog);
            while (!dialog.closed) {
                if (answers.empty()) {
                    prompt.cmdCancelClick();
                    break;
                }
                dialog.fields[PasswordField::Password] = answers.front();
                answers.pop_front();
                prompt.cmdOKClick();
            }
            prompt.Detach();
        };
    }
    // The setting dialog filled in once and confirmed.
    void FillSetting(Session& s, std::string current, std::string password, std::string confirmation,
                     bool remove = false) {
        s.view.onMasterPasswordDialog = [=, this](TfrmMasterPassword& setting) {
            FakePasswordView dialog;
            setting.Attach(dialog, dialog);
            dialog.fields[PasswordField::Current] = current;
            dialog.fields[PasswordField::New] = password;
            dialog.fields[PasswordField::Confirm] = confirmation;
            dialog.remove = remove;
            setting.cmdOKClick();
            lastSettingClosed = dialog.closed;
            setting.Detach();
        };
    }
    void SetPassword(Session& s, const std::string& password, const std::string& current = "") {
        messages.answer = true; // yes, I know a forgotten one cannot be recovered
        FillSetting(s, current, password, password);
        s.session.ChangeMasterPassword();
        messages.answer = false;
    }
    bool Close(Session& s) { return s.session.CloseQuery(); }
    static void StampChecksum(std::string& file) {
        const std::uint32_t sum = HeaderChecksum(file);
        for (int i = 0; i < 4; ++i)
            file[76 + static_cast<std::size_t>(i)] = static_cast<char>(sum >> (8 * i));
    }
    std::vector<std::string> Titles(const Session& s) {
        std::vector<std::string> titles;
        for (int i = 0; i < s.items.Count(); ++i)
            titles.push_back(s.items.At(i).Title);
        return titles;
    }
    // The data file of a first session with these entries, protected with `password`.
    void MakeProtectedFile(const std::string& password) {
        files.files[kData] = test::Scramble("mail\x08me\x08secret1\x08\x08http://a.example\r\nbank\x08\x08pin\r\n");
        Session s(*this);
        ASSERT_TRUE(s.session.Open());
        SetPassword(s, password);
        ASSERT_TRUE(Close(s));
        messages.shown.clear();
    }

    std::optional<bool> lastSettingClosed;
    TSettings settings; // as the registry keeps them from one run to the next
};

TEST_F(MasterPasswordTest, SettingOneRewritesTheFileAtOnceWithNoEntryTextAndTheNextStartAsksForIt) {
    files.files[kData] = test::Scramble("mail\x08me\x08secret1\x08\x08http://a.example\r\n");
    Session first(*this);
    ASSERT_TRUE(first.session.Open());
    SetPassword(first, "pass word");
    ASSERT_EQ(messages.shown.size(), 2u); // the warning that a forgotten one is lost, then done
    EXPECT_EQ(messages.shown[0].kind, 'Q');
    EXPECT_EQ(messages.shown[1].kind, 'I');
    const std::string written = files.files.at(kData);
    EXPECT_TRUE(IsProtectedFile(written));
    for (const char* text : {"mail", "secret1", "a.example"}) {
        EXPECT_EQ(written.find(text), std::string::npos) << text;
        EXPECT_EQ(written.find(test::Scramble(text)), std::string::npos) << text;
    }
    EXPECT_EQ(crypto.lastIterations, kDefaultIterations);
    first.SetModified("added");
    ASSERT_TRUE(Close(first));
    EXPECT_TRUE(IsProtectedFile(files.files.at(kData)));
    EXPECT_NE(files.files.at(kData), written); // changed entries, and a new nonce

    messages.shown.clear();
    Session next(*this);
    AnswerPrompt(next, {"wrong", "", "pass word"});
    ASSERT_TRUE(next.session.Open());
    EXPECT_EQ(next.view.passwordDialogs, 1);
    ASSERT_EQ(messages.shown.size(), 2u); // the wrong one and the empty one, each said
    EXPECT_EQ(messages.shown[0].kind, 'W');
    EXPECT_EQ(Titles(next), (std::vector<std::string>{"mail", "added"}));
    EXPECT_EQ(next.items.At(0).Password, "secret1");
}

TEST_F(MasterPasswordTest, CancellingTheQuestionEndsTheStartWithoutWritingAnything) {
    MakeProtectedFile("pw");
    const std::string before = files.files.at(kData);
    Session s(*this);
    AnswerPrompt(s, {});
    EXPECT_FALSE(s.session.Open());
    EXPECT_TRUE(s.session.KeepsNothing()); // not even the settings
    EXPECT_TRUE(s.session.SaveForEndOfSession());
    EXPECT_EQ(files.files.at(kData), before);
    EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(MasterPasswordTest, ADamagedFileIsToldFromAWrongPasswordAndIsNeverOverwritten) {
    MakeProtectedFile("pw");
    std::string& file = files.files.at(kData);
    file[kProtectedHeaderSize + 3] ^= 0x01; // a byte of the text
    const std::string damaged = file;

    Session declined(*this);
    AnswerPrompt(declined, {"pw"});
    EXPECT_FALSE(declined.session.Open()); // いいえ: the program ends
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'Q');
    EXPECT_NE(messages.shown[0].text.find(kData), std::string::npos);

    messages.shown.clear();
    messages.answer = true; // start with an empty list
    Session s(*this);
    AnswerPrompt(s, {"pw"});
    ASSERT_TRUE(s.session.Open());
    messages.answer = false;
    EXPECT_EQ(s.items.Count(), 0);
    s.SetModified("typed after");
    SetPassword(s, "new one", "pw"); // for the recovery file: the data file is left alone
    EXPECT_EQ(files.files.at(kData), damaged);
    ASSERT_TRUE(Close(s));
    EXPECT_EQ(files.files.at(kData), damaged);
    ASSERT_EQ(files.files.count(kRecovered), 1u);
    EXPECT_TRUE(IsProtectedFile(files.files.at(kRecovered)));
    EXPECT_EQ(files.files.at(kRecovered).find("typed after"), std::string::npos);
}

TEST_F(MasterPasswordTest, AHeldFileANewerOneAndABrokenHeaderEndOrOfferAnEmptyStart) {
    MakeProtectedFile("pw");
    const std::string good = files.files.at(kData);
    {
        files.heldByOthers.insert(kData);
        files.locked.insert(kData);
        Session s(*this);
        EXPECT_FALSE(s.session.Open());
        EXPECT_EQ(messages.Errors().size(), 1u);
        EXPECT_EQ(s.view.passwordDialogs, 0);
        files.heldByOthers.clear();
        files.locked.clear();
    }
    {
        messages.shown.clear();
        std::string& file = files.files[kData];
        file[12] = '\x01'; // an iteration count beyond any this program takes
        file[15] = '\x7F';
        StampChecksum(file);
        Session s(*this);
        EXPECT_FALSE(s.session.Open());
        ASSERT_EQ(messages.Errors().size(), 1u);
        EXPECT_NE(messages.Errors()[0].find(kData), std::string::npos);
    }
    {
        messages.shown.clear();
        files.files[kData] = good;
        files.files[kData][16] ^= 0x01; // the salt: not taken for a wrong password
        Session s(*this);
        EXPECT_FALSE(s.session.Open());
        EXPECT_EQ(s.view.passwordDialogs, 0);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, 'Q'); // the empty start is offered
    }
    {
        messages.shown.clear();
        files.files[kData] = good.substr(0, 20); // cut short
        messages.answer = true;
        Session s(*this);
        EXPECT_TRUE(s.session.Open());
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(s.view.passwordDialogs, 0);
        ASSERT_TRUE(Close(s));
        EXPECT_EQ(files.files.at(kData), good.substr(0, 20));
    }
}

TEST_F(MasterPasswordTest, ChangingOrRemovingAsksForTheCurrentOneFirst) {
    MakeProtectedFile("old");
    Session s(*this);
    AnswerPrompt(s, {"old"});
    ASSERT_TRUE(s.session.Open());
    const std::string before = files.files.at(kData);

    FillSetting(s, "not it", "new", "new");
    s.session.ChangeMasterPassword();
    EXPECT_FALSE(lastSettingClosed.has_value()); // the dialog stays open
    EXPECT_EQ(files.files.at(kData), before);

    messages.answer = true;
    FillSetting(s, "old", "new", "typo");
    s.session.ChangeMasterPassword();
    EXPECT_FALSE(lastSettingClosed.has_value());
    EXPECT_EQ(files.files.at(kData), before);

    FillSetting(s, "old", "", "", true);
    s.session.ChangeMasterPassword();
    EXPECT_EQ(lastSettingClosed, true);
    // Back to the scrambled form, byte for byte what a program without the option writes (a
    // line with fewer separators takes its last field as the address).
    EXPECT_EQ(files.files.at(kData),
              test::Scramble("mail\x08me\x08secret1\x08\x08http://a.example\r\nbank\x08\x08\x08\x08pin\r\n"));
}

TEST_F(MasterPasswordTest, ASaveThatFailsKeepsTheFormTheFileHas) {
    files.files[kData] = test::Scramble("a\x08\x08\x08\x08\r\n");
    Session s(*this);
    ASSERT_TRUE(s.session.Open());
    files.readOnly.insert(kData);
    SetPassword(s, "pw");
    EXPECT_EQ(messages.Errors().size(), 1u);
    EXPECT_EQ(files.files.at(kData), test::Scramble("a\x08\x08\x08\x08\r\n"));
    files.readOnly.clear();
    s.state.SetModified();
    ASSERT_TRUE(Close(s));
    EXPECT_FALSE(IsProtectedFile(files.files.at(kData))); // no password was set
}

TEST_F(MasterPasswordTest, AFileThatIsNoLongerProtectedIsQuestionedBeforeItIsUsed) {
    MakeProtectedFile("pw");
    EXPECT_TRUE(settings.MasterPassword);
    const std::string old = test::Scramble("old\x08\x08\x08\x08\r\n");
    for (const bool exists : {true, false}) { // an old scrambled copy in its place, or no file at all
        if (exists)
            files.files[kData] = old;
        else
            files.files.erase(kData);
        messages.shown.clear();
        Session declined(*this); // いいえ, the default
        EXPECT_FALSE(declined.session.Open()) << exists;
        EXPECT_TRUE(declined.session.KeepsNothing());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, 'Q');
        EXPECT_NE(messages.shown[0].text.find(kData), std::string::npos);
        EXPECT_TRUE(settings.MasterPassword);
    }

    files.files[kData] = old;
    messages.shown.clear();
    messages.answer = true;
    Session accepted(*this);
    ASSERT_TRUE(accepted.session.Open());
    EXPECT_EQ(Titles(accepted), std::vector<std::string>{"old"});
    ASSERT_EQ(messages.shown.size(), 1u); // it said how the file is kept from now on
    EXPECT_NE(messages.shown[0].text.find(sjis<u8"簡単なスクランブルをかけただけの形で保存されます">()),
              std::string::npos);
    EXPECT_FALSE(settings.MasterPassword);
    accepted.SetModified("new");
    ASSERT_TRUE(Close(accepted));

    messages.shown.clear();
    Session next(*this);
    ASSERT_TRUE(next.session.Open());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MasterPasswordTest, ADamagedTextBehindTheRightPasswordKeepsItsKeyForTheRecoveryFile) {
    MakeProtectedFile("pw");
    files.files.at(kData)[kProtectedHeaderSize + 3] ^= 0x01;
    messages.answer = true;
    Session s(*this);
    AnswerPrompt(s, {"pw"});
    ASSERT_TRUE(s.session.Open());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(sjis<u8"マスターパスワードで暗号化して保存します">()), std::string::npos);
    s.SetModified("typed after");
    ASSERT_TRUE(Close(s));

    const std::string& recovered = files.files.at(kRecovered);
    ProtectedHeader header;
    ASSERT_EQ(ParseProtectedHeader(recovered, header), HeaderStatus::Ok);
    const std::string password = "pw";
    const MasterKey key = MasterKey::Derive(
        crypto, {reinterpret_cast<const std::uint8_t*>(password.data()), password.size()}, header.salt,
        header.iterations);
    std::string text;
    ASSERT_EQ(key.Open(crypto, recovered, text), MasterKey::OpenStatus::Ok);
    EXPECT_EQ(text, "typed after\x08\x08\x08\x08\r\n");
}

TEST_F(MasterPasswordTest, SettingOneNamesTheRecoveryFilesThatAreOnlyScrambled) {
    files.files[kData] = test::Scramble("a\x08\x08\x08\x08\r\n");
    files.files[kRecovered] = test::Scramble("older\x08\x08secret\x08\x08\r\n");
    Session s(*this);
    ASSERT_TRUE(s.session.Open());
    SetPassword(s, "pw");
    ASSERT_EQ(messages.shown.size(), 3u); // the question, the report, then the warning
    EXPECT_EQ(messages.shown[2].kind, 'W');
    EXPECT_NE(messages.shown[2].text.find(kRecovered), std::string::npos);
}

} // namespace
} // namespace tobrix
