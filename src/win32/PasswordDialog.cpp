#include "win32/PasswordDialog.h"

#include "common/Cp932Literal.h"
#include "common/Error.h"
#include "store/Data.h"
#include "win32/Encoding.h"
#include "win32/SystemLibrary.h"

#include <commctrl.h>

#include <vector>

namespace tobrix::win32 {

namespace {

enum : int {
    kPassword = 1401,
    kCurrent,
    kNew,
    kConfirm,
    kRemove,
    kLockMinutes,
    kLockMinutesUpDown,
    kLockOnSessionLock,
    kPromptText = 1450,
    kPasswordLabel,
    kCurrentLabel,
    kNewLabel,
    kConfirmLabel,
    kNotice,
    kLockMinutesLabel,
};

constexpr std::string_view kPrompt = sjis<u8"データファイルのマスターパスワードを入力してください。">();
constexpr std::string_view kLabelPassword = sjis<u8"パスワード(&P)：">();
constexpr std::string_view kLabelCurrent = sjis<u8"現在のパスワード(&C)：">();
constexpr std::string_view kLabelNew = sjis<u8"新しいパスワード(&N)：">();
constexpr std::string_view kLabelConfirm = sjis<u8"新しいパスワードの確認(&F)：">();
constexpr std::string_view kLabelRemove = sjis<u8"マスターパスワードを解除する(&R)">();
constexpr std::string_view kNoticeText =
    sjis<u8"マスターパスワードを忘れると、データファイルの項目を取り出す方法はありません。">();
constexpr std::string_view kLabelLockMinutes = sjis<u8"自動ロックまでの時間（分、0 = しない）(&T)：">();
constexpr std::string_view kLabelLockOnSessionLock = sjis<u8"Windows のロック時にロックする(&W)">();
constexpr std::string_view kButtonCancel = sjis<u8"キャンセル">();
constexpr std::string_view kMsgPasswordNotNormal =
    sjis<u8"入力されたパスワードには、Unicode の正規化ができない文字が含まれているため、使用できません。"
         u8"\r\n別の文字で入力し直してください。">();

int IdOf(PasswordField field) {
    switch (field) {
    case PasswordField::Password: return kPassword;
    case PasswordField::Current: return kCurrent;
    case PasswordField::New: return kNew;
    case PasswordField::Confirm: return kConfirm;
    }
    return 0;
}

using NormalizeStringFunction = int(WINAPI*)(int, const wchar_t*, int, wchar_t*, int);

// Windows 8 and later export it from kernel32; Windows 7 from normaliz.dll.
NormalizeStringFunction Normalizer() {
    static const NormalizeStringFunction function = [] {
        const auto found =
            SystemFunction<NormalizeStringFunction>(GetModuleHandleW(L"kernel32.dll"), "NormalizeString");
        return found != nullptr ? found
                                : SystemFunction<NormalizeStringFunction>(LoadSystemLibrary(L"normaliz.dll"),
                                                                          "NormalizeString");
    }();
    return function;
}

// A wide buffer wiped when it goes.
struct WideSecret {
    std::vector<wchar_t> chars;
    explicit WideSecret(std::size_t size) : chars(size) {}
    WideSecret(const WideSecret&) = delete;
    WideSecret& operator=(const WideSecret&) = delete;
    ~WideSecret() { Wipe(chars.data(), chars.size() * sizeof(wchar_t)); }
};

constexpr int kNormalizationC = 1; // NormalizationC

} // namespace

Secret Utf8Nfc(const wchar_t* text, int length) {
    if (length <= 0)
        return {};
    // A password is never used as it was typed when it cannot be normalised: the same
    // password would give another key on a system that could.
    const NormalizeStringFunction normalize = Normalizer();
    if (normalize == nullptr)
        throw AppError(std::string(kMsgPasswordNotNormal));
    std::optional<WideSecret> normal;
    int written = 0;
    int estimate = normalize(kNormalizationC, text, length, nullptr, 0);
    // The estimate may fall short; the function says by how much is needed.
    for (int attempt = 0; attempt < 5 && estimate > 0; ++attempt) {
        normal.emplace(static_cast<std::size_t>(estimate));
        written = normalize(kNormalizationC, text, length, normal->chars.data(), estimate);
        if (written > 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        estimate = -written;
    }
    if (written <= 0)
        throw AppError(std::string(kMsgPasswordNotNormal));
    // Half a surrogate pair has no UTF-8: refused rather than replaced.
    const wchar_t* source = normal->chars.data();
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, source, written, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        throw AppError(std::string(kMsgPasswordNotNormal));
    Secret bytes(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, source, written, reinterpret_cast<char*>(bytes.data()), size,
                        nullptr, nullptr);
    return bytes;
}

void PasswordDialog::Run(HWND owner) {
    if (prompt_ != nullptr || check_ != nullptr)
        RunModal(owner, 392, 100);
    else
        RunModal(owner, 400, 260);
}

bool PasswordDialog::OnInit() {
    constexpr DWORD label = SS_LEFT | SS_CENTERIMAGE;
    constexpr DWORD password = WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD;
    constexpr DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
    HFONT font = MakeFont(13);
    if (prompt_ != nullptr || check_ != nullptr) {
        SetWindowTextW(Handle(), Widen(kPasswordCaption).c_str());
        // Asked before the main window shows: the question stands in the taskbar by itself.
        if (prompt_ != nullptr && !IsWindowVisible(GetWindow(Handle(), GW_OWNER)))
            SetWindowLongPtrW(Handle(), GWL_EXSTYLE, GetWindowLongPtrW(Handle(), GWL_EXSTYLE) | WS_EX_APPWINDOW);
        CreateControls(
            {
                {kPromptText, WC_STATICW, Widen(prompt_ != nullptr ? kPrompt : check_->Prompt()), 8, 8, 376, 21,
                 label | SS_NOPREFIX},
                {kPasswordLabel, WC_STATICW, Widen(kLabelPassword), 8, 36, 96, 21, label},
                {kPassword, WC_EDITW, L"", 108, 36, 276, 21, password, WS_EX_CLIENTEDGE},
                {IDOK, WC_BUTTONW, L"OK", 210, 68, 84, 25, WS_TABSTOP | BS_DEFPUSHBUTTON},
                {IDCANCEL, WC_BUTTONW, Widen(kButtonCancel), 300, 68, 84, 25, button},
            },
            font);
        Focus(PasswordField::Password);
        if (check_ != nullptr) {
            check_->Attach(*this);
            return false;
        }
        prompt_->Attach(*this);
        SetForegroundWindow(Handle());
        return false;
    }
    SetWindowTextW(Handle(), Widen(kMasterPasswordCaption).c_str());
    CreateControls(
        {
            {kCurrentLabel, WC_STATICW, Widen(kLabelCurrent), 8, 12, 176, 21, label},
            {kCurrent, WC_EDITW, L"", 188, 12, 204, 21, password, WS_EX_CLIENTEDGE},
            {kRemove, WC_BUTTONW, Widen(kLabelRemove), 188, 40, 204, 21, WS_TABSTOP | BS_AUTOCHECKBOX},
            {kNewLabel, WC_STATICW, Widen(kLabelNew), 8, 72, 176, 21, label},
            {kNew, WC_EDITW, L"", 188, 72, 204, 21, password, WS_EX_CLIENTEDGE},
            {kConfirmLabel, WC_STATICW, Widen(kLabelConfirm), 8, 102, 176, 21, label},
            {kConfirm, WC_EDITW, L"", 188, 102, 204, 21, password, WS_EX_CLIENTEDGE},
            {kLockMinutesLabel, WC_STATICW, Widen(kLabelLockMinutes), 8, 138, 300, 21, label},
            {kLockMinutes, WC_EDITW, L"", 312, 138, 56, 21, WS_TABSTOP | NValEditControl::kStyle, WS_EX_CLIENTEDGE},
            {kLockOnSessionLock, WC_BUTTONW, Widen(kLabelLockOnSessionLock), 8, 164, 384, 21,
             WS_TABSTOP | BS_AUTOCHECKBOX},
            {kNotice, WC_STATICW, Widen(kNoticeText), 8, 192, 384, 34, SS_LEFT | SS_NOPREFIX},
            {IDOK, WC_BUTTONW, L"OK", 218, 228, 84, 25, WS_TABSTOP | BS_DEFPUSHBUTTON},
            {IDCANCEL, WC_BUTTONW, Widen(kButtonCancel), 308, 228, 84, 25, button},
        },
        font);
    minutes_->Attach(Item(kLockMinutes));
    TNValEdit& minutes = minutes_->Field();
    minutes.SetMaxDigits(4);
    minutes.SetFixDecimal(0);
    minutes.NegativeToZero = true;
    minutes.SetPrmtNegative(false);
    minutes.MaxValue = kLockMaxMinutes;
    minutes.DelAllClear = true;
    minutes.SetZeroDisplay(true);
    minutes_->AttachUpDown(kLockMinutesUpDown, 0, kLockMaxMinutes, kLockDefaultMinutes);
    // Without a master password there is nothing to give first or to remove.
    const bool has = setting_->HasPassword();
    for (const int id : {kCurrentLabel, kCurrent, kRemove})
        EnableWindow(Item(id), has);
    setting_->Attach(*this, *this);
    Focus(has ? PasswordField::Current : PasswordField::New);
    return false;
}

void PasswordDialog::FollowRemove() {
    const bool remove = RemoveChecked();
    for (const int id : {kNewLabel, kNew, kConfirmLabel, kConfirm})
        EnableWindow(Item(id), !remove);
}

Secret PasswordDialog::Password(PasswordField field) const {
    HWND control = Item(IdOf(field));
    if (control == nullptr || !IsWindowEnabled(control))
        return {};
    const int length = GetWindowTextLengthW(control);
    if (length <= 0)
        return {};
    WideSecret text(static_cast<std::size_t>(length) + 1);
    const int got = GetWindowTextW(control, text.chars.data(), length + 1);
    return Utf8Nfc(text.chars.data(), got);
}

void PasswordDialog::ClearPassword(PasswordField field) { SetWindowTextW(Item(IdOf(field)), L""); }

void PasswordDialog::Focus(PasswordField field) {
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IdOf(field))), TRUE);
}

