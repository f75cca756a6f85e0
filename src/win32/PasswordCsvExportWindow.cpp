#include "win32/PasswordCsvExportWindow.h"

#include "win32/FileDialog.h"

namespace tobrix::win32 {

SaveDialogResult PasswordCsvExportWindow::RunSaveDialog(SaveDialogState& state) {
    return RunExportSaveDialog(owner_(), state, kPasswordCsvFilter, kPasswordCsvExportCaption, L"csv");
}


} // namespace tobrix::win32
