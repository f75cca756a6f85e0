#include "transfer/Export.h"

#include "common/Cp932.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeFiles.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tobrix {
namespace {

class FakeExportView final : public ExportView {
public:
    std::optional<std::string> fileName = std::string();
    int delim = -1;
    bool dblQ = false, head = false, closed = false;
    int focused = 0;
    std::vector<bool> busy;

    std::optional<std::string> FileName() const override { return fileName; }
    void SetFileName(std::string_view s) override { fileName = std::string(s); }
    void FocusFileName() override { ++focused; }
    int DelimIndex() const override { return delim; }
    void SetDelimIndex(int index) override { delim = index; }
    bool DblQ() const override { return dblQ; }
    void SetDblQ(bool on) override { dblQ = on; }
    bool Head() const override { return head; }
    void SetHead(bool on) override { head = on; }
    SaveDialogResult RunSaveDialog(SaveDialogState&) override { return SaveDialogResult::Cancelled; }
    void SetBusy(bool on) override { busy.push_back(on); }
    void Close() override { closed = true; }
};

template <detail::Utf8Text T>
std::string Cp932() {
    return std::string(sjis<T>());
}

TEST(ExportText, FieldsAreQuotedAndDelimitedAsChosenAndOtherwiseWrittenUnchanged) {
    ItemDataList items;
    items.AppendNew() = {-1, 0, "a \"b\", c", "id", Cp932<u8"秘密">(), "****", "", "http://x/"};
    const struct {
        ExportFormat format;
        std::string expected;
    } cases[] = {
        {{kDelimComma, true, false}, Cp932<u8"\"a \"b\", c\",\"id\",\"秘密\",\"\",\"http://x/\"\r\n">()},
        {{kDelimTab, false, false}, Cp932<u8"a \"b\", c\tid\t秘密\t\thttp://x/\r\n">()},
        {{5, false, false}, Cp932<u8"a \"b\", c\tid\t秘密\t\thttp://x/\r\n">()}, // any index but the comma's
        {{kDelimComma, true, true}, Cp932<u8"\"タイトル\",\"ユーザーＩＤ\",\"パスワード\",\"メモ\",\"ホームページ\"\r\n"
                                          u8"\"a \"b\", c\",\"id\",\"秘密\",\"\",\"http://x/\"\r\n">()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExportText(items, c.format), c.expected) << c.format.delimIndex << c.format.head;
}

TEST(ApplySaveFilter, TheFilterChoosesTheDelimiterAndTheExtensionOfANameWithoutOne) {
    const std::string table = Cp932<u8"表">(); // its second byte is the byte of '\'
    const struct {
        std::string path;
        int filter;
        std::string expected;
        int delim;
    } cases[] = {
        {"C:\\out\\list", 1, "C:\\out\\list.txt", kDelimTab},
        {"C:\\out\\list", 2, "C:\\out\\list.csv", kDelimComma},
        {"C:\\out\\list", 3, "C:\\out\\list.csv", kDelimComma},
        {"C:\\out\\list.dat", 1, "C:\\out\\list.dat", kDelimTab},
        {"C:\\out\\list.txt", 2, "C:\\out\\list.txt", kDelimComma},
        {"C:/v1.2/list", 2, "C:/v1.2/list.csv", kDelimComma}, // a dot in a folder is no extension
        {"C:\\out\\a." + table, 3, "C:\\out\\a." + table, kDelimComma},
    };
    for (const auto& c : cases) {
        const BrowseResult result = ApplySaveFilter(c.path, c.filter);
        EXPECT_EQ(result.path, c.expected) << c.path << " " << c.filter;
        EXPECT_EQ(result.delimIndex, c.delim) << c.path << " " << c.filter;
    }
    EXPECT_EQ(DirectoryPart("C:\\" + table + "\\x"), "C:\\" + table + "\\");
    EXPECT_EQ(DirectoryPart("C:list.csv"), "");
}

class ExportTest : public ::testing::Test {
protected:
    ExportTest() {
        items.AppendNew() = {-1, 0, "Site", "id", "pw", "**", "", "http://x/"};
        files.directories = {"C:\\out\\"};
        settings.ExportFile = "C:\\out\\old.csv";
        settings.ExpDelim = 7;
        frm.Attach(view);
        frm.FormShow();
    }
    // Nothing written or left behind, the dialog open, the settings as they were.
    void ExpectNothingDone(const TSettings& before, const char* what) {
        EXPECT_FALSE(view.closed) << what;
        EXPECT_EQ(settings, before) << what;
        for (const auto& [name, content] : files.files)
            EXPECT_EQ(name, "C:\\out\\list.csv") << what;
    }

    ItemDataList items;
    TSettings settings;
    test::FakeFiles files;
    test::FakeMessages messages;
    test::FakeSound sound;
    FakeExportView view;
    TfrmExport frm{items, settings, files, messages, sound};
};

TEST_F(ExportTest, WritingStoresTheChoicesAfterTheFileAndSaysSo) {
    EXPECT_EQ(view.fileName, "C:\\out\\old.csv");
    EXPECT_EQ(view.delim, kDelimTab); // a stored index other than the comma's shows as Tab
    view.fileName = "C:\\out\\list.txt";
    view.head = true;
    files.files["C:\\out\\list.txt.tmp"] = "the user's own";
    frm.cmdOKClick();
    EXPECT_EQ(files.files.at("C:\\out\\list.txt.tmp"), "the user's own");
    EXPECT_EQ(files.files.size(), 2u);
    EXPECT_EQ(files.files.at("C:\\out\\list.txt"),
              Cp932<u8"タイトル\tユーザーＩＤ\tパスワード\tメモ\tホームページ\r\nSite\tid\tpw\t\thttp://x/\r\n">());
    EXPECT_EQ(settings.ExportFile, "C:\\out\\list.txt");
    EXPECT_EQ(settings.ExpDelim, kDelimTab);
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
    view.fileName = "";
    frm.cmdOKClick();
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{kBeepDefault});
    EXPECT_TRUE(messages.shown.empty());
    for (const char* name : {"C:\\none\\list.csv", "list.csv"}) { // a bare name counts as missing
        messages.shown.clear();
        view.fileName = name;
        frm.cmdOKClick();
        ASSERT_EQ(messages.shown.size(), 1u) << name;
        EXPECT_EQ(messages.shown[0].text, Cp932<u8"指定したファイル「">() + name +
                                              Cp932<u8"」のパスが存在しません。\r\n存在するパスを指定してください。">());
        EXPECT_EQ(messages.shown[0].caption, Cp932<u8"パスが存在しません">());
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
    }
    EXPECT_EQ(view.focused, 3);
    EXPECT_TRUE(view.busy.empty());
    EXPECT_TRUE(files.files.empty());
    ExpectNothingDone(before, "refused");
}

TEST_F(ExportTest, AFileThatCannotBeCreatedOrWrittenIsReportedAndLeavesNoPartialFile) {
    const TSettings before = settings;
    const std::string target = "C:\\out\\list.csv";
    const std::string cannotCreate = Cp932<u8"ファイル C:\\out\\list.csv を作成できません.">();
    const std::string writeError = Cp932<u8"ストリームへの書き込みエラー.">();
    const struct {
        const char* what;
        bool exists, readOnly, noNewFile;
        std::size_t room;
        std::string error;
        std::optional<std::string> left; // the target afterwards
    } cases[] = {
        {"read-only", true, true, false, SIZE_MAX, cannotCreate, "old"},
        {"disk full", true, false, false, 5, writeError, "old"},
        {"disk full in place", true, false, true, 5, writeError, "old"}, // fails before a byte is written over
        {"new file on a full disk", false, false, false, 5, writeError, std::nullopt},
        {"new file in place on a full disk", false, false, true, 5, cannotCreate, std::nullopt},
    };
    for (const auto& c : cases) {
        files = test::FakeFiles();
        files.directories = {"C:\\out\\"};
        if (c.exists)
            files.files[target] = "old";
        if (c.readOnly)
            files.readOnly = {target};
        if (c.noNewFile)
            files.noNewFiles = {"C:\\out"};
        if (c.room != SIZE_MAX)
            files.room["C:\\out"] = c.room;
        messages.shown.clear();
        view.fileName = target;
        frm.cmdOKClick();
        EXPECT_EQ(messages.Errors(), std::vector<std::string>{c.error}) << c.what;
        const auto it = files.files.find(target);
        EXPECT_EQ(it == files.files.end() ? std::nullopt : std::optional(it->second), c.left) << c.what;
        ExpectNothingDone(before, c.what);
    }
}

} // namespace
} // namespace tobrix
