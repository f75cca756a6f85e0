#include "editor/Generate.h"
#include "editor/PasswordGenerator.h"

#include "store/Data.h"
#include "support/FakeCrypto.h"
#include "support/FakeGenerateView.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace tobrix {
namespace {

TEST(PasswordGenerator, EveryIndexTakesTheSameNumberOfByteValuesAndTheRestAreThrownAway) {
    for (std::size_t n = 1; n <= 256; ++n) {
        std::vector<int> hits(n + 1);
        for (int b = 0; b < 256; ++b)
            ++hits[IndexOfByte(static_cast<std::uint8_t>(b), n)];
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_EQ(hits[i], static_cast<int>(256 / n)) << "n " << n << " index " << i;
        ASSERT_EQ(hits[n], static_cast<int>(256 % n)) << "n " << n;
    }
}

TEST(PasswordGenerator, RejectedBytesAreSkippedNotFoldedIn) {
    test::FakeCrypto crypto;
    // Out of 90: 180 and above would favour the first 76 characters.
    crypto.script = {180, 255, 179, 200, 0, 90};
    RandomIndex random(crypto);
    EXPECT_EQ(random.Below(90), 89u);
    EXPECT_EQ(random.Below(90), 0u);
    EXPECT_EQ(random.Below(90), 0u);
    EXPECT_EQ(crypto.randomCalls, 1); // in blocks, not a call per character
}

TEST(PasswordGenerator, SymbolSetsAndAlphabets) {
    EXPECT_TRUE(IsSymbolSet(kGenDefaultSymbols));
    for (const std::string_view wrong : {"a", "!5", "! ", "\t", "\x7F", "\x81\x40", "\xA1"})
        EXPECT_FALSE(IsSymbolSet(wrong)) << wrong;

    GeneratorChoices c;
    EXPECT_EQ(AlphabetSize(c), 90u);
    c.Symbols = "~!!#";
    EXPECT_EQ(KindAlphabets(c).back(), "!#~"); // twice counts once
    c.NoLookAlikes = true;
    c.Symbols = "|!";
    const std::vector<std::string> kinds = KindAlphabets(c);
    ASSERT_EQ(kinds.size(), 4u);
    EXPECT_EQ(kinds[0].size(), 24u); // without O and I
    EXPECT_EQ(kinds[1].size(), 24u); // without o and l
    EXPECT_EQ(kinds[2], "23456789");
    EXPECT_EQ(kinds[3], "!");
    c.Symbols = "|"; // nothing left of the symbols
    EXPECT_FALSE(CanGenerate(c));
}

TEST(PasswordGenerator, TheLengthBounds) {
    GeneratorChoices c;
    test::FakeCrypto crypto;
    for (const auto& [length, fine] : std::vector<std::pair<int, bool>>{{3, false}, {4, true}, {128, true}, {129, false}}) {
        c.Length = length;
        EXPECT_EQ(CanGenerate(c), fine) << length;
        if (fine) {
            EXPECT_EQ(GeneratePassword(c, crypto).size(), static_cast<std::size_t>(length));
        } else {
            EXPECT_THROW(GeneratePassword(c, crypto), AppError);
        }
    }
    c = {};
    std::fill(std::begin(c.Kinds), std::end(c.Kinds), false);
    EXPECT_FALSE(CanGenerate(c));
}

TEST(PasswordGenerator, EveryCheckedKindIsThereAndNothingOutsideTheAlphabet) {
    test::FakeCrypto crypto;
    struct Case {
        int length;
        bool kinds[kCharKindCount];
        bool noLookAlikes;
    } cases[] = {{4, {true, true, true, true}, false}, {4, {true, false, true, true}, true},
                 {20, {false, false, true, false}, false}, {5, {true, true, true, true}, true}};
    for (const Case& k : cases) {
        GeneratorChoices c;
        c.Length = k.length;
        std::copy(std::begin(k.kinds), std::end(k.kinds), c.Kinds);
        c.NoLookAlikes = k.noLookAlikes;
        const std::vector<std::string> kinds = KindAlphabets(c);
        std::map<std::size_t, int> firstKindAt; // where the required characters landed
        for (int run = 0; run < 300; ++run) {
            const std::string password = GeneratePassword(c, crypto);
            for (const std::string& kind : kinds)
                ASSERT_NE(password.find_first_of(kind), std::string::npos) << password;
            for (const char ch : password) {
                ASSERT_TRUE(std::any_of(kinds.begin(), kinds.end(),
                                        [ch](const std::string& kind) { return kind.find(ch) != std::string::npos; }));
                if (k.noLookAlikes) {
                    ASSERT_EQ(kLookAlikeChars.find(ch), std::string_view::npos) << password;
                }
            }
            ++firstKindAt[password.find_first_of(kinds[0])];
        }
        if (k.length == 4) { // the required characters are not kept to fixed places
            EXPECT_EQ(firstKindAt.size(), 4u);
        }
    }
}

TEST(PasswordGenerator, StrengthInBitsRoundedDownAndItsWord) {
    const struct {
        int length;
        std::size_t alphabet;
        int bits;
    } cases[] = {{20, 90, 129}, {20, 64, 120}, {4, 10, 13}, {10, 64, 60}, {128, 94, 838}, {16, 16, 64}};
    for (const auto& c : cases)
        EXPECT_EQ(StrengthBits(c.length, c.alphabet), c.bits) << c.length << " " << c.alphabet;
    EXPECT_EQ(StrengthWord(63), sjis<u8"弱い">());
    EXPECT_EQ(StrengthWord(64), sjis<u8"普通">());
    EXPECT_EQ(StrengthWord(99), sjis<u8"普通">());
    EXPECT_EQ(StrengthWord(100), sjis<u8"強い">());
}

// ---- the dialog's presenter ----

using test::FakeGenerateView;

class GenerateTest : public ::testing::Test {
protected:
    void Show() {
        view.presenter = &frm;
        frm.Attach(view);
        frm.FormShow();
    }
    test::FakeCrypto crypto;
    test::FakeSound sound;
    TSettings settings = DefaultSettings();
    FakeGenerateView view;
    TfrmGenerate frm{crypto, sound, settings};
};

TEST_F(GenerateTest, OpensWithTheRememberedChoicesAndAPassword) {
    settings.GenLength = 12;
    settings.GenSymbols = false;
    settings.GenSymbolSet = "!@";
    Show();
    EXPECT_EQ(view.length, 12);
    EXPECT_FALSE(view.checks.at(GenerateCheck::chkSymbols));
    EXPECT_EQ(view.symbols, "!@");
    EXPECT_EQ(view.password.size(), 12u);
    EXPECT_EQ(view.strength, sjis<u8"71 ビット（普通）">()); // 12 × log2(62)
    EXPECT_TRUE(sound.beeps.empty());
}

TEST_F(GenerateTest, TheLastKindCannotBeUncheckedNorASymbolSetHoldOtherCharacters) {
    Show();
    for (const GenerateCheck box : {GenerateCheck::chkUpper, GenerateCheck::chkLower, GenerateCheck::chkDigits}) {
        view.checks[box] = false;
        frm.chkKindClick(box);
    }
    EXPECT_TRUE(sound.beeps.empty());
    view.checks[GenerateCheck::chkSymbols] = false;
    frm.chkKindClick(GenerateCheck::chkSymbols);
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});
    EXPECT_TRUE(view.checks.at(GenerateCheck::chkSymbols));

    view.symbols = "!#a";
    frm.txtSymbolsChange();
    EXPECT_EQ(sound.beeps.size(), 2u);
    EXPECT_EQ(view.symbols, kGenDefaultSymbols);
    view.SetSymbols("??");
    EXPECT_EQ(view.password, "????????????????????");
}

