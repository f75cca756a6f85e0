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


} // namespace tobrix::win32
