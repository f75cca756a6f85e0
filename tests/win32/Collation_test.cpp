// The header-click sort compares keys instead of texts; the keys must order texts exactly as
// the system's comparison does.

#include "win32/Win32Collation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tobrix::win32 {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(Collation, KeysOrderTextsAsTheSystemComparisonDoes) {
    const std::string longA = std::string(300, 'x') + "a", longB = std::string(300, 'x') + "b";
    std::string longKana;
    for (int i = 0; i < 150; ++i)
        longKana += "\x82\xA0"; // あ
    const std::vector<std::string> texts = {
        "",
        // hiragana, katakana, half-width katakana, voiced marks, the long vowel
        "\x82\xA0", "\x83\x41", "\xB1", "\x82\xA9", "\x83\x4A", "\xB6", "\x82\xAA", "\x83\x4B", "\xB6\xDE",
        "\x83\x4A\x81\x5B", "\x82\xA0\x82\xA2",
        // case, full-width letters
        "a", "A", "b", "B", "ab", "Ab", "aB", "\x82\x60", "\x82\x81", "T", "t",
        // hyphen and apostrophe, which the system's word order treats specially
        "co-op", "coop", "co'op", "cop", "-a", "'a", "a-", "a'", "--", "''",
        // digits, kanji, long texts
        "10", "9", "1", "\x88\x9F", "\x8B\xE2\x8D\x73", longA, longB, longKana, longKana + "\x82\xA2",
    };
    const Win32Collation collation;
    std::vector<std::string> keys;
    for (const std::string& text : texts)
        keys.push_back(collation.SortKey(text));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (std::size_t j = 0; j < texts.size(); ++j) {
            EXPECT_EQ(Sign(keys[i].compare(keys[j])), Sign(collation.Compare(texts[i], texts[j])))
                << '"' << texts[i] << "\" vs \"" << texts[j] << '"';
        }
    }
    // Not byte order: the locale puts lower case "b" before "C".
    EXPECT_LT(collation.Compare("b", "C"), 0);
}

} // namespace
} // namespace tobrix::win32

namespace tobrix::win32 {
namespace {

TEST(Collation, TheSearchFoldIgnoresCaseWidthAndKanaType) {
    const Win32Collation collation;
    // Each row: texts that a Japanese user reads as the same word.
    const std::vector<std::vector<std::string>> same = {
        {"\xB1\xB6\xB3\xDD\xC4", "\x83\x41\x83\x4A\x83\x45\x83\x93\x83\x67", "\x82\xA0\x82\xA9\x82\xA4\x82\xF1\x82\xC6"},
        {"ABC", "abc", "\x82\x60\x82\x61\x82\x62", "\x82\x81\x82\x82\x82\x83"}, // ＡＢＣ ａｂｃ
        {"\xB6\xDE\xCA\xDF", "\x83\x4B\x83\x70", "\x82\xAA\x82\xCF"},             // ｶﾞﾊﾟ ガパ がぱ
        {"\xB0", "\x81\x5B"},                                                      // ｰ ー
        {"@1", "\x81\x97\x82\x50"},                                                // ＠１
    };
    for (const auto& row : same)
        for (const std::string& text : row)
            EXPECT_EQ(collation.SearchFold(text), collation.SearchFold(row.front())) << text;
    // Different words stay different: a voiced kana is not its plain one, kanji are kept.
    EXPECT_NE(collation.SearchFold("\x83\x4A"), collation.SearchFold("\x83\x4B"));
    EXPECT_EQ(collation.SearchFold("\x8B\xE2\x8D\x73"), "\xE9\x8A\x80\xE8\xA1\x8C"); // 銀行, as UTF-8
    // The fields of a piece stay apart.
    EXPECT_EQ(collation.SearchFold(std::string("A\0\x82\x61\0", 5)), std::string("a\0b\0", 4));
}

} // namespace
} // namespace tobrix::win32
