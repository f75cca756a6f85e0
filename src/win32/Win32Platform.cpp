#include "win32/Win32Platform.h"

#include "common/Identity.h"
#include "common/Error.h"
#include "common/Secret.h"
#include "win32/Binding.h"
#include "win32/Encoding.h"
#include "win32/SystemLibrary.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace tobrix::win32 {

namespace {

HWND AsHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

// A browser that does not answer within this time counts as no answer.
constexpr UINT kTextRequestTimeoutMs = 2000;

// A visit of an enumeration: what the visitor throws stops the enumeration and is thrown
// again once Windows has returned from it.
template <class Visitor>
struct Visit {
    const Visitor& visitor;
    std::exception_ptr error;

    void ThrowIfFailed() const {
        if (error)
            std::rethrow_exception(error);
    }
};

BOOL CALLBACK VisitTopLevel(HWND hwnd, LPARAM context) noexcept {
    auto& visit = *reinterpret_cast<Visit<std::function<bool(WindowHandle)>>*>(context);
    bool more = false;
    visit.error = Contained([&] { more = visit.visitor(reinterpret_cast<WindowHandle>(hwnd)); });
    return more && !visit.error ? TRUE : FALSE;
}

BOOL CALLBACK VisitDescendant(HWND hwnd, LPARAM context) noexcept {
    auto& visit = *reinterpret_cast<Visit<std::function<void(WindowHandle)>>*>(context);
    visit.error = Contained([&] { visit.visitor(reinterpret_cast<WindowHandle>(hwnd)); });
    return visit.error ? FALSE : TRUE;
}

} // namespace

bool Win32InstanceLock::Acquire(std::string_view name) {
    // Creating and testing in one call leaves no moment in which two starts could both
    // find the name free.
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, Widen(name).c_str());
    const DWORD error = GetLastError();
    if (mutex == nullptr)
        return error != ERROR_ACCESS_DENIED; // held by another user's process: still taken
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    return true;
}

WindowHandle Win32Desktop::FindTopLevel(std::string_view className, std::string_view caption) {
    return reinterpret_cast<WindowHandle>(FindWindowW(Widen(className).c_str(), Widen(caption).c_str()));
}

bool Win32Desktop::IsMinimized(WindowHandle window) { return IsIconic(AsHwnd(window)) != FALSE; }

void Win32Desktop::Restore(WindowHandle window) { ShowWindow(AsHwnd(window), SW_RESTORE); }

void Win32Desktop::BringToFront(WindowHandle window) { SetForegroundWindow(AsHwnd(window)); }

void Win32Desktop::EnumTopLevel(const std::function<bool(WindowHandle)>& visitor) {
    Visit<std::function<bool(WindowHandle)>> visit{visitor, nullptr};
    EnumWindows(&VisitTopLevel, reinterpret_cast<LPARAM>(&visit));
    visit.ThrowIfFailed();
}

void Win32Desktop::EnumDescendants(WindowHandle parent, const std::function<void(WindowHandle)>& visitor) {
    Visit<std::function<void(WindowHandle)>> visit{visitor, nullptr};
    EnumChildWindows(AsHwnd(parent), &VisitDescendant, reinterpret_cast<LPARAM>(&visit));
    visit.ThrowIfFailed();
}

std::string Win32Desktop::Title(WindowHandle window, int bufferSize) {
    return FitInBuffer(WindowText(AsHwnd(window)), bufferSize);
}

std::optional<std::string> Win32Desktop::ClassName(WindowHandle window, int bufferSize) {
    std::wstring name(static_cast<std::size_t>(bufferSize), L'\0');
    const int n = GetClassNameW(AsHwnd(window), name.data(), bufferSize);
    if (n <= 0)
        return std::nullopt;
    name.resize(static_cast<std::size_t>(n));
    return FitInBuffer(name, bufferSize);
}

bool Win32Desktop::IsWindow(WindowHandle window) { return window != 0 && ::IsWindow(AsHwnd(window)) != FALSE; }

bool Win32Desktop::IsShown(WindowHandle window) {
    HWND hwnd = AsHwnd(window);
    if (!IsWindowVisible(hwnd))
        return false;
    // Windows 8 and later hide windows of other virtual desktops (and some of their own) by
    // cloaking them; they stay "visible". dwmapi is no known DLL: from the system folder.
    using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
    static const GetAttribute getAttribute =
        SystemFunction<GetAttribute>(LoadSystemLibrary(L"dwmapi.dll"), "DwmGetWindowAttribute");
    constexpr DWORD kCloaked = 14; // DWMWA_CLOAKED
    DWORD cloaked = 0;
    return getAttribute == nullptr || FAILED(getAttribute(hwnd, kCloaked, &cloaked, sizeof cloaked)) || cloaked == 0;
}

std::optional<std::string> Win32Desktop::RequestText(WindowHandle window, int bufferSize) {
    std::wstring text(static_cast<std::size_t>(bufferSize), L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(AsHwnd(window), WM_GETTEXT, static_cast<WPARAM>(bufferSize),
                            reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                            kTextRequestTimeoutMs, &copied) == 0)
        return std::nullopt;
    text.resize(std::min<std::size_t>(copied, text.size()));
    const std::size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
    if (!NarrowExact(text))
        return std::nullopt; // would be kept with '?' in place of what it says
    return FitInBuffer(text, bufferSize);
}

void Win32Shell::Open(std::string_view target, Show show) {
    ShellExecuteW(GetActiveWindow(), L"open", Widen(target).c_str(), L"", L"",
                  show == Show::Maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
}

void Win32Sound::Beep(unsigned type) { MessageBeep(type); }

int Win32Messages::Show(std::string_view text, UINT style, std::string_view caption) {
    HWND owner = GetActiveWindow();
    if (owner == nullptr && main_.hwnd != nullptr && IsWindowVisible(main_.hwnd))
        owner = main_.hwnd;
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), style);
}

