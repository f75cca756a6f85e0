#include "win32/InportDialog.h"

#include "transfer/Preview.h"
#include "win32/DlgDialog.h"
#include "win32/Encoding.h"
#include "win32/PreviewDialog.h"
#include "win32/TextOpenDialog.h"

#include <commctrl.h>
#include <imm.h>

namespace tobrix::win32 {

namespace {

enum : int {
    kFileName = 1501,
    kShow,
    kStart,
    kUpStart,
    kTab,
    kComma,
    kSpace,
    kSemi,
    kEtc,
    kEtcText,
    kQuoteFirst, // three radio buttons in a row
    kSame = kQuoteFirst + 3,
    kPreview,
    kOK,
    kCancel = IDCANCEL, // Esc and closing the window
    kLabels = 1550,
};

constexpr int kQuoteCount = 3;

} // namespace

InportDialog::InportDialog(TfrmInport& presenter, Sound& sound) : presenter_(presenter), numStart_(sound) {}

void InportDialog::Run(HWND owner) {
    // No border icons: neither the system menu nor a close box.
    RunModal(owner, 418, 280, WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER);
}

int InportDialog::IdOf(InportText box) { return box == InportText::txtFileName ? kFileName : kEtcText; }

int InportDialog::IdOf(InportCheck box) {
    switch (box) {
    case InportCheck::chkTab: return kTab;
    case InportCheck::chkComma: return kComma;
    case InportCheck::chkSpace: return kSpace;
    case InportCheck::chkSemi: return kSemi;
    case InportCheck::chkETC: return kEtc;
    case InportCheck::chkSame: return kSame;
    case InportCheck::chkPreview: return kPreview;
    }
    return 0;
}

bool InportDialog::OnInit() {
    SetWindowTextW(Handle(), Widen(kInportCaption).c_str());
    presenter_.Attach(*this);
    constexpr DWORD label = SS_LEFT | SS_CENTERIMAGE;
    constexpr DWORD check = WS_TABSTOP | BS_AUTOCHECKBOX;
    constexpr DWORD radio = BS_AUTORADIOBUTTON;
    constexpr DWORD group = BS_GROUPBOX;
    // Creation order is tab order. A label comes just before the control its mnemonic
    // reaches; the line about skipped lines is two labels around the number field.
    CreateControls(
        {
            {kLabels + 1, WC_STATICW, Widen(sjis<u8"読込元ファイル名(&F)：">()), 8, 8, 200, 21, label},
            {kFileName, WC_EDITW, L"", 8, 30, 328, 21, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
            {kShow, WC_BUTTONW, Widen(sjis<u8"参照">()), 344, 29, 66, 23, WS_TABSTOP | BS_PUSHBUTTON},
            {kLabels + 2, WC_STATICW, Widen(sjis<u8"先頭から">()), 8, 62, 56, 21, label},
            {kLabels + 3, WC_STATICW, Widen(sjis<u8"行目までは読み飛ばす(&J)">()), 130, 62, 200, 21, label},
            {kStart, WC_EDITW, L"", 66, 62, 40, 21, WS_TABSTOP | NValEditControl::kStyle, WS_EX_CLIENTEDGE},
            {kLabels + 4, WC_BUTTONW, Widen(sjis<u8"区切り文字">()), 8, 92, 212, 96, group},
            {kTab, WC_BUTTONW, Widen(sjis<u8"タブ(&T)">()), 20, 112, 84, 20, check | WS_GROUP},
            {kComma, WC_BUTTONW, Widen(sjis<u8"カンマ(&C)">()), 20, 136, 84, 20, check},
            {kSpace, WC_BUTTONW, Widen(sjis<u8"スペース(&S)">()), 20, 160, 88, 20, check},
            {kSemi, WC_BUTTONW, Widen(sjis<u8"セミコロン(&M)">()), 108, 112, 104, 20, check},
            {kEtc, WC_BUTTONW, Widen(sjis<u8"その他(&O)">()), 108, 136, 80, 20, check},
            {kEtcText, WC_EDITW, L"", 190, 135, 22, 21, WS_TABSTOP, WS_EX_CLIENTEDGE},
            {kLabels + 5, WC_BUTTONW, Widen(sjis<u8"文字列の引用符">()), 228, 92, 182, 96, group},
            {kQuoteFirst, WC_BUTTONW, L"\"", 240, 112, 160, 20, radio | WS_GROUP | WS_TABSTOP},
            {kQuoteFirst + 1, WC_BUTTONW, L"'", 240, 136, 160, 20, radio},
            {kQuoteFirst + 2, WC_BUTTONW, Widen(sjis<u8"[なし]">()), 240, 160, 160, 20, radio},
            {kSame, WC_BUTTONW, Widen(sjis<u8"連続した同一の区切り文字は１つとして考える(&R)">()), 8, 196, 400, 20,
             check | WS_GROUP},
            {kPreview, WC_BUTTONW, Widen(sjis<u8"プレビューを表示する(&P)">()), 8, 220, 400, 20, check},
            {kOK, WC_BUTTONW, Widen(sjis<u8"読み込み">()), 250, 248, 75, 25, WS_TABSTOP | BS_PUSHBUTTON},
            {kCancel, WC_BUTTONW, Widen(sjis<u8"キャンセル">()), 335, 248, 75, 25, WS_TABSTOP | BS_PUSHBUTTON},
        },
        MakeFont(13));
    // The design state before the settings are restored.
    SendMessageW(Item(kFileName), EM_SETLIMITTEXT, 0, 0);
    SendMessageW(Item(kEtcText), EM_SETLIMITTEXT, 1, 0);
    ImmAssociateContextEx(Item(kEtcText), nullptr, 0); // one character, never through the input method
    CheckDlgButton(Handle(), kComma, BST_CHECKED);
    CheckDlgButton(Handle(), kPreview, BST_CHECKED);
    CheckRadioButton(Handle(), kQuoteFirst, kQuoteFirst + kQuoteCount - 1, kQuoteFirst);
    numStart_.Attach(Item(kStart));
    SetUpStartField(numStart_.Field());
    numStart_.AttachUpDown(kUpStart, 0, 100, 0);

    SetFocus(Item(kFileName));
    presenter_.FormShow(); // may move the focus to the other delimiter's box
    return false;
}

void InportDialog::SetText(InportText box, std::string_view cp932) {
    settingText_ = true;
    SetItemText(IdOf(box), cp932);
    settingText_ = false;
}

void InportDialog::SetFileName(const FilePath& path) {
    settingText_ = true;
    SetDlgItemTextW(Handle(), kFileName, path.c_str());
    settingText_ = false;
}

bool InportDialog::Checked(InportCheck box) const { return IsDlgButtonChecked(Handle(), IdOf(box)) == BST_CHECKED; }

void InportDialog::SetChecked(InportCheck box, bool checked) {
    CheckDlgButton(Handle(), IdOf(box), checked ? BST_CHECKED : BST_UNCHECKED);
}

double InportDialog::StartValue() const { return static_cast<double>(numStart_.Field().Value()); }

void InportDialog::SetStartValue(double value) {
    numStart_.Field().SetValue(static_cast<long double>(value));
    numStart_.SetUpDownPosition(static_cast<int>(numStart_.Field().Value()));
}

int InportDialog::QuoteIndex() const {
    for (int i = 0; i < kQuoteCount; ++i)
        if (IsDlgButtonChecked(Handle(), kQuoteFirst + i) == BST_CHECKED)
            return i;
    return -1;
}

void InportDialog::SetQuoteIndex(int index) {
    for (int i = 0; i < kQuoteCount; ++i)
        CheckDlgButton(Handle(), kQuoteFirst + i, i == index ? BST_CHECKED : BST_UNCHECKED);
}

void InportDialog::Focus(InportText box) {
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IdOf(box))), TRUE);
}

void InportDialog::RunReader(TfrmDlg& reader) { win32::RunReader(Handle(), reader); }

void InportDialog::RunPreview(TfrmPreview& preview) {
    PreviewDialog dialog(preview);
    dialog.Run(Handle());
}

std::optional<FilePath> InportDialog::RunOpenDialog(TTextOpenDialog& dialog) {
    return RunTextOpenDialog(dialog, Handle());
}

bool InportDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == WM_NCDESTROY)
        presenter_.Detach();
    if (message != WM_COMMAND)
        return false;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == kEtcText) {
        if (code == EN_CHANGE && !settingText_)
            presenter_.txtETCChange();
        return code == EN_CHANGE;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case kSpace: presenter_.chkSpaceClick(); return true;
    case kEtc: presenter_.chkETCClick(); return true;
    case kShow: presenter_.cmdShowClick(); return true;
    case kOK: presenter_.cmdOKClick(); return true;
    case kCancel: presenter_.cmdCancelClick(); return true;
    default: return false;
    }
}

} // namespace tobrix::win32
