#include "win32/PasswordCsvExportWindow.h"

#include "win32/FileDialog.h"
#include "win32/PasswordDialog.h"

namespace tobrix::win32 {

void PasswordCsvExportWindow::RunPasswordCheck(TfrmPasswordCheck& check) {
    PasswordDialog window(check);
    window.Run(owner_());
}

std::optional<FilePath> PasswordCsvExportWindow::RunSaveDialog() {
    return win32::RunSaveDialog(owner_(), kPasswordCsvFilter, kPasswordCsvExportCaption, L"csv");
}

} // namespace tobrix::win32
