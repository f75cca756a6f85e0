#include "win32/SubDialog.h"

#include "win32/Encoding.h"
#include "win32/GenerateDialog.h"

#include <commctrl.h>
#include <imm.h>

namespace tobrix::win32 {

namespace {

enum : int {
    kTitle = 1001,
    kUser,
    kPassword,
    kMemo,
    kAddress,
    kGet,
    kGenerate,
    kLabels = 1100,
    kSave = IDOK,       // Enter in any field
    kCancel = IDCANCEL, // Esc and the close box
};

void SetImeOpen(HWND control, bool open) {
    if (HIMC context = ImmGetContext(control)) {
        ImmSetOpenStatus(context, open);
        ImmReleaseContext(control, context);
    }
}

} // namespace

int SubDialog::IdOf(SubField field) {
    switch (field) {
    case SubField::txtTitle: return kTitle;
    case SubField::txtUser: return kUser;
    case SubField::txtPassWord: return kPassword;
    case SubField::txtMemo: return kMemo;
    case SubField::txtHTML: return kAddress;
    }
    return 0;
}

void SubDialog::Run(HWND owner) { RunModal(owner, 567, 176); }

bool SubDialog::OnInit() {
    constexpr DWORD label = SS_LEFT | SS_CENTERIMAGE;
    constexpr DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
    constexpr DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
    // Creation order is tab order: the five fields, then 登録, キャンセル, 取得, and last 生成
    // (beside the password field, reached by its mnemonic). Each label comes
    // just before its field so that its mnemonic moves the focus there.
    CreateControls(
        {
            {kLabels + 1, WC_STATICW, Widen(kSubLabelTitle), 8, 16, 89, 21, label},
            {kTitle, WC_EDITW, L"", 104, 16, 354, 21, edit, WS_EX_CLIENTEDGE},
            {kLabels + 2, WC_STATICW, Widen(kSubLabelUser), 8, 48, 96, 21, label},
            {kUser, WC_EDITW, L"", 104, 48, 354, 21, edit, WS_EX_CLIENTEDGE},
            {kLabels + 3, WC_STATICW, Widen(kSubLabelPassword), 8, 80, 89, 21, label},
            {kPassword, WC_EDITW, L"", 104, 80, 266, 21, edit, WS_EX_CLIENTEDGE},
            {kLabels + 4, WC_STATICW, Widen(kSubLabelMemo), 8, 112, 89, 21, label},
            {kMemo, WC_EDITW, L"", 104, 112, 354, 21, edit, WS_EX_CLIENTEDGE},
            {kLabels + 5, WC_STATICW, Widen(kSubLabelAddress), 8, 144, 89, 21, label},
            {kAddress, WC_EDITW, Widen(kPresetAddress), 104, 144, 354, 21, edit, WS_EX_CLIENTEDGE},
            {kSave, WC_BUTTONW, Widen(kSubButtonSave), 472, 16, 81, 28, WS_TABSTOP | BS_DEFPUSHBUTTON},
            {kCancel, WC_BUTTONW, Widen(kSubButtonCancel), 472, 48, 81, 28, button},
            {kGet, WC_BUTTONW, Widen(kSubButtonGet), 472, 144, 81, 21, button},
            {kGenerate, WC_BUTTONW, Widen(kSubButtonGenerate), 376, 80, 82, 21, button},
        },
        MakeFont(13));
    // No field has a length limit of its own: lift the edit control's default one.
    for (const int id : {kTitle, kUser, kPassword, kMemo, kAddress})
        SendMessageW(Item(id), EM_SETLIMITTEXT, 0, 0);
    // Addresses are never typed through the input method.
    ImmAssociateContextEx(Item(kAddress), nullptr, 0);
    SubclassControl(Item(kAddress), *this);
    presenter_.Attach(*this);
    presenter_.FormShow();
    Focus(SubField::txtTitle);
    return false;
}

void SubDialog::SetCaption(std::string_view cp932) { SetWindowTextW(Handle(), Widen(cp932).c_str()); }

void SubDialog::Focus(SubField field) {
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IdOf(field))), TRUE);
}

void SubDialog::PlaceCaretAtEnd(SubField field) {
    HWND control = Item(IdOf(field));
    const int length = GetWindowTextLengthW(control);
    SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(length), length);
}

void SubDialog::SetCapturing(bool capturing) {
    HWND get = Item(kGet);
    HWND address = Item(kAddress);
    // A disabled control cannot keep the focus: it moves on first, or the keyboard would be lost.
    const HWND focus = GetFocus();
    if (capturing && (focus == get || focus == address))
        SendMessageW(Handle(), WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(get, !capturing);
    EnableWindow(address, !capturing);
}

void SubDialog::RunGenerator(TfrmGenerate& generate) {
    GenerateDialog dialog(generate, sound_);
    dialog.Run(Handle());
}

LRESULT SubDialog::OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog manager asks a field to select all its text when it is entered by the
    // keyboard (Tab, Shift+Tab, its mnemonic) or by the program; a click or a return from
    // another program asks nothing and keeps the user's caret. That request (to the end: -1,
    // or the largest length) is the address field's entry: the caret goes after the text
    // instead.
    if (message == EM_SETSEL && wParam == 0 && (lParam == -1 || lParam == 0x7FFFFFFF)) {
        presenter_.txtHTMLEnter();
        return 0;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void SubDialog::OnFieldFocus(int id) {
    switch (id) {
    case kTitle: SetImeOpen(Item(id), true); break;
    case kUser:
    case kPassword:
    case kMemo: SetImeOpen(Item(id), false); break;
    default: break;
    }
}

bool SubDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_NCDESTROY: presenter_.Detach(); return false;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (code == EN_SETFOCUS) {
            OnFieldFocus(id);
            return true;
        }
        if (code != BN_CLICKED)
            return false;
        switch (id) {
        case kSave: presenter_.cmdSaveClick(); return true;
        case kCancel: presenter_.cmdCloseClick(); return true;
        case kGet: presenter_.cmdGetClick(); return true;
        case kGenerate: presenter_.cmdGenerateClick(); return true;
        default: return false;
        }
    }
    default: return false;
    }
}

} // namespace tobrix::win32
