#include "win32/PasswordCsvExportWindow.h"

#include "win32/FileDialog.h"

namespace tobrix::win32 {

std::optional<FilePath> PasswordCsvExportWindow::RunSaveDialog() {
    return win32::RunSaveDialog(owner_(), kPasswordCsvFilter, kPasswordCsvExportCaption, L"csv");
}

} // namespace tobrix::win32
