#include "transfer/PasswordCsvExport.h"

#include "lock/MasterPassword.h"
#include "store/ItemDataList.h"
#include "store/Protected.h"
#include "support/FakeCrypto.h"
#include "support/FakeFiles.h"
#include "support/FakeMainView.h"
#include "support/FakePlatform.h"
#include "support/IconvTextCodec.h"

#include <gtest/gtest.h>

#include <deque>

namespace tobrix {
namespace {

template <detail::Utf8Text T>
std::string Cp932() {
    return std::string(sjis<T>());
}

std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

ByteSpan Bytes(std::string_view text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

TEST(CsvField, QuotesExactlyTheFieldsThatHoldACommaAQuoteOrALineBreak) {
    const struct {
        std::string field, expected;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"  blanks kept  ", "  blanks kept  "},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"one\r\ntwo", "\"one\r\ntwo\""},
        {"one\ntwo", "\"one\ntwo\""},
        {"one\rtwo", "\"one\rtwo\""},
        {" , ", "\" , \""},
        {"tab\there", "tab\there"},
        {Cp932<u8"表ソ">(), Cp932<u8"表ソ">()}, // second bytes 0x5C: no quote, no change
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuotedCsvField(c.field), c.expected) << c.field;
}

TEST(PasswordCsvText, TheHeaderThenEachEntryInListOrderWithTheBrowsersColumnOrder) {
    ItemDataList items;
    items.AppendNew() = {-1, 0, "Bank", "taro", "p,w", "**", "line1\r\nline2", "http://bank/"};
    items.AppendNew() = {-1, 0, "", "", "", "", "", ""};
    items.AppendNew() = {-1, 0, "Mail", "me", "\"q\"", "**", "", "https://mail/"};
    EXPECT_EQ(PasswordCsvText(items), "name,url,username,password,note\r\n"
                                      "Bank,http://bank/,taro,\"p,w\",\"line1\r\nline2\"\r\n"
                                      ",,,,\r\n"
                                      "Mail,https://mail/,me,\"\"\"q\"\"\",\r\n");
}

TEST(WithCsvExtension, OnlyANameWithoutAnExtensionGetsOne) {
    EXPECT_EQ(WithCsvExtension("C:\\out\\list"), "C:\\out\\list.csv");
    EXPECT_EQ(WithCsvExtension("C:\\out\\list.txt"), "C:\\out\\list.txt");
    EXPECT_EQ(WithCsvExtension("C:\\v1.2\\list"), "C:\\v1.2\\list.csv"); // a dot in a folder is no extension
}

// The check's field as the user fills it; OK and キャンセル are the test's calls.
class FakePasswordView final : public PasswordView {
public:
    std::string typed;
    std::optional<bool> closed;
    Secret Password(PasswordField) const override { return Secret(Bytes(typed).data(), typed.size()); }
    void ClearPassword(PasswordField) override { typed.clear(); }
    void Focus(PasswordField) override {}
    bool RemoveChecked() const override { return false; }
    void Close(bool ok) override { closed = ok; }
    void SetBusy(bool) override {}
};

class PasswordCsvExportTest : public ::testing::Test {
protected:
    PasswordCsvExportTest() {
        items.AppendNew() = {-1, 0, Cp932<u8"銀行">(), "taro", Cp932<u8"ひみつ">(), "**", Cp932<u8"メモ、二行, です">(),
                             "http://bank/"};
        files.directories = {"C:\\out\\"};
        messages.answer = true;
        view.onSaveDialog = [] { return FilePath("C:\\out\\passwords"); };
    }
    // The user types these passwords at the check, one per try, then cancels.
    void AnswerCheck(std::deque<std::string> answers) {
        view.onPasswordCheck = [answers](TfrmPasswordCheck& check) mutable {
            FakePasswordView field;
            check.Attach(field);
            for (; !field.closed && !answers.empty(); answers.pop_front()) {
                field.typed = answers.front();
                check.cmdOKClick();
            }
            if (!field.closed)
                check.cmdCancelClick();
            check.Detach();
        };
    }
    void Run(const MasterKey* key = nullptr) {
        MasterKeyGate gate(crypto, messages, key, view);
        PasswordCsvExport(items, gate, files, messages, codec, view).Run();
    }
    std::vector<char> Kinds() const {
        std::vector<char> kinds;
        for (const auto& shown : messages.shown)
            kinds.push_back(shown.kind);
        return kinds;
    }

