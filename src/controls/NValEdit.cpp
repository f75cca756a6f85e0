#include "controls/NValEdit.h"

#include "common/Cp932.h"
#include "platform/Sound.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cmath>
#include <utility>

namespace tobrix {

namespace {

long double Pow10(int n) { return std::pow(10.0L, static_cast<long double>(n)); }

// v with exactly `decimals` decimals, rounded; a zero never carries a sign.
std::string Fixed(long double v, int decimals) {
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    std::string s(buffer, result.ptr);
    if (!s.empty() && s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos)
        s.erase(0, 1);
    return s;
}

// The number with up to 14 decimals and no trailing zeros ("1.5", "12", "0.3"). No field
// shows more than 15 digits, and within 15 significant digits a number that went through a
// double (1234567.891) is free of binary noise.
std::string Plain(long double a) {
    constexpr int kSignificant = 15;
    const int integerDigits = static_cast<int>(Fixed(std::fabs(a), 0).size());
    const int decimals = std::clamp(kSignificant - integerDigits, 0, 14);
    std::string s = Fixed(a, decimals);
    if (s.find('.') != std::string::npos) {
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}

// v with thousands separators in its integer part.
std::string WithCommas(std::string s) {
    const std::size_t begin = s[0] == '-' ? 1 : 0;
    std::size_t end = s.find('.');
    if (end == std::string::npos)
        end = s.size();
    for (std::size_t at = end; at > begin + 3; at -= 3)
        s.insert(at - 3, 1, ',');
    return s;
}

// v left-aligned in a field of `width` characters with `decimals` decimals: the text the
// calculator-style edits work on.
std::string LeftAligned(long double v, int width, int decimals) {
    std::string s = Fixed(v, decimals);
    if (static_cast<int>(s.size()) < width)
        s.append(static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

// An optional sign, digits with at most one point, at least one digit; else nothing.
std::optional<long double> ToNumber(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    bool digit = false;
    int points = 0;
    for (const char c : s) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.')
            ++points;
        else
            return std::nullopt;
    }
    if (!digit || points > 1)
        return std::nullopt;
    // strtold rather than from_chars: some runtimes parse a long double only to double
    // precision there. The program never changes the C locale, so the point is ".".
    const std::string digits(s);
    const long double v = std::strtold(digits.c_str(), nullptr);
    return negative ? -v : v;
}

// The text of our own edits read back: trailing padding ignored, "" and "-" are zero.
long double ReadBack(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return ToNumber(s).value_or(0);
}

std::string Trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

// Full-width forms of the ASCII characters, in code page 932, and their half-width forms.
struct WidePair {
    unsigned char trail;
    char ascii;
};
constexpr WidePair kRow81[] = {
    {0x40, ' '}, {0x43, ','}, {0x44, '.'}, {0x46, ':'}, {0x47, ';'}, {0x48, '?'}, {0x49, '!'},
    {0x4D, '`'}, {0x4F, '^'}, {0x51, '_'}, {0x5E, '/'}, {0x5F, '\\'}, {0x60, '~'}, {0x62, '|'},
    {0x69, '('}, {0x6A, ')'}, {0x6D, '['}, {0x6E, ']'}, {0x6F, '{'}, {0x70, '}'}, {0x7B, '+'},
    {0x7C, '-'}, {0x81, '='}, {0x83, '<'}, {0x84, '>'}, {0x8F, '\\'}, {0x90, '$'}, {0x93, '%'},
    {0x94, '#'}, {0x95, '&'}, {0x96, '*'}, {0x97, '@'},
};

std::optional<char> HalfWidthOf(unsigned char lead, unsigned char trail) {
    if (lead == 0x81) {
        for (const WidePair& p : kRow81)
            if (p.trail == trail)
                return p.ascii;
    } else if (lead == 0x82) {
        if (trail >= 0x4F && trail <= 0x58)
            return static_cast<char>('0' + (trail - 0x4F));
        if (trail >= 0x60 && trail <= 0x79)
            return static_cast<char>('A' + (trail - 0x60));
        if (trail >= 0x81 && trail <= 0x9A)
            return static_cast<char>('a' + (trail - 0x81));
    }
    return std::nullopt;
}

// Full-width letters, digits and signs turned into their half-width forms; other
// double-byte characters stay as they are.
std::string HalfWidth(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLength(text, i);
        const auto half = n == 2 ? HalfWidthOf(static_cast<unsigned char>(text[i]),
                                               static_cast<unsigned char>(text[i + 1]))
                                 : std::nullopt;
        if (half)
            out += *half;
        else
            out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

} // namespace

TNValEdit::TNValEdit(Sound& sound, Color windowText)
    : sound_(sound), minusColor_(windowText), normalColor_(windowText), fontColor_(windowText) {}

void TNValEdit::Attach(NValEditView& view) {
    view_ = &view;
    view_->SetReadOnly(readOnly_);
    view_->SetTextColor(fontColor_);
    digits_ = decimals_ = 0;
    point_ = minus_ = false;
    mouseActivation_ = doubleClick_ = false;
    loading_ = false;
    SetValue(value_);
    saved_ = value_;
}

void TNValEdit::Detach() {
    view_ = nullptr;
    loading_ = true; // as before the first display: nothing is shown
}

// ---- properties ----

void TNValEdit::SetValue(long double v) {
    if (std::isnan(v))
        v = 0;
    minus_ = false;
    if (v < 0 && !prmtNegative_ && NegativeToZero)
        v = 0;
    long double a = std::fabs(v);
    if (v < 0) {
        if (prmtNegative_)
            minus_ = true;
        else
            v = a;
    }
    long double lower, upper;
    if (fixDecimal_ < 0) {
        lower = 5 * Pow10(-maxDigits_);
        upper = Pow10(maxDigits_) - 1;
    } else {
        lower = 5 * Pow10(-(fixDecimal_ + 1));
        upper = Pow10(maxDigits_ - fixDecimal_) - Pow10(-fixDecimal_);
    }
    if (a < lower) {
        digits_ = zeroDisplay_ ? 1 : 0;
        decimals_ = 0;
        point_ = false;
        value_ = v;
        Show(0);
        return;
    }
    if (MaxValue > 0 && MaxValue < upper)
        upper = MaxValue;
    if (a >= upper)
        a = upper;
    WorkOutCounts(a);
    value_ = minus_ ? -a : a;
    Show(value_);
}

void TNValEdit::WorkOutCounts(long double a) {
    std::string s = Plain(a);
    if (s.find('.') != std::string::npos && static_cast<int>(s.size()) > maxDigits_ + 1) {
        s.resize(static_cast<std::size_t>(maxDigits_) + 1);
        s = Plain(ReadBack(s));
    }
    const std::size_t point = s.find('.');
    if (point == std::string::npos) {
        decimals_ = fixDecimal_ < 0 ? 0 : fixDecimal_;
        digits_ = static_cast<int>(s.size()) + decimals_;
    } else {
        decimals_ = fixDecimal_ < 0 ? static_cast<int>(s.size() - point - 1) : fixDecimal_;
        digits_ = static_cast<int>(point) + decimals_;
    }
    point_ = decimals_ > 0;
}

void TNValEdit::SetMaxDigits(int digits) {
    if (digits < 1 || digits > 15 || digits <= fixDecimal_)
        return;
    maxDigits_ = digits;
    // Digits of the current value, padded with the fixed decimals it lacks.
    const std::string s = Plain(std::fabs(value_));
    const std::size_t point = s.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(s.size() - point - 1);
    const int count = static_cast<int>(s.size()) - (point == std::string::npos ? 0 : 1) +
                      (fixDecimal_ > decimals ? fixDecimal_ - decimals : 0);
    if (count > maxDigits_)
        SetValue(value_);
}

void TNValEdit::SetFixDecimal(int decimals) {
    if (decimals < -1)
        decimals = -1;
    if (decimals >= maxDigits_)
        decimals = maxDigits_ - 1;
    fixDecimal_ = decimals;
    if (fixDecimal_ < 0)
        return;
    // Cut in decimal, not in binary: 0.29 stays 0.29 with two decimals.
    std::string s = Plain(std::fabs(value_));
    const std::size_t point = s.find('.');
    if (point != std::string::npos)
        s.resize(std::min(s.size(), point + 1 + static_cast<std::size_t>(fixDecimal_)));
    const long double cut = ReadBack(s);
    SetValue(value_ < 0 ? -cut : cut);
}

void TNValEdit::SetPrmtNegative(bool allowed) {
    prmtNegative_ = allowed;
    if (!allowed && (value_ < 0 || minus_))
        SetValue(value_); // positive, or 0 with NegativeToZero
}

void TNValEdit::SetLeadingChar(char c) {
    leadingChar_ = static_cast<unsigned char>(c) < ' ' ? ' ' : c;
    if (view_ != nullptr)
        SetValue(value_);
}

void TNValEdit::SetZeroDisplay(bool on) {
    zeroDisplay_ = on;
    Show(value_);
}

void TNValEdit::SetPutAComma(bool on) {
    putAComma_ = on;
    SetValue(value_);
}

void TNValEdit::SetMinusColor(Color color) {
    minusColor_ = color;
    Show(value_);
}

void TNValEdit::SetReadOnly(bool on) {
    readOnly_ = on;
    if (view_ != nullptr)
        view_->SetReadOnly(on);
}

std::string TNValEdit::Text() const { return view_ != nullptr ? view_->Text() : std::string(); }

// ---- showing ----

void TNValEdit::Show(long double v) {
    if (loading_)
        return;
    if (minusColor_ != normalColor_)
        ChangeOwnFontColor(v < 0 || minus_ ? minusColor_ : normalColor_);
    std::string text;
    if (v == 0 && !point_) {
        digits_ = decimals_ = 0;
        text = zeroDisplay_ ? "0" : "";
    } else {
        text = Fixed(v, decimals_);
        if (putAComma_)
            text = WithCommas(text);
        if (point_ && decimals_ == 0 && digits_ < maxDigits_)
            text += '.'; // the point just typed
    }
    text = Trimmed(text);
    if (minus_ && text.find('-') == std::string::npos)
        text.insert(0, 1, '-'); // a lone minus while typing
    if (static_cast<unsigned char>(leadingChar_) > ' ' && (zeroDisplay_ || v != 0 || minus_ || point_))
        text.insert(0, 1, leadingChar_);
    // The field's own text is never read back as if it came from outside.
    outsideText_ = false;
    view_->SetText(text);
    outsideText_ = true;
    view_->PlaceCaretAtEnd();
    if (OnChange)
        OnChange();
}

void TNValEdit::ResetAll() {
    value_ = 0;
    digits_ = decimals_ = 0;
    point_ = minus_ = false;
}

// ---- reading text ----

long double TNValEdit::ReadNumber(std::string_view text) const {
    if (text.empty())
        return 0;
    std::string s = HalfWidth(text);
    if (!s.empty() && ((leadingChar_ != ' ' && s[0] == leadingChar_) ||
                       (leadingChar_ == ' ' && (s[0] == '$' || s[0] == '\\'))))
        s.erase(0, 1);
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
        if (IsLeadByte(static_cast<unsigned char>(s[i])))
            return 0;
    const std::size_t firstPoint = s.find('.');
    // 1-based position of the first point, or just after the text
    const std::size_t p = (firstPoint == std::string::npos ? s.size() : firstPoint) + 1;
    int commas = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')
            continue;
        // A comma opens a group of exactly three integer digits.
        if (c == ',' && i < p - 1 && i != 0 && (p - (i + 1)) % 4 == 0) {
            ++commas;
            continue;
        }
        return 0;
    }
    if (commas > 0) {
        // One comma per full group of three integer digits; a sign is no digit.
        const bool sign = s[0] == '-' || s[0] == '+';
        const int integerDigits = static_cast<int>(p) - 1 - commas - (sign ? 1 : 0);
        if (integerDigits < 1 || commas != (integerDigits - 1) / 3)
            return 0;
        std::erase(s, ',');
    }
    return ToNumber(s).value_or(0);
}

// ---- typing ----

bool TNValEdit::KeyPress(char c) {
    constexpr char kCopy = 0x03, kPaste = 0x16, kCut = 0x18, kUndo = 0x1A;
    if (c == kCopy)
        return true;
    if (c == kPaste || c == kCut || c == kUndo)
        return !readOnly_;
    if (readOnly_)
        return false;
    if (c == '-')
        TypeMinus();
    else if (c == '.')
        TypePoint();
    else if (c >= '0' && c <= '9')
        TypeDigit(c - '0');
    return false;
}

void TNValEdit::TypeMinus() {
    if (!prmtNegative_) {
        sound_.Beep(kBeepDefault);
        return;
    }
    if (Selected())
        ResetAll();
    minus_ = !minus_;
    value_ = -value_;
    Show(value_);
}

void TNValEdit::TypePoint() {
    if (fixDecimal_ == 0) {
        point_ = false;
        decimals_ = 0;
        sound_.Beep(kBeepDefault);
        return;
    }
    if (Selected()) {
        value_ = 0;
        digits_ = decimals_ = 0;
        point_ = false;
    }
    if (digits_ >= maxDigits_) {
        sound_.Beep(kBeepDefault);
        return;
    }
    if (digits_ == 0)
        digits_ = 1;
    if (point_)
        sound_.Beep(kBeepDefault);
    else
        point_ = true;
    Show(value_);
}

void TNValEdit::TypeDigit(int d) {
    if (Selected()) {
        ResetAll();
        Show(0);
    }
    const int k = decimals_;
    const int digitsBefore = digits_;
    long double candidate;
    if (!point_) {
        value_ = std::round(value_); // halves away from zero
        if (value_ == 0 && digits_ == 1)
            digits_ = 0; // a shown "0" is replaced, not extended
        candidate = value_ >= 0 && !minus_ ? value_ * 10 + d : value_ * 10 - d;
    } else {
        decimals_ = k + 1;
        const long double step = d / Pow10(k + 1);
        candidate = value_ >= 0 && !minus_ ? value_ + step : value_ - step;
    }
    if (decimals_ == 1 && value_ == 0)
        digits_ = 2; // the first decimal after "0."
    else
        ++digits_;
    if (digits_ > maxDigits_) {
        digits_ = maxDigits_;
        if (point_)
            decimals_ = k;
        sound_.Beep(kBeepDefault);
        return;
    }
    if (fixDecimal_ >= 0) {
        if (!point_ && digits_ > maxDigits_ - fixDecimal_) {
            digits_ = maxDigits_ - fixDecimal_;
            sound_.Beep(kBeepDefault);
            return;
        }
        if (point_ && decimals_ > fixDecimal_) {
            decimals_ = fixDecimal_;
            digits_ = digitsBefore;
            sound_.Beep(kBeepDefault);
            return;
        }
    }
    if (MaxValue > 0 && std::fabs(candidate) > MaxValue) {
        digits_ = digitsBefore;
        decimals_ = k;
        sound_.Beep(kBeepDefault);
        return;
    }
    value_ = ReadBack(LeftAligned(candidate, digits_, decimals_));
    Show(value_);
}

// ---- keys ----

bool TNValEdit::KeyDown(NValKey key) {
    switch (key) {
    case NValKey::Back:
        if (!readOnly_)
            Backspace();
        return true;
    case NValKey::Enter:
        if (!EnterNext)
            return false;
        view_->MoveFocus(false);
        return true;
    case NValKey::Escape:
        if (!readOnly_)
            SetValue(saved_);
        return true;
    case NValKey::Home: view_->SelectAll(); return true;
    case NValKey::Left: return true;
    case NValKey::Up:
    case NValKey::Down:
        if (!ArrowNext)
            return false;
        view_->MoveFocus(key == NValKey::Up);
        return true;
    case NValKey::Delete:
        if (readOnly_ || (!Selected() && !DelAllClear))
            return true;
        ResetAll();
        Show(0);
        return true;
    case NValKey::Other: return false;
    }
    return false;
}

void TNValEdit::Backspace() {
    if (Selected()) {
        ResetAll();
        Show(0);
        return;
    }
    if (digits_ <= 0) {
        decimals_ = 0;
        point_ = minus_ = false;
        Show(0);
        return;
    }
    std::string s = LeftAligned(value_, digits_, decimals_);
    s.pop_back();
    --digits_;
    if (decimals_ > 0) {
        --decimals_;
    } else {
        point_ = false;
        minus_ = false;
    }
    value_ = ReadBack(s);
    Show(value_);
}

// ---- editing messages ----

void TNValEdit::Paste() {
    if (readOnly_)
        return;
    const std::optional<std::string> text = view_->ClipboardText();
    SetValue(text ? ReadNumber(*text) : 0);
}

void TNValEdit::CutOrClearDone() {
    if (!readOnly_)
        SetValue(0);
}

void TNValEdit::UndoDone() { SetValue(ReadNumber(view_->Text())); }

void TNValEdit::TextSetOutside() {
    if (view_ == nullptr || !outsideText_)
        return;
    SetValue(ReadNumber(view_->Text()));
    view_->PlaceCaretAtEnd();
}

// ---- focus and mouse ----

void TNValEdit::FocusGained() {
    saved_ = value_;
    view_->SwitchImeOff();
    if (AutoSelect && !mouseActivation_)
        view_->SelectAll();
    mouseActivation_ = false;
}

void TNValEdit::FocusLost() {
    saved_ = value_;
    mouseActivation_ = false;
    SetValue(value_); // tidies a dangling point
}

void TNValEdit::MouseActivated() { mouseActivation_ = true; }

void TNValEdit::ButtonPressed() { wholeBeforePress_ = view_->HasSelection() && view_->AllSelected(); }

void TNValEdit::DoubleClicked() { doubleClick_ = true; }

void TNValEdit::ButtonReleased() {
    // The press itself moves the caret to where it was: a selection of the whole text that
    // it met is given back.
    if (!doubleClick_) {
        if (wholeBeforePress_ || view_->AllSelected())
            view_->SelectAll();
        else
            view_->PlaceCaretAtEnd();
    }
    doubleClick_ = false;
    wholeBeforePress_ = false;
}

// ---- font colour ----

void TNValEdit::SetFontColor(Color color) {
    fontColor_ = color;
    if (view_ != nullptr)
        view_->SetTextColor(color);
    FontChanged();
}

void TNValEdit::ChangeOwnFontColor(Color color) {
    colorSwitch_ = true;
    fontColor_ = color;
    if (view_ != nullptr)
        view_->SetTextColor(color);
    FontChanged();
}

void TNValEdit::FontChanged() {
    if (std::exchange(colorSwitch_, false))
        return;
    const Color color = fontColor_;
    const bool negative = value_ < 0 || minus_;
    if (color == normalColor_ && !negative)
        return;
    if (minusColor_ == normalColor_) {
        minusColor_ = color;
        normalColor_ = color;
    } else if (negative) {
        if (color != minusColor_) {
            normalColor_ = color;
            ChangeOwnFontColor(minusColor_);
        }
    } else {
        normalColor_ = color;
    }
}

} // namespace tobrix