int Win32Messages::Ask(std::string_view text, const std::vector<std::string_view>& buttons, int defaultButton,
                       int cancelButton) {
    // The buttons' own identifiers, clear of IDOK/IDCANCEL, which the dialog sends for Enter and Esc.
    constexpr int kFirstButton = 100;
    std::vector<std::wstring> captions;
    captions.reserve(buttons.size());
    for (const std::string_view caption : buttons)
        captions.push_back(Widen(caption));
    std::vector<TASKDIALOG_BUTTON> entries;
    for (std::size_t i = 0; i < captions.size(); ++i)
        entries.push_back({kFirstButton + static_cast<int>(i), captions[i].c_str()});
    const std::wstring content = Widen(text);
    const std::wstring title = Widen(kAppTitle);
    HWND owner = GetActiveWindow();
    if (owner == nullptr && main_.hwnd != nullptr && IsWindowVisible(main_.hwnd))
        owner = main_.hwnd;
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = title.c_str();
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszContent = content.c_str();
    config.cButtons = static_cast<UINT>(entries.size());
    config.pButtons = entries.data();
    config.nDefaultButton = kFirstButton + defaultButton;
    int pressed = 0;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr)))
        return cancelButton;
    if (pressed < kFirstButton || pressed >= kFirstButton + static_cast<int>(entries.size()))
        return cancelButton; // Esc or the close box
    return pressed - kFirstButton;
}

void Win32Messages::ShowCaptioned(std::string_view text, std::string_view caption, MessageIcon icon) {
    static constexpr UINT kIcons[] = {0, MB_ICONINFORMATION, MB_ICONWARNING, MB_ICONERROR};
    Show(text, kIcons[static_cast<int>(icon)], caption);
}

namespace {

// Another program may hold the clipboard for a moment (a clipboard viewer reading it): try
// a few times before giving up.
bool OpenClipboardFor(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        Sleep(10);
    }
    return false;
}

// Puts a copy of the bytes on the open clipboard in that format; false when it could not.
bool Put(UINT format, const void* data, std::size_t size) {
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    if (block == nullptr)
        return false;
    if (void* target = GlobalLock(block)) {
        std::memcpy(target, data, size);
        GlobalUnlock(block);
        if (SetClipboardData(format, block) != nullptr)
            return true; // the clipboard owns the block now
    }
    GlobalFree(block);
    return false;
}

// What accompanies the program's text on the open clipboard.
void PutCompanions() {
    // The text is Japanese whatever the system's code page: other programs' Unicode view of
    // it is converted with code page 932.
    const DWORD japanese = 0x0411;
    Put(CF_LOCALE, &japanese, sizeof japanese);
    // Account data stays out of the clipboard history and its cloud sync (Windows 10 and
    // later); a program that pastes sees the same text.
    const DWORD no = 0;
    for (const wchar_t* name : {L"ExcludeClipboardContentFromMonitorProcessing", L"CanIncludeInClipboardHistory",
                                L"CanUploadToCloudClipboard"})
        Put(RegisterClipboardFormatW(name), &no, sizeof no);
}

} // namespace

void Win32Clipboard::SetText(std::string_view cp932) {
    if (!OpenClipboardFor(main_.hwnd))
        throw AppError(std::string(kMsgCannotOpenClipboard));
    EmptyClipboard();
    CloseClipboard();
    if (!OpenClipboardFor(main_.hwnd))
        throw AppError(std::string(kMsgCannotOpenClipboard));
    std::string text(cp932); // a password, as often as not
    const WipeOnExit wipe(text);
    const bool stored = Put(CF_TEXT, text.c_str(), text.size() + 1); // the bytes as stored and a zero byte
    if (stored)
        PutCompanions();
    CloseClipboard();
    if (!stored)
        throw AppError(std::string(kMsgCannotOpenClipboard));
}

std::uint32_t Win32Clipboard::SetSecretText(std::string_view cp932) {
    // Every text of the program goes with the formats that keep it out of the history, the
    // cloud and clipboard monitors (PutCompanions), a password too.
    SetText(cp932);
    // Taken once the clipboard is closed: the number changes while the copy is made.
    return GetClipboardSequenceNumber();
}

bool Win32Clipboard::ClearIfUnchanged(std::uint32_t sequence) {
    // 0: the system keeps no count for this program, so nothing can be known to be its own.
    if (sequence == 0 || GetClipboardSequenceNumber() != sequence)
        return true;
    if (!OpenClipboardFor(main_.hwnd))
        return false;
    // Asked again while the clipboard is open, when no other program can change it.
    if (GetClipboardSequenceNumber() == sequence)
        EmptyClipboard();
    CloseClipboard();
    return true;
}

void Win32Clipboard::OfferText() {
    if (!OpenClipboard(main_.hwnd))
        return;
    EmptyClipboard();
    // No data: Windows asks the owner with WM_RENDERFORMAT when a program wants the text.
    // (The call returns no handle, so there is no result to check.)
    SetClipboardData(CF_TEXT, nullptr);
    PutCompanions();
    CloseClipboard();
}

void Win32Clipboard::RenderText(std::string_view cp932) {
    // The requesting program holds the clipboard open; the owner hands over without opening it.
    std::string text(cp932);
    const WipeOnExit wipe(text);
    Put(CF_TEXT, text.c_str(), text.size() + 1);
}

} // namespace tobrix::win32
