#pragma once
// The password CSV export's windows: the master password's check and the save dialog, both
// owned by the main window.

#include "transfer/PasswordCsvExport.h"
#include "win32/WaitCursor.h"

#include <windows.h>

#include <exception>
#include <functional>

namespace tobrix::win32 {

class PasswordCsvExportWindow final : public PasswordCsvExportView {
public:
    // `owner` gives the main window's handle at the time a dialog opens.
    PasswordCsvExportWindow(std::function<HWND()> owner, std::function<void(const std::exception&)> reportError)
        : owner_(std::move(owner)), reportError_(std::move(reportError)) {}

    void RunPasswordCheck(TfrmPasswordCheck& check) override;
    SaveDialogResult RunSaveDialog(SaveDialogState& state) override;
    void SetBusy(bool busy) override { cursor_.Set(busy); }

private:
    std::function<HWND()> owner_;
    std::function<void(const std::exception&)> reportError_;
    WaitCursor cursor_;
};

} // namespace tobrix::win32
