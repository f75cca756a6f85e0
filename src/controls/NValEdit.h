#pragma once
// A one-line field for a number, built key by key like a pocket calculator: the caret stays
// at the end, digits are appended to the value, "-" toggles the sign, "." starts the
// decimals and Backspace takes the last digit off. The number itself is Value; the text is
// only its picture, and text that arrives from elsewhere (paste, undo, a buddy control) is
// read back into a number.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class Sound;

// A colour as the system counts them (0x00BBGGRR).
using Color = std::uint32_t;

enum class NValKey { Back, Enter, Escape, Home, Left, Up, Down, Delete, Other };

// What TNValEdit needs of its edit control.
class NValEditView {
public:
    virtual ~NValEditView() = default;
    virtual std::string Text() const = 0;
    // Replaces the whole text; the control marks itself modified and tells its form.
    virtual void SetText(std::string_view cp932) = 0;
    virtual bool HasSelection() const = 0;
    // The selection runs from the first character to the last (also true for an empty text).
    virtual bool AllSelected() const = 0;
    virtual void SelectAll() = 0;
    virtual void PlaceCaretAtEnd() = 0;
    virtual void SetTextColor(Color color) = 0;
    // Asks the form to move the focus to its next (or previous) control.
    virtual void MoveFocus(bool previous) = 0;
    // The clipboard's text, or nothing when it holds none.
    virtual std::optional<std::string> ClipboardText() const = 0;
    virtual void SwitchImeOff() = 0;
    virtual void SetReadOnly(bool readOnly) = 0;
};

class TNValEdit {
public:
    // windowText: the system's window text colour, the first normal and minus colour.
    TNValEdit(Sound& sound, Color windowText);

    // Binds the field to its control. Until then the field only keeps its properties; here
    // the counts are worked out afresh from Value and the text is written for the first time.
    void Attach(NValEditView& view);
    // The control is gone: the field keeps its properties and Value and shows nothing.
    void Detach();

    // Properties. Each setter takes effect at once; contradicting settings are corrected.
    long double Value() const { return value_; }
    void SetValue(long double v);
    int MaxDigits() const { return maxDigits_; } // 1 to 15, more than FixDecimal
    void SetMaxDigits(int digits);
    int FixDecimal() const { return fixDecimal_; } // -1 free, 0 integers, n exactly n decimals
    void SetFixDecimal(int decimals);
    bool PrmtNegative() const { return prmtNegative_; }
    void SetPrmtNegative(bool allowed);
    char LeadingChar() const { return leadingChar_; } // ' ' means none
    void SetLeadingChar(char c);
    bool ZeroDisplay() const { return zeroDisplay_; }
    void SetZeroDisplay(bool on);
    bool PutAComma() const { return putAComma_; }
    void SetPutAComma(bool on);
    Color MinusColor() const { return minusColor_; }
    void SetMinusColor(Color color);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    bool DelAllClear = false;
    // Without PrmtNegative, a negative number given to the field (assigned, pasted, set from
    // outside) becomes 0 instead of its absolute value.
    bool NegativeToZero = false;
    // Above 0: the largest number the field takes, below what MaxDigits allows. A digit that
    // would go beyond it is refused like one digit too many; a larger number given to the
    // field becomes this one.
    long double MaxValue = 0;
    bool EnterNext = false;
    bool ArrowNext = false;
    bool AutoSelect = true;
    // Runs after every text the field writes (not before it is attached).
    std::function<void()> OnChange;

    // The text as the control shows it; it is set only through Value.
    std::string Text() const;
    Color FontColor() const { return fontColor_; }
    // A font colour given by the form; the field decides which colour is its normal one.
    void SetFontColor(Color color);

    // The control's messages. KeyPress returns true when the control's own handling of the
    // character must run (the clipboard shortcuts); KeyDown returns true when the key is
    // swallowed.
    bool KeyPress(char c);
    bool KeyDown(NValKey key);
    void Paste();
    void CutOrClearDone();   // after the control cut or cleared its selection
    void UndoDone();         // after the control's own undo
    void TextSetOutside();   // after the control took a text not written by the field
    void FocusGained();
    void FocusLost();
    void MouseActivated();
    void ButtonPressed();    // left button down, before the control's own handling
    void DoubleClicked();
    void ButtonReleased();   // after the control's own handling

    // The number a text stands for; text that is not a number gives 0.
    long double ReadNumber(std::string_view text) const;

private:
    void Show(long double v);
    void WorkOutCounts(long double a);
    void ResetAll();
    void TypeDigit(int d);
    void TypeMinus();
    void TypePoint();
    void Backspace();
    void ChangeOwnFontColor(Color color);
    void FontChanged();
    bool Selected() const { return view_ != nullptr && view_->HasSelection(); }

    Sound& sound_;
    NValEditView* view_ = nullptr;

    long double value_ = 0;
    int maxDigits_ = 9;
    int fixDecimal_ = -1;
    bool prmtNegative_ = true;
    char leadingChar_ = ' ';
    bool zeroDisplay_ = false;
    bool putAComma_ = true;
    Color minusColor_;
    bool readOnly_ = false;

    int digits_ = 0;   // digits of the shown number, integer and decimal
    int decimals_ = 0; // decimals shown
    bool point_ = false;
    bool minus_ = false;
    long double saved_ = 0; // Value when the focus last came or went; Esc returns to it
    Color normalColor_;
    Color fontColor_;
    bool loading_ = true;
    bool colorSwitch_ = false;
    bool mouseActivation_ = false;
    bool doubleClick_ = false;
    bool outsideText_ = false;
    bool wholeBeforePress_ = false;
};

} // namespace tobrix
