#pragma once
// The password CSV export's window: the save dialog, owned by the main window.

#include "transfer/PasswordCsvExport.h"
#include "win32/WaitCursor.h"

#include <windows.h>

#include <functional>

namespace tobrix::win32 {

class PasswordCsvExportWindow final : public PasswordCsvExportView {
public:
    // `owner` gives the main window's handle at the time a dialog opens.
    explicit PasswordCsvExportWindow(std::function<HWND()> owner) : owner_(std::move(owner)) {}

    std::optional<FilePath> RunSaveDialog() override;
    void SetBusy(bool busy) override { cursor_.Set(busy); }

private:
    std::function<HWND()> owner_;
    WaitCursor cursor_;
};

} // namespace tobrix::win32