int PasswordDialog::LockMinutes() const { return static_cast<int>(minutes_->Field().Value()); }

void PasswordDialog::SetLockMinutes(int minutes) {
    minutes_->Field().SetValue(minutes);
    minutes_->SetUpDownPosition(minutes);
}

bool PasswordDialog::LockOnSessionLock() const { return IsDlgButtonChecked(Handle(), kLockOnSessionLock) == BST_CHECKED; }

void PasswordDialog::SetLockOnSessionLock(bool on) {
    CheckDlgButton(Handle(), kLockOnSessionLock, on ? BST_CHECKED : BST_UNCHECKED);
}

bool PasswordDialog::RemoveChecked() const {
    return setting_ != nullptr && IsWindowEnabled(Item(kRemove)) &&
           SendMessageW(Item(kRemove), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool PasswordDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_DESTROY:
        // The fields' texts go with their controls; empty them first.
        for (const int id : {kPassword, kCurrent, kNew, kConfirm})
            if (HWND control = Item(id))
                SetWindowTextW(control, L"");
        return false;
    case WM_NCDESTROY:
        if (prompt_ != nullptr)
            prompt_->Detach();
        if (setting_ != nullptr)
            setting_->Detach();
        if (check_ != nullptr)
            check_->Detach();
        return false;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED)
            return false;
        switch (id) {
        case IDOK:
            if (prompt_ != nullptr)
                prompt_->cmdOKClick();
            else if (check_ != nullptr)
                check_->cmdOKClick();
            else
                setting_->cmdOKClick();
            return true;
        case IDCANCEL:
            if (prompt_ != nullptr)
                prompt_->cmdCancelClick();
            else if (check_ != nullptr)
                check_->cmdCancelClick();
            else
                setting_->cmdCancelClick();
            return true;
        case kRemove: FollowRemove(); return true;
        default: return false;
        }
    }
    default: return false;
    }
}

} // namespace tobrix::win32
