#include "lock/MasterPassword.h"

#include "platform/Messages.h"

#include <utility>

namespace tobrix {

namespace {

constexpr std::string_view kMsgWrongPassword = sjis<u8"マスターパスワードが違います。">();
constexpr std::string_view kMsgCurrentWrong = sjis<u8"現在のマスターパスワードが違います。">();
constexpr std::string_view kMsgNoNewPassword = sjis<u8"新しいマスターパスワードを入力してください。">();
constexpr std::string_view kMsgMismatch =
    sjis<u8"新しいマスターパスワードと、確認のために入力したパスワードが一致しません。">();
constexpr std::string_view kMsgForgotten =
    sjis<u8"マスターパスワードを忘れると、データファイルの項目を取り出す方法はありません。"
         u8"すべての項目が失われます。\r\n\r\nこのマスターパスワードを設定しますか？">();
constexpr std::string_view kMsgRemove =
    sjis<u8"マスターパスワードを解除すると、データファイルは簡単なスクランブルをかけただけの形で保存され、"
         u8"ファイルを手に入れた人はすべてのパスワードを読むことができます。\r\n\r\n解除しますか？">();

// Whether the field holds the password of `key`. When it does not, that is said with
// `wrong`, and the field is emptied and takes the focus.
bool FieldMatches(PasswordView& view, PasswordField field, const MasterKey& key, Crypto& crypto, Messages& messages,
                  std::string_view wrong) {
    Secret password = view.Password(field);
    bool matches = false;
    if (!password.empty()) {
        const BusyCursor busy(view);
        matches = key.Matches(crypto, password.span());
    }
    if (!matches) {
        messages.ShowWarning(wrong);
        view.ClearPassword(field);
        view.Focus(field);
    }
    return matches;
}

} // namespace

void TfrmPassword::cmdOKClick() {
    Secret password = view_->Password(PasswordField::Password);
    view_->ClearPassword(PasswordField::Password);
    if (!password.empty()) {
        ProtectedHeader header;
        if (ParseProtectedHeader(file_, header) != HeaderStatus::Ok) {
            Outcome = Result::Damaged;
            view_->Close(true);
            return;
        }
        std::string text;
        std::optional<MasterKey> key;
        MasterKey::OpenStatus status = MasterKey::OpenStatus::WrongPassword;
        {
            const BusyCursor busy(*view_);
            key.emplace(MasterKey::Derive(crypto_, password.span(), header.salt, header.iterations));
            password.Clear();
            status = key->Open(crypto_, file_, text);
        }
        switch (status) {
        case MasterKey::OpenStatus::Ok:
            Key = std::move(key);
            Text = std::move(text);
            Outcome = Result::Opened;
            view_->Close(true);
            return;
        case MasterKey::OpenStatus::Damaged:
            Key = std::move(key); // the check passed: it is the file's own key
            Outcome = Result::Damaged;
            view_->Close(true);
            return;
        case MasterKey::OpenStatus::WrongPassword: break;
        }
    }
    messages_.ShowWarning(kMsgWrongPassword);
    view_->Focus(PasswordField::Password);
}

void TfrmPassword::cmdCancelClick() {
    Outcome = Result::Cancelled;
    view_->Close(false);
}

void TfrmMasterPassword::Attach(PasswordView& view, LockFieldsView& lock) {
    view_ = &view;
    lock_ = &lock;
    lock.SetLockMinutes(LockMinutes);
    lock.SetLockOnSessionLock(LockOnSessionLock);
}

void TfrmMasterPassword::cmdOKClick() {
    LockMinutes = lock_->LockMinutes();
    LockOnSessionLock = lock_->LockOnSessionLock();
    Secret password = view_->Password(PasswordField::New);
    const Secret confirmation = view_->Password(PasswordField::Confirm);
    const bool remove = current_ != nullptr && view_->RemoveChecked();
    if (current_ != nullptr && !remove && password.empty() && confirmation.empty() &&
        view_->Password(PasswordField::Current).empty()) {
        Outcome = Result::LockOnly;
        view_->Close(true);
        return;
    }
    if (current_ != nullptr &&
        !FieldMatches(*view_, PasswordField::Current, *current_, crypto_, messages_, kMsgCurrentWrong))
        return;
    if (remove) {
        if (!messages_.AskWarning(kMsgRemove))
            return;
        Outcome = Result::Removed;
        view_->Close(true);
        return;
    }
    if (password.empty()) {
        messages_.ShowWarning(kMsgNoNewPassword);
        view_->Focus(PasswordField::New);
        return;
    }
    if (!SameBytes(password.span(), confirmation.span())) {
        messages_.ShowWarning(kMsgMismatch);
        view_->ClearPassword(PasswordField::Confirm);
        view_->Focus(PasswordField::Confirm);
        return;
    }
    if (!messages_.AskWarning(kMsgForgotten))
        return;
    {
        const BusyCursor busy(*view_);
        NewKey.emplace(MasterKey::Create(crypto_, password.span()));
    }
    Outcome = Result::Set;
    view_->Close(true);
}

void TfrmMasterPassword::cmdCancelClick() {
    Outcome = Result::Cancelled;
    view_->Close(false);
}

void TfrmPasswordCheck::cmdOKClick() {
    if (!FieldMatches(*view_, PasswordField::Password, key_, crypto_, messages_, kMsgWrongPassword))
        return;
    Passed = true;
    view_->Close(true);
}

void TfrmPasswordCheck::cmdCancelClick() {
    Passed = false;
    view_->Close(false);
}

bool MasterKeyGate::Confirm(std::string_view prompt) {
    if (key_ == nullptr)
        return true;
    TfrmPasswordCheck check(crypto_, messages_, *key_, prompt);
    view_.RunPasswordCheck(check);
    return check.Passed;
}

} // namespace tobrix
