// Code page 932 conversion of the Windows layer, against the system's own tables.

#include "win32/Encoding.h"

#include "support/ErrorOf.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <iterator>
#include <string>

namespace tobrix::win32 {
namespace {

// The character the system knows for these bytes, or nothing when they are no character
// of code page 932.
std::optional<std::wstring> Defined(const std::string& bytes) {
    wchar_t out[4];
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), out, 4);
    if (n <= 0)
        return std::nullopt;
    return std::wstring(out, static_cast<std::size_t>(n));
}

struct CharacterClass {
    const char* name;
    unsigned firstLead, lastLead; // single bytes when there is no second byte
    bool doubleByte;
    bool bytesComeBack; // each character has these bytes only (no duplicate code elsewhere)
    int atLeast;        // characters the class must hold, so that an empty table cannot pass
};

class EveryCharacter : public ::testing::TestWithParam<CharacterClass> {};

// Stored text is converted to the wide API and back every time it is shown and edited:
// nothing may change on the way.
TEST_P(EveryCharacter, ComesBackUnchanged) {
    const CharacterClass c = GetParam();
    int defined = 0;
    for (unsigned lead = c.firstLead; lead <= c.lastLead; ++lead) {
        for (unsigned trail = c.doubleByte ? 0x40 : 0; trail <= (c.doubleByte ? 0xFCu : 0u); ++trail) {
            std::string bytes(1, static_cast<char>(lead));
            if (c.doubleByte)
                bytes += static_cast<char>(trail);
            const std::optional<std::wstring> wide = Defined(bytes);
            if (!wide)
                continue;
            ++defined;
            ASSERT_EQ(Widen(bytes), *wide) << std::hex << lead << ' ' << trail;
            const std::optional<std::string> back = NarrowExact(*wide);
            ASSERT_TRUE(back.has_value()) << std::hex << lead << ' ' << trail;
            EXPECT_EQ(Widen(*back), *wide) << std::hex << lead << ' ' << trail;
            if (c.bytesComeBack) {
                EXPECT_EQ(*back, bytes) << std::hex << lead << ' ' << trail;
            }
        }
    }
    EXPECT_GE(defined, c.atLeast) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    CodePage932, EveryCharacter,
    ::testing::Values(CharacterClass{"ASCII", 0x01, 0x7F, false, true, 127},
                      CharacterClass{"half-width katakana", 0xA1, 0xDF, false, true, 63},
                      CharacterClass{"symbols and kana", 0x81, 0x84, true, true, 500},
                      CharacterClass{"NEC special", 0x87, 0x87, true, false, 80},
                      CharacterClass{"JIS level 1 and 2 kanji", 0x88, 0x9F, true, true, 4000},
                      CharacterClass{"JIS level 2 kanji", 0xE0, 0xEA, true, true, 1900},
                      CharacterClass{"NEC-selected IBM extensions", 0xED, 0xEE, true, false, 370},
                      CharacterClass{"user-defined", 0xF0, 0xF9, true, true, 1880},
                      CharacterClass{"IBM extensions", 0xFA, 0xFC, true, false, 380}),
    [](const ::testing::TestParamInfo<CharacterClass>& info) {
        std::string name;
        for (const char* p = info.param.name; *p; ++p)
            name += (std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
        return name;
    });

TEST(Encoding, TextThatCodePage932CannotHoldIsDetectedAndNeverMadeALookAlike) {
    for (const std::wstring text : {L"pass\u00E9", L"\u20AC100", L"\u00A5", L"Zo\u00EB", L"x\U0001F600"}) {
        EXPECT_FALSE(NarrowExact(text).has_value());
        const std::string shown = Narrow(text);
        EXPECT_NE(shown.find('?'), std::string::npos); // 'é' must not quietly become 'e'
    }
    EXPECT_EQ(NarrowExact(L"\u3042a\uFF71"), std::string("\x82\xA0" "a\xB1"));
    EXPECT_EQ(NarrowExact(L""), std::string());
}

// Each look-alike stands for the character that the system's own table reads from its
// bytes; it becomes those bytes only where look-alikes are mapped.
TEST(Encoding, LookAlikesBecomeTheirCharacterOnlyWhereMapped) {
    ASSERT_EQ(std::size(kLookAlikes), 7u);
    for (const LookAlike& l : kLookAlikes) {
        const std::string bytes{l.lead, l.trail};
        const std::wstring other(1, static_cast<wchar_t>(l.other));
        SCOPED_TRACE(static_cast<unsigned>(l.other));
        EXPECT_EQ(Defined(bytes), std::wstring(1, static_cast<wchar_t>(l.windows)));
        EXPECT_EQ(NarrowExact(std::wstring(1, static_cast<wchar_t>(l.windows))), bytes);
        EXPECT_EQ(NarrowExact(L"a" + other + L"b", LookAlikes::Mapped), "a" + bytes + "b");
        EXPECT_FALSE(NarrowExact(L"a" + other).has_value()); // a user ID or password
        EXPECT_EQ(Narrow(other), "?");
    }
    // No character of their own: the yen sign, the overline; and what has no look-alike.
    for (const std::wstring text : {L"\u00A5", L"\u203E", L"caf\u00E9"})
        EXPECT_FALSE(NarrowExact(text, LookAlikes::Mapped).has_value());
}

TEST(Encoding, ATextTooLongForTheSystemIsRefusedWithAMessage) {
    // Address space only, never touched: the length is refused before anything is read.
    if (sizeof(void*) < 8)
        GTEST_SKIP() << "a 32-bit process has no room for such a text";
    constexpr std::size_t kUnits = INT_MAX / 2 + 1;
    void* room = VirtualAlloc(nullptr, kUnits * sizeof(wchar_t), MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(room, nullptr);
    const std::string expected(sjis<u8"テキストが長すぎるため変換できません。">());
    const std::wstring_view wide(static_cast<const wchar_t*>(room), kUnits);
    const std::string_view narrow(static_cast<const char*>(room), kUnits);
    EXPECT_EQ(test::ErrorOf([&] { NarrowExact(wide); }), expected);
    EXPECT_EQ(test::ErrorOf([&] { Widen(narrow); }), expected);
    VirtualFree(room, 0, MEM_RELEASE);
}

TEST(Encoding, ALeadByteAtTheEndTakesOnlyItsOwnPlace) {
    EXPECT_EQ(Widen("ab\x82").substr(0, 2), L"ab");
    EXPECT_EQ(Widen("ab\x82").size(), 3u);
    EXPECT_EQ(Widen("\x82").size(), 1u);
}

TEST(Encoding, FittingIntoABufferNeverSplitsADoubleByteCharacter) {
    const std::wstring text = L"a\u3042\u3044"; // a, あ, い: 1 + 2 + 2 bytes
    EXPECT_EQ(FitInBuffer(text, 0), "");
    EXPECT_EQ(FitInBuffer(text, 2), "a");
    EXPECT_EQ(FitInBuffer(text, 3), "a"); // あ would need bytes 2 and 3 of a 2-byte room
    EXPECT_EQ(FitInBuffer(text, 4), "a\x82\xA0");
    EXPECT_EQ(FitInBuffer(text, 5), "a\x82\xA0");
    EXPECT_EQ(FitInBuffer(text, 6), "a\x82\xA0\x82\xA2");
}

} // namespace
} // namespace tobrix::win32
