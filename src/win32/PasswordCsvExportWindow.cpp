#include "win32/PasswordCsvExportWindow.h"

#include "win32/FileDialog.h"
#include "win32/PasswordDialog.h"

namespace tobrix::win32 {

void PasswordCsvExportWindow::RunPasswordCheck(TfrmPasswordCheck& check) {
    PasswordDialog window(check, reportError_);
    window.Run(owner_());
}

SaveDialogResult PasswordCsvExportWindow::RunSaveDialog(SaveDialogState& state) {
    return RunExportSaveDialog(owner_(), state, kPasswordCsvFilter, kPasswordCsvExportCaption, L"csv");
}

void PasswordCsvExportWindow::SetBusy(bool busy) {
    if (busy) {
        restoreCursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return;
    }
    SetCursor(restoreCursor_ != nullptr ? restoreCursor_ : LoadCursorW(nullptr, IDC_ARROW));
    restoreCursor_ = nullptr;
}

} // namespace tobrix::win32
