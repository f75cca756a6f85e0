#include "controls/TextDlgs.h"

#include "common/Error.h"
#include "support/ErrorOf.h"
#include "support/FakeFiles.h"
#include "support/FakeOpenDialogView.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

// The import dialog's filter: the CSV entry is the second one.
const std::string kFilter =
    std::string(sjis<u8"テキスト（タブ区切り）(*.txt)|*.txt|ＣＳＶ（カンマ区切り）(*.csv)|*.csv|"
                     u8"すべてのファイル(*.*)|*.*">());
// "ポ" ends in the byte of "|", "表" in that of "\": neither may split a text.
const std::string kPo = std::string(sjis<u8"ポ">()), kHyo = std::string(sjis<u8"表">());

TEST(FilterExtension, FirstPatternOfTheEntryFromItsFirstDot) {
    const struct {
        std::string filter;
        int index;
        std::optional<std::string> extension;
    } cases[] = {
        {kFilter, 1, ".txt"},
        {kFilter, 3, ".*"},
        {kFilter, 4, std::nullopt},
        {kFilter, 0, std::nullopt},
        {"W|*.htm;*.x|A|*", 1, ".htm"},
        {"W|*.htm;*.x|A|*", 2, ""},
        {kPo + "|*.rep|" + kPo + "|*.p", 2, ".p"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterExtension(c.filter, c.index), c.extension) << c.filter << " #" << c.index;
}

TEST(ReplaceExtension, OnlyTheLastComponentsExtensionChanges) {
    const struct {
        std::string name, extension, expected;
    } cases[] = {
        {"data.csv", ".*", "data.*"},   {"list", ".txt", "list.txt"},
        {"data.csv", "", "data"},       {"C:\\d.x\\n", ".txt", "C:\\d.x\\n.txt"},
        {"x." + kHyo, ".txt", "x.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceExtension(c.name, c.extension), c.expected) << c.name;
}

class TextDlgsTest : public ::testing::Test {
protected:
    void Open(TTextOpenDialog& d) {
        d.Filter = kFilter;
        d.FilterIndex = 2;
        d.SetPreview(true);
        d.BeforeExecute();
        d.DoShow(view);
    }

    test::FakeFiles files;
    test::FakeOpenDialogView view;
    TTextOpenDialog dlg{files};
};

TEST_F(TextDlgsTest, TheFilterDecidesTheDefaultExtensionAndTheTypedOne) {
    Open(dlg);
    EXPECT_EQ(dlg.DefaultExt, "csv");
    view.fileNameBox = "list.csv";
    dlg.DoTypeChange(1);
    EXPECT_EQ(view.fileNameBox, "list.txt");
    EXPECT_EQ(view.defaultExt, "txt");
    // A wildcard is never a default extension.
    view.fileNameBox.clear();
    dlg.DoTypeChange(3);
    EXPECT_EQ(view.fileNameBox, "*.*");
    EXPECT_EQ(view.defaultExt, "");
    // No such entry, or a name the code page cannot hold: the box stays as it is.
    view.fileNameBox = "keep.csv";
    dlg.DoTypeChange(9);
    view.fileNameBoxNotCp932 = true;
    dlg.DoTypeChange(1);
    view.fileNameBoxNotCp932 = false;
    dlg.AutoExtChange = false;
    dlg.DoTypeChange(3);
    EXPECT_EQ(view.fileNameBox, "keep.csv");
    EXPECT_EQ(dlg.FilterIndex, 3);
}

TEST_F(TextDlgsTest, PreviewShowsTheLinesOfTheFirst1024Bytes) {
    const std::string long1024 = std::string(1023, 'x') + kHyo + "tail"; // cut after the lead byte
    const struct {
        std::string content, shown;
    } cases[] = {
        {"a,b\r\nc,d\re\nf", "a,b\r\nc,d\r\ne\r\nf"},
        {"one\r\n\r\nthree\r\n", "one\r\n\r\nthree"},
        {"before" + std::string(1, '\0') + "after", "before"},
        {long1024, long1024.substr(0, 1024)},
    };
    Open(dlg);
    view.current = "in.csv";
    for (const auto& c : cases) {
        files.files["in.csv"] = c.content;
        dlg.DoSelectionChange();
        EXPECT_EQ(view.previewText, c.shown) << c.content.substr(0, 20);
    }
}

TEST_F(TextDlgsTest, NothingToShowEmptiesThePreviewAndAnUnopenableFileIsAnError) {
    files.files["in.csv"] = files.files["held.csv"] = files.files["*.csv"] = files.files["in?.csv"] = "data";
    files.locked.insert("held.csv");
    files.directories.insert("folder");
    Open(dlg);
    for (const char* name : {"folder", "missing.csv", "*.csv", "in?.csv", ""}) {
        view.previewText = "old";
        view.current = name;
        dlg.DoFolderChange();
        EXPECT_EQ(view.previewText, "") << name;
    }
    view.current = "held.csv";
    EXPECT_EQ(test::ErrorOf([&] { dlg.DoSelectionChange(); }), Substitute(kMsgCannotOpen, "held.csv"));
    EXPECT_EQ(view.previewText, "");
}

TEST_F(TextDlgsTest, TheCheckBoxTurnsThePreviewOffAndOnAtOnceAndIsKeptForTheNextRun) {
    files.files["in.csv"] = "text";
    view.current = "in.csv";
    Open(dlg);
    EXPECT_TRUE(view.checked);
    view.checked = false;
    dlg.chkPreviewClick();
    EXPECT_EQ(view.previewText, "");
    dlg.DoSelectionChange();
    EXPECT_EQ(view.previewText, "");
    dlg.SetPreview(true); // from the program: the box follows
    EXPECT_TRUE(view.checked);
    EXPECT_EQ(view.previewText, "text");

    view.checked = false;
    dlg.chkPreviewClick();
    dlg.DoClose();
    EXPECT_EQ(view.panels + view.controls, 0);
    dlg.DoShow(view);
    EXPECT_FALSE(view.checked);
}

TEST_F(TextDlgsTest, TheDecoderSeesTheRawBytesBeforeTheyAreCutIntoLines) {
    std::string seen;
    TTextOpenDialog decoding(files, [&](std::string_view bytes) {
        seen = bytes;
        return std::string("decoded\nline");
    });
    files.files["u16.txt"] = std::string("\xFF\xFE"
                                         "a\0\r\0",
                                         6);
    view.current = "u16.txt";
    Open(decoding);
    decoding.DoSelectionChange();
    EXPECT_EQ(seen, files.files["u16.txt"]);
    EXPECT_EQ(view.previewText, "decoded\r\nline");
}

} // namespace
} // namespace tobrix
