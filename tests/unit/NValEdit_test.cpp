#include "controls/NValEdit.h"

#include "support/FakeNValEditView.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace tobrix {
namespace {

constexpr Color kBlack = 0x000000, kRed = 0x0000FF, kBlue = 0xFF0000;

enum class Setup { Defaults, SkipLines, TwoDecimals };

struct Field {
    test::FakeSound sound;
    TNValEdit edit{sound, kBlack};
    test::FakeNValEditView view{edit};

    explicit Field(Setup setup = Setup::Defaults) {
        edit.Attach(view);
        if (setup == Setup::SkipLines) { // the import dialog's count of lines to skip
            edit.SetMaxDigits(2);
            edit.SetFixDecimal(0);
            edit.DelAllClear = edit.EnterNext = edit.ArrowNext = true;
            edit.SetZeroDisplay(true);
        } else if (setup == Setup::TwoDecimals) {
            edit.SetFixDecimal(2);
        }
    }

    // Space-separated: a named key goes down, anything else is typed character by character.
    void Keys(const std::string& keys) {
        static const std::map<std::string, NValKey> kNamed = {
            {"BS", NValKey::Back},   {"ENTER", NValKey::Enter}, {"ESC", NValKey::Escape},
            {"HOME", NValKey::Home}, {"LEFT", NValKey::Left},   {"UP", NValKey::Up},
            {"DOWN", NValKey::Down}, {"DEL", NValKey::Delete},
        };
        std::istringstream in(keys);
        for (std::string token; in >> token;) {
            if (const auto it = kNamed.find(token); it != kNamed.end())
                edit.KeyDown(it->second);
            else
                for (const char c : token)
                    EXPECT_FALSE(edit.KeyPress(c)) << c;
        }
    }
};

struct TypingCase {
    Setup setup;
    const char* keys;
    const char* text;
    long double value;
    int beeps;
};

TEST(NValEdit, KeysBuildTheNumberLikeACalculator) {
    const TypingCase cases[] = {
        {Setup::SkipLines, "", "0", 0, 0},
        {Setup::SkipLines, "1", "1", 1, 0},
        {Setup::SkipLines, "1 2", "12", 12, 0},
        {Setup::SkipLines, "1 2 3", "12", 12, 1},
        {Setup::SkipLines, "1 2 .", "12", 12, 1},
        {Setup::SkipLines, "1 2 BS", "1", 1, 0},
        {Setup::SkipLines, "1 2 BS BS", "0", 0, 0},
        {Setup::SkipLines, "1 2 DEL", "0", 0, 0},
        {Setup::SkipLines, "0 5", "5", 5, 0},
        {Setup::SkipLines, "1 2 HOME 7", "7", 7, 0},
        {Setup::SkipLines, "1 LEFT a x + * 2", "12", 12, 0},
        {Setup::Defaults, "", "", 0, 0},
        {Setup::Defaults, "1234", "1,234", 1234, 0},
        {Setup::Defaults, "1234 .", "1,234.", 1234, 0},
        {Setup::Defaults, "1234.5", "1,234.5", 1234.5L, 0},
        {Setup::Defaults, "1234.5 -", "-1,234.5", -1234.5L, 0},
        {Setup::Defaults, "1234.5 - -", "1,234.5", 1234.5L, 0},
        {Setup::Defaults, "-", "-", 0, 0},
        {Setup::Defaults, "- 5", "-5", -5, 0},
        {Setup::Defaults, "-12 BS", "-1", -1, 0},
        {Setup::Defaults, "-12 BS BS", "", 0, 0},
        {Setup::Defaults, ".05", "0.05", 0.05L, 0},
        {Setup::Defaults, "1..", "1.", 1, 1},
        {Setup::Defaults, "1.5 BS", "1.", 1, 0},
        {Setup::Defaults, "1.5 BS BS", "", 0, 0},
        {Setup::Defaults, "1234567890", "123,456,789", 123456789, 1},
        {Setup::Defaults, "12 DEL", "12", 12, 0},
        {Setup::Defaults, "12 HOME DEL", "", 0, 0},
        {Setup::Defaults, "12 HOME -", "-", 0, 0},
        {Setup::TwoDecimals, "1.234", "1.23", 1.23L, 1},
        {Setup::TwoDecimals, "1234567 8", "1,234,567", 1234567, 1},
    };
    for (const TypingCase& c : cases) {
        Field f(c.setup);
        f.Keys(c.keys);
        EXPECT_EQ(f.view.text, c.text) << c.keys;
        EXPECT_EQ(f.edit.Value(), c.value) << c.keys;
        EXPECT_EQ(f.sound.beeps.size(), static_cast<std::size_t>(c.beeps)) << c.keys;
        EXPECT_EQ(f.view.selEnd, f.view.text.size()) << c.keys;
    }
}

struct AssignCase {
    Setup setup;
    long double assigned;
    const char* text;
    long double value;
};

TEST(NValEdit, AssignedValuesAreBoundedAndShownFormatted) {
    const AssignCase cases[] = {
        {Setup::SkipLines, 150, "99", 99},
        {Setup::SkipLines, 0.3L, "0", 0.3L},
        {Setup::SkipLines, 7.6L, "8", 7.6L},
        {Setup::Defaults, 1e12L, "999,999,999", 999999999},
        {Setup::Defaults, 1234567.891L, "1,234,567.89", 1234567.891L},
        {Setup::Defaults, -0.25L, "-0.25", -0.25L},
        {Setup::Defaults, 0, "", 0},
        {Setup::TwoDecimals, 5, "5.00", 5},
        {Setup::TwoDecimals, 1.239L, "1.24", 1.239L},
        {Setup::TwoDecimals, -1234.5L, "-1,234.50", -1234.5L},
    };
    for (const AssignCase& c : cases) {
        Field f(c.setup);
        f.edit.SetValue(c.assigned);
        EXPECT_EQ(f.view.text, c.text) << static_cast<double>(c.assigned);
        EXPECT_EQ(f.edit.Value(), c.value) << static_cast<double>(c.assigned);
    }
}

TEST(NValEdit, ReadingTextTakesFullWidthDigitsAndWholeDigitGroupsOnly) {
    const struct {
        const char* text;
        long double value;
    } cases[] = {
        {"", 0},
        {"\x82\x50\x82\x51\x82\x52", 123}, // １２３
        {"12,345.6", 12345.6L},
        {"1,234,567", 1234567},
        {"1,234.", 1234},
        {"-123,456", -123456}, // the sign opens no digit group
        {"$1,000", 1000},
        {"\\5", 5},
        {"\x81\x8F\x82\x50\x81\x43\x82\x4F\x82\x4F\x82\x4F", 1000}, // ￥１，０００
        {"1,23", 0},
        {"1234,567", 0},
        {",123", 0},
        {"1.2,345", 0},
        {"abc", 0},
        {"\x82\xA0", 0}, // あ
        {"1.2.3", 0},
        {"1-2", 0},
        {"-", 0},
        {" 5", 0},
    };
    Field f;
    for (const auto& c : cases)
        EXPECT_EQ(f.edit.ReadNumber(c.text), c.value) << c.text;
    f.edit.SetLeadingChar('#');
    EXPECT_EQ(f.edit.ReadNumber("#12"), 12);
    EXPECT_EQ(f.edit.ReadNumber("$12"), 0);
}

TEST(NValEdit, PastedUndoneAndOutsideTextIsReadIntoTheValue) {
    Field f;
    int changes = 0;
    f.edit.OnChange = [&] { ++changes; };
    f.view.clipboard = "12,345.6";
    f.edit.Paste();
    EXPECT_EQ(f.view.text, "12,345.6");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(f.edit.Value(), 12345.6L);
    f.view.clipboard.reset();
    f.edit.Paste();
    EXPECT_EQ(f.edit.Value(), 0);

    f.view.SetTextFromOutside("42");
    EXPECT_EQ(f.edit.Value(), 42);
    EXPECT_EQ(f.view.selStart, 2u);
    f.view.text = "-123,456";
    f.edit.UndoDone();
    EXPECT_EQ(f.edit.Value(), -123456);
    f.edit.CutOrClearDone();
    EXPECT_EQ(f.edit.Value(), 0);
}

TEST(NValEdit, SettersCorrectContradictionsAndReshowTheValue) {
    Field f(Setup::TwoDecimals);
    f.edit.SetValue(1.239L);
    f.edit.SetFixDecimal(2);
    EXPECT_EQ(f.edit.Value(), 1.23L); // cut, not rounded
    f.edit.SetValue(0.29L);
    f.edit.SetFixDecimal(2);
    EXPECT_EQ(f.edit.Value(), 0.29L); // cut in decimal digits, not in binary ones
    f.edit.SetMaxDigits(2);           // not more than the decimals
    EXPECT_EQ(f.edit.MaxDigits(), 9);
    f.edit.SetFixDecimal(20);
    EXPECT_EQ(f.edit.FixDecimal(), 8);
    f.edit.SetFixDecimal(-5);
    EXPECT_EQ(f.edit.FixDecimal(), -1);

    f.edit.SetValue(12345);
    f.edit.SetMaxDigits(16);
    EXPECT_EQ(f.edit.MaxDigits(), 9);
    f.edit.SetMaxDigits(3);
    EXPECT_EQ(f.view.text, "999");
    f.edit.SetPutAComma(false);
    f.edit.SetMaxDigits(9);
    f.edit.SetValue(1234);
    EXPECT_EQ(f.view.text, "1234");
    f.edit.SetLeadingChar('$');
    EXPECT_EQ(f.view.text, "$1234");
    f.edit.SetValue(0);
    EXPECT_EQ(f.view.text, "");

    f.edit.SetValue(-3);
    f.edit.SetPrmtNegative(false);
    EXPECT_EQ(f.edit.Value(), 3);
    f.edit.SetValue(-3);
    EXPECT_EQ(f.edit.Value(), 3);
    f.Keys("-");
    EXPECT_EQ(f.edit.Value(), 3);
    EXPECT_EQ(f.sound.beeps, std::vector<unsigned>{kBeepDefault});
}

TEST(NValEdit, EnterArrowsAndEscFollowTheirSwitches) {
    Field f(Setup::SkipLines);
    f.edit.SetValue(5);
    f.edit.FocusGained(); // from the keyboard: all selected
    EXPECT_TRUE(f.view.AllSelected());
    f.Keys("7");
    EXPECT_EQ(f.view.text, "7");
    EXPECT_TRUE(f.edit.KeyDown(NValKey::Escape));
    EXPECT_EQ(f.view.text, "5");
    EXPECT_TRUE(f.edit.KeyDown(NValKey::Enter));
    EXPECT_TRUE(f.edit.KeyDown(NValKey::Up));
    EXPECT_TRUE(f.edit.KeyDown(NValKey::Down));
    EXPECT_EQ(f.view.focusMoves, (std::vector<bool>{false, true, false}));

    Field plain;
    EXPECT_FALSE(plain.edit.KeyDown(NValKey::Enter));
    EXPECT_FALSE(plain.edit.KeyDown(NValKey::Up));
    EXPECT_FALSE(plain.edit.KeyDown(NValKey::Other));
    EXPECT_TRUE(plain.edit.KeyDown(NValKey::Left));
    EXPECT_TRUE(plain.view.focusMoves.empty());
}

TEST(NValEdit, ReadOnlyKeepsTheValueAndOnlyCopies) {
    Field f;
    f.edit.SetValue(12);
    f.edit.SetReadOnly(true);
    EXPECT_TRUE(f.view.readOnly);
    EXPECT_TRUE(f.edit.KeyPress(0x03));  // Ctrl+C copies
    EXPECT_FALSE(f.edit.KeyPress(0x16)); // Ctrl+V does not paste
    f.Keys("3 - BS DEL ESC");
    f.view.clipboard = "99";
    f.edit.Paste();
    f.edit.CutOrClearDone();
    EXPECT_EQ(f.edit.Value(), 12);
    EXPECT_EQ(f.view.text, "12");
}

TEST(NValEdit, FocusAndClicksPlaceTheCaretAtTheEndOrKeepAWholeSelection) {
    Field f;
    f.edit.SetValue(123);
    f.edit.MouseActivated();
    f.edit.FocusGained();
    EXPECT_FALSE(f.view.HasSelection()); // a click does not select all

    f.view.SelectAll();
    f.edit.ButtonPressed();
    f.view.selStart = f.view.selEnd = 1; // the control puts the caret where the click was
    f.edit.ButtonReleased();
    EXPECT_TRUE(f.view.HasSelection() && f.view.AllSelected());

    f.view.selStart = f.view.selEnd = 0;
    f.edit.ButtonPressed();
    f.view.selStart = f.view.selEnd = 1;
    f.edit.ButtonReleased();
    EXPECT_EQ(f.view.selStart, 3u);

    f.edit.DoubleClicked();
    f.view.selStart = 0, f.view.selEnd = 1; // the control's own word selection stays
    f.edit.ButtonReleased();
    EXPECT_EQ(f.view.selEnd, 1u);

    f.Keys("HOME 4 .");
    EXPECT_EQ(f.view.text, "4.");
    f.edit.FocusLost();
    EXPECT_EQ(f.view.text, "4");
}

TEST(NValEdit, NegativeNumbersShowInTheMinusColour) {
    Field f;
    f.edit.SetMinusColor(kRed);
    f.Keys("1 -");
    EXPECT_EQ(f.edit.FontColor(), kRed);
    f.Keys("-");
    EXPECT_EQ(f.edit.FontColor(), kBlack);

    f.edit.SetFontColor(kBlue); // the form's colour becomes the normal one
    f.Keys("-");
    EXPECT_EQ(f.edit.FontColor(), kRed);
    f.edit.SetFontColor(kBlack); // while negative, the minus colour stays
    EXPECT_EQ(f.edit.FontColor(), kRed);
    f.Keys("-");
    EXPECT_EQ(f.edit.FontColor(), kBlack);

    Field same; // without a minus colour of its own, a new colour is both
    same.edit.SetFontColor(kBlue);
    same.Keys("-");
    EXPECT_EQ(same.edit.FontColor(), kBlue);
    EXPECT_EQ(same.edit.MinusColor(), kBlue);
}

} // namespace
} // namespace tobrix
