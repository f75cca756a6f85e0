#include "win32/FileDialog.h"

#include "common/Error.h"
#include "transfer/Export.h"
#include "win32/Encoding.h"

#include <cderr.h>

#include <algorithm>
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

FileDialog::FileDialog(HWND owner, std::string_view filter, std::string_view caption, std::wstring_view startName,
                       std::wstring initialDir, int filterIndex, DWORD flags)
    : file_(kPathCapacity, L'\0'), filter_(filter.empty() ? std::wstring() : FileDialogFilter(filter)),
      caption_(Widen(caption)), initialDir_(std::move(initialDir)) {
    startName = startName.substr(0, kPathCapacity - 1);
    std::copy(startName.begin(), startName.end(), file_.begin());
    ofn_.lStructSize = sizeof ofn_;
    ofn_.hwndOwner = owner;
    ofn_.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
    ofn_.nFilterIndex = static_cast<DWORD>(filterIndex > 0 ? filterIndex : 1);
    ofn_.lpstrFile = file_.data();
    ofn_.nMaxFile = kPathCapacity;
    ofn_.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    ofn_.lpstrTitle = caption_.empty() ? nullptr : caption_.c_str();
    ofn_.Flags = flags;
}

namespace {

// The extension is appended before the dialog asks about replacing a file, so that it asks
// about the file that will be written.
void AppendExtensionAndAsk(OPENFILENAMEW& ofn, const wchar_t* defaultExtension) {
    if (defaultExtension == nullptr)
        return;
    ofn.lpstrDefExt = defaultExtension;
    ofn.Flags |= OFN_OVERWRITEPROMPT;
}

} // namespace

SaveDialogResult RunExportSaveDialog(HWND owner, SaveDialogState& state, std::string_view filter,
                                     std::string_view caption, const wchar_t* defaultExtension) {
    FileDialog dialog(owner, filter, caption, Widen(state.FileName), Widen(state.InitialDir), state.FilterIndex,
                      kFileDialogFlags);
    AppendExtensionAndAsk(dialog.Structure(), defaultExtension);
    if (!dialog.Run(FileDialogKind::Save))
        return SaveDialogResult::Cancelled;
    state.FilterIndex = dialog.FilterIndex();
    std::optional<std::string> chosen = NarrowExact(dialog.ChosenPath());
    if (!chosen)
        return SaveDialogResult::NotCp932;
    state.FileName = std::move(*chosen);
    return SaveDialogResult::Chosen;
}

std::optional<FilePath> RunSaveDialog(HWND owner, std::string_view filter, std::string_view caption,
                                      const wchar_t* defaultExtension) {
    FileDialog dialog(owner, filter, caption, {}, {}, 1, kFileDialogFlags);
    AppendExtensionAndAsk(dialog.Structure(), defaultExtension);
    if (!dialog.Run(FileDialogKind::Save))
        return std::nullopt;
    return FilePath(dialog.ChosenPath());
}

} // namespace tobrix::win32
