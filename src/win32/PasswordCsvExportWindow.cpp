#include "win32/PasswordCsvExportWindow.h"

#include "win32/Encoding.h"
#include "win32/FileDialog.h"
#include "win32/PasswordDialog.h"

#include <algorithm>
#include <vector>

namespace tobrix::win32 {

namespace {

// Room for the longest path the wide file functions take.
constexpr DWORD kPathCapacity = 32768;

} // namespace

void PasswordCsvExportWindow::RunPasswordCheck(TfrmPasswordCheck& check) {
    PasswordDialog window(check, reportError_);
    window.Run(owner_());
}

SaveDialogResult PasswordCsvExportWindow::RunSaveDialog(SaveDialogState& state) {
    std::vector<wchar_t> file(kPathCapacity, L'\0');
    const std::wstring start = Widen(state.FileName).substr(0, kPathCapacity - 1);
    std::copy(start.begin(), start.end(), file.begin());
    const std::wstring filter = FileDialogFilter(kPasswordCsvFilter);
    const std::wstring title = Widen(kPasswordCsvExportCaption);
    const std::wstring initialDir = Widen(state.InitialDir);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(state.FilterIndex);
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    dialog.lpstrTitle = title.c_str();
    // The dialog appends ".csv" to a name without an extension before it asks about
    // replacing a file, so that it asks about the file that will be written.
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_ENABLESIZING |
                   OFN_NOCHANGEDIR;
    if (!RunFileDialog(dialog, FileDialogKind::Save))
        return SaveDialogResult::Cancelled;
    state.FilterIndex = static_cast<int>(dialog.nFilterIndex);
    std::optional<std::string> chosen = NarrowExact(file.data());
    if (!chosen)
        return SaveDialogResult::NotCp932;
    state.FileName = std::move(*chosen);
    return SaveDialogResult::Chosen;
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
