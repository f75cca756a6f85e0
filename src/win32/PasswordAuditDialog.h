#pragma once
// The report of empty, short and shared passwords: an owner-data list and 閉じる.

#include "app/PasswordAudit.h"
#include "win32/Dialog.h"

#include <string>

namespace tobrix::win32 {

class PasswordAuditDialog final : public Dialog, public PasswordAuditView {
public:
    explicit PasswordAuditDialog(TfrmPasswordAudit& presenter) : presenter_(presenter) {}
    void Run(HWND owner);

    // PasswordAuditView
    void Close() override { EndModal(IDCANCEL); }

private:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    int SelectedRow() const;

    TfrmPasswordAudit& presenter_;
    std::wstring cellText_;
};

} // namespace tobrix::win32
