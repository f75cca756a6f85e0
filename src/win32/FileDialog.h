#pragma once
// The system's open and save dialogs, run the one way the import and the export share.

#include <windows.h>

#include <commdlg.h>

#include <string_view>

namespace tobrix {
struct SaveDialogState;
enum class SaveDialogResult;
} // namespace tobrix

namespace tobrix::win32 {

enum class FileDialogKind { Open, Save };

// Runs GetOpenFileNameW or GetSaveFileNameW on `ofn`. A start name the dialog refuses to
// open with (FNERR_INVALIDFILENAME: a "*" in it, say) is dropped and the dialog opened
// again without it, rather than seem to ignore the button. True when the user chose a file,
// false when cancelled; any other failure of the dialog throws AppError, which says so.
bool RunFileDialog(OPENFILENAMEW& ofn, FileDialogKind kind);

// The save dialog of an export, started from `state` (its folder, name and filter) and giving
// the choice back there. With a default extension (no dot), the dialog appends it to a name
// without one and asks before a file is replaced; without, the caller decides both. The
// program's current folder stays as it was. A chosen path that code page 932 cannot hold is
// NotCp932.
SaveDialogResult RunExportSaveDialog(HWND owner, SaveDialogState& state, std::string_view filter,
                                     std::string_view caption, const wchar_t* defaultExtension = nullptr);

} // namespace tobrix::win32
