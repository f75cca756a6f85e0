#include "transfer/Export.h"

#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeFiles.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

class FakeExportView final : public ExportView {
public:
    std::optional<std::string> fileName = std::string();
    int delim = -1;
    bool dblQ = false, head = false;
    int focused = 0;
    std::vector<bool> busy;
    bool closed = false;
    // The save dialog: what it was started with, and what the user picks (nothing: cancel).
    std::vector<SaveDialogState> saveDialogs;
    std::optional<std::pair<std::string, int>> pick;

    std::optional<std::string> FileName() const override { return fileName; }
    void SetFileName(std::string_view s) override { fileName = std::string(s); }
    void FocusFileName() override { ++focused; }
    int DelimIndex() const override { return delim; }
    void SetDelimIndex(int index) override { delim = index; }
    bool DblQ() const override { return dblQ; }
    void SetDblQ(bool on) override { dblQ = on; }
    bool Head() const override { return head; }
    void SetHead(bool on) override { head = on; }
    SaveDialogResult RunSaveDialog(SaveDialogState& state) override {
        saveDialogs.push_back(state);
        if (!pick)
            return SaveDialogResult::Cancelled;
        state.FileName = pick->first;
        state.FilterIndex = pick->second;
        return SaveDialogResult::Chosen;
    }
    void SetBusy(bool on) override { busy.push_back(on); }
    void Close() override { closed = true; }
};

void Add(ItemDataList& items, std::string_view title, std::string_view user, std::string_view password,
         std::string_view memo, std::string_view url) {
    TVirtualItem& item = items.AppendNew();
    item = {-1, 0, std::string(title), std::string(user), std::string(password), std::string(password.size(), '*'),
            std::string(memo), std::string(url)};
}

// The program's texts as CP932 strings that take part in concatenations.
template <detail::Utf8Text T>
std::string Cp932() {
    return std::string(sjis<T>());
}

TEST(ExportLine, FieldsAreQuotedAndDelimitedAsChosenAndWrittenUnchanged) {
    struct Case {
        ExportFormat format;
        const char* title;
        const char* memo;
        std::string expected;
    } cases[] = {
        {{kDelimComma, true, false}, "Site", "", "\"Site\",\"id\",\"pw\",\"\",\"http://x/\"\r\n"},
        {{kDelimTab, false, false}, "Site", "", "Site\tid\tpw\t\thttp://x/\r\n"},
        {{kDelimComma, true, false}, "a \"b\", c", "m", "\"a \"b\", c\",\"id\",\"pw\",\"m\",\"http://x/\"\r\n"},
        {{kDelimTab, true, false}, "x\r\ny", "\t", "\"x\r\ny\"\t\"id\"\t\"pw\"\t\"\t\"\t\"http://x/\"\r\n"},
        {{5, false, false}, "Site", "", "Site\tid\tpw\t\thttp://x/\r\n"}, // any index but the comma's
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExportLine(c.title, "id", "pw", c.memo, "http://x/", c.format), c.expected) << c.title;
}

TEST(ExportText, TheHeaderComesFirstThenEveryEntryInOrderWithItsPlainPassword) {
    ItemDataList items;
    Add(items, "B", "u1", "p1", "", "");
    Add(items, Cp932<u8"表示">(), "u2", Cp932<u8"秘密">(), "m", "h");
    const std::string header = Cp932<u8"\"タイトル\",\"ユーザーＩＤ\",\"パスワード\",\"メモ\",\"ホームページ\"\r\n">();
    EXPECT_EQ(ExportText(items, {kDelimComma, true, true}),
              header + "\"B\",\"u1\",\"p1\",\"\",\"\"\r\n" + Cp932<u8"\"表示\",\"u2\",\"秘密\",\"m\",\"h\"\r\n">());
    EXPECT_EQ(ExportText(items, {kDelimTab, false, false}),
              std::string("B\tu1\tp1\t\t\r\n") + Cp932<u8"表示\tu2\t秘密\tm\th\r\n">());
}

