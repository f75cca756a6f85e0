#include "win32/Win32Platform.h"

#include "app/Identity.h"
#include "win32/Encoding.h"

namespace tobrix::win32 {

namespace {
HWND AsHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
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

void Win32Sound::Beep(unsigned type) { MessageBeep(type); }

void Win32Messages::Show(std::string_view text, UINT icon) {
    HWND owner = GetActiveWindow();
    if (owner == nullptr && fallbackOwner_ != nullptr && IsWindowVisible(fallbackOwner_))
        owner = fallbackOwner_;
    MessageBoxW(owner, Widen(text).c_str(), Widen(kAppTitle).c_str(), MB_OK | icon);
}

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return Narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace tobrix::win32
