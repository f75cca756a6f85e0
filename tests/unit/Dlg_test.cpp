#include "transfer/Dlg.h"

#include "common/Error.h"
#include "store/ItemDataList.h"
#include "support/ErrorOf.h"
#include "support/FakeDlgView.h"
#include "support/FakeFiles.h"
#include "support/IconvTextCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tobrix {
namespace {

using namespace std::string_literals;
using Fields = std::array<std::string, 5>;

Fields FieldsOf(const TVirtualItem& item) { return {item.Title, item.UserID, item.Password, item.Memo, item.URL}; }

std::vector<std::string> Titles(const ItemDataList& list) {
    std::vector<std::string> titles;
    for (int i = 0; i < list.Count(); ++i)
        titles.push_back(list.At(i).Title);
    return titles;
}

class DlgTest : public ::testing::Test {
protected:
    // Reads `content` as the file "in.txt" with comma active and the double quote, after
    // `options` has changed what it likes.
    // Every call reads with a new reader, its entries added to `list`.
    void Read(const std::string& content, const std::function<void(TfrmDlg&)>& options = {}) {
        files.files["in.txt"] = content;
        dlg = std::make_unique<TfrmDlg>(list, hidePass, files, codec);
        dlg->FileName = "in.txt";
        dlg->CommaDelim = ",";
        dlg->QuoteChar = "\"";
        if (options)
            options(*dlg);
        dlg->SetView(view);
        dlg->ReadTextFile();
    }

