#include "controls/TextDlgs.h"

#include "common/Error.h"
#include "support/ErrorOf.h"
#include "support/FakeFiles.h"
#include "support/FakeOpenDialogView.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

using test::ErrorOf;

// The import dialog's filter: the CSV entry is the second one.
const std::string kFilter = std::string(sjis<u8"テキスト（タブ区切り）(*.txt)|*.txt|ＣＳＶ（カンマ区切り）(*.csv)|*.csv|"
                                             u8"すべてのファイル(*.*)|*.*">());

TEST(FilterExtension, FirstPatternOfTheEntryFromItsFirstDot) {
    // "ポ" ends in the byte of "|", "表" in that of "\": neither splits the text.
    const std::string report = std::string(sjis<u8"レポート(*.rep)|*.rep|表|*.hyo">());
    const struct {
        std::string filter;
        int index;
        std::optional<std::string> extension;
    } cases[] = {
        {kFilter, 1, ".txt"},
        {kFilter, 2, ".csv"},
        {kFilter, 3, ".*"},
        {kFilter, 4, std::nullopt},
        {kFilter, 0, std::nullopt},
        {"Web|*.htm;*.html|All|*", 1, ".htm"},
        {"Web|*.htm;*.html|All|*", 2, ""},
        {"Broken|", 1, ""},
        {"Broken", 1, std::nullopt},
        {report, 1, ".rep"},
        {report, 2, ".hyo"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterExtension(c.filter, c.index), c.extension) << c.filter << " #" << c.index;
}

TEST(ReplaceExtension, OnlyTheLastComponentsExtensionChanges) {
    const std::string hyo = std::string(sjis<u8"表">()); // second byte is "\"
    const struct {
        std::string name, extension, expected;
    } cases[] = {
        {"list.csv", ".txt", "list.txt"},
        {"data.csv", ".*", "data.*"},
        {"list", ".txt", "list.txt"},
        {"data.csv", "", "data"},
        {"a.b.csv", ".txt", "a.b.txt"},
        {"C:\\dir.x\\name", ".txt", "C:\\dir.x\\name.txt"},
        {"x." + hyo, ".txt", "x.txt"},
        {hyo + "\\a", ".csv", hyo + "\\a.csv"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceExtension(c.name, c.extension), c.expected) << c.name;
}

class TextDlgsTest : public ::testing::Test {
protected:
    TextDlgsTest() {
        dlg.Filter = kFilter;
        dlg.FilterIndex = 2;
        dlg.SetPreview(true);
    }
    void Open() {
        dlg.BeforeExecute();
        dlg.DoShow(view);
    }

    test::FakeFiles files;
    test::FakeOpenDialogView view;
    TTextOpenDialog dlg{files};
};

TEST_F(TextDlgsTest, RunStartsWithTheDefaultExtensionOfTheChosenFilter) {
    dlg.DefaultExt = "old";
    Open();
    EXPECT_EQ(dlg.DefaultExt, "csv");

    dlg.AutoExtChange = false;
    dlg.FilterIndex = 1;
    dlg.BeforeExecute();
    EXPECT_EQ(dlg.DefaultExt, "csv");
}

TEST_F(TextDlgsTest, ChangingTheFilterRewritesTheTypedExtension) {
    Open();
    view.fileNameBox = "list.csv";
    dlg.DoTypeChange(1);
    EXPECT_EQ(view.fileNameBox, "list.txt");
    EXPECT_EQ(view.defaultExt, "txt");
    EXPECT_EQ(dlg.FilterIndex, 1);

    // "*.*" lists everything; a wildcard never becomes the default extension.
    dlg.DoTypeChange(3);
    EXPECT_EQ(view.fileNameBox, "list.*");
    EXPECT_EQ(view.defaultExt, "");
    view.fileNameBox.clear();
    dlg.DoTypeChange(3);
    EXPECT_EQ(view.fileNameBox, "*.*");

    // No such entry, or a name the code page cannot hold: the box stays as it is.
    view.fileNameBox = "keep.csv";
    dlg.DoTypeChange(9);
    EXPECT_EQ(view.fileNameBox, "keep.csv");
    view.fileNameBoxNotCp932 = true;
    dlg.DoTypeChange(1);
    EXPECT_EQ(view.fileNameBox, "keep.csv");
    EXPECT_EQ(view.defaultExt, "txt");

    view.fileNameBoxNotCp932 = false;
    dlg.AutoExtChange = false;
    dlg.DoTypeChange(2);
    EXPECT_EQ(view.fileNameBox, "keep.csv");
    EXPECT_EQ(dlg.FilterIndex, 2);
}

TEST_F(TextDlgsTest, PreviewShowsTheLinesOfTheFirst1024Bytes) {
    const std::string kanji = std::string(sjis<u8"漢">());
    const std::string long1024 = std::string(1023, 'x') + kanji + "tail"; // cut after the lead byte
    const struct {
        std::string content, shown;
    } cases[] = {
        {"a,b\r\nc,d\re\nf", "a,b\r\nc,d\r\ne\r\nf"},
        {"one\r\n\r\nthree\r\n", "one\r\n\r\nthree"},
        {"before" + std::string(1, '\0') + "after", "before"},
        {"", ""},
        {long1024, long1024.substr(0, 1024)},
    };
    Open();
    view.current = "C:\\in.csv";
    for (const auto& c : cases) {
        files.files["C:\\in.csv"] = c.content;
        dlg.DoSelectionChange();
        EXPECT_EQ(view.previewText, c.shown) << c.content.substr(0, 20);
    }
}

TEST_F(TextDlgsTest, NothingToShowEmptiesThePreviewAndAnUnopenableFileIsAnError) {
    files.files["C:\\in.csv"] = "data";
    files.files["C:\\held.csv"] = "data";
    files.locked.insert("C:\\held.csv");
    files.directories.insert("C:\\folder");
    Open();
    for (const char* name : {"C:\\folder", "C:\\missing.csv", "C:\\*.csv", "C:\\in?.csv", ""}) {
        view.current = "C:\\in.csv";
        dlg.DoSelectionChange();
        view.current = name;
        dlg.DoFolderChange();
        EXPECT_EQ(view.previewText, "") << name;
    }
    view.current = "C:\\held.csv";
    EXPECT_EQ(ErrorOf([&] { dlg.DoSelectionChange(); }), Substitute(kMsgCannotOpen, "C:\\held.csv"));
    EXPECT_EQ(view.previewText, "");
}

TEST_F(TextDlgsTest, TheCheckBoxTurnsThePreviewOffAndOnAtOnce) {
    files.files["C:\\in.csv"] = "text";
    view.current = "C:\\in.csv";
    Open();
    EXPECT_TRUE(view.checked);
    dlg.DoSelectionChange();
    EXPECT_EQ(view.previewText, "text");

    view.checked = false;
    dlg.chkPreviewClick();
    EXPECT_FALSE(dlg.Preview());
    EXPECT_EQ(view.previewText, "");
    dlg.DoSelectionChange();
    EXPECT_EQ(view.previewText, "");

    dlg.SetPreview(true); // from the program: the box follows
    EXPECT_TRUE(view.checked);
    EXPECT_EQ(view.previewText, "text");

    // Closed: the state stays for the next run, nothing is touched.
    dlg.DoClose();
    view.checked = false;
    view.previewText = "(untouched)";
    dlg.SetPreview(false);
    dlg.DoSelectionChange();
    EXPECT_EQ(view.previewText, "(untouched)");
    dlg.DoShow(view);
    EXPECT_FALSE(view.checked);
    EXPECT_EQ(view.log, (std::vector<std::string>{"panel", "controls", "~controls", "~panel", "panel", "controls"}));
}

TEST_F(TextDlgsTest, TheDecoderSeesTheRawBytesBeforeTheyAreCutIntoLines) {
    std::string seen;
    TTextOpenDialog decoding(files, [&](std::string_view bytes) {
        seen = bytes;
        return std::string("decoded\nline");
    });
    decoding.SetPreview(true);
    files.files["C:\\u16.txt"] = std::string("\xFF\xFE" "a\0\r\0", 6);
    view.current = "C:\\u16.txt";
    decoding.DoShow(view);
    decoding.DoSelectionChange();
    EXPECT_EQ(seen, files.files["C:\\u16.txt"]);
    EXPECT_EQ(view.previewText, "decoded\r\nline");
}

} // namespace
} // namespace tobrix
