#pragma once
// The system's open and save dialogs, run the one way the import and the exports share.

#include "platform/Files.h"

#include <windows.h>

#include <commdlg.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {
struct SaveDialogState;
enum class SaveDialogResult;
} // namespace tobrix

namespace tobrix::win32 {

// Room for the longest path the wide file functions take, its terminating null included.
inline constexpr DWORD kPathCapacity = 32768;

enum class FileDialogKind { Open, Save };

// Runs GetOpenFileNameW or GetSaveFileNameW on `ofn`. A start name the dialog refuses to
// open with (FNERR_INVALIDFILENAME: a "*" in it, say) is dropped and the dialog opened
// again without it, rather than seem to ignore the button. True when the user chose a file,
// false when cancelled; any other failure of the dialog throws AppError, which says so.
bool RunFileDialog(OPENFILENAMEW& ofn, FileDialogKind kind);

// An open or save dialog's structure filled in, with the texts and the path buffer it points
// into. `filter` is "text|pattern|..." (empty: none), `caption` empty gives the system's own;
// an empty `initialDir` leaves the folder to the system. What only one dialog sets (a hook, a
// default extension) goes into Structure() before Run.
class FileDialog {
public:
    FileDialog(HWND owner, std::string_view filter, std::string_view caption, std::wstring_view startName,
               std::wstring initialDir, int filterIndex, DWORD flags);
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    OPENFILENAMEW& Structure() { return ofn_; }
    bool Run(FileDialogKind kind) { return RunFileDialog(ofn_, kind); }
    // After Run: the path chosen, and the filter shown last (from 1).
    std::wstring ChosenPath() const { return file_.data(); }
    int FilterIndex() const { return static_cast<int>(ofn_.nFilterIndex); }

private:
    std::vector<wchar_t> file_;
    std::wstring filter_;
    std::wstring caption_;
    std::wstring initialDir_;
    OPENFILENAMEW ofn_{};
};

// The flags the exports' and the import's dialogs share.
inline constexpr DWORD kFileDialogFlags =
    OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING | OFN_NOCHANGEDIR;

// The save dialog of an export, started from `state` (its folder, name and filter) and giving
// the choice back there. With a default extension (no dot), the dialog appends it to a name
// without one and asks before a file is replaced; without, the caller decides both. The
// program's current folder stays as it was. A chosen path that code page 932 cannot hold is
// NotCp932.
SaveDialogResult RunExportSaveDialog(HWND owner, SaveDialogState& state, std::string_view filter,
                                     std::string_view caption, const wchar_t* defaultExtension = nullptr);

// A save dialog that gives back the chosen path as it is, whatever characters it holds:
// started in the system's folder with an empty name; the dialog appends `defaultExtension`
// (no dot) to a name without one and asks before a file is replaced. Nothing when cancelled.
std::optional<FilePath> RunSaveDialog(HWND owner, std::string_view filter, std::string_view caption,
                                      const wchar_t* defaultExtension);

} // namespace tobrix::win32
