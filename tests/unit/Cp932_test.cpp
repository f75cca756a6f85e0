#include "common/Cp932.h"
#include "common/Cp932Literal.h"
#include "common/Error.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace tobrix {
namespace {

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> out;
    LineReader reader(text);
    std::string_view line;
    while (reader.Next(line))
        out.emplace_back(line);
    return out;
}

using V = std::vector<std::string>;

TEST(LineReader, EndsLinesAtCrLfAndTheirPair) {
    EXPECT_EQ(Lines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(Lines("a\n\rb"), (V{"a", "", "b"})); // LF CR is two line ends
    EXPECT_EQ(Lines("a\r\r\nb"), (V{"a", "", "b"}));
}

TEST(LineReader, LastLineCountsWithoutEndAndAFinalEndMakesNoLine) {
    EXPECT_EQ(Lines(""), V{});
    EXPECT_EQ(Lines("x"), V{"x"});
    EXPECT_EQ(Lines("x\r\n"), V{"x"});
    EXPECT_EQ(Lines("\r\n"), V{""});
    EXPECT_EQ(Lines("x\r\n\r\n"), (V{"x", ""}));
    EXPECT_EQ(Lines("a\n\nb"), (V{"a", "", "b"}));
}

TEST(LineReader, NulEndsTheText) {
    using namespace std::string_literals;
    EXPECT_EQ(Lines("a\r\nb\0c\r\nd"s), (V{"a", "b"}));
    EXPECT_EQ(Lines("\0abc"s), V{});
}

TEST(LineReader, ManyLinesWithOnlyOneKindOfEnd) {
    // Bare CR and bare LF files of many lines: every line comes out once, in order.
    for (const char* end : {"\r", "\n"}) {
        std::string text;
        for (int i = 0; i < 20000; ++i)
            text += std::to_string(i) + end;
        LineReader reader(text);
        std::string_view line;
        int n = 0;
        while (reader.Next(line))
            ASSERT_EQ(line, std::to_string(n++));
        EXPECT_EQ(n, 20000);
        EXPECT_EQ(reader.Position(), text.size());
    }
}

TEST(Cp932, FindCharSkipsSecondBytesOfDoubleByteCharacters) {
    // 0x95 0x08 is one (invalid) double-byte character: its 0x08 is no separator.
    EXPECT_EQ(FindChar("\x95\x08" "a\x08", '\x08'), 3u);
    // An even run of lead-byte values before the byte: it starts a character.
    EXPECT_EQ(FindChar("\x95\x95\x08", '\x08'), 2u);
    // Odd run: second byte; the next one is found.
    EXPECT_EQ(FindChar("\x95\x95\x95\x08\x08", '\x08'), 4u);
    EXPECT_EQ(FindChar("\x95\x08", '\x08'), std::string_view::npos);
    // A 0x5C second byte (as in the character 0x95 0x5C) is not a backslash.
    EXPECT_EQ(FindChar("\x95\\a\\", '\\'), 3u);
    EXPECT_EQ(FindChar("abc", 'c', 1), 2u);
    EXPECT_EQ(FindChar("", 'c'), std::string_view::npos);
}

TEST(Cp932, FindCharAgreesWithACharacterWalk) {
    // Exhaustive over short texts built from the interesting byte classes.
    const char alphabet[] = {'\x08', 'a', '\x81', '\xE0', '\xFC', '\xA5', '\x40'};
    for (int len = 0; len <= 6; ++len) {
        int total = 1;
        for (int i = 0; i < len; ++i)
            total *= 7;
        for (int code = 0; code < total; ++code) {
            std::string s;
            for (int i = 0, c = code; i < len; ++i, c /= 7)
                s += alphabet[c % 7];
            std::size_t expected = std::string_view::npos;
            for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
                if (s[i] == '\x08') {
                    expected = i;
                    break;
                }
            ASSERT_EQ(FindChar(s, '\x08'), expected) << "text of " << len << " bytes, code " << code;
        }
    }
}

TEST(Cp932, LeadBytesAndCharacterLength) {
    EXPECT_FALSE(IsLeadByte(0x80));
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0x9F));
    EXPECT_FALSE(IsLeadByte(0xA0));
    EXPECT_FALSE(IsLeadByte(0xDF)); // half-width katakana are single bytes
    EXPECT_TRUE(IsLeadByte(0xE0));
    EXPECT_TRUE(IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0xFD));
    EXPECT_EQ(CharLength("\x82\xA0", 0), 2u);
    EXPECT_EQ(CharLength("a\x82", 1), 1u); // a lead byte at the very end stands alone
}

