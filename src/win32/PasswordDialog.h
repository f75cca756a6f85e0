#pragma once
// The master password's windows: the question at start, the setting, and the check before a
// command.

#include "lock/MasterPassword.h"
#include "win32/Dialog.h"
#include "win32/NValEditControl.h"

#include <optional>


namespace tobrix::win32 {

class PasswordDialog final : public Dialog, public PasswordView, public LockFieldsView {
public:
    // The question for the data file's password.
    explicit PasswordDialog(TfrmPassword& prompt)
        : prompt_(&prompt) {}
    // The setting; `sound` for its numeric field.
    PasswordDialog(TfrmMasterPassword& setting, Sound& sound) : setting_(&setting) { minutes_.emplace(sound); }
    // The check before a command.
    explicit PasswordDialog(TfrmPasswordCheck& check)
        : check_(&check) {}

    void Run(HWND owner);

    // PasswordView
    Secret Password(PasswordField field) const override;
    void ClearPassword(PasswordField field) override;
    void Focus(PasswordField field) override;
    bool RemoveChecked() const override;
    void Close(bool ok) override { EndModal(ok ? IDOK : IDCANCEL); }
    void SetBusy(bool busy) override { SetWaitCursor(busy); }

    // LockFieldsView
    int LockMinutes() const override;
    void SetLockMinutes(int minutes) override;
    bool LockOnSessionLock() const override;
    void SetLockOnSessionLock(bool on) override;

private:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void FollowRemove();

    TfrmPassword* prompt_ = nullptr;
    TfrmMasterPassword* setting_ = nullptr;
    TfrmPasswordCheck* check_ = nullptr;
    std::optional<NValEditControl> minutes_; // the setting's idle minutes
};

// The UTF-8 bytes of a text's NFC form. Throws AppError where Windows cannot normalise it
// (or there is no UTF-8 for it: half a surrogate pair): such a password is not used at all.
Secret Utf8Nfc(const wchar_t* text, int length);

} // namespace tobrix::win32
