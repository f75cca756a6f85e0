#pragma once
// The master password's windows: the question at start, the setting, and the check before a
// command.

#include "lock/MasterPassword.h"
#include "win32/Dialog.h"

#include <functional>

namespace tobrix::win32 {

class PasswordDialog final : public Dialog, public PasswordView {
public:
    // The question for the data file's password.
    PasswordDialog(TfrmPassword& prompt, std::function<void(const std::exception&)> reportError)
        : prompt_(&prompt), reportError_(std::move(reportError)) {}
    // The setting.
    PasswordDialog(TfrmMasterPassword& setting, std::function<void(const std::exception&)> reportError)
        : setting_(&setting), reportError_(std::move(reportError)) {}
    // The check before a command.
    PasswordDialog(TfrmPasswordCheck& check, std::function<void(const std::exception&)> reportError)
        : check_(&check), reportError_(std::move(reportError)) {}

    void Run(HWND owner);

    // PasswordView
    Secret Password(PasswordField field) const override;
    void ClearPassword(PasswordField field) override;
    void Focus(PasswordField field) override;
    bool RemoveChecked() const override;
    void Close(bool ok) override { EndModal(ok ? IDOK : IDCANCEL); }
    void SetBusy(bool busy) override;

private:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void ReportUnhandled(const std::exception& e) override { reportError_(e); }
    void FollowRemove();

    TfrmPassword* prompt_ = nullptr;
    TfrmMasterPassword* setting_ = nullptr;
    TfrmPasswordCheck* check_ = nullptr;
    std::function<void(const std::exception&)> reportError_;
};

// The UTF-8 bytes of a text's NFC form. Throws AppError where Windows cannot normalise it
// (or there is no UTF-8 for it: half a surrogate pair): such a password is not used at all.
Secret Utf8Nfc(const wchar_t* text, int length);

} // namespace tobrix::win32