TEST(ApplySaveFilter, TheFilterChoosesTheDelimiterAndTheExtensionOfANameWithoutOne) {
    struct Case {
        const char* path;
        int filter;
        std::string expected;
        int delim;
    } cases[] = {
        {"C:\\out\\list", 1, "C:\\out\\list.txt", kDelimTab},
        {"C:\\out\\list", 2, "C:\\out\\list.csv", kDelimComma},
        {"C:\\out\\list", 3, "C:\\out\\list.csv", kDelimComma},
        {"C:\\out\\list.dat", 1, "C:\\out\\list.dat", kDelimTab},
        {"C:\\out\\list.txt", 2, "C:\\out\\list.txt", kDelimComma},
        {"C:\\v1.2\\list", 2, "C:\\v1.2\\list.csv", kDelimComma}, // a dot in a folder is no extension
        {"C:/v1.2/list", 1, "C:/v1.2/list.txt", kDelimTab},
    };
    for (const Case& c : cases) {
        const BrowseResult result = ApplySaveFilter(c.path, c.filter);
        EXPECT_EQ(result.path, c.expected) << c.path << " " << c.filter;
        EXPECT_EQ(result.delimIndex, c.delim) << c.path << " " << c.filter;
    }
}

TEST(DirectoryPart, EndsAtTheLastSeparatorThatIsNoSecondByte) {
    // The second byte of 表 is the byte of '\'.
    const std::string table = Cp932<u8"表">();
    ASSERT_EQ(table[1], '\\');
    EXPECT_EQ(DirectoryPart("C:\\out\\" + table), "C:\\out\\");
    EXPECT_EQ(DirectoryPart("C:\\" + table + "\\list.csv"), "C:\\" + table + "\\");
    EXPECT_EQ(DirectoryPart(table + ".csv"), "");
    EXPECT_EQ(DirectoryPart("C:list.csv"), "");
    EXPECT_EQ(ApplySaveFilter("C:\\out.d\\" + table, 2).path, "C:\\out.d\\" + table + ".csv");
}

class ExportTest : public ::testing::Test {
protected:
    ExportTest() {
        Add(items, "Site", "id", "pw", "", "http://x/");
        files.directories = {"C:\\out\\"};
        settings.ExportFile = "C:\\out\\old.csv";
        settings.DblQ = true;
        frm.Attach(view);
        frm.FormShow();
    }
    void Type(const std::string& name, int delim, bool dblQ, bool head) {
        view.fileName = name;
        view.delim = delim;
        view.dblQ = dblQ;
        view.head = head;
    }
    // Nothing written, the dialog open, the settings as they were.
    void ExpectNothingDone(const TSettings& before) {
        EXPECT_FALSE(view.closed);
        EXPECT_EQ(settings, before);
        for (const auto& [path, content] : files.files)
            EXPECT_EQ(path.find(".tmp"), std::string::npos) << path;
    }

    ItemDataList items;
    TSettings settings;
    test::FakeFiles files;
    test::FakeMessages messages;
    test::FakeSound sound;
    FakeExportView view;
    TfrmExport frm{items, settings, files, messages, sound};
};

TEST_F(ExportTest, ShowTakesTheSettingsAndWritingStoresThemAfterTheFile) {
    EXPECT_EQ(*view.fileName, "C:\\out\\old.csv");
    EXPECT_EQ(view.delim, kDelimComma);
    EXPECT_TRUE(view.dblQ);
    EXPECT_FALSE(view.head);

    files.files["C:\\out\\list.txt"] = "old content that is longer";
    Type("C:\\out\\list.txt", kDelimTab, false, true);
    frm.cmdOKClick();
    EXPECT_EQ(files.files.at("C:\\out\\list.txt"),
              Cp932<u8"タイトル\tユーザーＩＤ\tパスワード\tメモ\tホームページ\r\n">() + std::string("Site\tid\tpw\t\thttp://x/\r\n"));
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_EQ(settings.ExportFile, "C:\\out\\list.txt");
    EXPECT_EQ(settings.ExpDelim, kDelimTab);
    EXPECT_FALSE(settings.DblQ);
    EXPECT_TRUE(settings.Head);
    EXPECT_EQ(view.busy, (std::vector<bool>{true, false}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Cp932<u8"C:\\out\\list.txt に書き出しました。">());
    EXPECT_EQ(messages.shown[0].caption, Cp932<u8"正常終了">());
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_TRUE(view.closed);
}

TEST_F(ExportTest, AnEmptyNameOnlyBeepsAndAMissingFolderIsNamedInAWarning) {
    const TSettings before = settings;
    Type("", kDelimComma, true, false);
    frm.cmdOKClick();
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{kBeepDefault});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(view.focused, 1);

    for (const char* name : {"C:\\none\\list.csv", "list.csv"}) { // a bare name counts as missing
        messages.shown.clear();
        Type(name, kDelimComma, true, false);
        frm.cmdOKClick();
        ASSERT_EQ(messages.shown.size(), 1u) << name;
        EXPECT_EQ(messages.shown[0].text, Cp932<u8"指定したファイル「">() + std::string(name) +
                                              Cp932<u8"」のパスが存在しません。\r\n存在するパスを指定してください。">());
        EXPECT_EQ(messages.shown[0].caption, Cp932<u8"パスが存在しません">());
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
    }
    EXPECT_EQ(view.focused, 3);
    EXPECT_TRUE(view.busy.empty());
    EXPECT_TRUE(files.files.empty());
    ExpectNothingDone(before);
}

