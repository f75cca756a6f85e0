#pragma once
// The password generator's dialog, opened from the item editor: the choices, a password made
// from them at once and again at every change, its strength, and 「使用」 to take it.

#include "common/Cp932Literal.h"
#include "editor/PasswordGenerator.h"

#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class Crypto;
class Sound;
class TNValEdit;
struct TSettings;

inline constexpr std::string_view kGenerateCaption = sjis<u8"パスワードの生成">();

enum class GenerateCheck { chkUpper, chkLower, chkDigits, chkSymbols, chkLookAlikes };
enum class GenerateField { numLength, txtSymbols };

// What TfrmGenerate needs of its window.
class GenerateView {
public:
    virtual ~GenerateView() = default;
    // The length field's value, whole.
    virtual int Length() const = 0;
    virtual void SetLength(int length) = 0;
    virtual bool Checked(GenerateCheck box) const = 0;
    virtual void SetChecked(GenerateCheck box, bool checked) = 0;
    // The symbol field's text, or nothing when it holds characters code page 932 cannot hold.
    virtual std::optional<std::string> Symbols() const = 0;
    // Replaces the symbol field's text, the caret after it.
    virtual void SetSymbols(std::string_view text) = 0;
    // The password (empty: none) and the line about its strength.
    virtual void ShowPassword(std::string_view password, std::string_view strength) = 0;
    virtual void Focus(GenerateField field) = 0;
    virtual void Close() = 0;
};

// The length field: whole numbers up to the longest length, Delete clears it.
void SetUpLengthField(TNValEdit& numLength);

class TfrmGenerate {
public:
    // The choices start from the settings and go back into them only with 「使用」.
    TfrmGenerate(Crypto& crypto, Sound& sound, TSettings& settings)
        : crypto_(crypto), sound_(sound), settings_(settings) {}
    TfrmGenerate(const TfrmGenerate&) = delete;
    TfrmGenerate& operator=(const TfrmGenerate&) = delete;
    // The password made last is wiped.
    ~TfrmGenerate() { Wipe(); }

    void Attach(GenerateView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    // The remembered choices into the window, and a first password.
    void FormShow();
    // The length or the look-alikes' box changed.
    void ChoiceChanged();
    // A kind's box was clicked (it shows its new state): the last kind cannot be unchecked.
    void chkKindClick(GenerateCheck box);
    // The symbols changed: anything but printable ASCII symbols is refused, and the field
    // goes back to its last text.
    void txtSymbolsChange();
    void cmdRegenerateClick();
    // Takes the password and remembers the choices; a length or symbols from which no
    // password can be made are refused with the beep.
    void cmdUseClick();
    void cmdCancelClick();

    // After the window closed: whether 「使用」 took a password, and that password.
    bool Used() const { return used_; }
    const std::string& Password() const { return password_; }
    // The password's bytes, also what the window showed, are overwritten.
    void Wipe();

    const GeneratorChoices& Choices() const { return choices_; }

private:
    // The choices as the window shows them.
    GeneratorChoices Read() const;
    void Make();
    GenerateView& View() const { return *view_; }

    Crypto& crypto_;
    Sound& sound_;
    TSettings& settings_;
    GenerateView* view_ = nullptr;
    GeneratorChoices choices_;
    std::string symbols_; // the symbol field's last accepted text
    std::string password_;
    bool showing_ = false; // FormShow fills the window: its changes make no password yet
    bool used_ = false;
};

} // namespace tobrix
