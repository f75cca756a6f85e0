// The text-preview open dialog on the system's dialog, in process: a timer plays the user
// inside the dialog's own message loop.

#include "win32/TextOpenDialog.h"

#include "common/Error.h"
#include "win32/Encoding.h"
#include "win32/FileDialog.h"
#include "win32/TestSupport.h"
#include "win32/Win32Files.h"
#include "win32/resource.h"

#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <fstream>

namespace tobrix::win32 {
namespace {

std::function<void(HWND dialog, HWND panel)> g_user; // what the timer does once the dialog shows

// The check box in the template's dialog, a child of the file dialog.
BOOL CALLBACK FindCheckBox(HWND window, LPARAM found) {
    const HWND panel = FindWindowExW(window, nullptr, L"#32770", nullptr);
    *reinterpret_cast<HWND*>(found) = panel != nullptr ? GetDlgItem(panel, IDC_PREVIEW_CHECK) : nullptr;
    return *reinterpret_cast<HWND*>(found) == nullptr;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND check = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindCheckBox, reinterpret_cast<LPARAM>(&check));
    if (check == nullptr)
        return; // not open yet
    KillTimer(nullptr, timer);
    g_user(GetAncestor(check, GA_ROOT), GetParent(check));
}

std::wstring Text(HWND control) {
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    return text;
}

TEST(TextOpenDialog, ThePanelSitsBelowTheStandardControlsAndFollowsTheUser) {
    std::optional<test::TempFolder> temp(std::in_place, L"open");
    const FilePath folder = temp->Path();
    std::ofstream(folder / L"a.csv", std::ios::binary) << "x,y\r\nz";
    Win32Files files;
    TTextOpenDialog dlg(files);
    dlg.Filter = "Text|*.txt|CSV|*.csv|All|*.*";
    dlg.FilterIndex = 2;
    dlg.InitialDir = folder;
    dlg.SetPreview(true);

    g_user = [&](HWND dialog, HWND panel) {
        const HWND check = GetDlgItem(panel, IDC_PREVIEW_CHECK), preview = GetDlgItem(panel, IDC_PREVIEW_TEXT);
        EXPECT_EQ(Text(check), Widen(kPreviewCheckCaption));
        EXPECT_EQ(IsDlgButtonChecked(panel, IDC_PREVIEW_CHECK), BST_CHECKED);
        RECT types{}, text{};
        GetWindowRect(GetDlgItem(dialog, cmb1), &types);
        GetWindowRect(preview, &text);
        EXPECT_GT(text.top, types.bottom);

        // The text filter: the typed name follows.
        const HWND name = GetDlgItem(dialog, GetDlgItem(dialog, cmb13) != nullptr ? cmb13 : edt1);
        SetWindowTextW(name, L"a.csv");
        SendDlgItemMessageW(dialog, cmb1, CB_SETCURSEL, 0, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, cmb1)));
        EXPECT_EQ(Text(name), L"a.txt");

        // The check box, off and on again, shows the typed file.
        SetWindowTextW(name, L"a.csv");
        for (const UINT state : {BST_UNCHECKED, BST_CHECKED}) {
            CheckDlgButton(panel, IDC_PREVIEW_CHECK, state);
            SendMessageW(panel, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW_CHECK, BN_CLICKED), reinterpret_cast<LPARAM>(check));
            EXPECT_EQ(Text(preview), state == BST_CHECKED ? L"x,y\r\nz" : L"");
        }
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    SetTimer(nullptr, 0, 50, &Tick);
    test::ReportTaker owner;
    const auto chosen = RunTextOpenDialog(dlg, owner.Handle());
    EXPECT_TRUE(owner.reported.empty());
    EXPECT_EQ(chosen, folder / L"a.csv");
    EXPECT_EQ(dlg.FilterIndex, 1);
    temp.reset();
    EXPECT_FALSE(std::filesystem::exists(folder)); // possible only because the dialog leaves the working folder alone
}

TEST(FileDialog, ADialogThatFailsIsReportedInJapaneseWithItsCode) {
    OPENFILENAMEW ofn{}; // no size: the system refuses to run it (CDERR_STRUCTSIZE)
    try {
        RunFileDialog(ofn, FileDialogKind::Open);
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.Message(), sjis<u8"ファイルを選ぶダイアログを開けません（エラー 0x0001）">());
    }
}

} // namespace
} // namespace tobrix::win32