    test::FakeFiles files;
    test::IconvTextCodec codec;
    ItemDataList list;
    bool hidePass = false;
    std::unique_ptr<TfrmDlg> dlg;
    test::FakeDlgView view;
};

TEST_F(DlgTest, EachLineIsParsedIntoTheFiveFields) {
    const auto space = [](TfrmDlg& d) { d.SpaceDelim = " "; };
    const auto spaceSame = [](TfrmDlg& d) { d.SpaceDelim = " ", d.SameAsOne = true; };
    const auto same = [](TfrmDlg& d) { d.SameAsOne = true; };
    const auto noQuote = [](TfrmDlg& d) { d.QuoteChar.clear(); };
    const auto tabSame = [](TfrmDlg& d) { d.TabDelim = "\t", d.SameAsOne = true; };
    const auto yenOther = [](TfrmDlg& d) { d.EtcDelim = "\\"; };
    const auto dotOther = [](TfrmDlg& d) { d.EtcDelim = "\x81\x45"; }; // the middle dot, double-byte
    const auto commaOther = [](TfrmDlg& d) { d.EtcDelim = ","; };
    const auto none = [](TfrmDlg& d) { d.CommaDelim.clear(); };
    const struct {
        const char* line;
        std::function<void(TfrmDlg&)> options;
        Fields expected;
    } cases[] = {
        {"a,b", {}, {"a", "b"}},
        {"a,b,", {}, {"a", "b", ""}},
        {"1,2,3,4,5,6,7", {}, {"1", "2", "3", "4", "5"}},
        {",,a", same, {"", "a"}},
        {"a,b,,c", same, {"a", "b", "c"}},
        {",,a", {}, {"", "", "a"}},
        {"a  b", spaceSame, {"a", "b"}},
        {"a  b", space, {"a", "", "b"}},
        {"   ", {}, {"   "}},
        {"\",x", {}, {"", "x"}},
        {"\"a\",\"\"b\"\"", noQuote, {"\"a\"", "\"\"b\"\""}},
        {"\"a\",\"\"b\"\",\"c", {}, {"a", "\"b\"", "\"c"}},
        {"\"abc,def\",ghi", {}, {"\"abc", "def\"", "ghi"}},
        {"\x83\x5c\\x", yenOther, {"\x83\x5c", "x"}}, // the second byte of "ソ" is no delimiter
        {"a\x81\x45" "b", dotOther, {"a", "b"}},
        {"a,\t,b", tabSame, {"a", "", "", "b"}},     // different delimiters next to each other
        {"a,b", commaOther, {"a", "b"}},
        {"a,b\tc", none, {"a,b\tc"}},
        {"a\x08" "b,c", {}, {"a b", "c"}}, // the data file's separator never gets in
        {"a\x83\x08,b", {}, {"a\x83 ", "b"}}, // even as an invalid second byte
        // Half a character never ends a field: the data file's separator would become its
        // second byte.
        {"\x83,a,\x83", {}, {"\x83,a", "?"}},
        {"\"ab\x83\",c", {}, {"ab?", "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        list.Clear();
        Read(c.line, c.options);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(FieldsOf(list.At(0)), c.expected);
        EXPECT_EQ(list.At(0).ImageIndex, -1);
        EXPECT_EQ(list.At(0).MaskedPassword, c.expected[2]);
    }
}

TEST_F(DlgTest, LinesSkipsAndProgress) {
    const std::string five = "1\r\n2\r\n3\r\n4\r\n5\r\n";
    const struct {
        std::string content;
        int skip;
        std::vector<std::string> titles;
        int steps;
    } cases[] = {
        {five, 0, {"1", "2", "3", "4", "5"}, 5},
        {five, 2, {"3", "4", "5"}, 3},
        {five, 5, {}, 0},
        {five, 9, {}, 0},
        {"a\r\n\r\nb\r\n", 0, {"a", "b"}, 3}, // an empty line is a step, not an entry
        {"a\r\n\r\nb\r\n", 2, {"b"}, 1},
        {"a\rb\rc", 0, {"a", "b", "c"}, 3},
        {"a\nb\nc\n", 0, {"a", "b", "c"}, 3},
        {"a\r\r\nb", 0, {"a", "b"}, 3},
        {"a\nb\0c\nd"s, 0, {"a", "b"}, 2},
        {"", 0, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.content << " skip " << c.skip);
        list.Clear();
        view = {};
        Read(c.content, [&](TfrmDlg& d) { d.SkipLines = c.skip; });
        EXPECT_EQ(Titles(list), c.titles);
        EXPECT_EQ(view.maxima, std::vector<int>{c.steps});
        EXPECT_EQ(view.position, c.steps);
        EXPECT_EQ(view.pumps, c.steps);
        EXPECT_EQ(view.cursorChanges, (std::vector<bool>{true, false}));
        EXPECT_TRUE(dlg->Running);
    }
}

// The line ends and the field stops are searched for a block of bytes at a time: every
// case is tried with the interesting bytes at each place across two or more blocks.
TEST(DlgScan, LineEndsAnywhereInABlock) {
    using namespace std::string_literals;
    const struct {
        std::string tail; // after n bytes 'a'
        std::size_t lines;
        std::vector<std::size_t> lengths; // of the lines, n added to the first
    } cases[] = {
        {"\r\nb", 2, {0, 1}},   // a pair split between two blocks
        {"\r\rb", 3, {0, 0, 1}},
        {"\n\r", 2, {0, 0}},
        {"\r", 1, {0}},
        {"\0\nb"s, 1, {0}},    // NUL ends the text
        {"b\r\n\0\n"s, 1, {1}},
    };
    for (const auto& c : cases)
        for (std::size_t n = 0; n < 70; ++n) {
            SCOPED_TRACE(testing::Message() << n << " then " << testing::PrintToString(c.tail));
            const std::string text = std::string(n, 'a') + c.tail;
            std::vector<std::size_t> lengths;
            for (std::string_view line : SplitLines(text))
                lengths.push_back(line.size());
            std::vector<std::size_t> expected = c.lengths;
            expected[0] += n;
            if (n == 0 && c.tail[0] == '\0')
                expected.clear(); // nothing before the NUL
            EXPECT_EQ(lengths, expected);
            EXPECT_EQ(CountLines(text), expected.size());
        }
    EXPECT_EQ(CountLines(std::string_view()), 0u);
}

TEST(DlgScan, FieldsAndSecondBytesAnywhereInALine) {
    const Delimiters comma{"", ",", "", "", ""};
    const Delimiters yen{"", ",", "", "", "\\"};
    const Delimiters dot{"", ",", "", "", "\x81\x45"}; // a double-byte delimiter: every lead byte counts
    const struct {
        std::string tail; // after n bytes 'a'
        const Delimiters* delimiters;
        Fields expected; // n bytes 'a' before the first
    } cases[] = {
        {"\x83,b,c", &comma, {"\x83,b", "c"}},           // an invalid pair, but one character
        {"\x83\x83,b,c", &comma, {"\x83\x83", "b", "c"}}, // an even run: the comma is one
        {"\x95\\x\\y", &yen, {"\x95\\x", "y"}},        // a valid pair ending in 0x5C
        {"\x83\x08,b", &comma, {"\x83 ", "b"}},          // 0x08 as a second byte still becomes a blank
        {"x\x81\x45y\x83,z", &dot, {"x", "y\x83,z"}},
        {"\x83\x83\x81\x45y", &dot, {"\x83\x83", "y"}},
        {"\x81", &dot, {"\x81"}},                        // half a character at the end stays '?'
    };
    for (const auto& c : cases)
        for (std::size_t n = 0; n < 140; n += n < 20 || (n > 40 && n < 70) || n > 120 ? 1 : 7) {
            SCOPED_TRACE(testing::Message() << n << " then " << testing::PrintToString(c.tail));
            const LineParser parser(*c.delimiters, "", false, false);
            TVirtualItem item;
            const int halves = parser.Parse(std::string(n, 'a') + c.tail, item);
            Fields expected = c.expected;
            expected[0].insert(0, n, 'a');
            if (c.tail == "\x81")
                expected[0].back() = '?';
            EXPECT_EQ(FieldsOf(item), expected);
            EXPECT_EQ(halves, c.tail == "\x81" ? 1 : 0);
        }
}

TEST_F(DlgTest, TheLastMatchingDelimiterGivesTheCode) {
    TfrmDlg d(list, false, files, codec);
    d.TabDelim = "\t", d.CommaDelim = ",", d.EtcDelim = ",";
    EXPECT_EQ(d.DelimiterCode("\t"), 1);
    EXPECT_EQ(d.DelimiterCode(","), 5);
    EXPECT_EQ(d.DelimiterCode(";"), 0);
}

TEST_F(DlgTest, HiddenPasswordsAreMaskedPerByte) {
    hidePass = true;
    Read("t,u,\x83\x70\x83\x58\x83\x8f\r\nt,u,\r\n"); // three double-byte characters, then none
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(0).MaskedPassword, "******");
    EXPECT_EQ(list.At(1).MaskedPassword, "");
}

TEST_F(DlgTest, CancelStopsAfterTheCurrentLineAndKeepsItsEntry) {
    view.onPump = [&] {
        if (view.pumps == 2)
            dlg->cmdCancelClick();
    };
    Read("1\r\n2\r\n3\r\n4\r\n");
    EXPECT_EQ(Titles(list), (std::vector<std::string>{"1", "2"}));
    EXPECT_FALSE(dlg->Running);
    EXPECT_FALSE(view.busy);
    EXPECT_EQ(view.caption, "in.txt" + std::string(kDlgReading));
}

TEST_F(DlgTest, AFileThatCannotBeOpenedIsReportedWithTheCursorRestored) {
    files.locked.insert("locked.txt");
    for (const std::string name : {"", "missing.txt", "locked.txt"}) {
        view = {};
        TfrmDlg d(list, false, files, codec);
        d.FileName = name;
        d.SetView(view);
        EXPECT_EQ(test::ErrorOf([&] { d.ReadTextFile(); }), Substitute(kMsgCannotOpen, name));
        EXPECT_EQ(view.cursorChanges, (std::vector<bool>{true, false}));
        EXPECT_TRUE(view.maxima.empty());
    }
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(DlgTest, UnicodeFilesAreReadAsCp932) {
    // "タイ,é" and then "x,😀" behind each mark: é and the emoji have no CP932 code.
    const std::string utf8 = "\xEF\xBB\xBF\xE3\x82\xBF\xE3\x82\xA4,\xC3\xA9\r\nx,\xF0\x9F\x98\x80\r\n";
    const std::string utf16 = std::string("\xFF\xFE\xBF\x30\xA4\x30,\0\xE9\0\r\0\n\0x\0,\0\x3D\xD8\x00\xDE\r\0\n\0", 26);
    for (const std::string& content : {utf8, utf16}) {
        list.Clear();
        Read(content);
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(FieldsOf(list.At(0)), (Fields{"\x83\x5E\x83\x43", "?"}));
        EXPECT_EQ(FieldsOf(list.At(1)), (Fields{"x", "?"}));
        EXPECT_EQ(dlg->UnmappableCount, 2u);
        EXPECT_EQ(dlg->UnmappableLine, 1u);
    }
    list.Clear();
    Read("\xEF\xBB\xBF" "a\r\nb");
    EXPECT_EQ(Titles(list), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(dlg->UnmappableCount, 0u);
    EXPECT_EQ(dlg->UnmappableLine, 0u);

    // Halves of characters in a file without a mark are counted with them, by file line.
    list.Clear();
    Read("skip\r\nok\r\na,b\x83\r\nc\x83\r\n", [](TfrmDlg& d) { d.SkipLines = 1; });
    EXPECT_EQ(dlg->UnmappableCount, 2u);
    EXPECT_EQ(dlg->UnmappableLine, 3u);
}

TEST_F(DlgTest, OnlyTheLinesTakenInCountAndOnlyTheirCredentialsAreNamed) {
    using Named = std::vector<TfrmDlg::MappedField>;
    // é and € cannot be held; 〜 (E3 80 9C) and − (E2 88 92) become 0x8160 and 0x817C.
    const std::string header = "\xEF\xBB\xBFn\xC3\xA9,\xE3\x80\x9C,\xE3\x80\x9C\r\n";
    const std::string body = "\xE3\x80\x9C" "a,\"u\xE2\x88\x92\",p,m\xE3\x80\x9C\r\n" // title, user ID, memo
                             "\r\n"
                             "\xE2\x82\xAC,u,p\xE3\x80\x9C\xE2\x88\x92,m,h,\xE3\x80\x9C\r\n" // password, 6th field
                             "a,b,c,d,e\xE3\x80\x9C\r\n";                                   // address
    const struct {
        std::string content;
        int skip;
        std::size_t unmappable, line;
        Named named;
    } cases[] = {
        {header + body, 1, 1, 4, {{2, 2}, {4, 3}}}, // the header's é and its user ID are not the import's
        {header + body, 0, 2, 1, {{1, 2}, {1, 3}, {2, 2}, {4, 3}}},
        {header + body, 3, 1, 4, {{4, 3}}},
        {header + body, 4, 0, 0, {}},
        {header, 1, 0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.skip);
        list.Clear();
        Read(c.content, [&](TfrmDlg& d) { d.SkipLines = c.skip; });
        EXPECT_EQ(dlg->UnmappableCount, c.unmappable);
        EXPECT_EQ(dlg->UnmappableLine, c.line);
        EXPECT_EQ(dlg->MappedCredentials, c.named);
    }
    list.Clear();
    Read(header + body, [](TfrmDlg& d) { d.SkipLines = 1; });
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(FieldsOf(list.At(0)), (Fields{"\x81\x60" "a", "u\x81\x7C", "p", "m\x81\x60", ""}));
    EXPECT_EQ(FieldsOf(list.At(1)), (Fields{"?", "u", "p\x81\x60\x81\x7C", "m", "h"}));
    EXPECT_EQ(FieldsOf(list.At(2)), (Fields{"a", "b", "c", "d", "e\x81\x60"}));
}

} // namespace
} // namespace tobrix
