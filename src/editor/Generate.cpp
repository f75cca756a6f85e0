#include "editor/Generate.h"

#include "common/Error.h"
#include "common/Secret.h"
#include "controls/NValEdit.h"
#include "platform/Sound.h"
#include "store/Data.h"

#include <algorithm>
#include <iterator>

namespace tobrix {

namespace {

constexpr GenerateCheck kKindBoxes[kCharKindCount] = {GenerateCheck::chkUpper, GenerateCheck::chkLower,
                                                      GenerateCheck::chkDigits, GenerateCheck::chkSymbols};

// The settings' choices; what no password can come from (no kind, a symbol set that is
// none) starts from the defaults instead.
GeneratorChoices FromSettings(const TSettings& s) {
    GeneratorChoices c;
    c.Length = std::clamp<int>(s.GenLength, kGenMinLength, kGenMaxLength);
    const bool kinds[kCharKindCount] = {s.GenUpper, s.GenLower, s.GenDigits, s.GenSymbols};
    if (std::find(std::begin(kinds), std::end(kinds), true) != std::end(kinds))
        std::copy(std::begin(kinds), std::end(kinds), c.Kinds);
    if (IsSymbolSet(s.GenSymbolSet))
        c.Symbols = s.GenSymbolSet;
    c.NoLookAlikes = s.GenNoLookAlikes;
    return c;
}

} // namespace

void SetUpLengthField(TNValEdit& numLength) {
    numLength.SetMaxDigits(3);
    numLength.SetFixDecimal(0);
    numLength.NegativeToZero = true;
    numLength.SetPrmtNegative(false);
    numLength.MaxValue = kGenMaxLength;
    numLength.DelAllClear = true;
    numLength.SetZeroDisplay(true);
}

void TfrmGenerate::FormShow() {
    choices_ = FromSettings(settings_);
    symbols_ = choices_.Symbols;
    showing_ = true;
    View().SetLength(choices_.Length);
    for (int k = 0; k < kCharKindCount; ++k)
        View().SetChecked(kKindBoxes[k], choices_.Kinds[k]);
    View().SetChecked(GenerateCheck::chkLookAlikes, choices_.NoLookAlikes);
    View().SetSymbols(symbols_);
    showing_ = false;
    Make();
}

GeneratorChoices TfrmGenerate::Read() const {
    GeneratorChoices c;
    c.Length = View().Length();
    for (int k = 0; k < kCharKindCount; ++k)
        c.Kinds[k] = View().Checked(kKindBoxes[k]);
    c.Symbols = symbols_;
    c.NoLookAlikes = View().Checked(GenerateCheck::chkLookAlikes);
    return c;
}

void TfrmGenerate::Make() {
    Wipe();
    choices_ = Read();
    if (!CanGenerate(choices_)) {
        View().ShowPassword("", "");
        return;
    }
    password_ = GeneratePassword(choices_, crypto_);
    const int bits = StrengthBits(choices_.Length, AlphabetSize(choices_));
    View().ShowPassword(password_, Substitute(sjis<u8"%s ビット（%s）">(), {std::to_string(bits), StrengthWord(bits)}));
}

void TfrmGenerate::ChoiceChanged() {
    if (!showing_)
        Make();
}

void TfrmGenerate::chkKindClick(GenerateCheck box) {
    if (showing_)
        return;
    const bool any = std::any_of(std::begin(kKindBoxes), std::end(kKindBoxes),
                                 [this](GenerateCheck kind) { return View().Checked(kind); });
    if (!any) {
        sound_.Beep(kBeepDefault);
        View().SetChecked(box, true);
        return;
    }
    Make();
}

void TfrmGenerate::txtSymbolsChange() {
    if (showing_)
        return;
    const std::optional<std::string> text = View().Symbols();
    if (!text || !IsSymbolSet(*text)) {
        sound_.Beep(kBeepDefault);
        showing_ = true; // the field's own change back is no change of the user's
        View().SetSymbols(symbols_);
        showing_ = false;
        return;
    }
    if (*text == symbols_)
        return;
    symbols_ = *text;
    Make();
}

void TfrmGenerate::cmdRegenerateClick() { Make(); }

void TfrmGenerate::cmdUseClick() {
    if (password_.empty()) {
        sound_.Beep(kBeepDefault);
        const bool lengthWrong = choices_.Length < kGenMinLength || choices_.Length > kGenMaxLength;
        View().Focus(lengthWrong ? GenerateField::numLength : GenerateField::txtSymbols);
        return;
    }
    settings_.GenLength = choices_.Length;
    settings_.GenUpper = choices_.Uses(CharKind::Upper);
    settings_.GenLower = choices_.Uses(CharKind::Lower);
    settings_.GenDigits = choices_.Uses(CharKind::Digit);
    settings_.GenSymbols = choices_.Uses(CharKind::Symbol);
    settings_.GenSymbolSet = choices_.Symbols;
    settings_.GenNoLookAlikes = choices_.NoLookAlikes;
    used_ = true;
    View().ShowPassword("", ""); // the window's copy goes before the window does
    View().Close();
}

void TfrmGenerate::cmdCancelClick() {
    Wipe();
    View().ShowPassword("", "");
    View().Close();
}

void TfrmGenerate::Wipe() { tobrix::Wipe(password_); }

} // namespace tobrix
