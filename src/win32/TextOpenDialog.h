#pragma once
// Runs the text-preview open dialog on the system's file-open dialog: the check box and the
// preview box come from the child template "ENHDLG1" (TextOpenDialog.rc) below the standard
// controls, and a hook hands the dialog's notifications to the presenter.

#include "controls/TextDlgs.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <optional>

namespace tobrix::win32 {

// The chosen file (also left in dlg.FileName), or nothing when the user cancelled. The
// filter the user ended with is left in dlg.FilterIndex either way. An error raised while the
// dialog is open (a file that cannot be previewed) is shown by the owner and the dialog stays;
// a failure of the dialog itself throws.
std::optional<FilePath> RunTextOpenDialog(TTextOpenDialog& dlg, HWND owner);

} // namespace tobrix::win32
