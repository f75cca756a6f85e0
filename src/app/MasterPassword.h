#pragma once
// The master password's dialogs: the question for it when a protected data file is opened, the
// one that sets, changes or removes it, and the question before a command that shows what it
// protects.

#include "common/Cp932Literal.h"
#include "common/Secret.h"
#include "store/Protected.h"
#include "common/Busy.h"

#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class Crypto;
class Messages;

inline constexpr std::string_view kPasswordCaption = sjis<u8"マスターパスワード">();
inline constexpr std::string_view kMasterPasswordCaption = sjis<u8"マスターパスワードの設定">();

enum class PasswordField {
    Password, // the question's only field
    Current,
    New,
    Confirm,
};

// What the dialogs need of their windows.
class PasswordView : public BusyView {
public:
    // The field's text as the UTF-8 bytes of its NFC form (so that a password typed with
    // another input method or on another system gives the same key).
    virtual Secret Password(PasswordField field) const = 0;
    virtual void ClearPassword(PasswordField field) = 0;
    virtual void Focus(PasswordField field) = 0;
    // The setting dialog's "remove" check box.
    virtual bool RemoveChecked() const = 0;
    // OK: true; キャンセル: false.
    virtual void Close(bool ok) = 0;
};

// The question at start for the password of a protected data file. OK tries the password on
// the file; a wrong one is said and asked again.
class TfrmPassword {
public:
    // `file`: the whole protected file, its header parsed as sound.
    TfrmPassword(Crypto& crypto, Messages& messages, std::string_view file)
        : crypto_(crypto), messages_(messages), file_(file) {}

    void Attach(PasswordView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    void cmdOKClick();
    void cmdCancelClick();

    enum class Result { Cancelled, Opened, Damaged };
    Result Outcome = Result::Cancelled;
    // Opened: the password's keys and the clear text of the file (a Secret's bytes: the caller
    // wipes them once the entries are taken).
    std::optional<MasterKey> Key;
    std::string Text;

private:
    Crypto& crypto_;
    Messages& messages_;
    std::string_view file_;
    PasswordView* view_ = nullptr;
};

// Sets, changes or removes the master password. With one set, the current one is asked first.
class TfrmMasterPassword {
public:
    // `current`: the session's keys, or null when no master password is set.
    TfrmMasterPassword(Crypto& crypto, Messages& messages, const MasterKey* current)
        : crypto_(crypto), messages_(messages), current_(current) {}

    bool HasPassword() const { return current_ != nullptr; }

    void Attach(PasswordView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    void cmdOKClick();
    void cmdCancelClick();

    enum class Result { Cancelled, Set, Removed };
    Result Outcome = Result::Cancelled;
    std::optional<MasterKey> NewKey; // Set

private:
    Crypto& crypto_;
    Messages& messages_;
    const MasterKey* current_;
    PasswordView* view_ = nullptr;
};

// The question for the session's master password before a command that hands out every
// password. OK checks it against the session's keys; a wrong one is said and asked again.
class TfrmPasswordCheck {
public:
    // `prompt`: the line above the field, saying what the password is asked for.
    TfrmPasswordCheck(Crypto& crypto, Messages& messages, const MasterKey& key, std::string_view prompt)
        : crypto_(crypto), messages_(messages), key_(key), prompt_(prompt) {}

    std::string_view Prompt() const { return prompt_; }

    void Attach(PasswordView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    void cmdOKClick();
    void cmdCancelClick();

    bool Passed = false; // the right password was given

private:
    Crypto& crypto_;
    Messages& messages_;
    const MasterKey& key_;
    std::string_view prompt_;
    PasswordView* view_ = nullptr;
};

} // namespace tobrix
