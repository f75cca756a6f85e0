#include "win32/FileDialog.h"

#include "common/Error.h"

#include <cderr.h>

#include <cstdio>
#include <string>
#include <string_view>

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

} // namespace tobrix::win32