    ItemDataList items;
    test::FakeCrypto crypto;
    test::FakeFiles files;
    test::FakeMessages messages;
    test::IconvTextCodec codec;
    test::FakeCsvExportView view;
};

TEST_F(PasswordCsvExportTest, WritesUtf8WithoutAMarkToTheChosenNameWithCsvAddedAndSaysSo) {
    Run();
    EXPECT_EQ(view.passwordChecks, 0); // no master password, nothing to ask
    ASSERT_EQ(files.files.size(), 1u);
    EXPECT_EQ(files.files.at("C:\\out\\passwords.csv"),
              Utf8(u8"name,url,username,password,note\r\n"
                   u8"銀行,http://bank/,taro,ひみつ,\"メモ、二行, です\"\r\n"));
    EXPECT_EQ(view.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(Kinds(), (std::vector<char>{'Q', 'I'}));
    EXPECT_EQ(messages.shown[1].text, Cp932<u8"C:\\out\\passwords.csv に書き出しました。">());
    EXPECT_EQ(messages.shown[1].caption, Cp932<u8"正常終了">());
}

TEST_F(PasswordCsvExportTest, ADeclinedWarningOrACancelledSaveDialogWritesNothing) {
    messages.answer = false;
    Run();
    EXPECT_EQ(view.saveDialogs, 0);
    EXPECT_EQ(Kinds(), (std::vector<char>{'Q'}));

    messages = {};
    messages.answer = true;
    view.onSaveDialog = nullptr; // cancelled
    Run();
    EXPECT_EQ(view.saveDialogs, 1);
    EXPECT_EQ(Kinds(), (std::vector<char>{'Q'}));
    EXPECT_TRUE(files.files.empty());
}

TEST_F(PasswordCsvExportTest, WithAMasterPasswordTheRightOneMustBeGivenFirst) {
    const MasterKey key = MasterKey::Create(crypto, Bytes("correct horse"));
    AnswerCheck({"", "wrong", "correct horse"});
    Run(&key);
    EXPECT_EQ(view.passwordChecks, 1);
    // An empty and a wrong password are each said, then the warning, then the report.
    EXPECT_EQ(Kinds(), (std::vector<char>{'W', 'W', 'Q', 'I'}));
    EXPECT_EQ(messages.shown[0].text, Cp932<u8"マスターパスワードが違います。">());
    EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(PasswordCsvExportTest, CancellingTheMasterPasswordEndsTheCommand) {
    const MasterKey key = MasterKey::Create(crypto, Bytes("correct horse"));
    AnswerCheck({"wrong"});
    Run(&key);
    EXPECT_EQ(Kinds(), (std::vector<char>{'W'})); // no warning question
    EXPECT_EQ(view.saveDialogs, 0);
    EXPECT_TRUE(files.files.empty());
}

TEST_F(PasswordCsvExportTest, ThePathIsTakenAsTheDialogGaveIt) {
    // The dialog's path goes to the file as it is, not through CP932 text (which would refuse
    // a folder the import reads from).
    const FilePath chosen("C:\\out\\Zo\xC3\xAB\\passwords");
    view.onSaveDialog = [chosen] { return chosen; };
    Run();
    EXPECT_EQ(Kinds(), (std::vector<char>{'Q', 'I'}));
    EXPECT_EQ(files.files.count(chosen.string() + ".csv"), 1u);
}

} // namespace
} // namespace tobrix
