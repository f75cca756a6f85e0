#include "win32/FileDialog.h"

#include "common/Error.h"
#include "transfer/Export.h"
#include "win32/Encoding.h"

#include <cderr.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix::win32 {

namespace {

constexpr std::string_view kMsgFileDialogFailed = sjis<u8"ファイルを選ぶダイアログを開けません（エラー %s）">();

} // namespace

bool RunFileDialog(OPENFILENAMEW& ofn, FileDialogKind kind) {
    const auto run = [&] {
        return (kind == FileDialogKind::Open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn)) != FALSE;
    };
    if (run())
        return true;
    DWORD error = CommDlgExtendedError();
    if (error == FNERR_INVALIDFILENAME && ofn.lpstrFile != nullptr && ofn.lpstrFile[0] != L'\0') {
        ofn.lpstrFile[0] = L'\0';
        if (run())
            return true;
        error = CommDlgExtendedError();
    }
    if (error == 0)
        return false; // the user cancelled
    // The code as the system's documentation lists it, for whoever helps the user.
    char code[16];
    std::snprintf(code, sizeof code, "0x%04lX", static_cast<unsigned long>(error));
    throw AppError(Substitute(kMsgFileDialogFailed, code));
}

SaveDialogResult RunExportSaveDialog(HWND owner, SaveDialogState& state, std::string_view filter,
                                     std::string_view caption, const wchar_t* defaultExtension) {
    constexpr DWORD kPathCapacity = 32768; // the longest path the system takes
    std::vector<wchar_t> file(kPathCapacity, L'\0');
    const std::wstring start = Widen(state.FileName).substr(0, kPathCapacity - 1);
    std::copy(start.begin(), start.end(), file.begin());
    const std::wstring filters = FileDialogFilter(filter);
    const std::wstring title = Widen(caption);
    const std::wstring initialDir = Widen(state.InitialDir);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(state.FilterIndex);
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (defaultExtension != nullptr) {
        // The extension is appended before the dialog asks about replacing a file, so that it
        // asks about the file that will be written.
        dialog.lpstrDefExt = defaultExtension;
        dialog.Flags |= OFN_OVERWRITEPROMPT;
    }
    if (!RunFileDialog(dialog, FileDialogKind::Save))
        return SaveDialogResult::Cancelled;
    state.FilterIndex = static_cast<int>(dialog.nFilterIndex);
    std::optional<std::string> chosen = NarrowExact(file.data());
    if (!chosen)
        return SaveDialogResult::NotCp932;
    state.FileName = std::move(*chosen);
    return SaveDialogResult::Chosen;
}

} // namespace tobrix::win32