TEST_F(GenerateTest, UseRemembersTheChoicesAndCancelChangesNothing) {
    Show();
    view.checks[GenerateCheck::chkLookAlikes] = true;
    view.length = 3; // on the way to 32
    frm.ChoiceChanged();
    EXPECT_EQ(view.password, "");
    frm.cmdUseClick();
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{0});
    EXPECT_EQ(view.focused, std::vector<GenerateField>{GenerateField::numLength});
    EXPECT_FALSE(view.closed);
    const TSettings before = settings;

    view.length = 32;
    frm.ChoiceChanged();
    const std::string shown = view.password;
    frm.cmdCancelClick();
    EXPECT_TRUE(view.closed);
    EXPECT_FALSE(frm.Used());
    EXPECT_EQ(settings, before);

    view.closed = false;
    frm.cmdRegenerateClick();
    const std::string taken = view.password;
    frm.cmdUseClick();
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(frm.Used());
    EXPECT_EQ(frm.Password(), taken);
    EXPECT_EQ(view.password, ""); // the window's copy is gone
    EXPECT_EQ(settings.GenLength, 32);
    EXPECT_TRUE(settings.GenNoLookAlikes);
    frm.Wipe();
    EXPECT_EQ(frm.Password(), "");
}

} // namespace
} // namespace tobrix
