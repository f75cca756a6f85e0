#include "win32/ExportDialog.h"

#include "win32/Encoding.h"
#include "win32/FileDialog.h"

#include <commctrl.h>


namespace tobrix::win32 {

namespace {

enum : int {
    kLabel = 1301,
    kFileName,
    kShow,
    kDelim,
    kComma,
    kTab,
    kDblQ,
    kHead,
    kWrite,
    kCancel = IDCANCEL, // Esc
};

} // namespace

void ExportDialog::Run(HWND owner) {
    // No border icons: no system menu, so no close box either.
    RunModal(owner, 400, 176, WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER);
}

bool ExportDialog::OnInit() {
    SetWindowTextW(Handle(), Widen(kExportCaption).c_str());
    constexpr DWORD check = WS_TABSTOP | BS_AUTOCHECKBOX;
    // Creation order is tab order. The group box passes its mnemonic on to the first radio
    // button; the radio buttons are one group that the arrow keys move through.
    CreateControls(
        {
            {kLabel, WC_STATICW, Widen(kExportLabelFileName), 8, 12, 200, 17, SS_LEFT | SS_CENTERIMAGE},
            {kFileName, WC_EDITW, L"", 8, 32, 318, 21, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
            {kShow, WC_BUTTONW, Widen(kExportButtonShow), 332, 31, 60, 23, WS_TABSTOP | BS_PUSHBUTTON},
            {kDelim, WC_BUTTONW, Widen(kExportDelimCaption), 8, 64, 150, 72, BS_GROUPBOX},
            {kComma, WC_BUTTONW, Widen(kExportDelimComma), 20, 84, 120, 20,
             WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON},
            {kTab, WC_BUTTONW, Widen(kExportDelimTab), 20, 108, 120, 20, BS_AUTORADIOBUTTON},
            {kDblQ, WC_BUTTONW, Widen(kExportDblQ), 172, 76, 220, 20, WS_GROUP | check},
            {kHead, WC_BUTTONW, Widen(kExportHead), 172, 104, 220, 20, check},
            {kWrite, WC_BUTTONW, Widen(kExportButtonOK), 226, 143, 81, 25, WS_TABSTOP | BS_PUSHBUTTON},
            {kCancel, WC_BUTTONW, Widen(kExportButtonCancel), 311, 143, 81, 25, WS_TABSTOP | BS_PUSHBUTTON},
        },
        MakeFont(12));
    // Paths can be longer than the edit control's default limit.
    SendMessageW(Item(kFileName), EM_SETLIMITTEXT, kPathCapacity - 1, 0);
    presenter_.Attach(*this);
    presenter_.FormShow();
    FocusFileName();
    return false;
}

std::optional<std::string> ExportDialog::FileName() const { return ItemText(kFileName); }

void ExportDialog::SetFileName(std::string_view cp932) { SetItemText(kFileName, cp932); }

void ExportDialog::FocusFileName() {
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(kFileName)), TRUE);
}

bool ExportDialog::IsChecked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void ExportDialog::SetChecked(int id, bool on) {
    SendMessageW(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int ExportDialog::DelimIndex() const { return IsChecked(kTab) ? kDelimTab : kDelimComma; }

void ExportDialog::SetDelimIndex(int index) {
    SetChecked(kComma, index == kDelimComma);
    SetChecked(kTab, index != kDelimComma);
}

bool ExportDialog::DblQ() const { return IsChecked(kDblQ); }
void ExportDialog::SetDblQ(bool on) { SetChecked(kDblQ, on); }
bool ExportDialog::Head() const { return IsChecked(kHead); }
void ExportDialog::SetHead(bool on) { SetChecked(kHead, on); }

SaveDialogResult ExportDialog::RunSaveDialog(SaveDialogState& state) {
    // No overwrite prompt and no default extension: the export dialog decides both.
    return RunExportSaveDialog(Handle(), state, kExportFilter, kExportCaption);
}


bool ExportDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    if (message == WM_NCDESTROY)
        presenter_.Detach();
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return false;
    switch (LOWORD(wParam)) {
    case kShow: presenter_.cmdShowClick(); return true;
    case kWrite: presenter_.cmdOKClick(); return true;
    case kCancel: presenter_.cmdCancelClick(); return true;
    case IDOK: return true; // Enter presses the focused button only: no button is the default
    default: return false;
    }
}

} // namespace tobrix::win32