TEST_F(ExportTest, AFileThatCannotBeCreatedOrWrittenIsReportedAndLeavesNoTrace) {
    const TSettings before = settings;
    const std::string target = "C:\\out\\list.csv";
    struct Case {
        const char* what;
        std::function<void(test::FakeFiles&)> arrange;
        std::string error;
        std::optional<std::string> left; // the target afterwards
    } cases[] = {
        {"read-only", [&](test::FakeFiles& f) { f.files[target] = "old"; f.readOnly = {target}; },
         Cp932<u8"ファイル C:\\out\\list.csv を作成できません.">(), "old"},
        {"full disk", [&](test::FakeFiles& f) { f.files[target] = "old"; f.writeLimit = 5; },
         Cp932<u8"ストリームへの書き込みエラー.">(), "old"},
        {"full disk in place", [&](test::FakeFiles& f) { f.files[target] = "old"; f.failCreateTemp = true; f.writeLimit = 5; },
         Cp932<u8"ストリームへの書き込みエラー.">(), std::nullopt}, // its old content was already gone
        {"no new file", [](test::FakeFiles& f) { f.failCreateTemp = true; },
         Cp932<u8"ファイル C:\\out\\list.csv を作成できません.">(), std::nullopt},
    };
    for (Case& c : cases) {
        files = test::FakeFiles();
        files.directories = {"C:\\out\\"};
        c.arrange(files);
        messages.shown.clear();
        view.busy.clear();
        Type(target, kDelimComma, false, true);
        frm.cmdOKClick();
        EXPECT_EQ(messages.Errors(), std::vector<std::string>{c.error}) << c.what;
        EXPECT_EQ(view.busy, (std::vector<bool>{true, false})) << c.what;
        const auto it = files.files.find(target);
        EXPECT_EQ(it == files.files.end() ? std::nullopt : std::optional<std::string>(it->second), c.left) << c.what;
        ExpectNothingDone(before);
    }
}

TEST_F(ExportTest, BrowsingStartsInTheTypedFolderAndTakesTheFiltersChoice) {
    Type("C:\\out\\old", kDelimComma, true, false);
    view.pick = {{"C:\\out\\new", 1}};
    frm.cmdShowClick();
    ASSERT_EQ(view.saveDialogs.size(), 1u);
    EXPECT_EQ(view.saveDialogs[0].InitialDir, "C:\\out\\");
    EXPECT_EQ(view.saveDialogs[0].FileName, "C:\\out\\old");
    EXPECT_EQ(view.saveDialogs[0].FilterIndex, 1);
    EXPECT_EQ(*view.fileName, "C:\\out\\new.txt");
    EXPECT_EQ(view.delim, kDelimTab);
    EXPECT_EQ(view.focused, 1);

    // A folder that does not exist leaves the dialog where it was; a cancel changes nothing.
    Type("D:\\gone\\x.csv", kDelimComma, true, false);
    view.pick.reset();
    frm.cmdShowClick();
    EXPECT_EQ(view.saveDialogs[1].InitialDir, "C:\\out\\");
    EXPECT_EQ(view.saveDialogs[1].FileName, "C:\\out\\new");
    EXPECT_EQ(*view.fileName, "D:\\gone\\x.csv");
    EXPECT_EQ(view.delim, kDelimComma);
}

TEST_F(ExportTest, ANameCodePage932CannotHoldIsRefusedWithAWarning) {
    const TSettings before = settings;
    view.fileName.reset();
    frm.cmdOKClick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'W');
    EXPECT_EQ(view.focused, 1);
    ExpectNothingDone(before);
}

} // namespace
} // namespace tobrix
