#include "win32/GenerateDialog.h"

#include "common/Secret.h"
#include "win32/Encoding.h"

#include <commctrl.h>
#include <imm.h>

#include <cmath>

namespace tobrix::win32 {

namespace {

enum : int {
    kLength = 1601,
    kUpLength,
    kUpper,
    kLower,
    kDigits,
    kSymbols,
    kSymbolText,
    kLookAlikes,
    kPassword,
    kStrength,
    kRegenerate,
    kUse = IDOK,        // Enter
    kCancel = IDCANCEL, // Esc and the close box
    kLabels = 1650,
};

// A fixed-pitch face, so that 0 and O, 1 and l stand apart and every character takes its place.
constexpr std::string_view kPasswordFace = sjis<u8"ＭＳ ゴシック">();

} // namespace

void GenerateDialog::Run(HWND owner) { RunModal(owner, 360, 236); }

int GenerateDialog::IdOf(GenerateCheck box) {
    switch (box) {
    case GenerateCheck::chkUpper: return kUpper;
    case GenerateCheck::chkLower: return kLower;
    case GenerateCheck::chkDigits: return kDigits;
    case GenerateCheck::chkSymbols: return kSymbols;
    case GenerateCheck::chkLookAlikes: return kLookAlikes;
    }
    return 0;
}

bool GenerateDialog::OnInit() {
    SetWindowTextW(Handle(), Widen(kGenerateCaption).c_str());
    constexpr DWORD label = SS_LEFT | SS_CENTERIMAGE;
    constexpr DWORD check = WS_TABSTOP | BS_AUTOCHECKBOX;
    constexpr DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
    // Creation order is tab order; a label comes just before the field its mnemonic reaches.
    CreateControls(
        {
            {kLabels + 1, WC_STATICW, Widen(sjis<u8"長さ(&L)：">()), 12, 12, 80, 21, label},
            {kLength, WC_EDITW, L"", 96, 12, 44, 21, WS_TABSTOP | NValEditControl::kStyle, WS_EX_CLIENTEDGE},
            {kLabels + 2, WC_STATICW, Widen(sjis<u8"文字（4～128）">()), 166, 12, 180, 21, label},
            {kUpper, WC_BUTTONW, Widen(sjis<u8"英大文字 A-Z(&U)">()), 12, 42, 160, 20, check},
            {kLower, WC_BUTTONW, Widen(sjis<u8"英小文字 a-z(&W)">()), 180, 42, 160, 20, check},
            {kDigits, WC_BUTTONW, Widen(sjis<u8"数字 0-9(&D)">()), 12, 66, 160, 20, check},
            {kSymbols, WC_BUTTONW, Widen(sjis<u8"記号(&S)">()), 180, 66, 160, 20, check},
            {kLabels + 3, WC_STATICW, Widen(sjis<u8"記号(&Y)：">()), 12, 94, 80, 21, label},
            {kSymbolText, WC_EDITW, L"", 96, 94, 252, 21, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
            {kLookAlikes, WC_BUTTONW, Widen(sjis<u8"紛らわしい文字を除く(&X)">()), 12, 122, 336, 20, check},
            {kPassword, WC_EDITW, L"", 12, 150, 336, 24, WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
             WS_EX_CLIENTEDGE},
            {kLabels + 4, WC_STATICW, Widen(sjis<u8"強度：">()), 12, 178, 52, 20, label},
            {kStrength, WC_STATICW, L"", 64, 178, 284, 20, label | SS_NOPREFIX},
            {kRegenerate, WC_BUTTONW, Widen(sjis<u8"再生成(&R)">()), 12, 204, 90, 25, button},
            {kUse, WC_BUTTONW, Widen(sjis<u8"使用">()), 168, 204, 86, 25, WS_TABSTOP | BS_DEFPUSHBUTTON},
            {kCancel, WC_BUTTONW, Widen(sjis<u8"キャンセル">()), 262, 204, 86, 25, button},
        },
        MakeFont(13));
    SendMessageW(Item(kPassword), WM_SETFONT,
                 reinterpret_cast<WPARAM>(MakeFont(FontSpec{.height = 13, .face = kPasswordFace,
                                                            .pitchAndFamily = FIXED_PITCH | FF_MODERN})),
                 FALSE);
    ImmAssociateContextEx(Item(kSymbolText), nullptr, 0); // ASCII only, never through the input method
    numLength_.Attach(Item(kLength));
    SetUpLengthField(numLength_.Field());
    numLength_.AttachUpDown(kUpLength, kGenMinLength, kGenMaxLength, kGenDefaultLength);
    presenter_.Attach(*this);
    presenter_.FormShow();
    numLength_.Field().OnChange = [this] { presenter_.ChoiceChanged(); };
    SetFocus(Item(kLength));
    return false;
}

int GenerateDialog::Length() const { return static_cast<int>(std::trunc(numLength_.Field().Value())); }

void GenerateDialog::SetLength(int length) {
    numLength_.Field().SetValue(length);
    numLength_.SetUpDownPosition(length);
}

bool GenerateDialog::Checked(GenerateCheck box) const {
    return IsDlgButtonChecked(Handle(), IdOf(box)) == BST_CHECKED;
}

void GenerateDialog::SetChecked(GenerateCheck box, bool checked) {
    CheckDlgButton(Handle(), IdOf(box), checked ? BST_CHECKED : BST_UNCHECKED);
}

std::optional<std::string> GenerateDialog::Symbols() const { return ItemText(kSymbolText); }

void GenerateDialog::SetSymbols(std::string_view text) {
    SetItemText(kSymbolText, text);
    const int length = GetWindowTextLengthW(Item(kSymbolText));
    SendMessageW(Item(kSymbolText), EM_SETSEL, static_cast<WPARAM>(length), length);
}

void GenerateDialog::ShowPassword(std::string_view password, std::string_view strength) {
    // Blanks over the old password first: the edit control keeps its text in one buffer, which
    // a text of the same length overwrites in place.
    const HWND field = Item(kPassword);
    const std::wstring blanks(static_cast<std::size_t>(GetWindowTextLengthW(field)), L' ');
    SetWindowTextW(field, blanks.c_str());
    std::wstring wide = Widen(password);
    SetDlgItemTextW(Handle(), kPassword, wide.c_str());
    Wipe(wide.data(), wide.size() * sizeof(wchar_t));
    SetItemText(kStrength, strength);
}

void GenerateDialog::Focus(GenerateField field) {
    const HWND control = Item(field == GenerateField::numLength ? kLength : kSymbolText);
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

bool GenerateDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_NCDESTROY:
        numLength_.Field().OnChange = nullptr;
        presenter_.Detach();
        return false;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == kSymbolText && code == EN_CHANGE) {
            presenter_.txtSymbolsChange();
            return true;
        }
        if (code != BN_CLICKED)
            return false;
        switch (id) {
        case kUpper: presenter_.chkKindClick(GenerateCheck::chkUpper); return true;
        case kLower: presenter_.chkKindClick(GenerateCheck::chkLower); return true;
        case kDigits: presenter_.chkKindClick(GenerateCheck::chkDigits); return true;
        case kSymbols: presenter_.chkKindClick(GenerateCheck::chkSymbols); return true;
        case kLookAlikes: presenter_.ChoiceChanged(); return true;
        case kRegenerate: presenter_.cmdRegenerateClick(); return true;
        case kUse: presenter_.cmdUseClick(); return true;
        case kCancel: presenter_.cmdCancelClick(); return true;
        default: return false;
        }
    }
    default: return false;
    }
}

} // namespace tobrix::win32
