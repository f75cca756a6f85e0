#pragma once
// The DPI of a window and the system measures at a DPI. Windows 10 gives each monitor its own
// DPI and tells a window when it moves to another one (WM_DPICHANGED); older systems have one
// DPI for every screen. The newer functions are looked up when first needed, so the program
// still starts where they are missing and falls back to the system's DPI there.

#include <windows.h>

namespace tobrix::win32 {

// The DPI the window is drawn at: its monitor's, or the system's before Windows 10.
int WindowDpi(HWND window) noexcept;

// A system metric (SM_CYCAPTION, SM_CXVSCROLL ...) at `dpi`; the system's own value where the
// system cannot tell it for another DPI.
int SystemMetricForDpi(int index, int dpi) noexcept;

// The window rectangle around a client rectangle, with the frame measured at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi) noexcept;

// Stops the dialog manager from scaling a dialog and its controls on WM_DPICHANGED by itself:
// the dialog lays them out again from its own table.
void KeepDialogLayoutOwn(HWND dialog) noexcept;

// What a child window (a dialog inside another) is sent once its parent has taken a new DPI,
// from Windows 10 1703 on (WM_DPICHANGED_AFTERPARENT, missing from older headers).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// The new DPI and the suggested window rectangle of a WM_DPICHANGED.
struct DpiChange {
    int dpi;
    RECT suggested;
};
inline DpiChange DpiChangeOf(WPARAM wParam, LPARAM lParam) {
    return {HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)};
}

} // namespace tobrix::win32
