#pragma once
// For tests that look at a modal dialog from inside its own message loop (a timer, or a step
// the dialog runs): the dialog this thread shows now.

#include <windows.h>

#include <string>

namespace tobrix::win32 {

inline BOOL CALLBACK TakeShownDialog(HWND window, LPARAM out) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

// This thread's visible dialog-class window, or null while none shows yet.
inline HWND ShownDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &TakeShownDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace tobrix::win32