std::string IconvToCp932(std::string_view utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in(utf8), out(utf8.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(r, static_cast<std::size_t>(-1)) << utf8;
    out.resize(out.size() - outLeft);
    return out;
}

std::string Utf8Of(char32_t c) {
    std::string s;
    if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
    } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    s += static_cast<char>(0x80 | (c & 0x3F));
    return s;
}

TEST(Cp932Literal, EveryTableEntryMatchesTheSystemConverter) {
    for (const auto& m : detail::kCp932Table) {
        std::string expected = IconvToCp932(Utf8Of(m.code));
        std::string actual;
        if (m.bytes > 0xFF)
            actual += static_cast<char>(m.bytes >> 8);
        actual += static_cast<char>(m.bytes & 0xFF);
        EXPECT_EQ(actual, expected) << "U+" << std::hex << static_cast<unsigned>(m.code);
    }
}

TEST(Cp932Literal, ConvertsWholeTexts) {
    EXPECT_EQ(sjis<u8"終了(&X)">(), IconvToCp932("終了(&X)"));
    EXPECT_EQ(sjis<u8"ユーザーＩＤ">(), "\x83\x86\x81\x5B\x83\x55\x81\x5B\x82\x68\x82\x63");
    // Half-width katakana are single bytes.
    EXPECT_EQ(sjis<u8"ｲﾝﾀｰﾈｯﾄ ｴｸｽﾌﾟﾛｰﾗ">(), "\xb2\xdd\xc0\xb0\xc8\xaf\xc4\x20\xb4\xb8\xbd\xcc\xdf\xdb\xb0\xd7");
    EXPECT_EQ(sjis<u8"">(), "");
    EXPECT_EQ(sjis<u8"abc">().data()[3], '\0');
}

TEST(ErrorText, SubstituteFillsPlaceholdersInOnePass) {
    EXPECT_EQ(Substitute("ファイル %s は", "C:\\a.DAT"), "ファイル C:\\a.DAT は");
    EXPECT_EQ(Substitute("%s and %s", {"x%sy", "z"}), "x%sy and z");
    EXPECT_EQ(Substitute("no placeholder", "x"), "no placeholder");
    EXPECT_EQ(Substitute("%s %s", {"one"}), "one %s");
}

TEST(ErrorText, OnlyTheProgramsOwnErrorsSpeakForThemselvesTheRestInJapanese) {
    const std::string own(sjis<u8"ファイル a は開けません">());
    EXPECT_EQ(MessageOf(AppError(own)), own);
    EXPECT_EQ(MessageOf(std::bad_alloc()), kMsgOutOfMemory);
    EXPECT_EQ(MessageOf(std::bad_array_new_length()), kMsgOutOfMemory);
    EXPECT_EQ(MessageOf(std::length_error("text too long")), kMsgUnexpectedError);
    EXPECT_EQ(MessageOf(std::runtime_error("boom")), kMsgUnexpectedError);
}

TEST(ErrorText, PeriodFollowsMessagesWhoseLastCharacterSortsAfterIt) {
    EXPECT_EQ(ErrorDisplayText(sjis<u8"ファイル a は開けません">()), std::string(sjis<u8"ファイル a は開けません">()) + ".");
    EXPECT_EQ(ErrorDisplayText("Out of memory"), "Out of memory.");
    EXPECT_EQ(ErrorDisplayText("done."), "done.");
    EXPECT_EQ(ErrorDisplayText("what!"), "what!"); // '!' sorts before '.'
    EXPECT_EQ(ErrorDisplayText("a-"), "a-");
    EXPECT_EQ(ErrorDisplayText(""), "");
    // The last character is double-byte: its lead byte counts, not its 0x40 second byte.
    EXPECT_EQ(ErrorDisplayText("x\x81\x40"), "x\x81\x40.");
}

} // namespace
} // namespace tobrix
