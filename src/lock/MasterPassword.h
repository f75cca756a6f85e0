#pragma once
// The master password's dialogs: the question for it when a protected data file is opened, the
// one that sets, changes or removes it, and the question before a command that shows what it
// protects.

#include "common/Cp932Literal.h"
#include "common/Secret.h"
#include "lock/PasswordGate.h"
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

// The setting dialog's fields of the lock.
class LockFieldsView {
public:
    virtual ~LockFieldsView() = default;
    virtual int LockMinutes() const = 0; // 0: never
    virtual void SetLockMinutes(int minutes) = 0;
    virtual bool LockOnSessionLock() const = 0;
    virtual void SetLockOnSessionLock(bool on) = 0;
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
    // wipes them once the entries are taken). Damaged after the key check passed: the keys.
    std::optional<MasterKey> Key;
    std::string Text;

private:
    Crypto& crypto_;
    Messages& messages_;
    std::string_view file_;
    PasswordView* view_ = nullptr;
};

// Sets, changes or removes the master password, and sets when the window locks itself. With a
// password set, the current one is asked first to change or remove it; the lock's settings
// alone need none.
class TfrmMasterPassword {
public:
    // `current`: the session's keys, or null when no master password is set.
    TfrmMasterPassword(Crypto& crypto, Messages& messages, const MasterKey* current)
        : crypto_(crypto), messages_(messages), current_(current) {}

    bool HasPassword() const { return current_ != nullptr; }

    // The lock's fields show LockMinutes and LockOnSessionLock.
    void Attach(PasswordView& view, LockFieldsView& lock);
    void Detach() {
        view_ = nullptr;
        lock_ = nullptr;
    }

    void cmdOKClick();
    void cmdCancelClick();

    // LockOnly: the password stays; only the lock's settings were changed.
    enum class Result { Cancelled, Set, Removed, LockOnly };
    Result Outcome = Result::Cancelled;
    std::optional<MasterKey> NewKey; // Set
    // The lock's settings: shown when the dialog opens, the fields' values after OK.
    int LockMinutes = 0;
    bool LockOnSessionLock = true;

private:
    Crypto& crypto_;
    Messages& messages_;
    const MasterKey* current_;
    PasswordView* view_ = nullptr;
    LockFieldsView* lock_ = nullptr;
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

// Shows the master password's check modally; the check says how it ended (Passed).
class PasswordCheckView {
public:
    virtual ~PasswordCheckView() = default;
    virtual void RunPasswordCheck(TfrmPasswordCheck& check) = 0;
};

// The window's side of the master password: its three dialogs, each shown modally.
class PasswordDialogs : public PasswordCheckView {
public:
    virtual void RunMasterPasswordDialog(TfrmMasterPassword& dialog) = 0;
    // The question for the data file's password, while the window is not shown yet: a window
    // of its own in the taskbar.
    virtual void RunPasswordDialog(TfrmPassword& prompt) = 0;
};

// The gate of a session's keys: with a key, the check is shown until the right password is
// given or the user cancels it.
class MasterKeyGate final : public PasswordGate {
public:
    // `key`: the session's keys, or null when no master password is set.
    MasterKeyGate(Crypto& crypto, Messages& messages, const MasterKey* key, PasswordCheckView& view)
        : crypto_(crypto), messages_(messages), key_(key), view_(view) {}

    bool Confirm(std::string_view prompt) override;

private:
    Crypto& crypto_;
    Messages& messages_;
    const MasterKey* key_;
    PasswordCheckView& view_;
};

} // namespace tobrix
