#pragma once
// The system's open and save dialogs, run the one way the import and the export share.

#include <windows.h>

#include <commdlg.h>

namespace tobrix::win32 {

enum class FileDialogKind { Open, Save };

// Runs GetOpenFileNameW or GetSaveFileNameW on `ofn`. A start name the dialog refuses to
// open with (FNERR_INVALIDFILENAME: a "*" in it, say) is dropped and the dialog opened
// again without it, rather than seem to ignore the button. True when the user chose a file,
// false when cancelled; any other failure of the dialog throws AppError, which says so.
bool RunFileDialog(OPENFILENAMEW& ofn, FileDialogKind kind);

} // namespace tobrix::win32
